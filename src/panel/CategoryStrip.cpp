#include "panel/CategoryStrip.h"

#include "ui/InterfaceServices.h"
#include "ui/anim/Transaction.h"
#include "ui/controls/CategoryDot.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"
#include "ui/text/Fonts.h"
#include "ui/theme/Theme.h"

#include <QFontMetricsF>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <set>

namespace qv {

namespace {
constexpr double kPillHeight = 24;
constexpr double kPillPadding = 10;
constexpr double kSpacing = 6;
constexpr double kRowPaddingH = 12;
constexpr double kButtonSize = 24;
constexpr double kContentSpacing = 5;
constexpr double kIconSize = 9;
constexpr double kDotSize = 9;

// How much a part grows under the pointer: a pill (active or not) by 6 %, a round button by 8 %.
double hoverScale(CategoryStripView::PartKind kind, double hover) {
  return 1 + (kind == CategoryStripView::PartKind::pill ? 0.06 : 0.08) * hover;
}

QFont pillFont() { return systemFont(11, QFont::DemiBold); }

double pillWidth(const CategoryStripView::Pill& pill) {
  double width = QFontMetricsF(pillFont()).horizontalAdvance(pill.title);
  if (!pill.icon.isEmpty()) width += kIconSize + 2 + kContentSpacing;
  if (pill.dot) width += kDotSize + kContentSpacing;
  return std::ceil(width + 2 * kPillPadding);
}
}  // namespace

const QUuid& CategoryStripView::allPillID() {
  static const QUuid id = QUuid::createUuid();
  return id;
}

const QUuid& CategoryStripView::pinnedPillID() {
  static const QUuid id = QUuid::createUuid();
  return id;
}

QUuid CategoryStripView::pillIDFor(const FilterType& filter) {
  if (filter.kind == FilterType::Kind::custom) return filter.categoryID;
  if (filter.kind == FilterType::Kind::pinned) return pinnedPillID();
  return allPillID();
}

CategoryStripView::Slot::Slot(FrameClock& clock, double startX)
    : x(clock, startX), presence(clock, 1), hover(clock, 0), active(clock, 0) {}

CategoryStripView::CategoryStripView(InterfaceServices& context, Props props, Callbacks callbacks, QWidget* parent)
    : PaintedWidget(context, parent),
      props_(std::move(props)),
      callbacks_(std::move(callbacks)),
      scroll_(*context.frameClock) {
  scroll_.setOnChange([this] { update(); });
  setMouseTracking(true);
  setFixedHeight(int(kHeight));
  layoutParts();
  syncSlots(false);
}

void CategoryStripView::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  if (props == props_) return;
  const bool activeCategoryMoved = props.pencilCategory != props_.pencilCategory;
  props_ = props;
  layoutParts();
  syncSlots(activeCategoryMoved);
  setScrollX(scrollX());
  update();
}

QString CategoryStripView::partKey(const Props& props, const Part& part) {
  switch (part.kind) {
    case PartKind::pill: return props.pills[part.pill].id.toString();
    case PartKind::pencil: return QStringLiteral("pencil:") + props.pills[part.pill].id.toString();
    case PartKind::plus: return QStringLiteral("plus");
  }
  return {};
}

void CategoryStripView::syncSlots(bool activeCategoryMoved) {
  const bool reduced = environment().reduceMotion;
  FrameClock& clock = *context().frameClock;
  // The row slides aside with the standard spring when the pencil moves to another pill; other
  // changes follow the change's own animation.
  const std::optional<Animation> slide = activeCategoryMoved ? std::optional(Theme::springStandard())
                                                             : Transaction::current().animation;
  const auto snappy = reduced ? std::nullopt : std::optional(Theme::springSnappy());
  std::set<QString> present;
  for (int index = 0; index < int(parts_.size()); ++index) {
    const Part& part = parts_[index];
    const QString key = partKey(props_, part);
    present.insert(key);
    auto& slot = slots_[key];
    const bool created = !slot;
    const bool arriving = created || slot->presence.target() == 0;
    if (created) {
      slot = std::make_unique<Slot>(clock, part.rect.left());
      for (Animated<double>* value : {&slot->x, &slot->presence, &slot->hover, &slot->active})
        value->setOnChange([this] { update(); });
      if (slide) slot->presence.jumpTo(0);
    }
    slot->kind = part.kind;
    if (part.kind != PartKind::plus) slot->pill = props_.pills[part.pill];
    slot->width = part.rect.width();
    slot->order = index;
    if (arriving) slot->presence.animateTo(1, slide);
    slot->x.animateTo(part.rect.left(), reduced ? std::nullopt : slide);
    const double active = part.kind == PartKind::pill && slot->pill.isActive ? 1 : 0;
    if (active != slot->active.target()) {
      if (created) slot->active.jumpTo(active);
      else slot->active.animateTo(active, snappy);
    }
  }
  for (auto it = slots_.begin(); it != slots_.end();) {
    Slot& slot = *it->second;
    if (present.count(it->first)) {
      ++it;
    } else if (slot.presence.value() <= 0.001 && !slot.presence.isAnimating()) {
      it = slots_.erase(it);  // gone for good
    } else {
      if (slot.presence.target() != 0) slot.presence.animateTo(0, slide);
      slot.order = int(parts_.size());
      ++it;
    }
  }
}

