#pragma once
#include <QHash>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace qv::test {

// A helper program that talks in lines: commands on its stdin, reports on its stdout. Every
// wait has a deadline; the program is terminated (then killed) when this goes away.
class LineProcess {
 public:
  LineProcess(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment);
  ~LineProcess();
  LineProcess(const LineProcess&) = delete;
  LineProcess& operator=(const LineProcess&) = delete;

  void send(const QString& command);
  // Waits for a line starting with `prefix` that came after the first `after` lines; returns
  // it, or an empty string when none came in time.
  QString waitForLine(const QString& prefix, int timeoutMs = 10000, qsizetype after = 0);
  // Sends `command` and waits for the first line after it that starts with `prefix`; returns
  // that line, or an empty string when none came in time.
  QString ask(const QString& command, const QString& prefix, int timeoutMs = 10000);
  // The lines so far.
  QStringList lines();
  // What it wrote to stderr so far (its log).
  QString errors();
  // Stops the program now and waits for it to end.
  void stop();
  qint64 pid() const { return process_.processId(); }
  // Everything it printed, for a failing test's message.
  QString log();

 private:
  void read();

  QProcess process_;
  QString name_;
  QStringList lines_;
  QByteArray partial_;
  QString errors_;
};

// The `key=value` words of an answer line (a word without `=` maps to an empty value).
QHash<QString, QString> keyValues(const QString& words);

}  // namespace qv::test
