#include "items/ItemServices.h"

#include "items/stores/ImageStore.h"
#include "platform/AppContext.h"

namespace qv {

void installItemServices(AppContext& context) {
  context.imageStore = std::make_shared<ImageStore>(*context.paths);
}

}  // namespace qv
