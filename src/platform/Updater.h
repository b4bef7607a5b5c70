#pragma once
#include <QObject>
#include <QString>
#include <memory>

namespace qv {

struct PlatformServices;
class SettingsStore;

// The updater wrapper. Updates arrive through the distribution's package manager, so there is
// no updater of our own to start and nothing to check automatically: the wrapper answers a
// manual check by saying where updates come from.
class TarnwickUpdater : public QObject {
  Q_OBJECT
 public:
  explicit TarnwickUpdater(std::shared_ptr<SettingsStore> settings, QObject* parent = nullptr);

  // The process's one updater, made on first use (at launch).
  static TarnwickUpdater& shared(PlatformServices& context);

  bool supportsGentleScheduledUpdateReminders() const { return true; }

  // Logs and returns the text that tells the user where updates come from.
  QString checkForUpdates();
  static QString packageManagerNotice();

 private:
  std::shared_ptr<SettingsStore> settings_;
};

}  // namespace qv
