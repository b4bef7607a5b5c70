#pragma once
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace qv::test {

// A private X server (Xvfb on a display it picks itself) with the jwm window manager, for
// end-to-end tests of global input. Everything it starts is stopped when it goes away.
class XvfbForKeys {
 public:
  XvfbForKeys(int width = 1280, int height = 800);
  ~XvfbForKeys();
  XvfbForKeys(const XvfbForKeys&) = delete;
  XvfbForKeys& operator=(const XvfbForKeys&) = delete;

  bool isRunning() const { return !display_.isEmpty(); }
  QString display() const { return display_; }  // ":N"
  QString error() const { return error_; }
  // The environment for programs on this display: DISPLAY set, XDG folders private.
  QProcessEnvironment environment() const;
  QString home() const { return home_.path(); }

  // Runs xdotool with `arguments` on this display and waits for it (up to 10 s).
  bool xdotool(const QStringList& arguments);

 private:
  bool startServer(int width, int height);
  bool startWindowManager();
  static void stop(QProcess& process);

  QTemporaryDir home_;
  QProcess server_;
  QProcess windowManager_;
  QString display_;
  QString error_;
};

}  // namespace qv::test
