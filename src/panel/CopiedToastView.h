#pragma once
#include "ui/anim/AnimatedValue.h"
#include "ui/view/PaintedWidget.h"

namespace qv {

// The card that confirms a copy-only pick ("Copied to clipboard") and says how to paste, floated
// over the middle of the panel column while the state's copied-toast flag is up. It enters with a
// scale from 0.85 and a fade (a fade alone under reduce motion) and leaves with a fade, on the
// gentle spring. Clicks pass through it to the cards below.
class CopiedToastView : public PaintedWidget {
  Q_OBJECT
 public:
  struct Props {
    bool shown = false;
    bool operator==(const Props&) const = default;
  };

  explicit CopiedToastView(InterfaceServices& context, QWidget* parent = nullptr);

  void setProps(const Props& props);
  const Props& props() const { return props_; }

  QSize sizeHint() const override;
  QPainterPath hitShape() const override { return {}; }
  AccessibilityInfo accessibility() const override;

  // The painted card's opacity and scale (about its centre) now.
  double opacity() const { return opacity_.value(); }
  double scale() const { return scale_.value(); }
  // The card's rectangle, centred in the widget (the rest is room for the shadow).
  QRectF cardRect() const;

 protected:
  void paint(QPainter& painter) override;

 private:
  Props props_;
  Animated<double> opacity_;
  Animated<double> scale_;
};

}  // namespace qv
