#pragma once
#include "settings/SettingsServices.h"

#include <memory>

namespace qv {

// The composition root: every process-wide service, built once in main() (or by a test with
// fakes) and handed down. Each layer's services struct names only its own layer and those below
// (PlatformServices, ItemServices, InterfaceServices, ViewServices, LibraryServices,
// SettingsServices); this one puts them together, and code below app/ receives the struct of its
// own layer. A type may offer a `shared()` accessor that forwards to its layer's struct.
struct AppContext : SettingsServices {
  // Real platform services over the environment's XDG folders; the caller adds the item and
  // interface services (installItemServices, installInterfaceServices).
  static std::shared_ptr<AppContext> makeReal();
};

}  // namespace qv
