#pragma once

namespace qv {

class GalleryRegistry;

// The panel's controls, its filter status bar and the quick-actions menus.
void addPanelGalleryViews(GalleryRegistry& registry);
// The panel chrome: the copied toast and the search bar in its states.
void addPanelChromeGalleryViews(GalleryRegistry& registry);

}  // namespace qv
