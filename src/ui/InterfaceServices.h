#pragma once

namespace qv {

struct AppContext;

// Adds the interface-level services (frame clock, reduce-motion flag, environment,
// the windows' appearance) to a
// context whose platform services are set. Services a test already put in place (a manual
// frame clock, say) are kept.
void installInterfaceServices(AppContext& context);

}  // namespace qv
