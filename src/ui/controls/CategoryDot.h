#pragma once
#include <QColor>
#include <QRectF>
#include <QSizeF>
#include <optional>

class QPainter;

namespace qv {

// A user category's colour mark: a circle of `size`, or a horizontal capsule when `width` is
// larger. On an accent or image background (`onAccent`) it wears a white rim, elsewhere a faint
// dark one. A plain value that cards, badges, strips and chips paint where they need it.
struct CategoryDot {
  QColor color;
  bool onAccent = false;
  double size = 7;
  std::optional<double> width;

  QSizeF frameSize() const { return {width.value_or(size), size}; }
  // Paints the dot centred in `frame`.
  void paint(QPainter& painter, const QRectF& frame) const;
  bool operator==(const CategoryDot&) const = default;
};

}  // namespace qv
