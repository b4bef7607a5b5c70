#include "panel/CategoryStrip.h"

#include "state/PanelState.h"
#include "ui/InterfaceServices.h"
#include "ui/anim/Transaction.h"
#include "ui/controls/CategoryDot.h"
#include "ui/controls/ControlStyle.h"
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

CategoryStripView::CategoryStripView(InterfaceServices& context, Props props, QWidget* parent)
    : PaintedWidget(context, parent), props_(std::move(props)), scroll_(*context.frameClock) {
  scroll_.setOnChange([this] { update(); });
  setMouseTracking(true);
  setFixedHeight(int(kHeight));
  layoutParts();
}

void CategoryStripView::setProps(const Props& props) {
  if (props == props_) return;
  props_ = props;
  layoutParts();
  setScrollX(scrollX());
  update();
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
  if (part != hovered_) {
    hovered_ = part;
    setCursor(part >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
    update();
  }
}

void CategoryStripView::leaveEvent(QEvent*) {
  hovered_ = -1;
  unsetCursor();
  update();
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
  QString text;
  if (index >= 0 && parts_[index].kind == PartKind::pencil) text = props_.pencilHelp;
  if (index >= 0 && parts_[index].kind == PartKind::plus) text = QStringLiteral("New category");
  if (text.isEmpty()) QToolTip::hideText();
  else QToolTip::showText(help->globalPos(), text, this);
  return true;
}

void CategoryStripView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int index = partAt(event->position());
  if (index < 0) return;
  const Part part = parts_[index];
  switch (part.kind) {
    case PartKind::pill:
      if (callbacks_.onPill) callbacks_.onPill(props_.pills[part.pill]);
      break;
    case PartKind::pencil:
      if (callbacks_.onPencil) callbacks_.onPencil(props_.pills[part.pill].id);
      break;
    case PartKind::plus:
      if (callbacks_.onPlus) callbacks_.onPlus();
      break;
  }
}

void CategoryStripView::paintPill(QPainter& painter, const Part& part, bool hovered) const {
  const EnvironmentValues env = environment();
  const Pill& pill = props_.pills[part.pill];
  const bool dark = env.isDark();
  painter.save();
  const QPointF centre = part.rect.center();
  const double scale = hovered && !pill.isActive ? 1.06 : 1;
  painter.translate(centre);
  painter.scale(scale, scale);
  painter.translate(-centre);
  QPainterPath capsule;
  capsule.addRoundedRect(part.rect, kPillHeight / 2, kPillHeight / 2);
  if (pill.isActive) {
    painter.fillPath(capsule, Theme::accent());
  } else {
    painter.fillPath(capsule, primaryColor(env, dark ? 0.08 : 0.06));
    if (hovered) painter.fillPath(capsule, primaryColor(env, 0.1));
    painter.strokePath(capsule.translated(0, 0), QPen(primaryColor(env, dark ? 0.1 : 0.16), 0.5));
  }
  const QColor ink = pill.isActive ? QColor(Qt::white) : primaryColor(env, hovered ? 0.95 : (dark ? 0.6 : 0.78));
  double x = part.rect.left() + kPillPadding;
  if (!pill.icon.isEmpty()) {
    const QImage icon = Symbols::image(pill.icon, kIconSize, ink, devicePixelRatioF());
    const QSizeF size = QSizeF(icon.size()) / icon.devicePixelRatio();
    painter.drawImage(QRectF(QPointF(x, centre.y() - size.height() / 2), size), icon);
    x += kIconSize + 2 + kContentSpacing;
  }
  if (pill.dot) {
    CategoryDot{.color = *pill.dot, .onAccent = pill.isActive, .size = kDotSize, .width = std::nullopt}.paint(
        painter, QRectF(x, centre.y() - kDotSize / 2, kDotSize, kDotSize));
    x += kDotSize + kContentSpacing;
  }
  painter.setFont(pillFont());
  painter.setPen(ink);
  painter.drawText(QRectF(x, part.rect.top(), part.rect.right() - x, kPillHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   pill.title);
  painter.restore();
}

void CategoryStripView::paintRoundButton(QPainter& painter, const Part& part, bool hovered) const {
  const EnvironmentValues env = environment();
  painter.save();
  const QPointF centre = part.rect.center();
  const double scale = hovered ? 1.08 : 1;
  painter.translate(centre);
  painter.scale(scale, scale);
  painter.translate(-centre);
  painter.setPen(Qt::NoPen);
  painter.setBrush(primaryColor(env, hovered ? 0.1 : 0.06));
  painter.drawEllipse(part.rect);
  const QImage glyph = Symbols::image(part.kind == PartKind::plus ? QStringLiteral("plus") : QStringLiteral("pencil"),
                                      10, primaryColor(env, hovered ? 0.85 : 0.55), devicePixelRatioF());
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
    for (int index = 0; index < int(parts_.size()); ++index) {
      const Part& part = parts_[index];
      if (part.kind == PartKind::pill) paintPill(row, part, index == hovered_);
      else paintRoundButton(row, part, index == hovered_);
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

CategoryStripView::Props categoryStripProps(const PanelState& state) {
  CategoryStripView::Props props;
  const FilterType active = state.activeFilter();
  props.pills.push_back(
      {CategoryStripView::allPillID(), QStringLiteral("All"), {}, std::nullopt, active.kind == FilterType::Kind::all});
  props.pills.push_back({CategoryStripView::pinnedPillID(), QStringLiteral("Pinned"), QStringLiteral("pin.fill"),
                         std::nullopt, active.kind == FilterType::Kind::pinned});
  for (const CustomCategory& category : state.customCategories()) {
    const bool isActive = active.isCustom(category.id);
    props.pills.push_back({category.id, category.name, {}, state.colorForCategory(category), isActive});
    if (isActive) {
      props.pencilCategory = category.id;
      props.pencilHelp = QStringLiteral("Edit “%1”").arg(category.name);
    }
  }
  return props;
}

void connectCategoryStrip(CategoryStripView& strip, PanelState& state) {
  auto refresh = [&strip, &state] { strip.setProps(categoryStripProps(state)); };
  QObject::connect(&state, &PanelState::customCategoriesChanged, &strip, refresh);
  QObject::connect(&state, &PanelState::editingCategoryFormIDChanged, &strip, refresh);
  QObject::connect(&state, &PanelState::previewCategoryColorIndexChanged, &strip, refresh);
  QObject::connect(&state, &PanelState::activeFilterChanged, &strip, [&strip, &state, refresh] {
    refresh();
    strip.scrollToPill(CategoryStripView::pillIDFor(state.activeFilter()));
  });
  strip.setCallbacks({
      .onPill =
          [&state](const CategoryStripView::Pill& pill) {
            withAnimation(Theme::springStandard(), [&] {
              if (pill.id == CategoryStripView::allPillID()) {
                state.setActiveFilter(FilterType::all());
                state.setSelectedIndex(std::nullopt);
                state.cancelPreviewWork();
              } else if (pill.id == CategoryStripView::pinnedPillID()) {
                state.toggleBadgeFilter(BadgeFilter::pinned());
              } else {
                state.toggleBadgeFilter(BadgeFilter::ofCategory(pill.id));
              }
            });
          },
      .onPencil =
          [&state](const QUuid& categoryID) {
            withAnimation(Theme::springSnappy(), [&] {
              if (state.editingCategoryFormID() == categoryID) state.closeCategoryForm();
              else state.openCategoryForm(categoryID, FilterSurface::panel);
            });
          },
      .onPlus = [&state] { state.requestNewCategoryForm(FilterSurface::panel); },
  });
  refresh();
}

}  // namespace qv
