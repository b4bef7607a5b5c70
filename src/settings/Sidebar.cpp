#include "settings/Sidebar.h"

#include "settings/SettingsStyle.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"
#include "ui/theme/Theme.h"

#include <QMouseEvent>
#include <QPainter>

namespace qv {

namespace {
constexpr int kRowHeight = 29;  // 6 + a 13-point line + 6
constexpr double kHorizontalPadding = 10;
constexpr double kCornerRadius = 8;
}  // namespace

SidebarRow::SidebarRow(SettingsServices& context, Props props, Callbacks callbacks, QWidget* parent)
    : PaintedWidget(context, parent), props_(std::move(props)), callbacks_(std::move(callbacks)) {
  setFixedHeight(kRowHeight);
  setHoverEnabled(false);
  setCursor(Qt::PointingHandCursor);
  setAccessibleName(paneTitle(props_.pane));
}

void SidebarRow::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  if (props == props_) return;
  props_ = props;
  setAccessibleName(paneTitle(props_.pane));
  update();
}

AccessibilityInfo SidebarRow::accessibility() const {
  AccessibilityInfo info = PaintedWidget::accessibility();
  info.role = QAccessible::PageTab;
  info.selectable = true;
  info.selected = props_.isSelected;
  info.press = [this] { const_cast<SidebarRow*>(this)->tap(); };
  return info;
}

void SidebarRow::tap() {
  // A copy: the tap may hand this row new callbacks.
  if (const auto onTap = callbacks_.onTap) onTap();
}

void SidebarRow::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  const bool selected = props_.isSelected;
  if (selected) painter.fillPath(Fx::continuousRoundedRect(QRectF(rect()), kCornerRadius), Theme::accent());
  const QColor ink = selected ? QColor(Qt::white) : settingsStyle::primary(env);
  const QImage symbol = Symbols::image(paneSymbol(props_.pane), 14, ink, devicePixelRatioF());
  if (!symbol.isNull()) {
    const QSizeF size = QSizeF(symbol.size()) / symbol.devicePixelRatio();
    painter.drawImage(QPointF(kHorizontalPadding, (height() - size.height()) / 2), symbol);
  }
  painter.setFont(settingsStyle::font(13));
  painter.setPen(ink);
  const double textX = kHorizontalPadding + 20 + 8;
  painter.drawText(QRectF(textX, 0, width() - textX - kHorizontalPadding, height()), Qt::AlignLeft | Qt::AlignVCenter,
                   paneTitle(props_.pane));
}

void SidebarRow::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) tap();
}

QuitButton::QuitButton(SettingsServices& context, Callbacks callbacks, QWidget* parent)
    : PaintedWidget(context, parent), callbacks_(std::move(callbacks)) {
  setFixedHeight(kRowHeight);
  setAccessibleName(QString::fromLatin1(kTitle));
}

AccessibilityInfo QuitButton::accessibility() const {
  AccessibilityInfo info = PaintedWidget::accessibility();
  info.role = QAccessible::Button;
  info.press = callbacks_.onQuit;
  return info;
}

void QuitButton::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  const double hover = hoverProgress();
  painter.fillPath(Fx::continuousRoundedRect(QRectF(rect()), kCornerRadius), withAlpha(Theme::accent(), 0.1 * hover));
  QColor accentHint = Theme::accent();
  accentHint.setAlphaF(0.7f);
  const QRectF inner = QRectF(rect()).adjusted(kHorizontalPadding, 0, -kHorizontalPadding, 0);
  painter.setFont(settingsStyle::font(13));
  painter.setPen(settingsStyle::mix(settingsStyle::secondary(env), Theme::accent(), hover));
  painter.drawText(inner, Qt::AlignLeft | Qt::AlignVCenter, QString::fromLatin1(kTitle));
  painter.setFont(settingsStyle::font(11));
  painter.setPen(settingsStyle::mix(settingsStyle::secondary(env, 0.5), accentHint, hover));
  painter.drawText(inner, Qt::AlignRight | Qt::AlignVCenter, QString::fromLatin1(kHint));
}

void QuitButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && hits(event->position()) && callbacks_.onQuit) callbacks_.onQuit();
}

}  // namespace qv
