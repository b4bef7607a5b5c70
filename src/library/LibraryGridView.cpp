#include "library/LibraryGridView.h"

#include "base/Log.h"
#include "cards/ViewServices.h"
#include "library/LibraryCard.h"
#include "library/LibraryModel.h"
#include "platform/Scheduler.h"
#include "state/PanelState.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/theme/ReduceMotion.h"
#include "ui/theme/Theme.h"
#include "ui/view/KeptPictureEffect.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace qv {

namespace {

// Cards are made this far beyond the visible part, so that a small scroll finds them ready.
constexpr double kOverscan = cardList::kCardStep;
// A press and release on the background this close together is a tap.
constexpr int kTapSlop = 6;

}  // namespace

LibraryGridView::LibraryGridView(ViewServices& context, LibraryModel& model, QWidget* parent)
    : CardHostView(context, model.state(), {false, kBlowAwayTravel}, parent),
      model_(model),
      edges_(*context.frameClock) {
  setCardFactory(std::make_unique<LibraryCardFactory>(context, model));
  setFocusPolicy(Qt::NoFocus);
  edges_.setOnChange([this] { viewport()->update(); });
  connect(&model_, &LibraryModel::keyboardScrollTargetChanged, this, &LibraryGridView::scrollToKeyboardTarget);
}

LibraryGridView::~LibraryGridView() { settle_.cancel(); }

double LibraryGridView::reach() const { return kOverscan; }

Animation LibraryGridView::changeAnimation() const { return Theme::springStandard(); }

// ---- Reading the model -----------------------------------------------------------------------

void LibraryGridView::sync() {
  const FilteredItems items = model_.filteredItems();
  std::vector<cardList::Run> runs;
  for (const LibraryDateSection& section : model_.dateSections().sections)
    runs.push_back({section.group, section.count});
  // The model hands out the same list until something changed it.
  const bool sameList = synced_ && items.sharesWith(items_);
  if (sameList && runs == runs_) {
    refreshCards();
    syncHover();
    return;
  }
  const bool countOrFirstChanged = items.size() != items_.size() ||
                                   (!items.isEmpty() && items.first().id != items_.first().id);
  Change change;
  change.listChanged = true;
  change.animated = settled_ && synced_ && countOrFirstChanged && isVisible();
  synced_ = true;
  items_ = items;
  listLetGo_ = false;
  runs_ = std::move(runs);
  relayout(change);
  scheduleDayTurn(context_.scheduler->now().toLocalTime().date());
}

void LibraryGridView::refreshCards() {
  for (auto it = realisedCards().cbegin(); it != realisedCards().cend(); ++it)
    factory_->showItem(*it.value(), items_.at(it.key()), it.key());
}

// ---- Layout ----------------------------------------------------------------------------------

void LibraryGridView::relayout(Change change) {
  layout_ = cardList::layOut(runs_, state_.collapsedGroups(), opennessValues(), cardList::gridArrangement(width()));
  if (std::exchange(loggedWidth_, width()) != width())
    qCDebug(lcApp).nospace() << "Library grid in " << layout_.arrangement.columns << " columns, " << width() << " wide";
  placeCards(change);
}

void LibraryGridView::cardsPlaced() {
  edges_.report(scroll_.value(), height(), layout_.contentHeight);
  logFirstCard();
  Q_EMIT cardsMoved();
}

// Where the first card lies in the window, whenever that changes: end-to-end tests click it.
void LibraryGridView::logFirstCard() {
  if (items_.isEmpty() || !window()) return;
  const QPointF topLeft = layout_.cardRect(0, width()).topLeft() - QPointF(0, scroll_.value());
  const QPoint at = viewport()->mapTo(window(), topLeft.toPoint());
  if (std::exchange(loggedFirstCard_, at) == at) return;
  qCDebug(lcApp).nospace() << "Library first card at " << at.x() << "," << at.y();
}

// ---- Scrolling -------------------------------------------------------------------------------

void LibraryGridView::userScrollBegan() { model_.setHoveredID(std::nullopt); }

void LibraryGridView::scrollToKeyboardTarget() {
  const std::optional<QUuid> target = model_.keyboardScrollTarget();
  if (!target) return;
  const auto found = std::find_if(items_.cbegin(), items_.cend(),
                                  [&](const ClipboardItem& item) { return item.id == *target; });
  if (found == items_.cend()) return;
  const QRectF card = layout_.cardRect(int(found - items_.cbegin()), width());
  animateScroll(card.center().y() - height() / 2.0,
                settled_ ? context_.reduceMotion->unlessReduced(Theme::springStandard()) : std::nullopt);
}

// ---- Events ----------------------------------------------------------------------------------

