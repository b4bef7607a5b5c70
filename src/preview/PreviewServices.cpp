#include "preview/PreviewServices.h"

#include "cards/ViewServices.h"
#include "preview/DesktopThumbnailService.h"
#include "preview/QuickLookWindow.h"

namespace qv {

void installPreviewServices(ViewServices& services) {
  if (!services.thumbnailService)
    services.thumbnailService = std::make_shared<DesktopThumbnailService>(
        services.scheduler, services.queue(QStringLiteral("thumbnails")),
        DesktopThumbnailService::optionsFor(*services.paths));
  if (!services.quickLook) services.quickLook = std::make_shared<QuickLookWindow>(services);
}

}  // namespace qv
