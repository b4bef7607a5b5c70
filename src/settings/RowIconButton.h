#pragma once
#include "settings/SettingsServices.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/view/PaintedWidget.h"

#include <QFont>
#include <functional>

namespace qv {

// The small circular icon button of the settings rows (the recorder's clear button, the App
// Rules rows): a symbol on a faint 22-point circle that fills more while hovered.
class RowIconButton : public PaintedWidget {
  Q_OBJECT
 public:
  static constexpr int kSide = 22;

  struct Props {
    QString symbol;
    double size = 14;
    QFont::Weight weight = QFont::Normal;
    double restingFill = 0;
    bool operator==(const Props&) const = default;
  };
  struct Callbacks {
    std::function<void()> onClick;
  };

  RowIconButton(SettingsServices& context, Props props, Callbacks callbacks, QWidget* parent = nullptr);
  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }

  // The circle's opacity and the symbol's, at rest or hovered (hover progress 0 … 1).
  static double circleOpacity(double restingFill, bool increasedContrast, double hover);
  static double symbolOpacity(bool increasedContrast, double hover);

  // Painting opacity of the whole button, for callers that fade it in and out.
  void setPresence(double presence);
  double presence() const { return presence_; }

  QPainterPath hitShape() const override;
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void click();

  Props props_;
  Callbacks callbacks_;
  double presence_ = 1.0;
};

}  // namespace qv
