#pragma once
#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

namespace qv {

// A running application as the workspace sees it. Its "bundle identifier" is the desktop-entry
// id (e.g. "org.gnome.TextEditor"); the "application URL" is the desktop file's path.
struct RunningApp {
  qint64 pid = 0;
  quint32 windowId = 0;  // the window that made it frontmost; 0 when not known by a window
  QString windowClass;   // WM_CLASS class of that window
  QString desktopId;     // empty when nothing identifies it
  QString desktopFile;   // empty when no desktop file was found
  QString executable;    // /proc/<pid>/exe
  bool operator==(const RunningApp&) const = default;
};

// The applications of the desktop session.
class Workspace : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  ~Workspace() override = default;

  // The application of the active window (main thread).
  virtual std::optional<RunningApp> frontmostApplication() const = 0;
  // The application of another program whose window was active last: while a window of this
  // program has the focus, the one that had it before (main thread); nullopt when none is known.
  virtual std::optional<RunningApp> previousApplication() const { return std::nullopt; }
  // The application a process belongs to; nullopt when the process is gone. Any thread.
  virtual std::optional<RunningApp> applicationForPid(qint64 pid) const = 0;
  // The desktop id of the outermost application that contains the process (a helper process
  // of a browser belongs to the browser); nullopt when it is its own outermost application.
  // Any thread.
  virtual std::optional<QString> containingApplicationId(qint64 pid) const = 0;
  // Whether a remembered application still is what it was (window ids and pids are reused).
  virtual bool isStillRunning(const RunningApp& app) const = 0;
  // Brings a remembered application's window to the front; false when it is gone.
  virtual bool activate(const RunningApp& app) = 0;
  virtual bool openUrl(const QUrl& url) = 0;
  // Asks which application the desktop opens links of a scheme with ("appstream", "mailto"):
  // `answer` gets its desktop id, or "" when none is set, later on the main thread.
  virtual void findUrlSchemeHandler(const QString& scheme, std::function<void(const QString& desktopId)> answer) = 0;
  // Brings a window of the application with this desktop id to the front, else starts the
  // application from its desktop entry. False when it has no window and cannot be started.
  virtual bool switchToApplication(const QString& desktopId) = 0;
  // Shows a file selected in the file manager, else opens its folder. Returns at once (the file
  // manager answers later); false when the file does not exist.
  virtual bool revealFile(const QString& path) = 0;
  virtual qint64 ownPid() const = 0;
};

}  // namespace qv
