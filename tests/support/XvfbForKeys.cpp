#include "support/XvfbForKeys.h"

#include "support/ProcessHelpers.h"

#include <QDir>
#include <QElapsedTimer>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdlib>

namespace qv::test {

XvfbForKeys::XvfbForKeys(int width, int height) {
  if (!startServer(width, height)) return;
  if (!startWindowManager()) {
    stop(server_);
    display_.clear();
  }
}

XvfbForKeys::~XvfbForKeys() {
  stop(windowManager_);
  stop(server_);
}

void XvfbForKeys::stop(QProcess& process) {
  if (process.state() == QProcess::NotRunning) return;
  process.terminate();
  if (!process.waitForFinished(5000)) {
    process.kill();
    process.waitForFinished(5000);
  }
}

bool XvfbForKeys::startServer(int width, int height) {
  // The server writes the display number it chose to fd 3 once it accepts connections.
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    error_ = "pipe failed";
    return false;
  }
  const int writeEnd = fds[1];
  server_.setChildProcessModifier([writeEnd] {
    if (writeEnd == 3)
      ::fcntl(3, F_SETFD, 0);
    else
      ::dup2(writeEnd, 3);
  });
  server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  server_.start("Xvfb", {"-displayfd", "3", "-screen", "0", QString("%1x%2x24").arg(width).arg(height),
                         "-nolisten", "tcp", "-noreset"});
  ::close(writeEnd);
  QByteArray number;
  QElapsedTimer clock;
  clock.start();
  while (!number.endsWith('\n') && clock.elapsed() < 15000) {
    pollfd pfd{fds[0], POLLIN, 0};
    if (::poll(&pfd, 1, 100) > 0) {
      char c;
      if (::read(fds[0], &c, 1) != 1) break;
      number.append(c);
    }
  }
  ::close(fds[0]);
  if (!number.endsWith('\n')) {
    error_ = "Xvfb did not report its display: " + server_.errorString();
    stop(server_);
    return false;
  }
  display_ = ":" + QString::fromLatin1(number.trimmed());
  return true;
}

bool XvfbForKeys::startWindowManager() {
  windowManager_.setProcessEnvironment(environment());
  windowManager_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  windowManager_.start("jwm", {});
  // jwm is up once it advertises itself on the root window.
  const QByteArray name = display_.toLatin1();
  xcb_connection_t* c = xcb_connect(name.constData(), nullptr);
  if (xcb_connection_has_error(c)) {
    xcb_disconnect(c);
    error_ = "cannot connect to " + display_;
    return false;
  }
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  const char atomName[] = "_NET_SUPPORTING_WM_CHECK";
  xcb_intern_atom_reply_t* atom =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof atomName - 1, atomName), nullptr);
  const xcb_atom_t check = atom ? atom->atom : xcb_atom_t(XCB_ATOM_NONE);
  std::free(atom);
  const bool up = waitFor(
      [&] {
        xcb_get_property_reply_t* reply =
            xcb_get_property_reply(c, xcb_get_property(c, 0, root, check, XCB_ATOM_WINDOW, 0, 1), nullptr);
        const bool found = reply && xcb_get_property_value_length(reply) > 0;
        std::free(reply);
        return found || windowManager_.state() == QProcess::NotRunning;
      },
      15000);
  xcb_disconnect(c);
  if (!up || windowManager_.state() == QProcess::NotRunning) {
    error_ = "jwm did not start";
    return false;
  }
  return true;
}

QProcessEnvironment XvfbForKeys::environment() const {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("DISPLAY", display_);
  env.insert("HOME", home_.path());
  env.insert("XDG_CONFIG_HOME", home_.path() + "/config");
  env.insert("XDG_DATA_HOME", home_.path() + "/data");
  env.insert("XDG_CACHE_HOME", home_.path() + "/cache");
  env.insert("XDG_RUNTIME_DIR", home_.path() + "/run");
  env.insert("QT_QPA_PLATFORM", "xcb");
  env.remove("WAYLAND_DISPLAY");
  QDir().mkpath(home_.path() + "/run");
  QFile::setPermissions(home_.path() + "/run", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  return env;
}

bool XvfbForKeys::xdotool(const QStringList& arguments) {
  QProcess process;
  process.setProcessEnvironment(environment());
  process.setProcessChannelMode(QProcess::ForwardedChannels);
  process.start("xdotool", arguments);
  if (!process.waitForFinished(10000)) {
    process.kill();
    process.waitForFinished(2000);
    return false;
  }
  return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

}  // namespace qv::test
