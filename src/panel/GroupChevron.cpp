#include "panel/GroupChevron.h"

#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"

#include <QPainter>

namespace qv {

GroupChevron::GroupChevron(ViewServices& context, QGraphicsItem* parent)
    : ClickableItem(context, parent), rotation_(*context.frameClock, 0.0) {
  setSize({kSize, kSize});
  rotation_.setOnChange([this] { update(); });
  setToolTip(QStringLiteral("Collapse"));
}

void GroupChevron::setProps(const Props& props, Callbacks callbacks) {
  replaceCallbacks(std::move(callbacks));
  if (props == props_) return;
  props_ = props;
  rotation_.setTarget(props_.collapsed ? -90.0 : 0.0);
  setToolTip(props_.collapsed ? QStringLiteral("Expand") : QStringLiteral("Collapse"));
  update();
}

AccessibilityInfo GroupChevron::accessibility() const {
  return clickableAccessibility(QAccessible::Graphic,
                                props_.collapsed ? QStringLiteral("Expand") : QStringLiteral("Collapse"));
}

void GroupChevron::paintItem(QPainter& painter) {
  const EnvironmentValues env = environment();
  const double hover = hoverProgress();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(primaryColor(env, 0.08 + 0.06 * hover));
  painter.drawEllipse(rect());
  const double glyph = 8;
  const QRectF target(rect().center() - QPointF(glyph / 2, glyph / 2), QSizeF(glyph, glyph));
  painter.save();
  painter.translate(rect().center());
  painter.rotate(rotation_.value());
  painter.translate(-rect().center());
  painter.drawImage(target, Symbols::image(QStringLiteral("chevron.down"), glyph, primaryColor(env, 0.45 + 0.3 * hover),
                                           Fx::painterScale(painter)));
  painter.restore();
}

}  // namespace qv
