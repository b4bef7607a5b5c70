#include "support/PdfFixtures.h"

#include <QDir>
#include <QFileInfo>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace qv::test {

bool writeTestPdf(const QString& path, const QList<PdfTestPage>& pages) {
  if (pages.isEmpty()) return false;
  QDir().mkpath(QFileInfo(path).absolutePath());
  QPdfWriter writer(path);
  writer.setResolution(72);  // one unit is one point
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  writer.setPageSize(QPageSize(pages.first().points, QPageSize::Point));
  QPainter painter;
  if (!painter.begin(&writer)) return false;
  for (qsizetype i = 0; i < pages.size(); ++i) {
    if (i > 0) {
      writer.setPageSize(QPageSize(pages[i].points, QPageSize::Point));
      if (!writer.newPage()) return false;
    }
    painter.fillRect(QRectF(QPointF(0, 0), pages[i].points), pages[i].color);
  }
  return painter.end();
}

QList<PdfTestPage> colouredPages(int count) {
  const QColor colours[] = {Qt::red, Qt::green, Qt::blue};
  QList<PdfTestPage> pages;
  for (int i = 0; i < count; ++i) pages.append({QSizeF(612, 792), colours[i % 3]});
  return pages;
}

QString passwordLockedPdfPath() { return QStringLiteral(QV_SOURCE_DIR "/tests/platform/fixtures/password-locked.pdf"); }

}  // namespace qv::test
