#pragma once

namespace qv {

class GalleryRegistry;

// The preview pane for every kind of item, beside a right-hand and a left-hand panel, with a
// sensitive item and an open editor.
void addPreviewPaneGalleryViews(GalleryRegistry& registry);

}  // namespace qv
