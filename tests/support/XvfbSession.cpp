#include "support/XvfbSession.h"

#include "support/ProcessHelpers.h"

#include <sys/prctl.h>
#include <xcb/xcb.h>
#include <QDir>
#include <QFile>
#include <QJsonDocument>

#include <csignal>
#include <cstdlib>
#include <cstring>

namespace qv::test {

namespace {

// Our own configuration: no menu includes or startup programs from the system's.
constexpr char kJwmConfig[] = R"(<?xml version="1.0"?>
<JWM>
  <Tray x="0" y="-1" height="28" autohide="off"><TaskList maxwidth="200"/></Tray>
  <FocusModel>click</FocusModel>
  <Desktops width="1" height="1"/>
</JWM>
)";

// A server or window manager left behind by a crashed test would hold a display for good.
void dieWithParent(QProcess& process) {
  process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

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
  if (!home_.isValid()) {
    log_ += QStringLiteral("no temporary folder for HOME\n");
    return false;
  }
  for (const char* folder : {"config", "data", "cache", "run"}) QDir(home_.path()).mkpath(QLatin1String(folder));
  QFile::setPermissions(home_.filePath(QStringLiteral("run")),
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  if (!startServer(timeoutMs)) {
    stop();
    return false;
  }
  if (options_.windowManager && !startWindowManager(timeoutMs)) {
    stop();
    return false;
  }
  return true;
}

bool XvfbSession::startServer(int timeoutMs) {
  server_ = std::make_unique<QProcess>();
  server_->setProcessChannelMode(QProcess::SeparateChannels);
  dieWithParent(*server_);
  const QString screen = QStringLiteral("%1x%2x24").arg(options_.screenSize.width()).arg(options_.screenSize.height());
  // -displayfd 1: the server picks a free display and writes its number to stdout once it
  // accepts connections.
  server_->start(QStringLiteral("Xvfb"),
                 {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                  screen, QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-noreset")});
  if (!server_->waitForStarted(timeoutMs)) {
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
  if (!announced || number.isEmpty() || server_->state() == QProcess::NotRunning) {
    log_ += QStringLiteral("Xvfb gave no display number\n");
    return false;
  }
  display_ = QStringLiteral(":") + QString::fromLatin1(number);
  return true;
}

bool XvfbSession::startWindowManager(int timeoutMs) {
  const QString config = home_.filePath(QStringLiteral("jwmrc"));
  QFile file(config);
  QByteArray text(kJwmConfig);
  if (options_.systemTray) text.replace("<TaskList maxwidth=\"200\"/>", "<TaskList maxwidth=\"200\"/><Dock/>");
  if (options_.focusFollowsPointer) text.replace("<FocusModel>click</FocusModel>", "<FocusModel>sloppy</FocusModel>");
  if (!file.open(QIODevice::WriteOnly) || file.write(text) < 0) {
    log_ += QStringLiteral("cannot write the jwm configuration\n");
    return false;
  }
  file.close();
  windowManager_ = std::make_unique<QProcess>();
  windowManager_->setProcessEnvironment(environment());
  windowManager_->setProcessChannelMode(QProcess::MergedChannels);
  dieWithParent(*windowManager_);
  windowManager_->start(QStringLiteral("jwm"), {QStringLiteral("-f"), config});
  if (!windowManager_->waitForStarted(timeoutMs) || !waitForWindowManager(timeoutMs)) {
    log_ += QStringLiteral("jwm did not become ready\n");
    return false;
  }
  return true;
}

bool XvfbSession::waitForWindowManager(int timeoutMs) {
  // Ready once it announces itself on the root window: _NET_SUPPORTING_WM_CHECK names its
  // check window, which it sets only after it has taken over the screen.
  xcb_connection_t* c = xcb_connect(display_.toLatin1().constData(), nullptr);
  if (xcb_connection_has_error(c)) {
    xcb_disconnect(c);
    log_ += QStringLiteral("cannot connect to ") + display_ + u'\n';
    return false;
  }
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  const char name[] = "_NET_SUPPORTING_WM_CHECK";
  auto* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
  const xcb_atom_t check = atom ? atom->atom : xcb_atom_t(XCB_ATOM_NONE);
  std::free(atom);
  const bool ready = waitFor(
      [&] {
        if (windowManager_->state() == QProcess::NotRunning) return true;
        auto* reply = xcb_get_property_reply(c, xcb_get_property(c, 0, root, check, XCB_ATOM_WINDOW, 0, 1), nullptr);
        const bool present = reply && reply->type != XCB_NONE && xcb_get_property_value_length(reply) > 0;
        std::free(reply);
        return present;
      },
      timeoutMs);
  xcb_disconnect(c);
  return ready && windowManager_->state() != QProcess::NotRunning;
}

void XvfbSession::collectOutput() const {
  if (windowManager_) log_ += QString::fromLocal8Bit(windowManager_->readAll());
  if (server_) log_ += QString::fromLocal8Bit(server_->readAllStandardError());
}

void XvfbSession::stop() {
  finish(windowManager_.get());
  finish(server_.get());
  collectOutput();
  windowManager_.reset();
  server_.reset();
}

bool XvfbSession::isRunning() const { return server_ && server_->state() == QProcess::Running; }

QString XvfbSession::home() const { return home_.path(); }

bool XvfbSession::storeSettings(const QJsonObject& settings) const {
  const QString folder = home() + QStringLiteral("/config/Quorvalen");
  QFile file(folder + QStringLiteral("/defaults.json"));
  return QDir().mkpath(folder) && file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(settings).toJson()) > 0;
}

QProcessEnvironment XvfbSession::environment() const {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("DISPLAY"), display_);
  env.remove(QStringLiteral("WAYLAND_DISPLAY"));
  env.remove(QStringLiteral("XAUTHORITY"));
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  env.insert(QStringLiteral("HOME"), home_.path());
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.filePath(QStringLiteral("config")));
  env.insert(QStringLiteral("XDG_DATA_HOME"), home_.filePath(QStringLiteral("data")));
  env.insert(QStringLiteral("XDG_CACHE_HOME"), home_.filePath(QStringLiteral("cache")));
  env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home_.filePath(QStringLiteral("run")));
  return env;
}

bool XvfbSession::xdotool(const QStringList& arguments, int timeoutMs) {
  QProcess process;
  process.setProcessEnvironment(environment());
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(QStringLiteral("xdotool"), arguments);
  const bool finished = process.waitForFinished(timeoutMs);
  if (!finished) {
    process.kill();
    process.waitForFinished(3000);
  }
  const QByteArray output = process.readAll();
  const bool ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
  if (!ok || !output.isEmpty())
    log_ += QStringLiteral("xdotool ") + arguments.join(u' ') + (ok ? QString() : QStringLiteral(" failed")) + u'\n' +
            QString::fromLocal8Bit(output);
  return ok;
}

QString XvfbSession::log() const {
  collectOutput();
  return log_;
}

QImage XvfbSession::screenshot() const {
  xcb_connection_t* c = xcb_connect(display_.toLatin1().constData(), nullptr);
  QImage image;
  if (!xcb_connection_has_error(c)) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    auto* reply = xcb_get_image_reply(c,
                                      xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, 0, 0,
                                                    screen->width_in_pixels, screen->height_in_pixels, ~0u),
                                      nullptr);
    if (reply) {
      image = QImage(xcb_get_image_data(reply), screen->width_in_pixels, screen->height_in_pixels, QImage::Format_RGB32)
                  .copy();
      std::free(reply);
    }
  }
  xcb_disconnect(c);
  return image;
}

void XvfbSession::saveScreenshot(const QImage& shot, const QString& name) {
  QDir().mkpath(binDir() + "/../screenshots");
  shot.save(binDir() + "/../screenshots/" + name);
}

}  // namespace qv::test
