#include "app/AppContext.h"

namespace qv {

std::shared_ptr<AppContext> AppContext::makeReal() {
  auto context = std::make_shared<AppContext>();
  installRealPlatformServices(*context);
  return context;
}

}  // namespace qv
