#pragma once

namespace qv {

struct AppContext;

// Adds the item-level services (stores, caches, rules, the own-write counter, ...) to a context
// whose platform services are already set; the program and the tests both call it.
void installItemServices(AppContext& context);

}  // namespace qv
