#pragma once
#include "settings/SettingsServices.h"
#include "support/ui/FakeInterfaceContext.h"

namespace qv::test {

// The settings layer's services on the fakes, the interface services on a hand-driven frame clock.
using FakeSettingsContext = FakeInterfaceContextFor<SettingsServices>;

}  // namespace qv::test
