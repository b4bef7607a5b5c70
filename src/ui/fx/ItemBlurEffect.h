#pragma once
#include <QGraphicsEffect>

namespace qv::Fx {

// Blurs a graphics item and its children as one layer, by a radius in points as every blur of
// the program means it (blurred()). Cards wear it only while a transition blurs them, so the
// blur is the coarse one made for frames in motion; at radius 0 it draws the item as it is.
class ItemBlurEffect : public QGraphicsEffect {
  Q_OBJECT
 public:
  explicit ItemBlurEffect(QObject* parent = nullptr) : QGraphicsEffect(parent) {}

  double radius() const { return radius_; }
  void setRadius(double radius);

  QRectF boundingRectFor(const QRectF& rect) const override;

 protected:
  void draw(QPainter* painter) override;

 private:
  double radius_ = 0;
};

}  // namespace qv::Fx
