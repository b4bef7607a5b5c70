#pragma once
#include <QProcess>
#include <QProcessEnvironment>
#include <QSize>
#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace qv::test {

// A private X server (Xvfb on a free display chosen by the server itself, -displayfd) and,
// when asked, the jwm window manager on it. Every wait has a deadline; both processes are
// killed when the session ends. Tests that need X start one each, so they run in parallel.
class XvfbSession {
 public:
  struct Options {
    bool windowManager = true;
    QSize screenSize{1280, 800};
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
  // The system environment for a child on this display: DISPLAY set, no Wayland, Qt on xcb.
  QProcessEnvironment environment() const;
  // Points this process's DISPLAY at the session (for in-process X clients); undone by stop().
  void exportDisplay();
  // What Xvfb and jwm printed, and why start() failed.
  QString log() const;

 private:
  bool waitForWindowManager(int timeoutMs);

  Options options_;
  std::unique_ptr<QTemporaryDir> folder_;
  std::unique_ptr<QProcess> server_;
  std::unique_ptr<QProcess> windowManager_;
  QString display_;
  QString log_;
  QByteArray previousDisplay_;
  bool hadDisplay_ = false;
  bool exported_ = false;
};

}  // namespace qv::test
