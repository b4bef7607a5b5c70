#include "support/LineProcess.h"

#include "support/ProcessHelpers.h"

#include <QFileInfo>

namespace qv::test {

LineProcess::LineProcess(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment)
    : name_(QFileInfo(program).fileName()) {
  process_.setProcessEnvironment(environment);
  process_.start(program, arguments);
  process_.waitForStarted(10000);
}

LineProcess::~LineProcess() { stop(); }

void LineProcess::stop() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.terminate();
  if (!process_.waitForFinished(5000)) {
    process_.kill();
    process_.waitForFinished(5000);
  }
  read();
}

void LineProcess::send(const QString& command) {
  process_.write((command + u'\n').toUtf8());
  process_.waitForBytesWritten(1000);
}

void LineProcess::read() {
  partial_ += process_.readAllStandardOutput();
  qsizetype end;
  while ((end = partial_.indexOf('\n')) >= 0) {
    lines_.append(QString::fromUtf8(partial_.left(end)));
    partial_.remove(0, end + 1);
  }
  errors_ += QString::fromUtf8(process_.readAllStandardError());
}

QStringList LineProcess::lines() {
  read();
  return lines_;
}

QString LineProcess::errors() {
  read();
  return errors_;
}

QString LineProcess::waitForLine(const QString& prefix, int timeoutMs, qsizetype after) {
  QString found;
  waitFor(
      [&] {
        read();
        for (qsizetype index = after; index < lines_.size(); ++index)
          if (lines_.at(index).startsWith(prefix)) {
            found = lines_.at(index);
            return true;
          }
        return process_.state() == QProcess::NotRunning;
      },
      timeoutMs);
  return found;
}

QString LineProcess::ask(const QString& command, const QString& prefix, int timeoutMs) {
  const qsizetype after = lines().size();
  send(command);
  return waitForLine(prefix, timeoutMs, after);
}

QString LineProcess::log() {
  read();
  return name_ + QStringLiteral(" stdout:\n") + lines_.join(u'\n') + QStringLiteral("\n") + name_ +
         QStringLiteral(" stderr:\n") + errors_;
}

QHash<QString, QString> keyValues(const QString& words) {
  QHash<QString, QString> values;
  for (const QString& pair : words.split(u' ', Qt::SkipEmptyParts))
    values[pair.section(u'=', 0, 0)] = pair.section(u'=', 1);
  return values;
}

}  // namespace qv::test
