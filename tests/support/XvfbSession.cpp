#include "support/XvfbSession.h"

#include "support/ProcessHelpers.h"

#include <QFile>
#include <xcb/xcb.h>

namespace qv::test {

namespace {

constexpr char kJwmConfig[] = R"(<?xml version="1.0"?>
<JWM>
  <Tray x="0" y="-1" height="28" autohide="off"><TaskList maxwidth="200"/></Tray>
  <FocusModel>click</FocusModel>
  <Desktops width="1" height="1"/>
</JWM>
)";

void finish(QProcess* process) {
  if (!process || process->state() == QProcess::NotRunning) return;
  process->terminate();
  if (!process->waitForFinished(3000)) {
    process->kill();
    process->waitForFinished(3000);
  }
}

}  // namespace

XvfbSession::XvfbSession() : XvfbSession(Options{}) {}
XvfbSession::XvfbSession(Options options) : options_(options) {}
XvfbSession::~XvfbSession() { stop(); }

bool XvfbSession::start(int timeoutMs) {
  folder_ = std::make_unique<QTemporaryDir>();
  server_ = std::make_unique<QProcess>();
  server_->setProcessChannelMode(QProcess::SeparateChannels);
  const QString screen = QStringLiteral("%1x%2x24").arg(options_.screenSize.width()).arg(options_.screenSize.height());
  // -displayfd 1: the server picks a free display and writes its number to stdout when ready.
  server_->start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                          QStringLiteral("0"), screen, QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                                          QStringLiteral("-noreset")});
  if (!server_->waitForStarted(5000)) {
    log_ += QStringLiteral("Xvfb did not start: ") + server_->errorString() + u'\n';
    return false;
  }
  QByteArray output;
  const bool announced = waitFor(
      [&] {
        output += server_->readAllStandardOutput();
        return output.contains('\n') || server_->state() == QProcess::NotRunning;
      },
      timeoutMs);
  const QByteArray number = output.trimmed();
  if (!announced || number.isEmpty()) {
    log_ += QStringLiteral("Xvfb gave no display number\n") + QString::fromLocal8Bit(server_->readAllStandardError());
    stop();
    return false;
  }
  display_ = QStringLiteral(":") + QString::fromLatin1(number);
  if (!options_.windowManager) return true;

  const QString config = folder_->filePath(QStringLiteral("jwmrc"));
  QFile file(config);
  if (!file.open(QIODevice::WriteOnly) || file.write(kJwmConfig) < 0) return false;
  file.close();
  windowManager_ = std::make_unique<QProcess>();
  QProcessEnvironment env = environment();
  env.insert(QStringLiteral("HOME"), folder_->path());
  windowManager_->setProcessEnvironment(env);
  windowManager_->setProcessChannelMode(QProcess::MergedChannels);
  windowManager_->start(QStringLiteral("jwm"), {QStringLiteral("-f"), config});
  if (!windowManager_->waitForStarted(5000) || !waitForWindowManager(timeoutMs)) {
    log_ += QStringLiteral("jwm did not become ready\n");
    stop();
    return false;
  }
  return true;
}

bool XvfbSession::waitForWindowManager(int timeoutMs) {
  // Ready once it announces itself on the root window (_NET_SUPPORTING_WM_CHECK) and
  // publishes the active window.
  xcb_connection_t* c = xcb_connect(display_.toLatin1().constData(), nullptr);
  if (xcb_connection_has_error(c)) {
    xcb_disconnect(c);
    return false;
  }
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  auto atom = [c](const char* name) {
    auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t value = reply ? reply->atom : XCB_NONE;
    free(reply);
    return value;
  };
  const xcb_atom_t check = atom("_NET_SUPPORTING_WM_CHECK");
  const bool ready = waitFor(
      [&] {
        if (windowManager_->state() == QProcess::NotRunning) return true;
        auto* reply = xcb_get_property_reply(
            c, xcb_get_property(c, 0, root, check, XCB_ATOM_WINDOW, 0, 1), nullptr);
        const bool present = reply && reply->type != XCB_NONE;
        free(reply);
        return present;
      },
      timeoutMs);
  xcb_disconnect(c);
  return ready && windowManager_->state() != QProcess::NotRunning;
}

void XvfbSession::stop() {
  if (exported_) {
    if (hadDisplay_) qputenv("DISPLAY", previousDisplay_);
    else qunsetenv("DISPLAY");
    exported_ = false;
  }
  if (windowManager_) log_ += QString::fromLocal8Bit(windowManager_->readAll());
  finish(windowManager_.get());
  if (server_) log_ += QString::fromLocal8Bit(server_->readAllStandardError());
  finish(server_.get());
  windowManager_.reset();
  server_.reset();
}

bool XvfbSession::isRunning() const { return server_ && server_->state() == QProcess::Running; }

QProcessEnvironment XvfbSession::environment() const {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("DISPLAY"), display_);
  env.remove(QStringLiteral("WAYLAND_DISPLAY"));
  env.remove(QStringLiteral("XAUTHORITY"));
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  return env;
}

void XvfbSession::exportDisplay() {
  if (!exported_) {
    hadDisplay_ = qEnvironmentVariableIsSet("DISPLAY");
    previousDisplay_ = qgetenv("DISPLAY");
  }
  qputenv("DISPLAY", display_.toLatin1());
  exported_ = true;
}

QString XvfbSession::log() const { return log_; }

}  // namespace qv::test
