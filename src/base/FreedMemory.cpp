#include "base/FreedMemory.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace qv {

void returnFreedMemory() {
#ifdef __GLIBC__
  ::malloc_trim(0);
#endif
}

}  // namespace qv
