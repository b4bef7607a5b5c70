#pragma once
#include "items/ItemServices.h"
#include "state/PanelState.h"
#include "support/FakeInterfaceContext.h"

namespace qv::test {

// The interface and item services on fakes, with a PanelState over them.
struct PanelHarness : FakeInterfaceContext {
  PanelHarness() {
    installItemServices(*context);
    state = std::make_unique<PanelState>(*context);
  }
  std::unique_ptr<PanelState> state;
};

}  // namespace qv::test
