#pragma once
#include "ui/anim/AnimatedValue.h"
#include "ui/view/PaintedWidget.h"

#include <QLayout>
#include <QVBoxLayout>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace qv {

// ---- Flow arrangement ------------------------------------------------------------------------

struct FlowArrangement {
  std::vector<QRectF> frames;  // one per subview, in order
  double height = 0;
};

// Lays sizes out left to right in rows of at most `maxWidth`, `spacing` apart in both directions.
// A row's first element never moves on, so one wider than the row stands alone at x 0; one that
// ends exactly at the maximum stays. Elements are top-aligned in their row.
FlowArrangement arrangeFlow(const std::vector<QSizeF>& sizes, double maxWidth, double spacing);

// Room every chip widget keeps around its capsule for its hover growth; the flow lays the
// capsules out, the widgets overhang them by this much.
inline const QMargins kChipOverhang(3, 1, 3, 1);

// The wrapping chip layout: each widget at its size hint, rows from the leading edge, as high as
// the given width needs (height for width). It never shrinks or clips a chip. Widgets overhang
// their place in the flow by kChipOverhang.
class ChipFlow : public QLayout {
  Q_OBJECT
 public:
  explicit ChipFlow(double spacing, QWidget* parent = nullptr);
  ~ChipFlow() override;

  // From now on a widget that moves to another place while the current transaction animates
  // glides there along the transaction's animation (at once while motion is reduced); a widget
  // placed for the first time stands at its place at once.
  void animatePlacements(InterfaceServices& context) { context_ = &context; }
  // Where the widget will stand once any glide is over.
  std::optional<QPoint> targetPosition(QWidget* widget) const;

  void addItem(QLayoutItem* item) override;
  int count() const override { return int(items_.size()); }
  QLayoutItem* itemAt(int index) const override;
  QLayoutItem* takeAt(int index) override;
  QSize sizeHint() const override;
  QSize minimumSize() const override;
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  void setGeometry(const QRect& rect) override;
  Qt::Orientations expandingDirections() const override { return {}; }

 private:
  FlowArrangement arrange(double width) const;
  void place(QWidget* widget, const QRect& rect);
  double flowSpacing_;
  std::vector<QLayoutItem*> items_;
  InterfaceServices* context_ = nullptr;
  std::map<QWidget*, std::unique_ptr<Animated<QPointF>>> glides_;
};

// ---- Tapped controls ------------------------------------------------------------------------

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

// A tap control drawn as a capsule: its size hint less kChipOverhang (the room the capsule grows
// into under the pointer). Only the capsule takes the pointer; a tap runs the chip's action
// inside the standard spring. The filter panel's chips and the status bar's chips of the
// filters in force are ones.
class CapsuleChip : public TapControl {
  Q_OBJECT
 public:
  // The room between the capsule's ends and its content.
  static constexpr double kPaddingH = 10;

  using TapControl::TapControl;
  QPainterPath hitShape() const override;

 protected:
  // What a tap runs; none: a tap does nothing.
  virtual std::function<void()> tapAction() const = 0;
  void tapped() final;
  QRectF capsule() const;
  // Scales the painter about the capsule's centre (the chip's growth).
  void scaleAboutCapsule(QPainter& painter, double scale) const;
};

// ---- Rail button -----------------------------------------------------------------------------

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

// ---- Filter chip -----------------------------------------------------------------------------

// A capsule toggle for one filter value, with at most one leading element: an application icon
// wins over a category dot, which wins over a symbol. On, it is accent-filled with white ink.
class FilterChip : public CapsuleChip {
  Q_OBJECT
 public:
  struct Props {
    QString label{};
    QString icon{};                    // symbol; empty for none
    QString bundleID{};                // application whose icon leads; empty for none
    std::optional<QColor> dotColor{};  // category dot
    bool isOn = false;
    bool operator==(const Props&) const = default;
  };
  enum class Leading { none, appIcon, dot, symbol };

  struct Callbacks {
    std::function<void()> onTap;  // runs with the standard spring
  };
  FilterChip(InterfaceServices& context, Props props, Callbacks callbacks, QWidget* parent = nullptr);
  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }
  static Leading leadingOf(const Props& props);
  Leading leading() const { return leadingOf(props_); }
  double scale() const;

  // Coming and going: the chip fades in or out along `animation` (at once without one).
  // `done` runs once the fade arrived.
  void fade(bool in, const std::optional<Animation>& animation, AnimationCompletion done = {});
  double presence() const { return presence_.value(); }

  QSize sizeHint() const override;
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;
  std::function<void()> tapAction() const override { return callbacks_.onTap; }

 private:
  Props props_;
  Callbacks callbacks_;
  Animated<double> presence_;
};

// ---- Category colour swatch ------------------------------------------------------------------

// One swatch of the category colour picker: a 17-point dot with a ring 2 away and 1.5 wide around
// the chosen colour (24 × 24 in all). The ring fades and grows in with the snappy spring.
class CategoryColorDot : public TapControl {
  Q_OBJECT
 public:
  struct Props {
    QColor color{};
    bool isSelected = false;
    bool operator==(const Props&) const = default;
  };
  static constexpr double kDotSize = 17;
  static constexpr double kRingGap = 2;
  static constexpr double kRingWidth = 1.5;
  static constexpr double kOuterSize = kDotSize + 2 * (kRingGap + kRingWidth);

  struct Callbacks {
    std::function<void()> onTap;
  };
  CategoryColorDot(InterfaceServices& context, Props props, Callbacks callbacks, QWidget* parent = nullptr);
  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }
  double ringAmount() const { return ring_.value(); }  // 0 hidden … 1 shown
  double dotScale() const;

  QSize sizeHint() const override { return QSize(int(kOuterSize), int(kOuterSize)); }
  QPainterPath hitShape() const override;

 protected:
  void paint(QPainter& painter) override;
  void tapped() override;

 private:
  Props props_;
  Callbacks callbacks_;
  Animated<double> ring_;
};

}  // namespace qv
