#pragma once

namespace qv {

class GalleryRegistry;

// The library's detail pane for every kind, hidden and while editing.
void addLibraryDetailGalleryViews(GalleryRegistry& registry);

}  // namespace qv
