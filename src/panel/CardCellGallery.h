#pragma once
#include "ui/view/GalleryRegistry.h"

namespace qv {

// The panel's cards in the screenshot gallery: card cells at rest, lifted and with the paste
// hint, and a card's open menu.
void addCardCellGalleryViews(GalleryRegistry& registry);

}  // namespace qv
