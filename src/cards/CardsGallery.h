#pragma once

namespace qv {

class GalleryRegistry;

// The cards' gallery views: every kind of card content.
void addCardsGalleryViews(GalleryRegistry& registry);

}  // namespace qv
