#include "panel/ColumnBorder.h"
#include "ui/fx/Fx.h"

#include <gtest/gtest.h>
#include <QPainter>
#include <algorithm>
#include <cstdlib>

namespace qv {
namespace {

struct BorderCase {
  const char* name;
  QRectF surface;
  QPointF translation;  // of the painter
  double scale = 1;
};

// The largest difference of one channel of two images of the same size.
int largestDifference(const QImage& a, const QImage& b) {
  int largest = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                          std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
    }
  return largest;
}

QImage backdrop() {
  QImage image(QSize(420, 900), QImage::Format_ARGB32_Premultiplied);
  image.fill(QColor(240, 240, 244));
  return image;
}

// Drawn from the images (once as they are made, once as kept) or stroked as it is, the border
// leaves the same pixels, but for the rounding of blending a made image instead of the pen (at
// most 3 of 255 on the hairline): on whole and fractional places, tall and short surfaces, moved
// painters and, stroked as it is, a scaled one.
TEST(ColumnBorder, PaintsWhatStrokingPaints) {
  const BorderCase cases[] = {
      {"whole pixels", QRectF(8, 8, 380, 820), {}},
      {"fractions", QRectF(8.25, 7.5, 379.5, 811.75), {}},
      {"moved painter", QRectF(8, 8, 380, 820), {3, 11}},
      {"moved by a fraction", QRectF(8, 8, 380, 820), {0.5, 0.25}},
      {"scaled painter", QRectF(4, 4, 190, 400), {}, 2},
      {"too short for a middle", QRectF(8, 8, 380, 60), {}},
      {"empty", QRectF(8, 8, 0, 0), {}},
  };
  const QColor colors[] = {QColor::fromRgbF(0, 0, 0, 0.08f), QColor::fromRgbF(1, 1, 1, 0.3f)};
  ColumnBorder border(22, 0.5);
  for (const BorderCase& c : cases) {
    for (const QColor& color : colors) {
      SCOPED_TRACE(c.name);
      QImage drawn = backdrop(), stroked = backdrop();
      for (int times = 0; times < 2; ++times) {
        QImage& target = times == 0 ? drawn : stroked;
        QPainter painter(&target);
        painter.translate(c.translation);
        painter.scale(c.scale, c.scale);
        if (times == 0) border.paint(painter, c.surface, color);
        else Fx::strokeInnerBorder(painter, c.surface, 22, color, 0.5);
      }
      QImage again = backdrop();
      {
        QPainter painter(&again);
        painter.translate(c.translation);
        painter.scale(c.scale, c.scale);
        border.paint(painter, c.surface, color);
      }
      EXPECT_LE(largestDifference(drawn, stroked), 3);
      EXPECT_LE(largestDifference(again, stroked), 3);
    }
  }
}

}  // namespace
}  // namespace qv
