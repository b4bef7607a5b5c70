#pragma once
#include "platform/Workspace.h"

#include <QString>
#include <optional>

namespace qv::x11 {

// What /proc tells about one process.
struct ProcessFacts {
  qint64 pid = 0;
  qint64 parentPid = 0;
  uint uid = 0;
  QString executable;        // target of /proc/<pid>/exe ("" when unreadable)
  QString flatpakId;         // [Application] name of /proc/<pid>/root/.flatpak-info
  QString snapDesktopId;     // "<snap>_<app>" from the snap.<snap>.<app> cgroup
  QString launchedDesktopId; // GIO_LAUNCHED_DESKTOP_FILE when this process is the one launched
  qint64 launchedDesktopPid = 0;
};

// Reads /proc (or a stand-in folder laid out like it, for tests). Any thread.
class ProcessIdentity {
 public:
  explicit ProcessIdentity(DesktopIdResolver resolver = {}, DesktopFileLocator locator = {},
                           QString procRoot = QStringLiteral("/proc"));

  std::optional<ProcessFacts> facts(qint64 pid) const;
  // The application of a process; `windowClass` is the WM_CLASS class of one of its windows
  // when known. nullopt when the process is gone.
  std::optional<RunningApp> application(qint64 pid, const QString& windowClass = {}) const;
  // The outermost application whose install folder holds this process's executable and that
  // started it (the analogue of an application nested in another's bundle).
  std::optional<QString> containingApplicationId(qint64 pid) const;

  // Trivial stand-ins until the desktop-entry index is wired: a desktop file named after the
  // window class or the executable in the XDG applications folders, else the lower-cased class
  // or the executable's name.
  static QString fallbackDesktopId(const QString& windowClass, const QString& executablePath);
  static QString fallbackDesktopFile(const QString& desktopId);

 private:
  QString desktopIdOf(const ProcessFacts& facts, const QString& windowClass) const;
  DesktopIdResolver resolver_;
  DesktopFileLocator locator_;
  QString procRoot_;
};

}  // namespace qv::x11