std::optional<CategoryStripView::PartLook> CategoryStripView::partLook(const QString& key) const {
  const auto it = slots_.find(key);
  if (it == slots_.end()) return std::nullopt;
  const Slot& slot = *it->second;
  const double height = slot.kind == PartKind::pill ? kPillHeight : kButtonSize;
  return PartLook{QRectF(slot.x.value(), (kHeight - height) / 2, slot.width, height), slot.presence.value(),
                  slot.hover.value(), slot.active.value(), hoverScale(slot.kind, slot.hover.value())};
}

void CategoryStripView::setHovered(const QString& key) {
  if (key == hovered_) return;
  const bool reduced = environment().reduceMotion;
  for (const auto& [slotKey, slot] : slots_) {
    const double target = slotKey == key ? 1 : 0;
    if (reduced) slot->hover.jumpTo(target);
    else slot->hover.animateTo(target, Theme::springSnappy());
  }
  hovered_ = key;
  setCursor(key.isEmpty() ? Qt::ArrowCursor : Qt::PointingHandCursor);
}

void CategoryStripView::layoutParts() {
  parts_.clear();
  double x = kRowPaddingH;
  const double y = (kHeight - kPillHeight) / 2;
  for (int index = 0; index < int(props_.pills.size()); ++index) {
    const Pill& pill = props_.pills[index];
    const double width = pillWidth(pill);
    parts_.push_back({PartKind::pill, index, QRectF(x, y, width, kPillHeight)});
    x += width + kSpacing;
    if (props_.pencilCategory && pill.id == *props_.pencilCategory) {
      parts_.push_back({PartKind::pencil, index, QRectF(x, y, kButtonSize, kButtonSize)});
      x += kButtonSize + kSpacing;
    }
  }
  parts_.push_back({PartKind::plus, -1, QRectF(x, y, kButtonSize, kButtonSize)});
  contentWidth_ = x + kButtonSize + kRowPaddingH;
}

double CategoryStripView::maxScroll() const { return std::max(0.0, contentWidth_ - width()); }

void CategoryStripView::setScrollX(double x) { scroll_.jumpTo(std::clamp(x, 0.0, maxScroll())); }

bool CategoryStripView::showsTrailingFade() const {
  return width() + 1 < contentWidth_ && scrollX() < contentWidth_ - width() - 2;
}

std::optional<double> CategoryStripView::scrollTarget(const QUuid& pillID) const {
  for (const Part& part : parts_)
    if (part.kind == PartKind::pill && props_.pills[part.pill].id == pillID)
      return std::clamp(part.rect.center().x() - width() / 2.0, 0.0, maxScroll());
  return std::nullopt;
}

void CategoryStripView::scrollToPill(const QUuid& pillID) {
  const auto target = scrollTarget(pillID);
  if (!target) return;
  if (environment().reduceMotion) scroll_.jumpTo(*target);
  else scroll_.animateTo(*target, Theme::springStandard());
}

void CategoryStripView::resizeEvent(QResizeEvent*) { setScrollX(scrollX()); }

int CategoryStripView::partAt(QPointF at) const {
  const QPointF content = at + QPointF(scrollX(), 0);
  for (int index = 0; index < int(parts_.size()); ++index)
    if (parts_[index].rect.contains(content)) return index;
  return -1;
}

