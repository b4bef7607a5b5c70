#pragma once
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace qv::test {

// Collects log lines while alive (and still prints them), so a test can check what a
// component reported and at which level.
class CapturedLog {
 public:
  struct Line {
    QtMsgType type;
    QString category;
    QString text;
  };
  CapturedLog();
  ~CapturedLog();
  CapturedLog(const CapturedLog&) = delete;
  CapturedLog& operator=(const CapturedLog&) = delete;

  QList<Line> lines() const;
  QStringList texts(const QString& category = QString()) const;
  int count(QtMsgType type, const QString& text) const;
  void clear();
};

}  // namespace qv::test
