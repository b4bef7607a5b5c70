#pragma once
#include <QImage>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace qv::test {

// A private X server (Xvfb on a free display chosen by the server itself, -displayfd) and,
// when asked, the jwm window manager on it, with a private HOME and XDG folders for the
// programs a test starts there. Every wait has a deadline; the server and the window manager
// are stopped when the session ends, and killed by the kernel should the test process die
// first. Tests that need X start one each, so they run in parallel.
class XvfbSession {
 public:
  struct Options {
    bool windowManager = true;
    QSize screenSize{1280, 800};
    bool systemTray = false;           // the window manager's tray also hosts status icons
    bool focusFollowsPointer = false;  // the window manager's "sloppy" focus, else click to focus
  };
  XvfbSession();
  explicit XvfbSession(Options options);
  ~XvfbSession();
  XvfbSession(const XvfbSession&) = delete;
  XvfbSession& operator=(const XvfbSession&) = delete;

  // Starts the server (and the window manager) and waits until they are ready. False, with
  // the reason in `log()`, when that fails.
  bool start(int timeoutMs = 20000);
  void stop();
  bool isRunning() const;

  QString display() const { return display_; }  // ":N"
  // The private HOME; XDG_CONFIG_HOME is home()/config, XDG_DATA_HOME home()/data, and so on.
  QString home() const;
  // The system environment for a child on this display: DISPLAY set, no Wayland, Qt on xcb,
  // HOME and the XDG folders private.
  QProcessEnvironment environment() const;
  // Writes the program's user defaults in the private HOME, as the settings window would have
  // stored them; false when the file could not be written.
  bool storeSettings(const QJsonObject& settings) const;
  // Runs xdotool with `arguments` on this display and waits for it to finish successfully.
  bool xdotool(const QStringList& arguments, int timeoutMs = 10000);
  // The whole screen, straight from the server (null when it cannot be read).
  QImage screenshot() const;
  // Keeps `shot` as build/screenshots/<name> for people to look at.
  static void saveScreenshot(const QImage& shot, const QString& name);
  // What Xvfb, jwm and xdotool printed, and why start() failed.
  QString log() const;

 private:
  bool startServer(int timeoutMs);
  bool startWindowManager(int timeoutMs);
  bool waitForWindowManager(int timeoutMs);
  void collectOutput() const;

  Options options_;
  QTemporaryDir home_;
  std::unique_ptr<QProcess> server_;
  std::unique_ptr<QProcess> windowManager_;
  QString display_;
  mutable QString log_;
};

}  // namespace qv::test
