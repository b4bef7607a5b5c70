#pragma once

namespace qv {

class GalleryRegistry;

// The panel chrome's gallery views: the copied toast and the search bar in its states.
void addPanelGalleryViews(GalleryRegistry& registry);

}  // namespace qv
