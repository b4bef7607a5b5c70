#pragma once
// The line protocol of the test helper programs: commands come in on stdin, one a line, and
// reports go out on stdout, one a line, flushed at once so that a waiting test sees them.
#include <unistd.h>
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>
#include <QString>
#include <cstdio>
#include <functional>

namespace qv::tools {

inline void say(const QString& line) {
  std::fputs(qPrintable(line + u'\n'), stdout);
  std::fflush(stdout);
}

// Where a screenshot named on a command line goes: an absolute path as it is, a relative one in
// the build's screenshots folder beside the program (never the folder the tool was started in,
// which may be the source tree).
inline QString screenshotPath(const QString& path) {
  if (QFileInfo(path).isAbsolute()) return path;
  const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/../screenshots");
  QDir().mkpath(folder);
  return QDir(folder).absoluteFilePath(path);
}

// A report as one line of compact JSON.
inline void answer(const QJsonObject& object) {
  const QByteArray line = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
  std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
  std::fflush(stdout);
}

// Hands every complete line read from stdin (without its '\n'; empty lines left out) to
// `onLine`, however the reads split the input, and calls `onEnd` once when the input ends.
class StdinLines {
 public:
  explicit StdinLines(std::function<void(const QByteArray&)> onLine, std::function<void()> onEnd = {})
      : onLine_(std::move(onLine)), onEnd_(std::move(onEnd)) {
    QObject::connect(&notifier_, &QSocketNotifier::activated, &notifier_, [this] { readSome(); });
  }

 private:
  void readSome() {
    char buffer[4096];
    const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (got <= 0) {
      notifier_.setEnabled(false);
      if (onEnd_) onEnd_();
      return;
    }
    pending_.append(buffer, got);
    for (qsizetype end; (end = pending_.indexOf('\n')) >= 0;) {
      const QByteArray line = pending_.left(end);
      pending_.remove(0, end + 1);
      if (!line.isEmpty()) onLine_(line);
    }
  }

  std::function<void(const QByteArray&)> onLine_;
  std::function<void()> onEnd_;
  QSocketNotifier notifier_{STDIN_FILENO, QSocketNotifier::Read};
  QByteArray pending_;
};

}  // namespace qv::tools
