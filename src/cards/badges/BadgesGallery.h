#pragma once

namespace qv {

class GalleryRegistry;

// The badge row, footer and quick actions over every kind of card.
void addCardBadgeGalleryViews(GalleryRegistry& registry);

}  // namespace qv
