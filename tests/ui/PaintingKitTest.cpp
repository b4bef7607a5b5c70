#include "ui/StatusBarIcon.h"
#include "ui/fx/Fx.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QRandomGenerator>
#include <QThread>
#include <QThreadPool>
#include <QWidget>
#include <atomic>
#include <cmath>
#include <functional>
#include <memory>

using namespace qv;

namespace {

struct Moments {
  double sum = 0, mean = 0, variance = 0;
};
// Moments of one premultiplied channel (green) over the whole image.
Moments greenMoments(const QImage& image) {
  Moments m;
  const double n = double(image.width()) * image.height();
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) m.sum += qGreen(image.pixel(x, y));
  m.mean = m.sum / n;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) m.variance += std::pow(qGreen(image.pixel(x, y)) - m.mean, 2);
  m.variance /= n;
  return m;
}

QImage noise(int w, int h, double dpr, int margin) {
  QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QRandomGenerator random(7);
  for (int y = margin; y < h - margin; ++y)
    for (int x = margin; x < w - margin; ++x) {
      const int g = int(random.bounded(256));
      image.setPixel(x, y, qRgba(g / 2, g, 255 - g, 255));
    }
  image.setDevicePixelRatio(dpr);
  return image;
}

}  // namespace

TEST(Blur, KeepsTheMeanAndLowersTheVariance) {
  // Small radius at full scale, and a large one that goes through the reduced scale; the coarse
  // blur reduces the scale already at small radii.
  const struct {
    double radius;
    Fx::BlurDetail detail;
  } cases[] = {
      {3, Fx::BlurDetail::fine}, {22, Fx::BlurDetail::fine}, {3, Fx::BlurDetail::coarse}, {8, Fx::BlurDetail::coarse}};
  for (const auto& [radius, detail] : cases) {
    SCOPED_TRACE(testing::Message() << radius << (detail == Fx::BlurDetail::coarse ? " coarse" : " fine"));
    const double dpr = 2;
    const int margin = int(Fx::blurMargin(radius) * dpr) + 2;
    const QImage source = noise(280 + 2 * margin, 120 + 2 * margin, dpr, margin);
    const QImage result = Fx::blurred(source, radius, Fx::BlurEdges::transparent, detail);
    EXPECT_EQ(result.size(), source.size());
    EXPECT_EQ(result.devicePixelRatio(), dpr);
    const Moments before = greenMoments(source), after = greenMoments(result);
    // With room around the content nothing is lost: the mean stays within half a percent.
    EXPECT_NEAR(after.mean, before.mean, before.mean * 0.005) << after.sum << " vs " << before.sum;
    EXPECT_LT(after.variance, before.variance * 0.5);
  }
  // Edges that extend keep an opaque image opaque and its mean.
  const QImage full = noise(200, 100, 1, 0);
  const QImage extended = Fx::blurred(full, 10, Fx::BlurEdges::extend);
  EXPECT_NEAR(greenMoments(extended).mean, greenMoments(full).mean, 2.0);
  EXPECT_EQ(qAlpha(extended.pixel(0, 0)), 255);
  EXPECT_EQ(qAlpha(extended.pixel(199, 99)), 255);
  // A zero radius is the image itself.
  EXPECT_EQ(Fx::blurred(full, 0), full.convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

TEST(Blur, SpreadsAsFarAsItsRadius) {
  EXPECT_DOUBLE_EQ(Fx::sigmaForRadius(8), 4);
  QImage image(101, 101, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter(&image).fillRect(QRect(40, 0, 21, 101), Qt::white);  // a band from x 40 to 60
  for (Fx::BlurDetail detail : {Fx::BlurDetail::fine, Fx::BlurDetail::coarse}) {
    SCOPED_TRACE(detail == Fx::BlurDetail::coarse ? "coarse" : "fine");
    const QImage result = Fx::blurred(image, 10, Fx::BlurEdges::transparent, detail);
    // Half way at the old edge, fading over the radius, nothing beyond the margin.
    EXPECT_NEAR(qAlpha(result.pixel(61, 50)), 128, 20);
    EXPECT_GT(qAlpha(result.pixel(65, 50)), qAlpha(result.pixel(69, 50)));
    EXPECT_LT(qAlpha(result.pixel(70, 50)), 20);
    EXPECT_EQ(qAlpha(result.pixel(60 + int(Fx::blurMargin(10)) + 2, 50)), 0);
  }
}

TEST(Shadows, AreCachedPerShapeAndColourAndLieUnderTheirOffset) {
  Fx::clearShadowCache();
  QImage image(200, 200, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  const QRectF rect(50, 50, 100, 80);
  Fx::drawShadows(painter, rect, 12, Theme::shadowLow());
  Fx::drawShadows(painter, rect.translated(5, 5), 12, Theme::shadowLow());
  auto stats = Fx::shadowCacheStats();
  EXPECT_EQ(stats.misses, 2);  // two layers, blurred once each
  EXPECT_EQ(stats.hits, 2);
  EXPECT_EQ(stats.entries, 2);
  painter.end();
  // The primary layer falls 4 points down: darker below the rectangle than above it.
  EXPECT_GT(qAlpha(image.pixel(100, 140)), qAlpha(image.pixel(100, 44)));
  EXPECT_GT(qAlpha(image.pixel(100, 100)), 0);
  // A clear layer paints nothing and is not cached.
  QPainter again(&image);
  Fx::drawShadow(again, rect, 12, ShadowLayer{QColor::fromRgbF(0, 0, 0, 0), 0, 0, 0});
  EXPECT_EQ(Fx::shadowCacheStats().entries, 2);
}

// A stretched shadow is the blurred one, pixel for pixel but for rounding, at any size, offset and
// scale; a new size blurs nothing.
TEST(Shadows, AStretchedShadowIsTheBlurredOne) {
  struct Case {
    const char* name;
    QRectF rect;
    double cornerRadius;
    ShadowLayer layer;
    double dpr;
  };
  const QColor black = QColor::fromRgbF(0, 0, 0, 0.28f);
  const std::vector<Case> cases = {
      {"a pane", QRectF(40, 40, 520, 610), 22, {black, 20, 0, 6}, 1},
      {"a pane at twice the scale", QRectF(40, 40, 520, 610), 22, {black, 20, 0, 6}, 2},
      {"wide and low", QRectF(30.5, 40, 600, 150), 22, {black, 20, 3, 6}, 1},
      {"small: blurred as it is", QRectF(40, 40, 90, 80), 12, {black, 10, 0, 2}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QSize size(int(c.rect.right() + 60), int(c.rect.bottom() + 60));
    enum class Way { blurred, stretched, inMotion };
    const auto paint = [&](Way way) {
      QImage image(size * c.dpr, QImage::Format_ARGB32_Premultiplied);
      image.setDevicePixelRatio(c.dpr);
      image.fill(Qt::transparent);
      QPainter painter(&image);
      if (way == Way::blurred) Fx::drawShadow(painter, c.rect, c.cornerRadius, c.layer);
      else Fx::drawStretchedShadow(painter, c.rect, c.cornerRadius, c.layer, way == Way::inMotion);
      return image;
    };
    const QImage blurred = paint(Way::blurred);
    // A size in motion is drawn in slices: the same pixels.
    for (const Way way : {Way::stretched, Way::inMotion}) {
      Fx::clearShadowCache();
      const QImage stretched = paint(way);
      int largest = 0;
      for (int y = 0; y < blurred.height(); ++y)
        for (int x = 0; x < blurred.width(); ++x)
          largest = std::max(largest, std::abs(qAlpha(blurred.pixel(x, y)) - qAlpha(stretched.pixel(x, y))));
      EXPECT_LE(largest, 3);
      EXPECT_GT(qAlpha(stretched.pixel(int((c.rect.center().x()) * c.dpr), int((c.rect.bottom() + 4) * c.dpr))), 0);
    }
  }
  // Another size: nothing more is blurred than the small piece, already kept.
  Fx::clearShadowCache();
  QImage image(700, 800, QImage::Format_ARGB32_Premultiplied);
  QPainter painter(&image);
  Fx::drawStretchedShadow(painter, QRectF(40, 40, 520, 610), 22, {black, 20, 0, 6});
  const int blurs = Fx::shadowCacheStats().misses;
  Fx::drawStretchedShadow(painter, QRectF(40, 40, 480, 300), 22, {black, 20, 0, 6});
  Fx::drawStretchedShadow(painter, QRectF(40, 40, 520, 610), 22, {black, 20, 0, 6});
  EXPECT_EQ(Fx::shadowCacheStats().misses, blurs + 1);  // the new size's picture, put together
  EXPECT_EQ(Fx::shadowCacheStats().hits, 2);            // the piece, and the first size again
  // In motion: no picture of the size is put together.
  Fx::drawStretchedShadow(painter, QRectF(40, 40, 500, 400), 22, {black, 20, 0, 6}, true);
  EXPECT_EQ(Fx::shadowCacheStats().misses, blurs + 1);
}

TEST(Shapes, ContinuousCornersStayInsideTheCircularOnesAndFallBackWhenTight) {
  const QRectF rect(0, 0, 280, 240);
  const QPainterPath squircle = Fx::continuousRoundedRect(rect, 16);
  EXPECT_EQ(squircle.boundingRect(), rect);
  EXPECT_TRUE(squircle.contains(QPointF(140, 120)));
  EXPECT_TRUE(squircle.contains(QPointF(140, 0.5)));
  // The continuous corner starts earlier and cuts deeper at the very corner.
  EXPECT_FALSE(squircle.contains(QPointF(2, 2)));
  EXPECT_FALSE(squircle.contains(QPointF(4.5, 4.5)));
  EXPECT_TRUE(Fx::roundedRect(rect, 16).contains(QPointF(5.5, 5.5)));
  // A capsule when the radius is half the short side or more.
  const QPainterPath capsule = Fx::continuousRoundedRect(QRectF(0, 0, 100, 20), 50);
  EXPECT_TRUE(capsule.contains(QPointF(10, 10)));
  EXPECT_FALSE(capsule.contains(QPointF(1, 1)));
  EXPECT_TRUE(Fx::continuousRoundedRect(QRectF(0, 0, 10, 10), 0).contains(QPointF(0.5, 0.5)));
}

TEST(Masks, GradientsRunBetweenUnitPointsAndFadeWhatLiesBelow) {
  const QLinearGradient g = Fx::linearGradient(QRectF(10, 20, 100, 50), {0, 0}, {1, 1},
                                               {{0, Qt::black}, {1, Qt::white}});
  EXPECT_EQ(g.start(), QPointF(10, 20));
  EXPECT_EQ(g.finalStop(), QPointF(110, 70));
  QImage image(10, 100, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::red);
  QPainter painter(&image);
  Fx::applyMask(painter, QRectF(0, 0, 10, 100), Fx::verticalFadeMask(QRectF(0, 0, 10, 100), 0.5));
  painter.end();
  EXPECT_EQ(qAlpha(image.pixel(5, 10)), 255);
  EXPECT_NEAR(qAlpha(image.pixel(5, 75)), 128, 8);
  EXPECT_LT(qAlpha(image.pixel(5, 99)), 8);
}

TEST(Layers, CompositeWithOpacityAndStayOutOfTheTargetUntilTheyEnd) {
  QImage image(40, 40, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  {
    Fx::Layer layer(painter, QRectF(0, 0, 40, 40));
    layer.setOpacity(0.5);
    layer.painter().fillRect(QRectF(0, 0, 20, 20), Qt::blue);
    layer.painter().fillRect(QRectF(10, 10, 20, 20), Qt::blue);  // overlap is not doubled
    EXPECT_EQ(qAlpha(image.pixel(15, 15)), 0);
  }
  painter.end();
  EXPECT_NEAR(qAlpha(image.pixel(5, 5)), 128, 2);
  EXPECT_NEAR(qAlpha(image.pixel(15, 15)), 128, 2);
  EXPECT_EQ(qAlpha(image.pixel(35, 5)), 0);
}

// A widget that paints into its own surface (a scroll view's viewport does) while it is
// rendered into a sharper picture: what it draws lands at the picture's ratio.
TEST(Layers, AWidgetRenderedIntoAPictureLayersAtThePicturesRatio) {
  class HairlineWidget : public QWidget {
   public:
    double seenScale = 0;

   protected:
    void paintEvent(QPaintEvent*) override {
      QPainter painter(this);
      seenScale = Fx::painterScale(painter);
      Fx::Layer layer(painter, QRectF(rect()));
      layer.painter().fillRect(QRectF(0, 10, width(), 1), Qt::black);
    }
  };
  HairlineWidget widget;
  widget.resize(40, 20);
  QImage picture(80, 40, QImage::Format_ARGB32_Premultiplied);
  picture.setDevicePixelRatio(2);
  picture.fill(Qt::transparent);
  {
    QPainter painter(&picture);
    widget.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
  }
  EXPECT_EQ(widget.seenScale, 2);
  // The one-point rule covers exactly two pixel rows, both solid.
  for (int y = 18; y <= 23; ++y) EXPECT_EQ(qAlpha(picture.pixel(20, y)), y == 20 || y == 21 ? 255 : 0) << y;
}

// Drawing a picture the fast way where it lands pixel for pixel changes no pixel: the same as
// the painter draws it with smooth transforms on, wherever it lands and however it is painted.
TEST(Images, DrawnAsThePainterDrawsThemWithSmoothTransforms) {
  struct Case {
    const char* name;
    double imageRatio, deviceRatio;
    QPointF at;
    double opacity = 1;
    QTransform world = {};
    bool clipped = false;
    bool throughWidget = false;  // painted by a widget rendered into the picture
  };
  const std::vector<Case> cases = {
      {"whole pixels", 1, 1, {7, 9}},
      {"between pixels", 1, 1, {7.4, 9.5}},
      {"twice the ratio, on whole pixels at half points", 2, 2, {7.5, 9}},
      {"twice the ratio, between pixels", 2, 2, {7.25, 9}},
      {"a sharper picture on a plainer device", 2, 1, {7, 9}},
      {"half opaque", 2, 2, {7, 9}, 0.5},
      {"moved by whole pixels", 1, 1, {3, 4}, 1, QTransform::fromTranslate(11, 6)},
      {"moved between pixels", 1, 1, {3, 4}, 1, QTransform::fromTranslate(11.3, 6)},
      {"scaled", 2, 2, {3, 4}, 1, QTransform::fromScale(1.025, 1.025)},
      {"clipped", 2, 2, {7, 9}, 1, {}, true},
      {"by a widget rendered into a sharper picture", 2, 2, {7, 9}, 1, {}, false, true},
  };
  // Tall enough to be drawn in bands.
  const QImage image = noise(120, 300, 1, 3);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QImage source = image.copy();
    source.setDevicePixelRatio(c.imageRatio);
    const auto draw = [&](QPainter& painter, bool kit) {
      painter.setRenderHint(QPainter::SmoothPixmapTransform);
      painter.setOpacity(c.opacity);
      painter.setWorldTransform(c.world, true);
      if (c.clipped) painter.setClipRect(QRectF(20, 30, 41, 57));
      if (kit) Fx::drawImage(painter, c.at, source);
      else painter.drawImage(c.at, source);
      EXPECT_TRUE(painter.testRenderHint(QPainter::SmoothPixmapTransform));
    };
    const auto paint = [&](bool kit) {
      QImage target(QSize(200, 360) * c.deviceRatio, QImage::Format_ARGB32_Premultiplied);
      target.setDevicePixelRatio(c.deviceRatio);
      target.fill(qRgba(40, 80, 120, 255));
      QPainter painter(&target);
      if (!c.throughWidget) {
        draw(painter, kit);
        return target;
      }
      class Painting : public QWidget {
       public:
        std::function<void(QPainter&)> paint;

       protected:
        void paintEvent(QPaintEvent*) override {
          QPainter painter(this);
          paint(painter);
        }
      } widget;
      widget.paint = [&](QPainter& inWidget) { draw(inWidget, kit); };
      widget.resize(200, 360);
      widget.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
      return target;
    };
    const QImage expected = paint(false), drawn = paint(true);
    int differing = 0;
    for (int y = 0; y < expected.height(); ++y)
      for (int x = 0; x < expected.width(); ++x) differing += expected.pixel(x, y) != drawn.pixel(x, y);
    EXPECT_EQ(differing, 0);
  }
}

// Qt's raster engine hands a tall blend to the global pool unless the pool says the painting
// thread is its own: the main thread is, for that pool only, and every other thread keeps Qt's
// own answer.
TEST(Painting, TheMainThreadPaintsWhereItStandsAndOtherThreadsKeepQtsAnswer) {
  QThreadPool& global = *QThreadPool::globalInstance();
  QThreadPool other;
  EXPECT_TRUE(global.contains(QThread::currentThread()));
  EXPECT_FALSE(other.contains(QThread::currentThread()));
  std::atomic<int> pooled = -1;
  global.start([&] { pooled = global.contains(QThread::currentThread()) ? 1 : 0; });
  ASSERT_TRUE(global.waitForDone(10'000));
  EXPECT_EQ(pooled, 1);
  std::atomic<int> plain = -1;
  std::unique_ptr<QThread> thread(QThread::create([&] { plain = global.contains(QThread::currentThread()) ? 1 : 0; }));
  thread->start();
  ASSERT_TRUE(thread->wait(10'000));
  EXPECT_EQ(plain, 0);
  // Tall antialiased fills and a scaled image: painted on the main thread, the pixels Qt gives
  // when it splits them across the pool (as it does from another thread).
  const auto paint = [] {
    QImage source(120, 160, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < source.height(); ++y)
      for (int x = 0; x < source.width(); ++x) source.setPixelColor(x, y, QColor(x * 2, y, 255 - x, 128 + y / 2));
    QImage image(300, 300, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    painter.setBrush(QColor(20, 90, 200, 170));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRectF(10.5, 10.5, 280, 280));
    painter.setOpacity(0.6);
    painter.scale(1.7, 1.7);
    painter.drawImage(QPointF(8, 4), source);
    return image;
  };
  QImage fromThread;
  std::unique_ptr<QThread> painter(QThread::create([&] { fromThread = paint(); }));
  painter->start();
  ASSERT_TRUE(painter->wait(10'000));
  EXPECT_EQ(paint(), fromThread);
}

TEST(Transitions, BlowAwayMatchesItsEndStates) {
  const QRectF bounds(0, 0, 280, 240);
  EXPECT_TRUE(Fx::blowAway(bounds, 0, Fx::kBlowAwayTravel).isIdentity());

  const Fx::LayerLook gone = Fx::blowAway(bounds, 1, Fx::kBlowAwayTravel);
  EXPECT_DOUBLE_EQ(gone.blur, 8);
  EXPECT_DOUBLE_EQ(gone.opacity, 0);
  // The centre is shrunk onto itself, turned 3.5° around the bottom-leading corner, then thrown
  // 15.4 to the trailing side and 10.5 up.
  const double angle = 3.5 * M_PI / 180;
  const QPointF c = bounds.center(), bl = bounds.bottomLeft();
  const QPointF v = c - bl;
  const QPointF turned(bl.x() + v.x() * std::cos(angle) - v.y() * std::sin(angle),
                       bl.y() + v.x() * std::sin(angle) + v.y() * std::cos(angle));
  const QPointF expected = turned + QPointF(44 * 0.35, -30 * 0.35);
  const QPointF actual = gone.transform.map(c);
  EXPECT_NEAR(actual.x(), expected.x(), 1e-9);
  EXPECT_NEAR(actual.y(), expected.y(), 1e-9);
  // Scale 0.78: the width of the mapped box shrinks accordingly.
  const QLineF top(gone.transform.map(bounds.topLeft()), gone.transform.map(bounds.topRight()));
  EXPECT_NEAR(top.length(), 280 * 0.78, 1e-9);
  EXPECT_NEAR(top.angle(), 360 - 3.5, 1e-9);  // QLineF angles run counter-clockwise

  // Without travel it only shrinks, blurs and fades.
  const Fx::LayerLook still = Fx::blowAway(bounds, 1, 0);
  EXPECT_EQ(still.transform.map(c), c);
  EXPECT_NEAR(QLineF(still.transform.map(bounds.topLeft()), still.transform.map(bounds.topRight())).angle(), 0, 1e-9);
  EXPECT_DOUBLE_EQ(still.blur, 8);
}

TEST(Transitions, BlurScaleScalesAroundItsAnchor) {
  const QRectF bounds(0, 0, 100, 50);
  const Fx::LayerLook look = Fx::blurScale(bounds, 0.85, {0.5, 0}, 6, 0.3);
  EXPECT_EQ(look.transform.map(QPointF(50, 0)), QPointF(50, 0));
  EXPECT_NEAR(look.transform.map(QPointF(100, 50)).x(), 50 + 50 * 0.85, 1e-9);
  EXPECT_DOUBLE_EQ(look.blur, 6);
  EXPECT_DOUBLE_EQ(look.opacity, 0.3);
}

TEST(Modifiers, ShakeHasItsAmplitudeAndRestsAtBothEnds) {
  EXPECT_DOUBLE_EQ(Fx::shakeOffset(0), 0);
  EXPECT_NEAR(Fx::shakeOffset(1), 0, 1e-12);
  // First crest a twelfth of the way in: (1 − 1/12) · 5.
  EXPECT_NEAR(Fx::shakeOffset(1.0 / 12), 5 * (11.0 / 12), 1e-12);
  EXPECT_NEAR(Fx::shakeOffset(3.0 / 12), -5 * (9.0 / 12), 1e-12);
  double peak = 0;
  int crossings = 0;
  double previous = 0;
  for (int i = 1; i < 1000; ++i) {
    const double x = Fx::shakeOffset(i / 1000.0);
    peak = std::max(peak, std::abs(x));
    if ((x > 0) != (previous > 0) && i > 1) ++crossings;
    previous = x;
  }
  EXPECT_LE(peak, 5);
  EXPECT_GT(peak, 4.5);
  EXPECT_EQ(crossings, 5);  // three full cycles
}

TEST(Modifiers, HoverLiftRestsFlatAndLiftsWithTwoShadows) {
  const Fx::HoverLift rest = Fx::hoverLift(0);
  EXPECT_EQ(rest.scale, 1);
  EXPECT_EQ(rest.offset, QPointF(0, 0));
  ASSERT_EQ(rest.shadows.size(), 2u);
  for (const auto& s : rest.shadows) EXPECT_EQ(s.color.alpha(), 0);
  const Fx::HoverLift up = Fx::hoverLift(1);
  EXPECT_GT(up.scale, 1);
  ASSERT_EQ(up.shadows.size(), 2u);
  for (const auto& s : up.shadows) EXPECT_GT(s.color.alpha(), 0);
  const QRectF card(0, 0, 280, 240);
  EXPECT_EQ(up.transform(card).map(card.center()), card.center() + QPointF(0, -2));
}

// ---- Status icon ----------------------------------------------------------------------------

namespace {
// The icon at 10 device pixels per point, so that point coordinates sample cleanly.
QImage icon(bool filled, bool paused) {
  QImage image(180, 180, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(10);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  EXPECT_TRUE(drawStatusBarIcon(&painter, filled, paused));
  return image;
}
int alphaAt(const QImage& image, double x, double y) { return qAlpha(image.pixel(int(x * 10), int(y * 10))); }
}  // namespace

TEST(StatusBarIcon, RefusesWithoutAnActivePainter) {
  EXPECT_FALSE(drawStatusBarIcon(nullptr, true, true));
  QPainter idle;
  EXPECT_FALSE(drawStatusBarIcon(&idle, false, false));
}

TEST(StatusBarIcon, OutlinedShowsTwoCardsAndTwoLines) {
  const QImage image = icon(false, false);
  EXPECT_GT(alphaAt(image, 1.05, 10), 200);   // front card's left edge
  EXPECT_LT(alphaAt(image, 2.5, 10), 10);     // inside the front card: empty
  EXPECT_GT(alphaAt(image, 8, 8.75), 200);    // first line
  EXPECT_GT(alphaAt(image, 7, 12), 200);      // second line
  EXPECT_LT(alphaAt(image, 11.5, 12), 10);    // the second line is shorter
  const int back = alphaAt(image, 16.95, 8);  // back card's right edge, faint
  EXPECT_GT(back, 60);
  EXPECT_LT(back, 160);
  EXPECT_LT(alphaAt(image, 4.5, 10), 10);  // the back card's edge is erased under the front card
  EXPECT_LT(alphaAt(image, 16, 16), 10);   // outside both
}

TEST(StatusBarIcon, FilledCutsTheLinesOutOfASolidCard) {
  const QImage image = icon(true, false);
  EXPECT_GT(alphaAt(image, 2.5, 10), 240);  // solid
  EXPECT_GT(alphaAt(image, 8, 15), 240);
  EXPECT_LT(alphaAt(image, 8, 8.75), 10);  // line cut out
  EXPECT_LT(alphaAt(image, 7, 12), 10);
  EXPECT_GT(alphaAt(image, 11.5, 12), 240);  // beside the short line: solid
}

TEST(StatusBarIcon, PausedSlashHasATransparentMargin) {
  for (bool filled : {false, true}) {
    SCOPED_TRACE(filled);
    const QImage image = icon(filled, true);
    // On the slash (the diagonal x + y = 18): drawn.
    EXPECT_GT(alphaAt(image, 9, 9), 200);
    // Just beside it, inside the 3.5-wide cut but outside the 1.5-wide stroke: clear.
    const double off = 1.25 / std::sqrt(2.0);  // 1.25 points from the line
    EXPECT_LT(alphaAt(image, 5 + off, 13 + off), 10);
    EXPECT_LT(alphaAt(image, 5 - off, 13 - off), 10);
    // The slash's ends reach (2.5, 15.5) and (15.5, 2.5).
    EXPECT_GT(alphaAt(image, 3, 15), 150);
    EXPECT_GT(alphaAt(image, 15, 3), 150);
  }
  // Filled and paused: the card stays solid away from the slash.
  EXPECT_GT(alphaAt(icon(true, true), 3, 6), 240);
}

TEST(StatusBarIcon, ImageTakesTheTint) {
  const QImage image = statusBarIconImage(true, false, 2, Qt::white);
  EXPECT_EQ(image.size(), QSize(36, 36));
  const QRgb solid = image.pixel(5, 20);
  EXPECT_EQ(qAlpha(solid), 255);
  EXPECT_EQ(qRed(solid), 255);
}
