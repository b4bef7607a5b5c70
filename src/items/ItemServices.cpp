#include "items/ItemServices.h"

#include "items/rules/AppRulesManager.h"
#include "items/stores/ImageStore.h"
#include "platform/AppContext.h"

namespace qv {

void installItemServices(AppContext& context) {
  context.imageStore = std::make_shared<ImageStore>(*context.paths);
  context.appRules = std::make_shared<AppRulesManager>(*context.settings);
}

}  // namespace qv
