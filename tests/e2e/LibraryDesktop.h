#pragma once
// What the library's desktop tests share: the program and its helpers started under Xvfb with
// jwm's tray, the program's log, the clipboard filled by xclip, the tray's "Open Library" and
// screenshots taken once the screen shows what is awaited.
#include "support/ProcessHelpers.h"
#include "support/XvfbSession.h"

#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <functional>
#include <optional>

#include <memory>
#include <vector>

namespace qv::test {

class LibraryDesktop {
 protected:
  explicit LibraryDesktop(QSize screen = {1280, 800})
      : session_(XvfbSession::Options{true, screen, true}), screen_(screen) {}
  ~LibraryDesktop() {
    for (auto& process : processes_) {
      process->kill();
      process->waitForFinished(3000);
    }
    session_.stop();
  }

  // Starts the session with the program's debug log on; false when the X server would not start.
  bool startSession() {
    if (!session_.start()) return false;
    env_ = session_.environment();
    env_.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("com.tarnwick.quorvalen.app.debug=true"));
    return true;
  }
  QProcess& start(const QString& program, const QStringList& arguments = {}) {
    processes_.push_back(std::make_unique<QProcess>());
    QProcess& process = *processes_.back();
    process.setProcessEnvironment(env_);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    return process;
  }
  QByteArray& log() {
    if (program_) log_ += program_->readAll();
    return log_;
  }
  bool logCount(const QByteArray& text, int atLeast, int timeoutMs = 15000) {
    return waitFor([&] { return log().count(text) >= atLeast; }, timeoutMs);
  }
  bool copy(const QByteArray& text) {
    QProcess& xclip = start(QStringLiteral("xclip"),
                            {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-quiet")});
    if (!xclip.waitForStarted(5000)) return false;
    xclip.write(text);
    xclip.closeWriteChannel();
    return true;
  }
  // Starts the program and copies `texts` one after another, each once it has taken the one
  // before.
  bool launchAndCopy(const QList<QByteArray>& texts) {
    program_ = &start(binDir() + QStringLiteral("/quorvalen"));
    if (!logCount("Quorvalen launched", 1, 20000)) return false;
    for (int i = 0; i < texts.size(); ++i)
      if (!copy(texts[i]) || !logCount("Captured a", i + 1, 20000)) return false;
    return true;
  }
  // The first screenshot in which `drawn` holds (null at the deadline).
  QImage waitForScreenshot(const std::function<bool(const QImage&)>& drawn, int timeoutMs = 10000) {
    QImage shot;
    if (!waitFor([&] { return shot = session_.screenshot(), !shot.isNull() && drawn(shot); }, timeoutMs)) return {};
    return shot;
  }
  // The screen once it has stayed the same for 0.3 s (animations over; a blinking caret turns
  // about every half second), or null at the deadline.
  QImage settledScreenshot() {
    QImage previous = session_.screenshot();
    QElapsedTimer unchanged;
    unchanged.start();
    const bool settled = waitFor(
        [&] {
          const QImage shot = session_.screenshot();
          if (shot.isNull() || shot != previous) {
            previous = shot;
            unchanged.restart();
          }
          return unchanged.elapsed() >= 300;
        },
        10000);
    return settled ? previous : QImage();
  }
  // Pixels that differ between `a` and `b` right of `left` and below `top` (above the tray).
  int changedPixels(const QImage& a, const QImage& b, int left, int top) const {
    int changed = 0;
    for (int y = top; y < screen_.height() - 30; y += 4)
      for (int x = left; x < screen_.width(); x += 4) changed += a.pixel(x, y) != b.pixel(x, y);
    return changed;
  }
  // jwm docks the tray icon at the right end of its bar along the bottom.
  QPoint trayIcon() const { return {screen_.width() - 12, screen_.height() - 14}; }
  // Opens the tray icon's menu and picks its first row, "Open Library", with the pointer moved
  // to `pointerAt` meanwhile when given; false when the menu never came.
  bool openLibraryFromTheTray(std::optional<QPoint> pointerAt = std::nullopt) {
    const int menus = int(log().count("Status menu opened"));
    const QImage before = session_.screenshot();
    // Right after a window went down into jwm's task list, the tray can miss a click: ask again.
    bool opened = false;
    for (int attempt = 0; attempt < 3 && !opened; ++attempt) {
      if (!session_.xdotool(
              {"mousemove", QString::number(trayIcon().x()), QString::number(trayIcon().y()), "click", "3"}))
        return false;
      opened = logCount("Status menu opened", menus + 1, 3000);
    }
    // Keys reach the menu once it is drawn above the tray.
    if (!opened || waitForScreenshot([&](const QImage& shot) {
                     return changedPixels(before, shot, screen_.width() - 280, screen_.height() - 240) > 200;
                   }).isNull())
      return false;
    if (pointerAt && !session_.xdotool({"mousemove", QString::number(pointerAt->x()), QString::number(pointerAt->y())}))
      return false;
    return session_.xdotool({"key", "Down", "Return"});
  }
  // The native window the library shows in now.
  QString libraryWindow() {
    static const QRegularExpression shown(QStringLiteral("Library shown in window (0x[0-9a-f]+)"));
    QString last;
    for (QRegularExpressionMatchIterator it = shown.globalMatch(QString::fromUtf8(log())); it.hasNext();)
      last = it.next().captured(1);
    return last;
  }

  XvfbSession session_;
  QSize screen_;
  QProcessEnvironment env_;
  std::vector<std::unique_ptr<QProcess>> processes_;
  QProcess* program_ = nullptr;
  QByteArray log_;
};

}  // namespace qv::test
