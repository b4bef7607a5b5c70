#include "library/LibraryHeaderButton.h"

#include "ui/InterfaceServices.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"
#include "ui/theme/Theme.h"

#include <QPainter>

namespace qv {

namespace {

// The smallest a glyph gets while it is swapped out or in.
constexpr double kSwapScale = 0.5;

void drawGlyph(QPainter& painter, const QString& symbol, QPointF centre, double scale, double opacity,
               const QColor& ink) {
  if (symbol.isEmpty() || opacity <= 0) return;
  // At the scale of what the button is painted into (a picture of the pane may have its own).
  const QImage glyph = Symbols::image(symbol, LibraryHeaderButton::kGlyphSize, ink, Fx::layerScale(painter));
  if (glyph.isNull()) return;
  painter.save();
  painter.setOpacity(painter.opacity() * unitClamped(opacity));
  painter.translate(centre);
  painter.scale(scale, scale);
  const QSizeF size = glyph.deviceIndependentSize();
  painter.drawImage(QPointF(-size.width() / 2, -size.height() / 2), glyph);
  painter.restore();
}

}  // namespace

LibraryHeaderButton::LibraryHeaderButton(InterfaceServices& context, QWidget* parent)
    : TapControl(context, parent), hover_(*context.frameClock, 0.0), swap_(*context.frameClock, 1.0) {
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  resize(sizeHint());
  hover_.setOnChange([this] { update(); });
  swap_.setOnChange([this] { update(); });
}

void LibraryHeaderButton::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  if (props == props_) return;
  const Props previous = std::exchange(props_, props);
  if (props.symbol != previous.symbol) {
    if (previous.symbol.isEmpty() || !isVisible()) {
      // A button that first shows, or is not on screen, takes its symbol at once.
      previous_.clear();
      swap_.jumpTo(1);
    } else {
      previous_ = previous.symbol;
      swap_.jumpTo(0);
      swap_.animateTo(1, Theme::springStandard(), [this](bool finished) {
        if (finished) previous_.clear();
      });
    }
  }
  update();
}

void LibraryHeaderButton::hoverChanged(bool hovered) { hover_.animateTo(hovered ? 1.0 : 0.0, Theme::springSnappy()); }

QColor LibraryHeaderButton::foreground() const {
  const EnvironmentValues env = environment();
  const double hover = unitClamped(hover_.value());
  if (props_.isDestructive) return mixColors(primaryColor(env, 0.55), systemRed(env), hover);
  if (props_.isActive) return Theme::accent();
  return primaryColor(env, lerp(0.55, 0.9, hover));
}

QColor LibraryHeaderButton::circleFill() const {
  return primaryColor(environment(), lerp(0.05, 0.1, unitClamped(hover_.value())));
}

QPainterPath LibraryHeaderButton::hitShape() const {
  QPainterPath circle;
  circle.addEllipse(QRectF(QPointF(0, 0), QSizeF(kSide, kSide)));
  return circle;
}

AccessibilityInfo LibraryHeaderButton::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::Button;
  info.name = accessibleName().isEmpty() ? toolTip() : accessibleName();
  info.press = [this] { const_cast<LibraryHeaderButton*>(this)->tapped(); };
  return info;
}

void LibraryHeaderButton::tapped() {
  // A copy: the action may give this button new props.
  if (const auto onTap = callbacks_.onTap) onTap();
}

void LibraryHeaderButton::paint(QPainter& painter) {
  const QRectF face(0, 0, kSide, kSide);
  painter.setPen(Qt::NoPen);
  painter.setBrush(circleFill());
  painter.drawEllipse(face);
  const QColor ink = foreground();
  const double p = swap_.value();
  if (!previous_.isEmpty())
    drawGlyph(painter, previous_, face.center(), lerp(1, kSwapScale, unitClamped(p)), 1 - p, ink);
  drawGlyph(painter, props_.symbol, face.center(), previous_.isEmpty() ? 1 : lerp(kSwapScale, 1, p), p, ink);
}

}  // namespace qv