void CategoryStripView::mouseMoveEvent(QMouseEvent* event) {
  const int part = partAt(event->position());
  setHovered(part >= 0 ? partKey(props_, parts_[part]) : QString());
}

void CategoryStripView::leaveEvent(QEvent*) {
  setHovered({});
  unsetCursor();
}

void CategoryStripView::wheelEvent(QWheelEvent* event) {
  const QPoint delta = event->pixelDelta().isNull() ? event->angleDelta() / 4 : event->pixelDelta();
  setScrollX(scrollX() - (delta.x() != 0 ? delta.x() : delta.y()));
  event->accept();
}

bool CategoryStripView::event(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return PaintedWidget::event(event);
  auto* help = static_cast<QHelpEvent*>(event);
  const int index = partAt(help->pos());
  // Only the round buttons have help text; a pill says what it is.
  const QString text = index >= 0 && parts_[index].kind != PartKind::pill ? partName(parts_[index]) : QString();
  if (text.isEmpty()) QToolTip::hideText();
  else QToolTip::showText(help->globalPos(), text, this);
  return true;
}

void CategoryStripView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int index = partAt(event->position());
  if (index >= 0) activate(parts_[index]);
}

QString CategoryStripView::partName(const Part& part) const {
  switch (part.kind) {
    case PartKind::pill: return props_.pills[part.pill].title;
    case PartKind::pencil: return props_.pencilHelp;
    case PartKind::plus: return QStringLiteral("New category");
  }
  return {};
}

void CategoryStripView::activate(const Part& part) const {
  switch (part.kind) {
    case PartKind::pill:
      if (const auto onPill = callbacks_.onPill) onPill(props_.pills[part.pill]);
      break;
    case PartKind::pencil:
      if (const auto onPencil = callbacks_.onPencil) onPencil(props_.pills[part.pill].id);
      break;
    case PartKind::plus:
      if (const auto onPlus = callbacks_.onPlus) onPlus();
      break;
  }
}

void CategoryStripView::paintPill(QPainter& painter, const Slot& slot) const {
  const EnvironmentValues env = environment();
  const Pill& pill = slot.pill;
  const bool dark = env.isDark();
  const double hover = unitClamped(slot.hover.value());
  const double active = unitClamped(slot.active.value());
  const QRectF rect(slot.x.value(), (kHeight - kPillHeight) / 2, slot.width, kPillHeight);
  painter.save();
  painter.setOpacity(unitClamped(slot.presence.value()));
  const QPointF centre = rect.center();
  const double scale = hoverScale(slot.kind, slot.hover.value());
  painter.translate(centre);
  painter.scale(scale, scale);
  painter.translate(-centre);
  const QPainterPath capsule = Fx::continuousRoundedRect(rect, kPillHeight / 2);
  // The plain look (the material, a faint ink in the light appearance, the hover wash and a
  // hairline inside the edge) and the accent fill cross over as the pill turns active.
  if (active < 1) {
    const double plain = 1 - active;
    painter.fillPath(capsule, withAlpha(ultraThinMaterialVeil(env), ultraThinMaterialVeil(env).alphaF() * plain));
    if (!dark) painter.fillPath(capsule, primaryColor(env, 0.06 * plain));
    painter.fillPath(capsule, primaryColor(env, 0.1 * hover * plain));
    Fx::strokeInnerBorder(painter, rect, kPillHeight / 2, primaryColor(env, (dark ? 0.1 : 0.16) * plain), 0.5);
  }
  if (active > 0) painter.fillPath(capsule, withAlpha(Theme::accent(), active));
  const QColor plainInk = primaryColor(env, lerp(dark ? 0.6 : 0.78, 0.95, hover));
  const QColor ink = mixColors(plainInk, QColor(Qt::white), active);
  double x = rect.left() + kPillPadding;
  if (!pill.icon.isEmpty()) {
    const QImage icon = Symbols::image(pill.icon, kIconSize, ink, devicePixelRatioF());
    const QSizeF size = QSizeF(icon.size()) / icon.devicePixelRatio();
    painter.drawImage(QRectF(QPointF(x, centre.y() - size.height() / 2), size), icon);
    x += kIconSize + 2 + kContentSpacing;
  }
  if (pill.dot) {
    CategoryDot{.color = *pill.dot, .onAccent = active > 0.5, .size = kDotSize, .width = std::nullopt}.paint(
        painter, QRectF(x, centre.y() - kDotSize / 2, kDotSize, kDotSize));
    x += kDotSize + kContentSpacing;
  }
  painter.setFont(pillFont());
  painter.setPen(ink);
  painter.drawText(QRectF(x, rect.top(), rect.right() - x, kPillHeight), Qt::AlignLeft | Qt::AlignVCenter, pill.title);
  painter.restore();
}

