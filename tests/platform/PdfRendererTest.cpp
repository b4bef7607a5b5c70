#include "platform/PdfRenderer.h"
#include "support/FifoWithDeadline.h"
#include "support/PathSwappedForFifo.h"
#include "support/PdfFixtures.h"
#include "support/SideFileHelpers.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <thread>
#include <vector>

namespace qv {
namespace {

using test::PdfTestPage;

bool near(QColor a, QColor b) {
  return std::abs(a.red() - b.red()) < 30 && std::abs(a.green() - b.green()) < 30 && std::abs(a.blue() - b.blue()) < 30;
}

TEST(PdfDocument, OpensEveryPageWithItsSizeAndDrawsTheOneAsked) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("three.pdf"));
  ASSERT_TRUE(test::writeTestPdf(
      path, {{QSizeF(612, 792), Qt::red}, {QSizeF(792, 612), Qt::green}, {QSizeF(200, 200), Qt::blue}}));
  const auto document = PdfDocument::open(path);
  ASSERT_TRUE(document);
  EXPECT_EQ(document->pageCount(), 3);
  EXPECT_EQ(document->pageSize(0).toSize(), QSize(612, 792));
  EXPECT_EQ(document->pageSize(1).toSize(), QSize(792, 612));
  EXPECT_TRUE(document->pageSize(3).isEmpty());
  EXPECT_TRUE(document->pageSize(-1).isEmpty());

  const QColor colours[] = {Qt::red, Qt::green, Qt::blue};
  const QSize expected[] = {{958, 1240}, {1004, 776}, {1004, 1004}};
  for (int page = 0; page < 3; ++page) {
    const QImage image = document->renderPage(page, QSize(1004, 1240));  // 502 by 620 points at ratio 2
    ASSERT_FALSE(image.isNull()) << page;
    EXPECT_EQ(image.size(), expected[page]) << page;
    EXPECT_TRUE(near(image.pixelColor(image.width() / 2, image.height() / 2), colours[page])) << page;
  }
  EXPECT_TRUE(document->renderPage(3, QSize(100, 100)).isNull());
  EXPECT_TRUE(document->renderPage(0, QSize()).isNull());
}

TEST(PdfDocument, AHugePageIsDrawnAtTheSizeAsked) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("poster.pdf"));
  // 200 inches square: at the printer's resolution this page alone would be gigapixels.
  ASSERT_TRUE(test::writeTestPdf(path, {{QSizeF(14400, 14400), Qt::blue}}));
  const auto document = PdfDocument::open(path);
  ASSERT_TRUE(document);
  const QImage image = document->renderPage(0, QSize(1004, 1240));
  EXPECT_EQ(image.size(), QSize(1004, 1004));
  EXPECT_TRUE(near(image.pixelColor(500, 500), Qt::blue));
}

TEST(PdfDocument, FittedPixelSizes) {
  const struct {
    QSizeF points;
    QSize bounds;
    QSize pixels;
  } cases[] = {
      {{612, 792}, {1004, 1240}, {958, 1240}},
      {{792, 612}, {1004, 1240}, {1004, 776}},
      {{1, 10000}, {100, 100}, {1, 100}},  // never thinner than a pixel
      {{0, 792}, {100, 100}, {}},
      {{612, 792}, {0, 100}, {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PdfDocument::fittedPixelSize(c.points, c.bounds), c.pixels)
        << c.points.width() << "x" << c.points.height() << " in " << c.bounds.width() << "x" << c.bounds.height();
}

TEST(PdfDocument, FilesThatDoNotOpenGiveNoDocument) {
  QTemporaryDir dir;
  const QString valid = dir.filePath(QStringLiteral("valid.pdf"));
  ASSERT_TRUE(test::writeTestPdf(valid, test::colouredPages(2)));
  QFile validFile(valid);
  ASSERT_TRUE(validFile.open(QIODevice::ReadOnly));
  const QByteArray bytes = validFile.readAll();

  const QString fifo = dir.filePath(QStringLiteral("pipe.pdf"));
  const test::FifoWithDeadline fifoAtPath(fifo);
  ASSERT_TRUE(fifoAtPath.isMade());
  ASSERT_TRUE(test::writeTestFile(dir.filePath(QStringLiteral("empty.pdf")), QByteArray()));
  ASSERT_TRUE(test::writeTestFile(dir.filePath(QStringLiteral("garbage.pdf")), QByteArray(4096, '\x9c')));
  ASSERT_TRUE(test::writeTestFile(dir.filePath(QStringLiteral("header-only.pdf")), bytes.left(9)));
  const struct {
    const char* name;
    QString path;
  } cases[] = {
      {"empty", dir.filePath(QStringLiteral("empty.pdf"))},
      {"garbage", dir.filePath(QStringLiteral("garbage.pdf"))},
      {"header only", dir.filePath(QStringLiteral("header-only.pdf"))},
      {"password locked", test::passwordLockedPdfPath()},
      {"missing", dir.filePath(QStringLiteral("missing.pdf"))},
      {"folder", dir.path()},
      {"fifo (never opened: it would block)", fifo},
      {"no path", QString()},
  };
  for (const auto& c : cases) EXPECT_FALSE(PdfDocument::open(c.path)) << c.name;
  ASSERT_TRUE(QFile::exists(test::passwordLockedPdfPath()));
}

TEST(PdfDocument, AnAbandonedRenderGivesNoPicture) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("one.pdf"));
  ASSERT_TRUE(test::writeTestPdf(path, test::colouredPages(1)));
  const auto document = PdfDocument::open(path);
  ASSERT_TRUE(document);
  EXPECT_TRUE(document->renderPage(0, QSize(400, 400), [] { return true; }).isNull());
  // Given up while drawing: the half-drawn page is not handed out.
  std::atomic<int> asked = 0;
  EXPECT_TRUE(document->renderPage(0, QSize(400, 400), [&] { return ++asked > 1; }).isNull());
  EXPECT_GE(asked.load(), 2);
  EXPECT_FALSE(document->renderPage(0, QSize(400, 400), [] { return false; }).isNull());
}

TEST(PdfDocument, ThreadsDrawTheSameFileEachWithItsOwnDocument) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("shared.pdf"));
  ASSERT_TRUE(test::writeTestPdf(path, test::colouredPages(6)));
  std::atomic<int> drawn = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      const auto document = PdfDocument::open(path);
      for (int page = 0; document && page < document->pageCount(); ++page)
        if (!document->renderPage(page, QSize(120, 160)).isNull()) ++drawn;
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(drawn.load(), 24);
}

TEST(PdfDocument, APathTurnedIntoAFifoBetweenLookAndOpenNeverBlocksTheWorker) {
  QTemporaryDir folder;
  const QString pdf = folder.filePath(QStringLiteral("one.pdf"));
  ASSERT_TRUE(test::writeTestPdf(pdf, {{QSizeF(200, 200), Qt::red}}));
  QFile file(pdf);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  test::PathSwappedForFifo swapped(folder.path(), file.readAll());
  EXPECT_TRUE(swapped.readsWithoutBlocking([&swapped] { PdfDocument::open(swapped.path()); }, 20'000))
      << "a read blocked on a FIFO put at the path";
}

}  // namespace
}  // namespace qv
