#pragma once
#include "ui/fx/Fx.h"
#include "ui/view/PaintedWidget.h"

#include <QMarginsF>
#include <functional>
#include <optional>

namespace qv {

// How a house button looks at one hover amount (0 resting, 1 hovered).
struct HouseButtonLook {
  QString title;
  QString symbol;  // drawn before the title; empty for none
  QFont font;
  QColor foreground;
  double paddingH = 0;
  double paddingV = 0;
  std::optional<double> labelWidth;    // fixed label width, the title centred in it
  double cornerRadius = -1;            // < 0: a capsule
  std::vector<Fx::GradientStop> fill;  // top to bottom
  QColor border;                       // inside the edge
  double borderWidth = 0;
  std::optional<ShadowLayer> shadow;
  double scale = 1;
  double opacity = 1;
};

// The shell the four house buttons share: a label that is the whole look, a click that runs
// `onPress` (on release inside the shape), hover with the snappy spring and the pointing hand.
// The widget leaves a margin around the button for its hover scale and shadow.
class HouseButton : public PaintedWidget {
  Q_OBJECT
 public:
  struct Callbacks {
    std::function<void()> onPress;  // none: the button is inert
  };

  explicit HouseButton(InterfaceServices& context, QWidget* parent = nullptr);

  const Callbacks& callbacks() const { return callbacks_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }
  // The button's shape, centred in the widget.
  QRectF buttonRect() const;
  QPainterPath hitShape() const override;
  AccessibilityInfo accessibility() const override;
  // The look at the current hover amount.
  HouseButtonLook currentLook() const { return look(hoverProgress()); }

 protected:
  virtual HouseButtonLook look(double hover) const = 0;
  virtual bool isActionable() const { return true; }
  // Room around the button for its scale and shadow.
  virtual QMarginsF margins() const { return {3, 2, 3, 2}; }
  // Replaces the callbacks; subclasses call it from their setProps, before comparing props.
  void replaceCallbacks(Callbacks callbacks);
  // Call after the props changed.
  void propsChanged();

  void paint(QPainter& painter) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool event(QEvent* event) override;

 private:
  QSizeF buttonSize() const;
  bool isLive() const { return callbacks_.onPress && isActionable(); }
  void trigger();
  Callbacks callbacks_;
  bool pressed_ = false;
};

// A house button over a props value: setProps takes the callbacks every time and returns early
// when the props did not change. A props type with an `isEnabled` field makes a button that can
// be disabled.
template <typename P>
class HouseButtonWith : public HouseButton {
 public:
  using Props = P;
  HouseButtonWith(InterfaceServices& context, Props props, Callbacks callbacks, QWidget* parent = nullptr)
      : HouseButton(context, parent), props_(std::move(props)) {
    replaceCallbacks(std::move(callbacks));
    propsChanged();
  }
  void setProps(const Props& props, Callbacks callbacks) {
    replaceCallbacks(std::move(callbacks));
    if (props == props_) return;
    props_ = props;
    propsChanged();
  }
  const Props& props() const { return props_; }

 protected:
  bool isActionable() const override {
    if constexpr (requires(const P& p) { p.isEnabled; }) return props_.isEnabled;
    else return true;
  }
  Props props_;
};

struct ConfirmPillButtonProps {
  QString title;
  bool isDestructive = false;
  bool operator==(const ConfirmPillButtonProps&) const = default;
};
// A neutral or destructive capsule (panel chrome, settings panes).
class ConfirmPillButton : public HouseButtonWith<ConfirmPillButtonProps> {
 public:
  using HouseButtonWith::HouseButtonWith;

 protected:
  HouseButtonLook look(double hover) const override;
};

struct AccentPillButtonProps {
  QString title;
  std::optional<double> width;  // fixed label width; none sizes to the text
  bool isEnabled = true;
  bool operator==(const AccentPillButtonProps&) const = default;
};
// The solid accent call to action of the settings panes; faded and inert when disabled.
class AccentPillButton : public HouseButtonWith<AccentPillButtonProps> {
 public:
  using HouseButtonWith::HouseButtonWith;

 protected:
  HouseButtonLook look(double hover) const override;
  QMarginsF margins() const override { return {8, 6, 8, 9}; }
};

struct AboutActionButtonProps {
  QString title;
  QString symbol;
  bool operator==(const AboutActionButtonProps&) const = default;
};
// An icon-and-text link button of the About pane.
class AboutActionButton : public HouseButtonWith<AboutActionButtonProps> {
 public:
  using HouseButtonWith::HouseButtonWith;

 protected:
  HouseButtonLook look(double hover) const override;
};

struct ToolbarPillButtonProps {
  QString title;
  bool isProminent = false;
  bool operator==(const ToolbarPillButtonProps&) const = default;
};
// A capsule of the library window's toolbar, plain or prominent.
class ToolbarPillButton : public HouseButtonWith<ToolbarPillButtonProps> {
 public:
  using HouseButtonWith::HouseButtonWith;

 protected:
  HouseButtonLook look(double hover) const override;
};

}  // namespace qv
