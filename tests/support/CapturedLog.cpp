#include "support/CapturedLog.h"

#include <QList>
#include <mutex>

namespace qv::test {
namespace {
std::mutex gMutex;
QList<CapturedLog::Line>* gLines = nullptr;
QtMessageHandler gPrevious = nullptr;

void capture(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  {
    std::lock_guard lock(gMutex);
    if (gLines) gLines->append({type, QString::fromUtf8(context.category ? context.category : ""), text});
  }
  if (gPrevious) gPrevious(type, context, text);
}
}  // namespace

CapturedLog::CapturedLog() {
  std::lock_guard lock(gMutex);
  gLines = new QList<Line>();
  gPrevious = qInstallMessageHandler(capture);
}

CapturedLog::~CapturedLog() {
  qInstallMessageHandler(gPrevious);
  std::lock_guard lock(gMutex);
  delete gLines;
  gLines = nullptr;
}

QList<CapturedLog::Line> CapturedLog::lines() const {
  std::lock_guard lock(gMutex);
  return *gLines;
}

QStringList CapturedLog::texts(const QString& category) const {
  QStringList result;
  for (const Line& line : lines())
    if (category.isEmpty() || line.category == category) result << line.text;
  return result;
}

int CapturedLog::count(QtMsgType type, const QString& text) const {
  int n = 0;
  for (const Line& line : lines())
    if (line.type == type && line.text == text) ++n;
  return n;
}

void CapturedLog::clear() {
  std::lock_guard lock(gMutex);
  gLines->clear();
}

}  // namespace qv::test
