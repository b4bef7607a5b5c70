#pragma once
#include "library/LibraryServices.h"
#include "support/ui/FakeInterfaceContext.h"

namespace qv::test {

// The library layer's services on the fakes, the interface services on a hand-driven frame clock.
using FakeLibraryContext = FakeInterfaceContextFor<LibraryServices>;

}  // namespace qv::test
