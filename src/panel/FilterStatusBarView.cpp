#include "panel/FilterStatusBarView.h"

#include "panel/FilterControls.h"
#include "state/PanelState.h"
#include "ui/InterfaceServices.h"
#include "ui/Translucency.h"
#include "ui/anim/Transaction.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/theme/Theme.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace qv {

namespace {

constexpr double kChipHeight = 24;
constexpr double kChipGap = 5;
constexpr double kCrossSize = 8;

const QFont& chipFont() {
  static const QFont font = systemFont(11, QFont::DemiBold);
  return font;
}

}  // namespace

// ---- FilterChipView --------------------------------------------------------------------------

FilterChipView::FilterChipView(InterfaceServices& context, Props props, Callbacks callbacks, QWidget* parent)
    : CapsuleChip(context, parent), props_(std::move(props)), callbacks_(std::move(callbacks)) {
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  resize(sizeHint());
}

void FilterChipView::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  if (props == props_) return;
  props_ = props;
  updateGeometry();
  update();
}

double FilterChipView::scale() const { return lerp(1, 1.06, hoverProgress()); }

QSize FilterChipView::sizeHint() const {
  const double text = std::ceil(QFontMetricsF(chipFont()).horizontalAdvance(props_.label));
  return QSize(int(std::ceil(text + kChipGap + kCrossSize + 2 * kPaddingH)), int(kChipHeight)).grownBy(kChipOverhang);
}

AccessibilityInfo FilterChipView::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::Button;
  info.name = QStringLiteral("Remove filter ") + props_.label;
  info.press = [this] { const_cast<FilterChipView*>(this)->tapped(); };
  return info;
}

