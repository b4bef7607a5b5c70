#pragma once
#include "platform/Workspace.h"

#include <QString>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>

namespace qv {
class DesktopEntries;
class DesktopEntryIndex;
}  // namespace qv

namespace qv::x11 {

// What /proc tells about one process.
struct ProcessFacts {
  qint64 pid = 0;
  qint64 parentPid = 0;
  uint uid = 0;
  QString executable;     // target of /proc/<pid>/exe ("" when unreadable)
  QString flatpakId;      // [Application] name of /proc/<pid>/root/.flatpak-info
  QString snapDesktopId;  // "<snap>_<app>" from the snap.<snap>.<app> cgroup
  // The desktop file a launcher noted in the environment (GIO_LAUNCHED_DESKTOP_FILE,
  // BAMF_DESKTOP_FILE_HINT), when it names this process rather than one it was inherited from.
  QString launchedDesktopFile;
};

// Reads /proc (or a stand-in folder laid out like it, for tests) and names processes through the
// desktop-entry index. Any thread.
class ProcessIdentity {
 public:
  // Without `entries`, the applications folders named by the XDG variables.
  explicit ProcessIdentity(std::shared_ptr<DesktopEntries> entries = {}, QString procRoot = QStringLiteral("/proc"));

  std::optional<ProcessFacts> facts(qint64 pid) const;
  // The application of a process; `windowClass` is the WM_CLASS class of one of its windows
  // when known. nullopt when the process is gone.
  std::optional<RunningApp> application(qint64 pid, const QString& windowClass = {}) const;
  // The outermost application whose install folder holds this process's executable and that
  // started it (the analogue of an application nested in another's bundle).
  std::optional<QString> containingApplicationId(qint64 pid) const;
  // The id of a window known only by its class (a remote client); "" without a class.
  QString desktopIdOfWindowClass(const QString& windowClass) const;

 private:
  QString desktopIdOf(const ProcessFacts& facts, const QString& windowClass, const DesktopEntryIndex& index) const;
  // Only what walking up the parents needs: the parent, the owner, the executable and, when
  // asked, the sandbox.
  std::optional<ProcessFacts> lineage(qint64 pid, bool withSandbox) const;
  std::optional<ProcessFacts> readFacts(qint64 pid) const;
  std::shared_ptr<DesktopEntries> entries_;
  QString procRoot_;
  // The facts last read: a copy asks for the owner's application and then for the one that
  // holds it, a moment apart, and the second look starts from the same process.
  mutable std::mutex lastMutex_;
  mutable std::optional<ProcessFacts> last_;
  mutable std::chrono::steady_clock::time_point lastReadAt_;
};

}  // namespace qv::x11
