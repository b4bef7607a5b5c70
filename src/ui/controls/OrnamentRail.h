#pragma once
#include "ui/anim/AnimatedValue.h"
#include "ui/controls/TapControl.h"

#include <QWidget>
#include <functional>
#include <vector>

namespace qv {

struct InterfaceServices;

class OrnamentRail;

// A circular icon button of a vertical tab rail (34 × 34). The selected one sits on an accent
// circle with a white glyph; in a rail that shares its selection the rail draws that circle and
// slides it to the next selection. A marker dot shows at the top trailing corner while not
// selected. A disabled button is faded and ignores clicks but still hovers.
class OrnamentRailButton : public TapControl {
  Q_OBJECT
 public:
  struct Props {
    QString icon{};
    bool isSelected = false;
    bool showsDot = false;
    bool isEnabled = true;
    bool sharesSelection = false;  // the hosting rail draws and slides the selection circle
    bool operator==(const Props&) const = default;
  };
  static constexpr double kFace = 34;

  struct Callbacks {
    std::function<void()> onTap;
  };
  OrnamentRailButton(InterfaceServices& context, Props props, Callbacks callbacks, QWidget* parent = nullptr);
  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }
  // The host's transition of the whole button: a scale about its centre and an opacity.
  void setTransitionLook(double scale, double opacity);
  double transitionScale() const { return transitionScale_; }
  double transitionOpacity() const { return transitionOpacity_; }

  // The look now: face scale, glyph opacity (over its ink), whole-button opacity.
  double faceScale() const;
  bool drawsDot() const { return props_.showsDot && !props_.isSelected; }
  QRectF dotRect() const;

  QSize sizeHint() const override { return QSize(int(kFace), int(kFace)); }
  QPainterPath hitShape() const override;
  AccessibilityInfo accessibility() const override;

 Q_SIGNALS:
  void selectionChanged();

 protected:
  void paint(QPainter& painter) override;
  bool acceptsTap() const override { return props_.isEnabled; }
  void tapped() override;

 private:
  Props props_;
  Callbacks callbacks_;
  double transitionScale_ = 1;
  double transitionOpacity_ = 1;
};

// A vertical stack of rail buttons, 4 apart, that shares its selection: the accent circle glides
// from the old selected button to the new one with the standard spring (at once while motion is
// reduced).
class OrnamentRail : public QWidget {
  Q_OBJECT
 public:
  static constexpr double kSpacing = 4;
  explicit OrnamentRail(InterfaceServices& context, QWidget* parent = nullptr);
  OrnamentRailButton* addButton(OrnamentRailButton::Props props, OrnamentRailButton::Callbacks callbacks);
  const std::vector<OrnamentRailButton*>& buttons() const { return buttons_; }
  // Where the selection circle is now (empty with none selected).
  QRectF selectionRect() const { return shown_ ? circle_.value() : QRectF(); }
  bool isSelectionAnimating() const { return circle_.isAnimating(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void selectionChanged() { syncSelection(true); }
  void syncSelection(bool animate);
  InterfaceServices& context_;
  std::vector<OrnamentRailButton*> buttons_;
  Animated<QRectF> circle_;
  bool shown_ = false;
  bool placed_ = false;  // the circle has stood somewhere
};

}  // namespace qv
