#include "PreviewTestSupport.h"
#include "preview/PDFPreview.h"
#include "support/FifoWithDeadline.h"
#include "support/PdfFixtures.h"
#include "support/SideFileHelpers.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QApplication>
#include <QFileInfo>
#include <QHoverEvent>
#include <QPainter>
#include <QTest>

namespace qv {
namespace {

using test::PdfTestPage;
using test::PreviewContext;

bool near(QColor a, QColor b) {
  return std::abs(a.red() - b.red()) < 30 && std::abs(a.green() - b.green()) < 30 && std::abs(a.blue() - b.blue()) < 30;
}

struct PdfFixture {
  PreviewContext context;
  QTemporaryDir files;
  std::unique_ptr<PDFPreview> view = std::make_unique<PDFPreview>(*context.services);
  PdfFixture() {
    view->resize(502, 620);
    view->show();
  }

  QUrl pdf(const QString& name, const QList<PdfTestPage>& pages) {
    const QString path = files.filePath(name);
    EXPECT_TRUE(test::writeTestPdf(path, pages));
    return QUrl::fromLocalFile(path);
  }
  QUrl pdf(const QString& name, int pageCount) { return pdf(name, test::colouredPages(pageCount)); }
  std::shared_ptr<FakeSerialQueue> queue() { return context.queue(PdfPageLoader::kQueueName); }
  // Runs the worker and the answers, and lets the pager settle.
  void settle() {
    context.drain();
    context.advance(1);
  }
  QColor pageColour() const {
    const QImage& image = view->pageImage();
    return image.isNull() ? QColor() : image.pixelColor(image.width() / 2, image.height() / 2);
  }
  void click(PagerHalf& half) {
    QTest::mouseClick(&half, Qt::LeftButton, {}, half.rect().center());
    settle();
  }
};

TEST(PDFPreview, ShowsTheFirstPageFittedToTheViewAtItsPixelRatio) {
  PdfFixture f;
  f.view->setProps({f.pdf(QStringLiteral("letter.pdf"), 1), true});
  EXPECT_TRUE(f.view->pageImage().isNull()) << "drawn on the worker";
  f.settle();
  ASSERT_FALSE(f.view->pageImage().isNull());
  const double ratio = f.view->devicePixelRatioF();
  // 612 × 792 points fitted into 502 × 620: the height is the limit.
  EXPECT_EQ(f.view->pageImage().size(), QSize(479, 620) * ratio);
  EXPECT_EQ(f.view->pageRect(), QRectF(11.5, 0, 479, 620));
  EXPECT_TRUE(near(f.pageColour(), Qt::red));
  EXPECT_FALSE(f.view->hasPager()) << "one page: no pager";
  EXPECT_FALSE(f.view->pager().isVisibleTo(f.view.get()));
}

TEST(PDFPreview, PagerHalvesFollowThePage) {
  PdfFixture f;
  f.view->setProps({f.pdf(QStringLiteral("three.pdf"), 3), false});
  f.settle();
  ASSERT_EQ(f.view->pageCount(), 3);
  ASSERT_TRUE(f.view->hasPager());
  EXPECT_NEAR(f.view->pagerPresence(), 1, 1e-3);
  PagerHalf& previous = f.view->pager().previousHalf();
  PagerHalf& next = f.view->pager().nextHalf();
  struct Step {
    PagerHalf* clicked;
    int index;
    QColor colour;
    bool previousEnabled;
    bool nextEnabled;
  };
  const Step steps[] = {
      {nullptr, 0, Qt::red, false, true}, {&previous, 0, Qt::red, false, true},  // disabled: nothing
      {&next, 1, Qt::green, true, true},  {&next, 2, Qt::blue, true, false},
      {&next, 2, Qt::blue, true, false},  {&previous, 1, Qt::green, true, true},
  };
  for (const Step& step : steps) {
    if (step.clicked) f.click(*step.clicked);
    EXPECT_EQ(f.view->pageIndex(), step.index);
    EXPECT_TRUE(near(f.pageColour(), step.colour)) << step.index;
    EXPECT_EQ(previous.props().enabled, step.previousEnabled) << step.index;
    EXPECT_EQ(next.props().enabled, step.nextEnabled) << step.index;
    for (PagerHalf* half : {&previous, &next})
      EXPECT_DOUBLE_EQ(half->symbolOpacity(), half->props().enabled ? 0.7 : 0.22) << step.index;
  }
  EXPECT_EQ(previous.label(), QStringLiteral("Previous page"));
  EXPECT_EQ(next.toolTip(), QStringLiteral("Next page"));
  EXPECT_EQ(previous.accessibility().name, QStringLiteral("Previous page"));
}

TEST(PDFPreview, ADisabledHalfNeverHovers) {
  PdfFixture f;
  f.view->setProps({f.pdf(QStringLiteral("two.pdf"), 2), true});
  f.settle();
  for (PagerHalf* half : {&f.view->pager().previousHalf(), &f.view->pager().nextHalf()}) {
    QHoverEvent enter(QEvent::HoverEnter, QPointF(5, 5), QPointF(5, 5), QPointF(-1, -1));
    QApplication::sendEvent(half, &enter);
    f.settle();
    const bool enabled = half->props().enabled;
    EXPECT_EQ(half->isHovered(), enabled) << half->label().toStdString();
    EXPECT_EQ(half->cursor().shape() == Qt::PointingHandCursor, enabled) << half->label().toStdString();
    EXPECT_DOUBLE_EQ(half->symbolOpacity(), enabled ? 0.95 : 0.22);
    EXPECT_DOUBLE_EQ(half->backgroundOpacity(), enabled ? 0.1 : 0);
  }
  EXPECT_EQ(PagerHalf::faceSize(true), QSizeF(30, 22));
  EXPECT_EQ(PagerHalf::faceSize(false), QSizeF(34, 26));
  // The capsule sits 10 points above the bottom (compact), centred.
  const QRectF capsule = f.view->pager().capsule().translated(f.view->pager().pos());
  EXPECT_DOUBLE_EQ(capsule.bottom(), 620 - 10);
  EXPECT_NEAR(capsule.center().x(), 251, 0.5);
}

TEST(PdfPager, AClickRunsTheCallbacksGivenLast) {
  PreviewContext context;
  PdfPager pager(*context.services);
  pager.show();
  QStringList calls;
  pager.setProps({false, 1, 3, {}}, {[&] { calls << "A previous"; }, [&] { calls << "A next"; }});
  pager.setProps({false, 1, 3, {}}, {[&] { calls << "B previous"; }, [&] { calls << "B next"; }});  // equal props
  QTest::mouseClick(&pager.nextHalf(), Qt::LeftButton, {}, pager.nextHalf().rect().center());
  pager.setProps({false, 2, 3, {}}, {[&] { calls << "C previous"; }, [&] { calls << "C next"; }});
  QTest::mouseClick(&pager.previousHalf(), Qt::LeftButton, {}, pager.previousHalf().rect().center());
  QTest::mouseClick(&pager.nextHalf(), Qt::LeftButton, {}, pager.nextHalf().rect().center());  // disabled now
  EXPECT_EQ(calls, (QStringList{"B next", "C previous"}));
}

TEST(PDFPreview, AShorterDocumentStartsAtItsFirstPage) {
  PdfFixture f;
  const QUrl three = f.pdf(QStringLiteral("three.pdf"), 3);
  const QUrl two = f.pdf(QStringLiteral("two.pdf"), {{QSizeF(612, 792), Qt::yellow}, {QSizeF(612, 792), Qt::cyan}});
  const QUrl four = f.pdf(QStringLiteral("four.pdf"), {{QSizeF(612, 792), Qt::black},
                                                       {QSizeF(612, 792), Qt::magenta},
                                                       {QSizeF(612, 792), Qt::gray},
                                                       {QSizeF(612, 792), Qt::darkGreen}});
  f.view->setProps({three, false});
  f.settle();
  f.click(f.view->pager().nextHalf());
  f.click(f.view->pager().nextHalf());
  ASSERT_EQ(f.view->pageIndex(), 2);
  f.view->setProps({two, false});
  f.settle();
  EXPECT_EQ(f.view->pageCount(), 2);
  EXPECT_EQ(f.view->pageIndex(), 0);
  EXPECT_TRUE(near(f.pageColour(), Qt::yellow));
  EXPECT_TRUE(f.view->pager().previousHalf().props().enabled == false);
  // A longer one keeps the page index it was given.
  f.click(f.view->pager().nextHalf());
  f.view->setProps({four, false});
  f.settle();
  EXPECT_EQ(f.view->pageIndex(), 1);
  EXPECT_TRUE(near(f.pageColour(), Qt::magenta));
}

TEST(PDFPreview, FilesThatDoNotOpenShowTheirIconAndNameAndAreOpenedAgainOnlyOnceChanged) {
  PdfFixture f;
  const QString fifo = f.files.filePath(QStringLiteral("pipe.pdf"));
  const test::FifoWithDeadline fifoAtPath(fifo);
  ASSERT_TRUE(fifoAtPath.isMade());
  const QByteArray whole = [&] {
    const QString path = f.files.filePath(QStringLiteral("whole.pdf"));
    EXPECT_TRUE(test::writeTestPdf(path, test::colouredPages(2)));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
  }();
  ASSERT_TRUE(test::writeTestFile(f.files.filePath(QStringLiteral("garbage.pdf")), QByteArray(3000, '\x07')));
  ASSERT_TRUE(test::writeTestFile(f.files.filePath(QStringLiteral("empty.pdf")), QByteArray()));
  ASSERT_TRUE(test::writeTestFile(f.files.filePath(QStringLiteral("truncated.pdf")), whole.left(whole.size() / 3)));
  const std::pair<const char*, QString> cases[] = {
      {"garbage", f.files.filePath(QStringLiteral("garbage.pdf"))},
      {"empty", f.files.filePath(QStringLiteral("empty.pdf"))},
      {"truncated", f.files.filePath(QStringLiteral("truncated.pdf"))},
      {"password locked", test::passwordLockedPdfPath()},
      {"missing", f.files.filePath(QStringLiteral("missing.pdf"))},
      {"fifo", fifo},
  };
  for (const auto& [name, path] : cases) {
    const QUrl url = QUrl::fromLocalFile(path);
    // After a good document with a pager, so that everything it showed must go.
    f.view->setProps({f.pdf(QStringLiteral("good.pdf"), 3), true});
    f.settle();
    f.click(f.view->pager().nextHalf());
    ASSERT_TRUE(f.view->hasPager()) << name;
    const int opens = f.view->openCount();
    f.view->setProps({url, true});
    f.settle();
    EXPECT_TRUE(f.view->pageImage().isNull()) << name;
    EXPECT_EQ(f.view->pageCount(), 0) << name;
    EXPECT_EQ(f.view->pageIndex(), 0) << name;
    EXPECT_FALSE(f.view->hasPager()) << name;
    EXPECT_FALSE(f.view->pager().isVisibleTo(f.view.get())) << name;
    // The failed state of other files: the icon, the name below it.
    EXPECT_TRUE(f.view->hasFailed()) << name;
    ASSERT_TRUE(f.view->failure().isVisibleTo(f.view.get())) << name;
    EXPECT_EQ(f.view->failure().props().name, QFileInfo(path).fileName()) << name;
    EXPECT_EQ(f.view->failure().geometry(), f.view->rect()) << name;
    const QImage drawn = f.view->grab().toImage();
    const QPointF icon = f.view->failure().iconRect().center() * drawn.devicePixelRatio();
    EXPECT_GT(drawn.pixelColor(icon.toPoint()).alpha(), 0) << name << ": the icon is drawn";
    // Updates of the same file, resizes included, and time passing never open it again while
    // it has not changed.
    const int attempts = f.view->openAttempts();
    f.view->setProps({url, false});
    f.view->resize(400, 500);
    f.view->setProps({url, true});
    f.settle();
    f.context.advance(5 * PDFPreview::kRetryInterval);
    f.settle();
    EXPECT_EQ(f.view->openAttempts(), attempts) << name;
    EXPECT_EQ(f.view->openCount(), opens + 1) << name;
    EXPECT_TRUE(f.view->hasFailed()) << name;
    f.view->resize(502, 620);
  }
}

TEST(PDFPreview, ADocumentStillBeingWrittenShowsOnceItIsWhole) {
  PdfFixture f;
  const QString path = f.files.filePath(QStringLiteral("download.pdf"));
  ASSERT_TRUE(test::writeTestPdf(path, test::colouredPages(2)));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray whole = file.readAll();
  file.close();
  ASSERT_TRUE(test::writeTestFile(path, whole.left(200)));  // the first bytes of a download
  f.view->setProps({QUrl::fromLocalFile(path), true});
  f.context.drain();
  ASSERT_TRUE(f.view->hasFailed());
  ASSERT_TRUE(test::writeTestFile(path, whole));
  // Nothing is asked of the file before the next look.
  f.context.advance(PDFPreview::kRetryInterval / 2);
  f.context.drain();
  EXPECT_TRUE(f.view->hasFailed());
  f.context.advance(PDFPreview::kRetryInterval / 2);
  f.settle();
  EXPECT_FALSE(f.view->hasFailed());
  EXPECT_FALSE(f.view->failure().isVisibleTo(f.view.get()));
  EXPECT_EQ(f.view->pageCount(), 2);
  EXPECT_TRUE(f.view->hasPager());
  EXPECT_TRUE(near(f.pageColour(), Qt::red));
}

TEST(PDFPreview, OnlyTheLatestRequestIsDrawn) {
  PdfFixture f;
  const QUrl three = f.pdf(QStringLiteral("three.pdf"), 3);
  f.view->resize(100, 100);
  f.view->setProps({three, false});
  f.view->resize(200, 200);
  f.view->resize(502, 620);
  ASSERT_EQ(f.queue()->pendingCount(), 3);
  // The two older requests are skipped when the worker reaches them: nothing arrives.
  ASSERT_TRUE(f.queue()->runOne());
  ASSERT_TRUE(f.queue()->runOne());
  f.context.scheduler->runPending();
  EXPECT_TRUE(f.view->pageImage().isNull());
  EXPECT_FALSE(f.view->isSettled());
  ASSERT_TRUE(f.queue()->runOne());
  f.context.scheduler->runPending();
  EXPECT_EQ(f.view->pageImage().size(), QSize(479, 620) * f.view->devicePixelRatioF());
  EXPECT_TRUE(f.view->isSettled());
  EXPECT_EQ(f.view->openCount(), 1);

  // Drawn for a file that is no longer shown: dropped, even when already on its way back.
  f.view->setProps({f.pdf(QStringLiteral("two.pdf"), 2), false});
  f.view->setProps({three, false});
  f.queue()->runAll();
  f.context.scheduler->runPending();
  EXPECT_EQ(f.view->pageCount(), 3);
}

TEST(PDFPreview, PaintedAtAnotherPixelRatioThePageIsDrawnAgainForIt) {
  PdfFixture f;
  f.view->setProps({f.pdf(QStringLiteral("letter.pdf"), 1), false});
  f.settle();
  const QSize once = f.view->pageImage().size();
  QImage screen(QSize(1004, 1240), QImage::Format_ARGB32_Premultiplied);
  screen.setDevicePixelRatio(2 * f.view->devicePixelRatioF());
  QPainter painter(&screen);
  f.view->render(&painter);
  painter.end();
  f.settle();
  EXPECT_EQ(f.view->pageImage().size(), once * 2);
  EXPECT_EQ(f.view->pageRect(), QRectF(11.5, 0, 479, 620)) << "the same place, more pixels";
  EXPECT_EQ(f.view->openCount(), 1);
}

TEST(PDFPreview, AHugePageIsDrawnAtTheViewsSize) {
  PdfFixture f;
  f.view->setProps({f.pdf(QStringLiteral("poster.pdf"), {{QSizeF(14400, 14400), Qt::blue}}), false});
  f.settle();
  EXPECT_EQ(f.view->pageImage().size(), QSize(502, 502) * f.view->devicePixelRatioF());
}

TEST(PDFPreview, ThePagerComesWithAScaleOrWithReducedMotionOnlyAFade) {
  for (const bool reduced : {false, true}) {
    PdfFixture f;
    f.context.appearance->setReduceMotion(reduced);
    f.view->setProps({f.pdf(QStringLiteral("two.pdf"), 2), true});
    f.context.drain();
    f.context.clock->advance(0.05);
    const PdfPager& pager = f.view->pager();
    ASSERT_GT(f.view->pagerPresence(), 0.01) << reduced;
    ASSERT_LT(f.view->pagerPresence(), 0.99) << reduced;
    EXPECT_NEAR(pager.transitionOpacity(), f.view->pagerPresence(), 1e-9);
    if (reduced) EXPECT_DOUBLE_EQ(pager.transitionScale(), 1.0);
    else EXPECT_LT(pager.transitionScale(), 1.0);
    f.settle();
    EXPECT_DOUBLE_EQ(pager.transitionScale(), 1.0);
  }
}

}  // namespace
}  // namespace qv
