#pragma once

namespace qv {

class GalleryRegistry;

// The panel's controls, its filter status bar and the quick-actions menus.
void addPanelGalleryViews(GalleryRegistry& registry);

}  // namespace qv
