#pragma once
#include "app/AppContext.h"
#include "support/platform/FakePlatform.h"
#include "support/ui/FakeInterfaceContext.h"

namespace qv {

// The whole program's context on the fakes, for the tests of the application layer, the
// gallery and the benchmarks.
using FakeContext = FakeContextFor<AppContext>;

namespace test {
// The same with the interface services on a hand-driven frame clock.
using FakeAppContext = FakeInterfaceContextFor<AppContext>;
}  // namespace test

}  // namespace qv