void FilterChipView::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  const double h = hoverProgress();
  const QRectF shape = capsule();
  const double radius = shape.height() / 2;
  scaleAboutCapsule(painter, scale());
  const QPainterPath capsule = Fx::continuousRoundedRect(shape, radius);
  painter.fillPath(capsule, ultraThinMaterialVeil(env));
  painter.fillPath(capsule, primaryColor(env, 0.1 * unitClamped(h)));

  painter.setFont(chipFont());
  painter.setPen(primaryColor(env, lerp(0.6, 0.85, h)));
  const double textWidth = std::ceil(QFontMetricsF(chipFont()).horizontalAdvance(props_.label));
  painter.drawText(QRectF(shape.left() + kPaddingH, shape.top(), textWidth + 1, shape.height()),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, props_.label);
  // The cross, stroked: the theme's close icon blurs at this size.
  const QRectF cross(shape.left() + kPaddingH + textWidth + kChipGap + 1, shape.center().y() - 3, 6, 6);
  painter.setPen(QPen(primaryColor(env, lerp(0.45, 0.85, h)), 1.5, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(cross.topLeft(), cross.bottomRight());
  painter.drawLine(cross.topRight(), cross.bottomLeft());
}

// ---- ClearAllButton --------------------------------------------------------------------------

HouseButtonLook ClearAllButton::look(double hover) const {
  const EnvironmentValues env = environment();
  HouseButtonLook l;
  l.title = QStringLiteral("Clear All");
  l.font = systemFont(11, QFont::DemiBold);
  l.foreground = primaryColor(env, lerp(0.72, 1, unitClamped(hover)));
  l.paddingH = 9;
  l.paddingV = (kChipHeight - std::ceil(QFontMetricsF(l.font).height())) / 2;
  l.fill = {{0, primaryColor(env, 0.1 * unitClamped(hover))}, {1, primaryColor(env, 0.1 * unitClamped(hover))}};
  return l;
}

QMarginsF ClearAllButton::margins() const { return QMarginsF(kChipOverhang); }

// ---- FilterStatusBarView -------------------------------------------------------------------------

namespace {
// Where the chips wait while a picture of them moves: far outside the bar, laid out but unseen.
const QPoint kParked(-20000, -20000);
}  // namespace

FilterStatusBarView::FilterStatusBarView(InterfaceServices& context, PanelState& state, QWidget* parent)
    : QWidget(parent),
      context_(context),
      state_(state),
      content_(new QWidget(this)),
      flow_(new ChipFlow(6, content_)),
      presence_(*context.frameClock, 0.0) {
  flow_->setContentsMargins(12, 0, 12, 6);
  clearAll_ = new ClearAllButton(context, {}, {[this] { clearAllFilters(); }}, content_);
  QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
  presence_.setOnChange([this] { presenceChanged(); });
  for (auto changed : {&PanelState::filterTypesChanged, &PanelState::filterAppsChanged, &PanelState::filterDateChanged})
    connect(&state_, changed, this, &FilterStatusBarView::sync);
  // The items only name the chips of applications: without a filter, and with no chips left to
  // leave, a copy changes nothing here.
  connect(&state_, &PanelState::itemsChanged, this, [this] {
    if (!state_.hasActiveFilters() && !present_ && presence_.target() == 0 && !presence_.isAnimating()) return;
    sync();
  });
  sync();
}

void FilterStatusBarView::clearAllFilters() {
  withAnimation(Theme::springStandard(), [this] {
    state_.setFilterTypes({});
    state_.setFilterApps({});
    if (state_.filterDate()) state_.setFilterDate(std::nullopt);
    state_.setSelectedIndex(std::nullopt);
    state_.cancelPreviewWork();
  });
}

std::vector<FilterChipView*> FilterStatusBarView::chipViews() const {
  std::vector<FilterChipView*> views;
  for (int i = 0; i < flow_->count(); ++i)
    if (auto* chip = qobject_cast<FilterChipView*>(flow_->itemAt(i)->widget())) views.push_back(chip);
  return views;
}

int FilterStatusBarView::heightForWidth(int width) const {
  if (!present_ && presence_.target() == 0) return presence_.value() > 0 ? leavingHeight_ : 0;
  return flow_->heightForWidth(width);
}

int FilterStatusBarView::shownHeight(int width) const {
  const double p = presence_.value();
  if (p <= 0 && presence_.target() <= 0) return 0;
  const int full = heightForWidth(width);
  if (reducedMotion()) return full;
  return int(std::lround(full * std::min(1.0, p)));
}

double FilterStatusBarView::contentOffset() const {
  if (reducedMotion()) return 0;
  return -(1 - unitClamped(presence_.value())) * heightForWidth(width());
}

bool FilterStatusBarView::reducedMotion() const {
  return context_.environment && context_.environment->values().reduceMotion;
}

bool FilterStatusBarView::isMoving() const { return presence_.isAnimating() || presence_.value() < 1; }

void FilterStatusBarView::sync() {
  const QList<ActiveFilterChip> chips = state_.activeFilterChips();
  const bool present = !chips.isEmpty();
  // The row moves only within an animated change; otherwise it comes and goes at once.
  const std::optional<Animation> animation = Transaction::current().animation;
  if (present_ && !present && animation) {
    // The last chips leave as they looked (laid out at the bar's width now: a hidden bar gets its
    // resize events only once shown).
    placeContent();
    leavingHeight_ = flow_->heightForWidth(width());
    leavingPicture_ = widgetPicture(*content_);
  }
  while (QLayoutItem* item = flow_->takeAt(0)) delete item;
  QHash<QString, FilterChipView*> kept;
  for (const ActiveFilterChip& chip : chips) {
    // A chip keeps its view while others come and go; its label and clear follow the state.
    FilterChipView* view = chips_.take(chip.id);
    if (view) view->setProps({chip.label}, {chip.clear});
    else view = new FilterChipView(context_, {chip.label}, {chip.clear}, content_);
    kept.insert(chip.id, view);
    flow_->addWidget(view);
    view->show();
  }
  // Removed chips go once control is back in the event loop: one of them may be running its
  // click handler right now.
  for (FilterChipView* gone : std::as_const(chips_)) {
    gone->hide();
    gone->deleteLater();
  }
  chips_ = std::move(kept);
  const bool offersClearAll = chips.size() >= 2;
  if (offersClearAll) flow_->addWidget(clearAll_);
  clearAll_->setVisible(offersClearAll);
  present_ = present;
  if (present_) leavingPicture_ = {};
  // No filter, no bar: no room, no padding.
  const double target = present_ ? 1 : 0;
  if (presence_.target() != target || (!animation && presence_.isAnimating()))
    presence_.animateTo(target, animation, [this](bool finished) {
      if (finished) presenceChanged();  // settled: the live chips take over from their picture
    });
  flow_->invalidate();
  presenceChanged();
}

void FilterStatusBarView::presenceChanged() {
  const bool shown = presence_.value() > 0 || presence_.target() > 0;
  if (parentWidget()) setVisible(shown);
  if (!shown) leavingPicture_ = {};
  placeContent();
  updateGeometry();
  update();
  Q_EMIT shownHeightChanged();
}

void FilterStatusBarView::placeContent() {
  const QSize size(width(), flow_->heightForWidth(width()));
  content_->setGeometry(QRect(isMoving() ? kParked : QPoint(0, 0), size));
  flow_->setGeometry(QRect(QPoint(0, 0), size));
}

void FilterStatusBarView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  placeContent();
}

void FilterStatusBarView::paintEvent(QPaintEvent*) {
  if (!isMoving()) return;
  const double opacity = unitClamped(presence_.value());
  if (opacity <= 0) return;
  const QImage picture = present_ ? widgetPicture(*content_) : leavingPicture_;
  QPainter painter(this);
  painter.setOpacity(opacity);
  painter.drawImage(QPointF(0, contentOffset()), picture);
}

}  // namespace qv
