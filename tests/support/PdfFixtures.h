#pragma once
#include <QColor>
#include <QList>
#include <QSizeF>
#include <QString>

namespace qv::test {

// One page of a test PDF: its size in points, filled edge to edge with its colour, so that a
// rendered page tells which one it is.
struct PdfTestPage {
  QSizeF points{612, 792};
  QColor color = Qt::white;
};

// Writes a PDF of these pages (made by Qt's PDF writer); false on any error.
bool writeTestPdf(const QString& path, const QList<PdfTestPage>& pages);
// Pages of the letter size in red, green, blue, then cycling.
QList<PdfTestPage> colouredPages(int count);
// The password-locked one-page PDF kept with the sources (Qt's writer cannot encrypt).
QString passwordLockedPdfPath();

}  // namespace qv::test
