#include "library/LibraryIconPill.h"

#include "ui/InterfaceServices.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"
#include "ui/theme/ReduceMotion.h"

#include <QPainter>

namespace qv {

namespace {

constexpr double kPillSymbol = 11;
constexpr double kPillPaddingH = 9;
constexpr double kPillPaddingV = 6;

}  // namespace

LibraryIconPill::LibraryIconPill(InterfaceServices& context, QWidget* parent)
    : HouseButtonWith(context, {}, {}, parent), presence_(*context.frameClock, 1.0) {
  setFocusPolicy(Qt::NoFocus);
  presence_.setOnChange([this] { update(); });
}

void LibraryIconPill::appear(const std::optional<Animation>& animation) {
  setAttribute(Qt::WA_TransparentForMouseEvents, false);
  if (animation) presence_.jumpTo(0);
  presence_.animateTo(1, animation);
}

void LibraryIconPill::disappear(const std::optional<Animation>& animation, std::function<void()> onGone) {
  setAttribute(Qt::WA_TransparentForMouseEvents, true);
  presence_.animateTo(0, animation, [onGone = std::move(onGone)](bool finished) {
    if (finished && onGone) onGone();
  });
  if (!animation && onGone) onGone();
}

double LibraryIconPill::presenceScale() const {
  if (context().reduceMotion && context().reduceMotion->isEnabled()) return 1;
  return lerp(kEnterScale, 1, presence_.value());
}

void LibraryIconPill::setProps(const Props& props, Callbacks callbacks) {
  HouseButtonWith::setProps(props, std::move(callbacks));
  setToolTip(props_.help);
  setAccessibleName(props_.help);
}

HouseButtonLook LibraryIconPill::look(double hover) const {
  const EnvironmentValues env = environment();
  const double h = unitClamped(hover);
  HouseButtonLook l;
  l.title = props_.help;
  l.symbol = props_.symbol;
  l.font = systemFont(kPillSymbol, QFont::Medium);
  l.foreground = primaryColor(env, lerp(0.5, 0.85, h));
  l.paddingH = kPillPaddingH;
  l.paddingV = kPillPaddingV;
  // The label is the symbol alone.
  l.labelWidth = kPillSymbol + 2;
  const QColor fill = primaryColor(env, lerp(0.06, 0.12, h));
  l.fill = {{0, fill}, {1, fill}};
  l.scale = lerp(1.0, 1.04, hover);
  return l;
}

AccessibilityInfo LibraryIconPill::accessibility() const {
  AccessibilityInfo info = HouseButton::accessibility();
  info.name = props_.help;
  info.focusable = false;
  return info;
}

void LibraryIconPill::paint(QPainter& painter) {
  const HouseButtonLook l = currentLook();
  const QRectF box = capsuleRect();
  painter.setRenderHint(QPainter::Antialiasing);
  // Coming and going: faded, and grown from its leading edge.
  const double presence = unitClamped(presence_.value());
  if (presence <= 0) return;
  painter.setOpacity(painter.opacity() * presence);
  const QPointF leading(box.left(), box.center().y());
  const double grown = presenceScale();
  painter.translate(leading);
  painter.scale(grown, grown);
  painter.translate(-leading);
  painter.translate(box.center());
  painter.scale(l.scale, l.scale);
  painter.translate(-box.center());
  painter.fillPath(libraryCapsule(box), l.fill.front().color);
  const double side = kPillSymbol + 2;
  painter.drawImage(QRectF(box.center().x() - side / 2, box.center().y() - side / 2, side, side),
                    Symbols::image(props_.symbol, side, l.foreground, Fx::painterScale(painter)));
}

}  // namespace qv
