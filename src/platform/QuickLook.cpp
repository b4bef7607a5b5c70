#include "platform/QuickLook.h"

#include "platform/PlatformServices.h"

namespace qv {

QuickLookPresenter& QuickLookPresenter::shared(PlatformServices& services) {
  if (!services.quickLookPresenter) services.quickLookPresenter = std::make_shared<QuickLookPresenter>();
  return *services.quickLookPresenter;
}

QuickLookPresenter* QuickLookPresenter::existing(const PlatformServices& services) {
  return services.quickLookPresenter.get();
}

void openQuickLook(PlatformServices& services, const QUrl& url) {
  QuickLookPresenter::shared(services).items = {url};
  QuickLook* window = services.quickLook.get();
  if (!window) return;
  window->setDataSource(services.quickLookPresenter);
  window->reloadData();
  window->makeKeyAndOrderFront();
}

}  // namespace qv
