#pragma once

namespace qv {

class GalleryRegistry;

// The preview's building blocks: the editor, the downsampled image in its states, the caption
// and the share menu.
void addPreviewGalleryViews(GalleryRegistry& registry);

}  // namespace qv
