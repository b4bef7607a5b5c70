#pragma once
#include "items/ItemServices.h"
#include "ui/InterfaceServices.h"

namespace qv {

class FileIcons;

// What the views that show items (cards, the preview, the panel) are given: the item services
// and the interface services over one set of platform services.
struct ViewServices : ItemServices, InterfaceServices {
  // File icons by name, made on first use (FileIcons::shared).
  std::shared_ptr<FileIcons> fileIcons;
};

}  // namespace qv
