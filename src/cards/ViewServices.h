#pragma once
#include "items/ItemServices.h"
#include "ui/InterfaceServices.h"

namespace qv {

class FileIcons;
class CardTimeTick;

// What the views that show items (cards, the preview, the panel) are given: the item services
// and the interface services over one set of platform services.
struct ViewServices : ItemServices, InterfaceServices {
  // File icons by name, made on first use (FileIcons::shared).
  std::shared_ptr<FileIcons> fileIcons;
  // The tick that refreshes shown capture times, made on first use (CardTimeTick::shared).
  std::shared_ptr<CardTimeTick> cardTimeTick;
};

// The cards' painted items sit on interface services that the program and the tests always make
// as view services; this gives a card the item services too.
inline ViewServices& viewServices(InterfaceServices& services) { return dynamic_cast<ViewServices&>(services); }

}  // namespace qv
