// The text viewer's own edge fade: the text dissolves towards a faded edge, the middle and the
// edges without a fade are drawn as before, and scrolling draws the bands again.
#include "support/ui/FakeInterfaceContext.h"
#include "ui/controls/TextViewers.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QPaintEvent>
#include <QScrollBar>
#include <cmath>
#include <utility>

using namespace qv;
using qv::test::FakeInterfaceContext;

namespace {

// Dark pixels (text ink on the light background) in rows [top, top + rows).
int inkIn(const QImage& image, int top, int rows) {
  int count = 0;
  const double scale = image.devicePixelRatio();
  for (int y = int(top * scale); y < int((top + rows) * scale); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qGray(image.pixel(x, y)) < 110) ++count;
  return count;
}

QGradientStops stops(double topAlpha, double topEnd, double bottomStart, double bottomAlpha) {
  return {{0, QColor::fromRgbF(0, 0, 0, float(topAlpha))},
          {topEnd, Qt::black},
          {bottomStart, Qt::black},
          {1, QColor::fromRgbF(0, 0, 0, float(bottomAlpha))}};
}

TEST(QVTextViewerEdgeMask, TheTextDissolvesTowardsAFadedEdgeOnly) {
  FakeInterfaceContext fake;
  QVTextViewer viewer(*fake.context);
  viewer.resize(300, 200);
  viewer.setProps({QString(QStringLiteral("MMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMM\n")).repeated(100)}, {});
  fake.scheduler->runPending();
  const QImage plain = viewer.grab().toImage();
  ASSERT_GT(inkIn(plain, 0, 12), 0);
  ASSERT_GT(inkIn(plain, 188, 12), 0);

  viewer.setEdgeMask(stops(0, 0.2, 1, 1));  // the top 40 points
  const QImage faded = viewer.grab().toImage();
  EXPECT_EQ(inkIn(faded, 0, 12), 0) << "the top edge is all but clear";
  EXPECT_EQ(inkIn(faded, 60, 120), inkIn(plain, 60, 120)) << "the middle as before";
  EXPECT_EQ(inkIn(faded, 188, 12), inkIn(plain, 188, 12)) << "the bottom without a fade";

  viewer.setEdgeMask(stops(1, 0, 0.8, 0));  // the bottom 40 points
  viewer.verticalScrollBar()->setValue(100);
  const QImage scrolled = viewer.grab().toImage();
  EXPECT_EQ(inkIn(scrolled, 188, 12), 0);
  EXPECT_GT(inkIn(scrolled, 0, 12), 0);

  viewer.setEdgeMask({});  // no stops: drawn as always
  EXPECT_GT(inkIn(viewer.grab().toImage(), 188, 12), 0);
}

// Records the regions its widget is asked to paint.
class PaintedRegions : public QObject {
 public:
  explicit PaintedRegions(QWidget* widget) { widget->installEventFilter(this); }
  QRegion take() { return std::exchange(painted_, QRegion()); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) painted_ += static_cast<QPaintEvent*>(event)->region();
    return QObject::eventFilter(watched, event);
  }

 private:
  QRegion painted_;
};

// An edge fading in or out repaints its band each frame, not the text between the bands.
TEST(QVTextViewerEdgeMask, AChangeOfTheMaskRepaintsOnlyTheBandsItTouches) {
  FakeInterfaceContext fake;
  QVTextViewer viewer(*fake.context);
  viewer.setAttribute(Qt::WA_DontShowOnScreen);
  viewer.resize(300, 200);
  viewer.setProps({QString(QStringLiteral("MMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMM\n")).repeated(100)}, {});
  fake.scheduler->runPending();
  viewer.show();
  QCoreApplication::processEvents();
  PaintedRegions painted(viewer.viewport());
  const int width = viewer.viewport()->width(), height = viewer.viewport()->height();
  // The bands end and start on whole pixels, outwards.
  const auto top = [&](double end) { return QRegion(0, 0, width, int(std::ceil(end * height))); };
  const auto bottom = [&](double start) {
    const int from = int(std::floor(start * height));
    return QRegion(0, from, width, height - from);
  };
  const struct {
    const char* name;
    QGradientStops mask;
    QRegion repainted;
  } cases[] = {
      {"the bottom fades in", stops(1, 0, 0.9, 0.5), bottom(0.9)},
      {"and further", stops(1, 0, 0.83, 0), bottom(0.83)},
      {"the top joins it", stops(0, 0.13, 0.83, 0), top(0.13) + bottom(0.83)},
      {"both go", {}, top(0.13) + bottom(0.83)},
  };
  for (const auto& c : cases) {
    painted.take();
    viewer.setEdgeMask(c.mask);
    QCoreApplication::processEvents();
    const QRegion repainted = painted.take();
    EXPECT_EQ(repainted, c.repainted) << c.name;
  }
}

// Only a text with a line longer than a piece is set without shaping Latin text.
TEST(QVTextViewerPieces, OnlyAVeryLongLineSkipsShaping) {
  FakeInterfaceContext fake;
  const qsizetype piece = QVTextViewer::kPieceLength;
  const struct {
    const char* name;
    QString text;
    bool skips;
  } cases[] = {
      {"short lines", QString(QString(80, u'a') + u'\n').repeated(400), false},
      {"one line of a piece", QString(piece, u'a'), false},
      {"one line longer", QString(piece + 1, u'a'), true},
      {"a long last line", QStringLiteral("first\n") + QString(piece + 1, u'a'), true},
  };
  for (const auto& c : cases) {
    QVTextViewer viewer(*fake.context);
    viewer.setProps({c.text}, {});
    EXPECT_EQ(viewer.document()->defaultFont().styleStrategy() == QFont::PreferNoShaping, c.skips) << c.name;
  }
}

}  // namespace
