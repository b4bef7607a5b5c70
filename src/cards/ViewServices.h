#pragma once
#include "items/ItemServices.h"
#include "ui/InterfaceServices.h"

namespace qv {

// What the views that show items (cards, the preview, the panel) are given: the item services
// and the interface services over one set of platform services.
struct ViewServices : ItemServices, InterfaceServices {};

}  // namespace qv
