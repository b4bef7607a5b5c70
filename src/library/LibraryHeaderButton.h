#pragma once
#include "ui/anim/AnimatedValue.h"
#include "ui/controls/TapControl.h"

#include <QString>
#include <functional>

namespace qv {

// A small round icon button of the library's detail pane header (the item actions and Close):
// a symbol at 11 points in a faint 22-point circle, which is also where it takes clicks. The
// delete button turns red under the pointer; an engaged one (a pinned item's pin) is drawn in the
// accent. A new symbol replaces the old one with a swap (old shrinks and fades, new grows in) on
// the standard spring; hovering moves on the snappy spring. Both move the same way with reduced
// motion: the motion is small and tells what changed. The pane gives each button its tooltip and
// spoken name.
class LibraryHeaderButton : public TapControl {
  Q_OBJECT
 public:
  struct Props {
    QString symbol;
    bool isActive = false;
    bool isDestructive = false;  // wins over isActive
    bool operator==(const Props&) const = default;
  };
  struct Callbacks {
    std::function<void()> onTap;
  };

  static constexpr double kSide = 22;
  static constexpr double kGlyphSize = 11;

  explicit LibraryHeaderButton(InterfaceServices& context, QWidget* parent = nullptr);
  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }

  // The glyph's colour and the circle's fill now.
  QColor foreground() const;
  QColor circleFill() const;
  // 0 … 1: how far the pointer's hover has moved the look.
  double hoverAmount() const { return hover_.value(); }
  // 0 … 1: how far a new symbol has replaced the previous one (1 when none is being replaced).
  double swapProgress() const { return swap_.value(); }
  const QString& previousSymbol() const { return previous_; }

  QSize sizeHint() const override { return QSize(int(kSide), int(kSide)); }
  QSize minimumSizeHint() const override { return sizeHint(); }
  QPainterPath hitShape() const override;
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;
  void hoverChanged(bool hovered) override;
  void tapped() override;

 private:
  Props props_;
  Callbacks callbacks_;
  QString previous_;
  Animated<double> hover_;
  Animated<double> swap_;
};

}  // namespace qv