void LibraryGridView::resizeEvent(QResizeEvent* event) {
  CardHostView::resizeEvent(event);
  // A width that fits another number of columns moves every card; a height shows more or fewer.
  relayout();
}

void LibraryGridView::showEvent(QShowEvent* event) {
  CardHostView::showEvent(event);
  if (everShown_) return;
  everShown_ = true;
  settle_ = context_.scheduler->after(
      kSettleSeconds, [this] { settled_ = true; }, this);
}

// A library off screen keeps its cards and section headers, not their pictures: they are made
// again in the first frames after it shows.
void LibraryGridView::hideEvent(QHideEvent* event) {
  CardHostView::hideEvent(event);
  for (QGraphicsItem* item : scene_.items())
    if (auto* kept = qobject_cast<KeptPictureEffect*>(item->graphicsEffect())) kept->letGo();
}

void LibraryGridView::mousePressEvent(QMouseEvent* event) {
  CardHostView::mousePressEvent(event);
  if (event->isAccepted() || event->button() != Qt::LeftButton) return;
  // Nothing in the scene took it: the background.
  backgroundPress_ = event->position().toPoint();
  event->accept();
}

void LibraryGridView::mouseReleaseEvent(QMouseEvent* event) {
  CardHostView::mouseReleaseEvent(event);
  const std::optional<QPoint> press = std::exchange(backgroundPress_, std::nullopt);
  if (!press || event->button() != Qt::LeftButton) return;
  if ((event->position().toPoint() - *press).manhattanLength() <= kTapSlop) model_.clearSelectionAndDetail();
  event->accept();
}

void LibraryGridView::paintEvent(QPaintEvent* event) {
  ++paintCount_;
  QPainter painter(viewport());
  // The view's own hints: a lifted card scales its cached content, which must be filtered.
  painter.setRenderHints(renderHints());
  const QRectF exposed = QRectF(event->rect()).intersected(viewport()->rect());
  const double h = viewport()->height();
  const std::vector<FadeStop> stops = libraryGridFadeStops(h, edges_.top(), edges_.bottom());
  // The fading bands at the edges are masked off screen; everything between is drawn as is.
  const double topBand = std::ceil(stops[4].location * h);
  const double bottomBand = std::floor(stops[5].location * h);
  const QRectF middle = exposed.intersected(QRectF(0, topBand, viewport()->width(), bottomBand - topBand));
  if (!middle.isEmpty()) scene_.render(&painter, middle, middle.translated(0, scroll_.value()));
  if (topBand <= 0 && bottomBand >= h) return;
  paintFadedBand(painter, exposed.intersected(QRectF(0, 0, viewport()->width(), topBand)), stops, bands_[0]);
  paintFadedBand(painter, exposed.intersected(QRectF(0, bottomBand, viewport()->width(), h - bottomBand)), stops,
                 bands_[1]);
}

void LibraryGridView::paintFadedBand(QPainter& painter, const QRectF& band, const std::vector<FadeStop>& stops,
                                     FadedBand& kept) {
  const QRect pixels = band.toAlignedRect();
  if (pixels.isEmpty()) return;
  // At the scale of what it is painted into (a picture of the grid may have its own, which the
  // painter's device, this widget, does not tell), so that the cards in the band are drawn at the
  // scale they are drawn at elsewhere, from the same kept layers. The image and its mask are
  // kept for the next frame (the band is painted on every frame of a transition).
  const double dpr = Fx::painterScale(painter);
  const QSize size = pixels.size() * dpr;
  const auto sized = [&](QImage& image) {
    if (image.size() == size && image.devicePixelRatio() == dpr) return false;
    image = QImage(size, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    return true;
  };
  if (sized(kept.mask) || kept.maskPixels != pixels || kept.maskStops != stops) {
    kept.mask.fill(Qt::transparent);
    QPainter mask(&kept.mask);
    mask.translate(-pixels.topLeft());
    mask.fillRect(QRectF(pixels), fadeGradient(QPointF(0, 0), QPointF(0, viewport()->height()), stops));
    kept.maskPixels = pixels;
    kept.maskStops = stops;
  }
  sized(kept.image);
  kept.image.fill(Qt::transparent);
  QPainter offscreen(&kept.image);
  offscreen.setRenderHints(renderHints());
  offscreen.translate(-pixels.topLeft());
  const QRectF area(pixels);
  scene_.render(&offscreen, area, area.translated(0, scroll_.value()));
  offscreen.resetTransform();
  offscreen.setCompositionMode(QPainter::CompositionMode_DestinationIn);
  offscreen.drawImage(QPointF(0, 0), kept.mask);
  offscreen.end();
  painter.drawImage(pixels.topLeft(), kept.image);
}

}  // namespace qv
