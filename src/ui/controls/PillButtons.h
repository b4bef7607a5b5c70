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
  std::optional<double> labelWidth;  // fixed label width, the title centred in it
  double cornerRadius = -1;          // < 0: a capsule
  std::vector<Fx::GradientStop> fill;  // top to bottom
  QColor border;                     // inside the edge
  double borderWidth = 0;
  std::optional<ShadowLayer> shadow;
  double scale = 1;
  double opacity = 1;
};

// The shell the four house buttons share: a label that is the whole look, a click that runs
// `action` (on release inside the shape), hover with the snappy spring and the pointing hand.
// The widget leaves a margin around the button for its hover scale and shadow.
class HouseButton : public PaintedWidget {
  Q_OBJECT
 public:
  explicit HouseButton(AppContext& context, QWidget* parent = nullptr);

  std::function<void()> action;

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
  // Call after the props changed.
  void propsChanged();

  void paint(QPainter& painter) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool event(QEvent* event) override;

 private:
  QSizeF buttonSize() const;
  bool isLive() const { return action && isActionable(); }
  void trigger();
  bool pressed_ = false;
};

// A neutral or destructive capsule (panel chrome, settings panes).
class ConfirmPillButton : public HouseButton {
  Q_OBJECT
 public:
  struct Props {
    QString title;
    bool isDestructive = false;
    bool operator==(const Props&) const = default;
  };
  ConfirmPillButton(AppContext& context, Props props, std::function<void()> action, QWidget* parent = nullptr);
  void setProps(const Props& props);
  const Props& props() const { return props_; }

 protected:
  HouseButtonLook look(double hover) const override;

 private:
  Props props_;
};

// The solid accent call to action of the settings panes.
class AccentPillButton : public HouseButton {
  Q_OBJECT
 public:
  struct Props {
    QString title;
    std::optional<double> width;  // fixed label width; none sizes to the text
    bool isEnabled = true;
    bool operator==(const Props&) const = default;
  };
  AccentPillButton(AppContext& context, Props props, std::function<void()> action, QWidget* parent = nullptr);
  void setProps(const Props& props);
  const Props& props() const { return props_; }

 protected:
  HouseButtonLook look(double hover) const override;
  bool isActionable() const override { return props_.isEnabled; }
  QMarginsF margins() const override { return {8, 6, 8, 9}; }

 private:
  Props props_;
};

// An icon-and-text link button of the About pane.
class AboutActionButton : public HouseButton {
  Q_OBJECT
 public:
  struct Props {
    QString title;
    QString symbol;
    bool operator==(const Props&) const = default;
  };
  AboutActionButton(AppContext& context, Props props, std::function<void()> action, QWidget* parent = nullptr);
  void setProps(const Props& props);
  const Props& props() const { return props_; }

 protected:
  HouseButtonLook look(double hover) const override;

 private:
  Props props_;
};

// A capsule of the library window's toolbar, plain or prominent.
class ToolbarPillButton : public HouseButton {
  Q_OBJECT
 public:
  struct Props {
    QString title;
    bool isProminent = false;
    bool operator==(const Props&) const = default;
  };
  ToolbarPillButton(AppContext& context, Props props, std::function<void()> action, QWidget* parent = nullptr);
  void setProps(const Props& props);
  const Props& props() const { return props_; }

 protected:
  HouseButtonLook look(double hover) const override;

 private:
  Props props_;
};

}  // namespace qv
