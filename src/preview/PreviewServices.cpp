#include "preview/PreviewServices.h"

#include "cards/ViewServices.h"
#include "preview/DesktopThumbnailService.h"
#include "preview/QuickLookWindow.h"
#include "state/PanelState.h"

#include <QDir>
#include <QPointer>

namespace qv {

void installPreviewServices(ViewServices& services) {
  if (!services.thumbnailService)
    services.thumbnailService = std::make_shared<DesktopThumbnailService>(
        services.scheduler, services.queue(QStringLiteral("thumbnails")),
        DesktopThumbnailService::optionsFor(*services.paths));
  if (!services.quickLook) services.quickLook = std::make_shared<QuickLookWindow>(services);
}

bool isSensitiveFile(const PanelState& state, const QString& path) {
  const PanelState::IdSet& marked = state.sensitiveIDs();
  const PanelState::IdSet& automatic = state.autoSensitiveIDs();
  if ((marked.isEmpty() && automatic.isEmpty()) || path.isEmpty()) return false;
  const QString wanted = QDir::cleanPath(path);
  for (const ClipboardItem& item : state.items()) {
    if (!marked.contains(item.id) && !automatic.contains(item.id)) continue;
    const auto* file = fieldsIf<FilePayload>(&item.payload);
    if (file && file->url && file->url->isLocalFile() && QDir::cleanPath(file->url->toLocalFile()) == wanted)
      return true;
  }
  return false;
}

void keepSensitiveThumbnailsPrivate(ViewServices& services, const PanelState& state) {
  if (!services.thumbnailService) return;
  services.thumbnailService->setPrivacyCheck([state = QPointer<const PanelState>(&state)](const QString& path) {
    // Without the state (the program on its way out), nothing is written.
    return !state || isSensitiveFile(*state, path);
  });
}

}  // namespace qv
