#include "panel/DotsMenuRailView.h"

#include "state/PanelState.h"
#include "ui/InterfaceServices.h"
#include "ui/Translucency.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"
#include "ui/theme/Theme.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QHoverEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace qv {

namespace {

constexpr double kRowPaddingH = 8;
constexpr double kRowPaddingV = 6;
constexpr double kRowRadius = 10;
constexpr double kIconFrame = 16;
constexpr double kIconGap = 9;

const QFont& rowFont() {
  static const QFont font = systemFont(12, QFont::Medium);
  return font;
}

}  // namespace

DotsMenuRailView::DotsMenuRailView(InterfaceServices& context, PanelState& state, QWidget* parent)
    : PaintedWidget(context, parent), state_(state) {
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  for (auto& hover : rowHover_) {
    hover = std::make_unique<Animated<double>>(*context.frameClock, 0.0);
    hover->setOnChange([this] { update(); });
  }
  resize(sizeHint());
}

void DotsMenuRailView::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  if (props == props_) return;
  props_ = props;
  update();
}

void DotsMenuRailView::perform(PanelQuickAction action) {
  PanelState& state = state_;
  const auto closeThen = [this, &state](auto hook) {
    state.setShowDotsMenu(false);
    context().scheduler->post([&state, hook] { (state.*hook)()(); }, &state);
  };
  switch (action) {
    case PanelQuickAction::library: closeThen(&PanelState::showLibraryAction); break;
    case PanelQuickAction::settings: closeThen(&PanelState::openSettingsAction); break;
    case PanelQuickAction::welcome: closeThen(&PanelState::showOnboardingAction); break;
    case PanelQuickAction::pauseResume:
      state.toggleMonitoringAction()();
      state.setShowDotsMenu(false);
      break;
    case PanelQuickAction::clearAll:
      state.clearAllAction()();
      state.setShowDotsMenu(false);
      break;
    case PanelQuickAction::quit:
      if (const auto onQuit = callbacks_.onQuit) onQuit();
      break;
  }
}

double DotsMenuRailView::rowHeight() { return std::ceil(QFontMetricsF(rowFont()).height()) + 2 * kRowPaddingV; }

QRectF DotsMenuRailView::surfaceRect() const {
  const int rows = int(kAllPanelQuickActions.size());
  return QRectF(kShadowRoom, kShadowRoom, kWidth,
                std::ceil(2 * kPadding + rows * rowHeight() + (rows - 1) * kRowSpacing));
}

QRectF DotsMenuRailView::rowRect(int index) const {
  const QRectF surface = surfaceRect();
  return QRectF(surface.left() + kPadding, surface.top() + kPadding + index * (rowHeight() + kRowSpacing),
                kWidth - 2 * kPadding, rowHeight());
}

QSize DotsMenuRailView::sizeHint() const {
  return surfaceRect().adjusted(-kShadowRoom, -kShadowRoom, kShadowRoom, kShadowRoom).size().toSize();
}

QPainterPath DotsMenuRailView::hitShape() const { return Fx::continuousRoundedRect(surfaceRect(), kCornerRadius); }

AccessibilityInfo DotsMenuRailView::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::PopupMenu;
  info.name = QStringLiteral("Quick actions");
  return info;
}

int DotsMenuRailView::rowAt(const QPointF& point) const {
  for (int i = 0; i < int(kAllPanelQuickActions.size()); ++i)
    if (Fx::continuousRoundedRect(rowRect(i), kRowRadius).contains(point)) return i;
  return -1;
}

void DotsMenuRailView::setHoveredRow(int row) {
  if (row == hoveredRow_) return;
  hoveredRow_ = row;
  const bool reduce = environment().reduceMotion;
  for (int i = 0; i < int(rowHover_.size()); ++i) {
    const double target = i == row ? 1.0 : 0.0;
    if (reduce) rowHover_[size_t(i)]->jumpTo(target);
    else rowHover_[size_t(i)]->animateTo(target, Theme::springSnappy());
  }
}

void DotsMenuRailView::hoverChanged(bool hovered) {
  if (!hovered) setHoveredRow(-1);
}

bool DotsMenuRailView::event(QEvent* event) {
  if (event->type() == QEvent::HoverEnter || event->type() == QEvent::HoverMove)
    setHoveredRow(rowAt(static_cast<QHoverEvent*>(event)->position()));
  return PaintedWidget::event(event);
}

void DotsMenuRailView::mousePressEvent(QMouseEvent* event) {
  pressedRow_ = event->button() == Qt::LeftButton ? rowAt(event->position()) : -1;
  event->accept();
}

void DotsMenuRailView::mouseReleaseEvent(QMouseEvent* event) {
  const int row = rowAt(event->position());
  const bool click = pressedRow_ >= 0 && row == pressedRow_ && event->button() == Qt::LeftButton;
  pressedRow_ = -1;
  event->accept();
  if (click) perform(kAllPanelQuickActions[size_t(row)]);
}

void DotsMenuRailView::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  const QRectF bounds = surfaceRect();
  const QPainterPath surface = Fx::continuousRoundedRect(bounds, kCornerRadius);
  painter.setRenderHint(QPainter::Antialiasing);
  Fx::drawShadows(painter, bounds, kCornerRadius, Theme::shadowLow());
  Translucency::paintBackground(painter, surface, Material::menu, env, props_.translucency);
  Fx::strokeInnerBorder(
      painter, bounds, kCornerRadius,
      Fx::linearGradient(bounds, {0, 0}, {0, 1},
                         {{0, QColor::fromRgbF(1, 1, 1, 0.18f)}, {1, QColor::fromRgbF(1, 1, 1, 0.03f)}}),
      0.5);

  const double dpr = painter.device()->devicePixelRatioF();
  const QColor highlight = env.isDark()
                               ? QColor::fromRgbF(0.403921568627451f, 0.43137254901960786f, 0.8980392156862745f, 0.6f)
                               : withAlpha(Theme::accent(), 0.22);
  painter.setFont(rowFont());
  for (int i = 0; i < int(kAllPanelQuickActions.size()); ++i) {
    const PanelQuickAction action = kAllPanelQuickActions[size_t(i)];
    const QRectF row = rowRect(i);
    const double h = unitClamped(rowHover_[size_t(i)]->value());
    if (h > 0.001)
      painter.fillPath(Fx::continuousRoundedRect(row, kRowRadius), withAlpha(highlight, h * highlight.alphaF()));
    const QRectF content = row.adjusted(kRowPaddingH, kRowPaddingV, -kRowPaddingH, -kRowPaddingV);
    const QImage icon = Symbols::image(quickActionSymbol(action, props_.isMonitoringPaused), 12,
                                       primaryColor(env, lerp(0.55, 0.85, h)), dpr);
    if (!icon.isNull()) {
      const QSizeF size = icon.deviceIndependentSize();
      painter.drawImage(
          QPointF(content.left() + (kIconFrame - size.width()) / 2, content.center().y() - size.height() / 2), icon);
    }
    painter.setPen(primaryColor(env, lerp(0.65, 0.9, h)));
    const QRectF title = content.adjusted(kIconFrame + kIconGap, -kRowPaddingV, 0, kRowPaddingV);
    painter.drawText(title, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     QFontMetricsF(rowFont()).elidedText(quickActionTitle(action, props_.isMonitoringPaused),
                                                         Qt::ElideRight, title.width()));
  }
}

}  // namespace qv
