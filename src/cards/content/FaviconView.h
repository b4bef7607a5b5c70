#pragma once
#include "ui/text/TextBlock.h"

#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;

namespace qv {

// The link card's letter tile: a square with soft corners, coloured from the domain name and
// showing the domain's first letter in white. Computed from the domain alone; no icon is
// fetched. Built by LinkCardContent for its domain row, which gives it the frame to fill.
class FaviconView {
 public:
  struct Props {
    QString domain;
    bool operator==(const Props&) const = default;
  };

  static constexpr double kSize = 16;

  FaviconView();

  // False when nothing painted changed.
  bool setProps(const Props& props);
  const Props& props() const { return props_; }

  // The tile's hue: the sum of the domain's code points modulo 360, over 360 (0 when empty), so
  // that every card of one domain has the same colour on every machine.
  static double hue(const QString& domain);
  static QColor color(const QString& domain);
  // The domain's first character, upper-cased; empty for an empty domain.
  static QString letter(const QString& domain);

  void paint(QPainter& painter, const QRectF& frame) const;

 private:
  Props props_;
  QColor color_;
  TextBlock letter_;
};

}  // namespace qv
