#include "cards/badges/SourceBadge.h"

#include "cards/ViewServices.h"
#include "cards/badges/AppIconImageView.h"
#include "items/identity/AppIdentity.h"
#include "items/model/ClipboardItem.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/theme/Theme.h"

#include <QPainter>

namespace qv {

SourceBadge::SourceBadge(ViewServices& context, QGraphicsItem* parent) : ClickableItem(context, parent) {
  setSize({kSize, kSize});
}

void SourceBadge::setProps(const Props& props, Callbacks callbacks) {
  replaceCallbacks(std::move(callbacks));
  if (props == props_) return;
  props_ = props;
  setActive(props_.isActive);
  update();
}

SourceBadge::Look SourceBadge::look() const {
  const double hover = hoverProgress();
  const double active = activeProgress();
  Look l;
  l.ringWidth = lerp(1.5, 2.0, active);
  l.ringOpacity = lerp(0.9 * unitClamped(hover), 1.0, unitClamped(active));
  l.scale = lerp(1.0, 1.1, hover);
  l.hairline = !environment().isDark();
  return l;
}

QPainterPath SourceBadge::hitShape() const { return Fx::continuousRoundedRect(rect(), kCornerRadius); }

AccessibilityInfo SourceBadge::accessibility() const {
  const QString name = viewServices(context()).appIdentity
                           ? sourceDisplayName(
                                 props_.bundleID,
                                 [this](const QString& id) { return viewServices(context()).appIdentity->appName(id); })
                           : props_.bundleID;
  return clickableAccessibility(QAccessible::Graphic, name);
}

void SourceBadge::paintItem(QPainter& painter) {
  const Look l = look();
  const QRectF tile = rect();
  painter.save();
  scaleAboutCentre(painter, tile, l.scale);
  Fx::drawShadow(painter, tile, kCornerRadius, ShadowLayer{QColor::fromRgbF(0, 0, 0, 0.45f), 2, 0, 1.5});

  const QPainterPath shape = Fx::continuousRoundedRect(tile, kCornerRadius);
  painter.save();
  painter.setClipPath(shape, Qt::IntersectClip);
  if (viewServices(context()).appIdentity)
    AppIconImageView(props_.bundleID).paint(painter, tile, *viewServices(context()).appIdentity);
  painter.restore();

  if (l.hairline) Fx::strokeInnerBorder(painter, tile, kCornerRadius, QColor::fromRgbF(0, 0, 0, 0.1f), 0.5);
  if (l.ringOpacity > 0.001)
    Fx::strokeInnerBorder(painter, tile, kCornerRadius, withAlpha(Theme::accent(), l.ringOpacity), l.ringWidth);
  painter.restore();
}

}  // namespace qv
