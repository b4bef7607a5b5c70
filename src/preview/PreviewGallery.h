#pragma once

namespace qv {

class GalleryRegistry;

// The preview's building blocks: the editor, the downsampled image in its states, the caption
// and the share menu.
void addPreviewGalleryViews(GalleryRegistry& registry);
// The PDF pages with their pager, the link card and text files (added by addPreviewGalleryViews).
void addFilePreviewGalleryViews(GalleryRegistry& registry);

}  // namespace qv
