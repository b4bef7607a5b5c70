#include "platform/Updater.h"

#include "base/Log.h"
#include "platform/PlatformServices.h"
#include "platform/SettingsStore.h"

namespace qv {

TarnwickUpdater::TarnwickUpdater(std::shared_ptr<SettingsStore> settings, QObject* parent)
    : QObject(parent), settings_(std::move(settings)) {
  qCInfo(lcApp) << "Updates come through the system's package manager";
}

TarnwickUpdater& TarnwickUpdater::shared(PlatformServices& context) {
  if (!context.updater) context.updater = std::make_shared<TarnwickUpdater>(context.settings);
  return *context.updater;
}

QString TarnwickUpdater::packageManagerNotice() {
  return QStringLiteral(
      "Quorvalen is updated by your system's package manager. Use it (for example your software "
      "centre or apt) to get the latest version.");
}

QString TarnwickUpdater::checkForUpdates() {
  qCInfo(lcApp) << "Update check asked for: updates come through the package manager";
  return packageManagerNotice();
}

}  // namespace qv
