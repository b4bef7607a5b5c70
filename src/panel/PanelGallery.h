#pragma once
#include "ui/view/GalleryRegistry.h"

namespace qv {

// The panel's views in the screenshot gallery: card cells at rest, lifted and with the paste
// hint, and a card's open menu.
void addPanelGalleryViews(GalleryRegistry& registry);

}  // namespace qv
