#include "preview/QuickLookButton.h"

#include "base/NativePath.h"
#include "cards/ViewServices.h"
#include "platform/QuickLook.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"
#include "ui/text/Fonts.h"
#include "ui/theme/Theme.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>
#include <cmath>

namespace qv {

namespace {

// Room around the capsule for the low shadow (8 points of blur, 4 down).
constexpr QMarginsF kShadowRoom(8, 5, 8, 11);
// The eye drawn at the symbol font's size looks as large as the text beside it.
constexpr double kSymbolScale = 1.15;

QFont titleFont(const QuickLookButton::Metrics& metrics) { return systemFont(metrics.textFontSize, QFont::Medium); }

}  // namespace

QuickLookButton::QuickLookButton(ViewServices& services, QWidget* parent)
    : PaintedWidget(services, parent), services_(services) {
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  setToolTip(QString::fromLatin1(kHelp));
}

void QuickLookButton::setProps(const Props& props) {
  if (props == props_) return;
  const bool resized = props.compact != props_.compact;
  props_ = props;
  if (resized) updateGeometry();
  update();
}

double QuickLookButton::symbolSide() const { return std::round(metrics().symbolFontSize * kSymbolScale); }

QSizeF QuickLookButton::capsuleSize() const {
  const Metrics& m = metrics();
  const QFontMetricsF font(titleFont(m));
  const double content = symbolSide() + kSpacing + font.horizontalAdvance(QString::fromLatin1(kTitle));
  const double line = std::max(font.height(), symbolSide());
  return {std::ceil(content) + 2 * m.paddingH, std::ceil(line) + 2 * m.paddingV};
}

QSize QuickLookButton::sizeHint() const {
  const QSizeF capsule = capsuleSize();
  return {int(std::ceil(capsule.width() + kShadowRoom.left() + kShadowRoom.right())),
          int(std::ceil(capsule.height() + kShadowRoom.top() + kShadowRoom.bottom()))};
}

QRectF QuickLookButton::capsuleRect() const {
  const QRectF inner = QRectF(rect()).marginsRemoved(kShadowRoom);
  const QSizeF size = capsuleSize();
  return {std::round(inner.center().x() - size.width() / 2), std::round(inner.center().y() - size.height() / 2),
          size.width(), size.height()};
}

QPainterPath QuickLookButton::hitShape() const {
  const QRectF capsule = capsuleRect();
  return Fx::continuousRoundedRect(capsule, capsule.height() / 2);
}

QColor QuickLookButton::foreground() const {
  return primaryColor(environment(), lerp(0.75, 0.95, unitClamped(hoverProgress())));
}

QColor QuickLookButton::tint() const {
  return primaryColor(environment(), lerp(0.07, 0.1, unitClamped(hoverProgress())));
}

AccessibilityInfo QuickLookButton::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::Button;
  info.name = QString::fromLatin1(kHelp);
  info.press = [this] { const_cast<QuickLookButton*>(this)->openQuickLook(); };
  return info;
}

void QuickLookButton::openQuickLook() { qv::openQuickLook(services_, localFileUrl(props_.path)); }

void QuickLookButton::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton && hits(event->position());
  event->accept();
}

void QuickLookButton::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = pressed_ && event->button() == Qt::LeftButton && hits(event->position());
  pressed_ = false;
  event->accept();
  // The path is read now: the file shown is the one the button stands for at the press.
  if (click) openQuickLook();
}

void QuickLookButton::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  const Metrics& m = metrics();
  const QRectF capsule = capsuleRect();
  const double radius = capsule.height() / 2;
  const QPainterPath shape = Fx::continuousRoundedRect(capsule, radius);
  Fx::drawShadows(painter, capsule, radius, Theme::shadowLow());
  // The ultra-thin material: a light veil over what lies behind, then the primary tint.
  painter.fillPath(shape, env.isDark() ? QColor::fromRgbF(1, 1, 1, 0.08f) : QColor::fromRgbF(1, 1, 1, 0.55f));
  painter.fillPath(shape, tint());
  Fx::strokeInnerBorder(painter, capsule, radius, primaryColor(env, 0.12), kBorderWidth);

  painter.save();
  painter.setClipPath(shape);
  const QColor color = foreground();
  const QFont font = titleFont(m);
  const QFontMetricsF metrics(font);
  const double side = symbolSide();
  const double textWidth = metrics.horizontalAdvance(QString::fromLatin1(kTitle));
  double x = capsule.center().x() - (side + kSpacing + textWidth) / 2;
  painter.drawImage(QRectF(x, capsule.center().y() - side / 2, side, side),
                    Symbols::image(QStringLiteral("eye"), side, color, Fx::painterScale(painter)));
  x += side + kSpacing;
  painter.setFont(font);
  painter.setPen(color);
  painter.drawText(QRectF(x, capsule.top(), textWidth + 1, capsule.height()),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, QString::fromLatin1(kTitle));
  painter.restore();
}

}  // namespace qv
