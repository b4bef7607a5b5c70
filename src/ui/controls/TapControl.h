#pragma once
#include "ui/view/PaintedWidget.h"

#include <optional>

namespace qv {

// A painted control that a left click on its shape (pressed and released there) taps. The second
// press of a double-click taps only a control that took the first: a control that has just come
// under the pointer (a row of buttons that changed with the first click) is left alone.
class TapControl : public PaintedWidget {
  Q_OBJECT
 public:
  using PaintedWidget::PaintedWidget;

 protected:
  virtual bool acceptsTap() const { return true; }
  virtual void tapped() = 0;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool pressed_ = false;
  std::optional<quint64> firstPressAt_;  // when this control last took a press, in event time
};

}  // namespace qv
