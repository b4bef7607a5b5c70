#pragma once

namespace qv {

class GalleryRegistry;

// The library window with a history, narrowed to nothing, and empty.
void addLibraryGalleryViews(GalleryRegistry& registry);

}  // namespace qv
