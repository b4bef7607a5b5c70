#pragma once
#include "ui/anim/AnimatedValue.h"
#include "ui/text/TextBlock.h"
#include "ui/theme/Theme.h"
#include "ui/view/PaintedWidget.h"

#include <functional>
#include <optional>

namespace qv {

class LoginItem;

// How an on/off option is drawn: a label column on the left and a small capsule switch with a
// round knob on the right.
struct TarnSwitchStyle {
  QColor tint = Theme::accent();    // track and knob when on
  std::optional<QString> sublabel;  // a second, quieter line under the label
  bool operator==(const TarnSwitchStyle&) const = default;
};

// An on/off option in the switch style. The value lives with the caller: a click (anywhere on
// the row) or Space asks the `onToggle` given with the latest props for the new value, and the
// caller shows it with setProps.
// The knob and colours move with a spring (response 0.3, damping 0.7), at once while motion is
// reduced. A disabled toggle is drawn at 40 % opacity and ignores clicks.
class TarnToggle : public PaintedWidget {
  Q_OBJECT
 public:
  struct Props {
    QString title;
    bool isOn = false;
    bool isEnabled = true;
    TarnSwitchStyle style;
    bool operator==(const Props&) const = default;
  };
  struct Callbacks {
    std::function<void(bool)> onToggle;  // asked for the new value
  };
  TarnToggle(InterfaceServices& context, Props props, Callbacks callbacks, QWidget* parent = nullptr);

  // `animated` false shows the new value at once (a value read when the view is shown).
  void setProps(const Props& props, Callbacks callbacks, bool animated = true);
  const Props& props() const { return props_; }
  const Callbacks& callbacks() const { return callbacks_; }

  // The 34 × 20 track, at the trailing edge, vertically centred.
  QRectF trackRect() const;
  // The knob's centre (moves between −7 and +7 from the track's centre).
  QPointF knobCenter() const;
  // 0 off, 1 on (the spring may overshoot a little).
  double onAmount() const { return on_.value(); }
  bool isAnimating() const { return on_.isAnimating(); }

  QSize sizeHint() const override;
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void toggle();
  double labelWidth(double width) const;
  TextBlock title_;
  TextBlock sublabel_;
  Props props_;
  Callbacks callbacks_;
  Animated<double> on_;
  bool pressed_ = false;
};

// "Launch at login": a switch over the login item. Each time it is shown it reads the real
// state (without registering or unregistering anything); a change registers or unregisters at
// once, and one that fails puts the switch back and logs why.
class LaunchAtLoginToggle : public TarnToggle {
  Q_OBJECT
 public:
  explicit LaunchAtLoginToggle(InterfaceServices& context, QWidget* parent = nullptr);
  // Reads the login item's state into the switch.
  void refresh();
  // Shows `on`; a click asks to change the login item.
  void showState(bool on, bool animated);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void change(bool on);
  LoginItem& loginItem_;
};

}  // namespace qv
