#include "settings/Sidebar.h"

#include "settings/SettingsStyle.h"
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

SidebarRow::SidebarRow(SettingsServices& context, AppPane pane, std::function<void(AppPane)> onTap, QWidget* parent)
    : PaintedWidget(context, parent), pane_(pane), onTap_(std::move(onTap)) {
  setFixedHeight(kRowHeight);
  setHoverEnabled(false);
  setCursor(Qt::PointingHandCursor);
  setAccessibleName(paneTitle(pane));
}

void SidebarRow::setSelected(bool selected) {
  if (selected == selected_) return;
  selected_ = selected;
  update();
}

AccessibilityInfo SidebarRow::accessibility() const {
  AccessibilityInfo info = PaintedWidget::accessibility();
  info.role = QAccessible::PageTab;
  info.selectable = true;
  info.selected = selected_;
  info.press = [this] {
    if (onTap_) onTap_(pane_);
  };
  return info;
}

void SidebarRow::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  if (selected_) painter.fillPath(Fx::continuousRoundedRect(QRectF(rect()), kCornerRadius), Theme::accent());
  const QColor ink = selected_ ? QColor(Qt::white) : settingsStyle::primary(env);
  const QImage symbol = Symbols::image(paneSymbol(pane_), 14, ink, devicePixelRatioF());
  if (!symbol.isNull()) {
    const QSizeF size = QSizeF(symbol.size()) / symbol.devicePixelRatio();
    painter.drawImage(QPointF(kHorizontalPadding, (height() - size.height()) / 2), symbol);
  }
  painter.setFont(settingsStyle::font(13));
  painter.setPen(ink);
  const double textX = kHorizontalPadding + 20 + 8;
  painter.drawText(QRectF(textX, 0, width() - textX - kHorizontalPadding, height()), Qt::AlignLeft | Qt::AlignVCenter,
                   paneTitle(pane_));
}

void SidebarRow::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && onTap_) onTap_(pane_);
}

QuitButton::QuitButton(SettingsServices& context, std::function<void()> action, QWidget* parent)
    : PaintedWidget(context, parent), action_(std::move(action)) {
  setFixedHeight(kRowHeight);
  setAccessibleName(QString::fromLatin1(kTitle));
}

AccessibilityInfo QuitButton::accessibility() const {
  AccessibilityInfo info = PaintedWidget::accessibility();
  info.role = QAccessible::Button;
  info.press = action_;
  return info;
}

void QuitButton::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  const double hover = hoverProgress();
  QColor background = Theme::accent();
  background.setAlphaF(float(0.1 * hover));
  painter.fillPath(Fx::continuousRoundedRect(QRectF(rect()), kCornerRadius), background);
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
  if (event->button() == Qt::LeftButton && hits(event->position()) && action_) action_();
}

}  // namespace qv
