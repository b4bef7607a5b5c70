#pragma once
#include "cards/ViewServices.h"
#include "items/ItemServices.h"
#include "state/PanelState.h"
#include "support/ui/FakeInterfaceContext.h"

namespace qv::test {

// The interface and item services on fakes, with a PanelState over them.
struct PanelHarness : FakeInterfaceContextFor<ViewServices> {
  PanelHarness() {
    installItemServices(*context);
    state = std::make_unique<PanelState>(*context);
  }
  std::unique_ptr<PanelState> state;
};

}  // namespace qv::test
