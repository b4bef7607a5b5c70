#include "items/ItemServices.h"

#include "items/rules/AppRulesManager.h"
#include "items/link/LinkMetadataFetcher.h"
#include "items/link/OGImageCache.h"
#include "items/stores/ImageStore.h"
#include "platform/AppContext.h"

namespace qv {

void installItemServices(AppContext& context) {
  context.imageStore = std::make_shared<ImageStore>(*context.paths);
  context.appRules = std::make_shared<AppRulesManager>(*context.settings);

  // Network and link metadata: pages are parsed and images decoded on the image decoder queue.
  context.ogImageCache = std::make_shared<OGImageCache>(*context.paths);
  context.linkMetadataFetcher = std::make_shared<LinkMetadataFetcher>(
      context.httpClient, context.scheduler, context.queue(QStringLiteral("imageDecoder")), context.ogImageCache);
}

}  // namespace qv
