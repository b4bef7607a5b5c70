#pragma once
#include <QColor>
#include <QImage>
#include <QRectF>

class QPainter;

namespace qv {

// The hairline border inside a tall rounded surface (Fx::strokeInnerBorder), stroked once for its
// place on the device and its colour and then drawn from images: stroking the long outline anew
// took as long as the rest of the panel column's frame. Kept as its top and bottom rows (the
// corners) and one row of each side, repeated down between them. Where the painter does not move
// by whole device pixels (a scale, a fraction of a pixel) it is stroked as it is.
class ColumnBorder {
 public:
  ColumnBorder(double radius, double width) : radius_(radius), width_(width) {}
  void paint(QPainter& painter, const QRectF& surface, const QColor& color);

 private:
  struct Images {
    QRectF surface;
    QColor color;
    QPointF offset;  // the painter's translation on the device they were made for
    QRect pixels;    // the surface's pixels on that device
    int band = 0;    // rows at the top and bottom, and columns at each side, kept
    QImage top, bottom, left, right;
    QImage whole;  // instead, where the rows between the corners are not all alike
  };
  Images make(const QRectF& surface, const QColor& color, const QPointF& offset) const;

  double radius_;
  double width_;
  Images border_;
};

}  // namespace qv
