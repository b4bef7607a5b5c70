#pragma once
#include "items/ItemServices.h"
#include "support/platform/FakePlatform.h"

namespace qv {

// The item layer's services with their platform part on the fakes; the test installs the item
// services (installItemServices) when it wants them.
using FakeItemContext = FakeContextFor<ItemServices>;

}  // namespace qv
