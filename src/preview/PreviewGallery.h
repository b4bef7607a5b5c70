#pragma once

namespace qv {

class GalleryRegistry;

// The preview's building blocks: the editor, the downsampled image in its states, the caption
// and the share menu.
void addPreviewGalleryViews(GalleryRegistry& registry);
// The rich-document preview: one document in each format, the fallback and the spinner (added by
// addPreviewGalleryViews).
void addDocumentGalleryViews(GalleryRegistry& registry);

}  // namespace qv
