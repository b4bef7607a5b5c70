#pragma once
#include "ui/view/PaintedWidget.h"

namespace qv {

// A painted control that a left click on its shape (pressed and released there) taps.
class TapControl : public PaintedWidget {
  Q_OBJECT
 public:
  using PaintedWidget::PaintedWidget;

 protected:
  virtual bool acceptsTap() const { return true; }
  virtual void tapped() = 0;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool pressed_ = false;
};

}  // namespace qv
