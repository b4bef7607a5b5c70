#pragma once
// What the desktop tests of the whole program share: a private X session, the program and its
// helpers started there (ended with the test), the program's log, the clipboard filled by xclip
// and screenshots taken once the screen shows what is awaited.
#include "support/ProcessHelpers.h"
#include "support/XvfbSession.h"

#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qv::test {

class ProgramDesktop {
 protected:
  explicit ProgramDesktop(XvfbSession::Options options) : session_(options), screen_(options.screenSize) {}
  ~ProgramDesktop() {
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
  // Starts `program` on the session with `env_`, its output merged; it is killed when the test ends.
  QProcess& start(const QString& program, const QStringList& arguments = {}) {
    processes_.push_back(std::make_unique<QProcess>());
    QProcess& process = *processes_.back();
    process.setProcessEnvironment(env_);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    return process;
  }
  // Starts the program; its output is what log() reads.
  QProcess& startProgram() {
    program_ = &start(binDir() + QStringLiteral("/quorvalen"));
    return *program_;
  }
  // Everything the program printed so far.
  QByteArray& log() {
    if (program_) log_ += program_->readAll();
    return log_;
  }
  bool logCount(const QByteArray& text, int atLeast, int timeoutMs = 15000) {
    return waitFor([&] { return log().count(text) >= atLeast; }, timeoutMs);
  }
  bool logContains(const QByteArray& text, int timeoutMs = 20000) { return logCount(text, 1, timeoutMs); }
  // What a failing test prints: the program's log and the X session's.
  std::string logs() {
    return "quorvalen said:\n" + log().toStdString() + "\nX session:\n" + session_.log().toStdString();
  }
  // Copies `text` with xclip, which keeps serving it until another copy replaces it.
  bool copy(const QByteArray& text) {
    QProcess& xclip = start(QStringLiteral("xclip"),
                            {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-quiet")});
    if (!xclip.waitForStarted(5000)) return false;
    xclip.write(text);
    xclip.closeWriteChannel();
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

  XvfbSession session_;
  QSize screen_;
  QProcessEnvironment env_;
  std::vector<std::unique_ptr<QProcess>> processes_;
  QProcess* program_ = nullptr;
  QByteArray log_;
};

}  // namespace qv::test