void CategoryStripView::paintRoundButton(QPainter& painter, const Slot& slot) const {
  const EnvironmentValues env = environment();
  const double hover = unitClamped(slot.hover.value());
  const double presence = unitClamped(slot.presence.value());
  const QRectF rect(slot.x.value(), (kHeight - kButtonSize) / 2, kButtonSize, kButtonSize);
  painter.save();
  painter.setOpacity(presence);
  // The pencil grows in from 0.7 at its leading edge (only fades while motion is reduced).
  if (slot.kind == PartKind::pencil && !env.reduceMotion) {
    const QPointF leading(rect.left(), rect.center().y());
    const double grow = lerp(0.7, 1, presence);
    painter.translate(leading);
    painter.scale(grow, grow);
    painter.translate(-leading);
  }
  const QPointF centre = rect.center();
  const double scale = hoverScale(slot.kind, slot.hover.value());
  painter.translate(centre);
  painter.scale(scale, scale);
  painter.translate(-centre);
  painter.setPen(Qt::NoPen);
  painter.setBrush(primaryColor(env, lerp(0.06, 0.1, hover)));
  painter.drawEllipse(rect);
  const QImage glyph = Symbols::image(slot.kind == PartKind::plus ? QStringLiteral("plus") : QStringLiteral("pencil"),
                                      10, primaryColor(env, lerp(0.55, 0.85, hover)), devicePixelRatioF());
  const QSizeF size = QSizeF(glyph.size()) / glyph.devicePixelRatio();
  painter.drawImage(QRectF(centre - QPointF(size.width() / 2, size.height() / 2), size), glyph);
  painter.restore();
}

void CategoryStripView::paint(QPainter& painter) {
  painter.setRenderHint(QPainter::Antialiasing);
  // The row draws on its own layer so the edge fades can erase through it.
  QImage layer(size() * devicePixelRatioF(), QImage::Format_ARGB32_Premultiplied);
  layer.setDevicePixelRatio(devicePixelRatioF());
  layer.fill(Qt::transparent);
  {
    QPainter row(&layer);
    row.setRenderHint(QPainter::Antialiasing);
    row.translate(-scrollX(), 0);
    // Leaving parts first, under those that stay.
    std::vector<const Slot*> order;
    for (const auto& [key, slot] : slots_) order.push_back(slot.get());
    std::stable_sort(order.begin(), order.end(), [](const Slot* a, const Slot* b) { return a->order > b->order; });
    for (const Slot* slot : order) {
      if (slot->presence.value() <= 0.001) continue;
      if (slot->kind == PartKind::pill) paintPill(row, *slot);
      else paintRoundButton(row, *slot);
    }
    row.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    row.resetTransform();
    QLinearGradient mask(0, 0, width(), 0);
    const double fade = std::min(0.5, kFadeWidth / std::max(1, width()));
    mask.setColorAt(0, showsLeadingFade() ? Qt::transparent : Qt::black);
    mask.setColorAt(fade, Qt::black);
    mask.setColorAt(1 - fade, Qt::black);
    mask.setColorAt(1, showsTrailingFade() ? Qt::transparent : Qt::black);
    row.fillRect(rect(), mask);
  }
  painter.drawImage(QPointF(0, 0), layer);
}

AccessibilityInfo CategoryStripView::accessibility() const {
  AccessibilityInfo info;
  info.name = QStringLiteral("Categories");
  return info;
}

std::vector<AccessiblePart> CategoryStripView::accessibleParts() const {
  std::vector<AccessiblePart> result;
  for (const Part& part : parts_) {
    AccessiblePart accessible;
    accessible.rect = part.rect.translated(-scrollX(), 0);
    accessible.info.role = QAccessible::Button;
    accessible.info.name = partName(part);
    if (part.kind == PartKind::pill) {
      accessible.info.checkable = true;
      accessible.info.checked = props_.pills[part.pill].isActive;
    }
    accessible.info.press = [this, part] { activate(part); };
    result.push_back(std::move(accessible));
  }
  return result;
}

}  // namespace qv
