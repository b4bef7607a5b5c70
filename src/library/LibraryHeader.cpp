#include "library/LibraryHeader.h"

#include "library/LibraryEdges.h"
#include "ui/InterfaceServices.h"
#include "ui/anim/Transaction.h"
#include "ui/theme/ReduceMotion.h"

#include <QGraphicsEffect>
#include <QHBoxLayout>
#include <QPainter>
#include <QScopedValueRollback>
#include <QWheelEvent>
#include <cmath>

namespace qv {

namespace {

// The header row and its strip, between capsules (their widgets' growth room taken back).
constexpr int kRowPaddingH = 16;
constexpr int kRowPaddingV = 10;
constexpr int kRowSpacing = 12 - int(kGrowthRoom);
constexpr double kStripSpacing = 6 - 2 * kGrowthRoom;
// The strip's 2 points above and below its tabs are the tabs' own growth room.
constexpr double kStripPaddingV = 2 - kGrowthRoom;

}  // namespace

// ---- The tab strip ---------------------------------------------------------------------------

// Masks a whole widget, children included, with a horizontal fade given in its coordinates.
class EdgeFadeEffect : public QGraphicsEffect {
 public:
  using QGraphicsEffect::QGraphicsEffect;
  void setMask(const QLinearGradient& mask) {
    mask_ = mask;
    update();
  }

 protected:
  void draw(QPainter* painter) override {
    QPoint offset;
    const QPixmap source = sourcePixmap(Qt::LogicalCoordinates, &offset, QGraphicsEffect::NoPad);
    if (source.isNull()) return;
    QImage image = source.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(source.devicePixelRatio());
    QPainter masking(&image);
    masking.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    masking.translate(-offset);
    masking.fillRect(QRectF(offset, image.deviceIndependentSize()), mask_);
    masking.end();
    painter->drawImage(offset, image);
  }

 private:
  QLinearGradient mask_;
};

// Holds the row of tabs and shows as much of it as fits, scrolled sideways by the wheel; its
// edges fade where tabs lie beyond them.
class TabStrip : public QWidget {
 public:
  TabStrip(QWidget* row, QWidget* parent) : QWidget(parent), row_(row) {
    row_->setParent(this);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // The whole strip is masked, and only while a fade shows.
    mask_ = new EdgeFadeEffect(this);
    mask_->setEnabled(false);
    setGraphicsEffect(mask_);
    // The row resizes itself as it lays its tabs out.
    row_->installEventFilter(this);
  }
  QWidget* row() const { return row_; }
  double offset() const { return offset_; }
  TabStripFades fades() const { return fades_; }
  QSize sizeHint() const override { return QSize(row_->sizeHint().width(), row_->sizeHint().height()); }
  QSize minimumSizeHint() const override { return QSize(0, row_->sizeHint().height()); }
  // The row changed its size.
  void rowChanged() {
    updateGeometry();
    place();
  }
  void scrollBy(double delta) {
    offset_ += delta;
    place();
  }

 protected:
  void resizeEvent(QResizeEvent*) override { place(); }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == row_ && event->type() == QEvent::Resize && !placing_) {
      updateGeometry();
      place();
    }
    return false;
  }
  void wheelEvent(QWheelEvent* event) override {
    const QPoint pixels = event->pixelDelta();
    const QPoint angle = event->angleDelta();
    const double delta = !pixels.isNull() ? (pixels.x() != 0 ? pixels.x() : pixels.y())
                                          : (angle.x() != 0 ? angle.x() : angle.y()) / 120.0 * 40;
    scrollBy(-delta);
    event->accept();
  }

 private:
  void place() {
    const QScopedValueRollback guard(placing_, true);
    const QSize size = row_->sizeHint();
    offset_ = std::clamp(offset_, 0.0, std::max(0.0, double(size.width() - width())));
    row_->setGeometry(int(-std::round(offset_)), (height() - size.height()) / 2, size.width(), size.height());
    const TabStripFades fades = tabStripFades(offset_, size.width(), width());
    if (fades == fades_ && maskWidth_ == width()) return;
    fades_ = fades;
    maskWidth_ = width();
    mask_->setMask(fadeGradient(QPointF(0, 0), QPointF(width(), 0), tabStripFadeStops(width(), fades)));
    mask_->setEnabled(fades.leading || fades.trailing);
  }

  QWidget* row_;
  EdgeFadeEffect* mask_;
  double offset_ = 0;
  TabStripFades fades_;
  int maskWidth_ = -1;
  bool placing_ = false;
};

// Lays the tabs and pills out left to right, each `kStripSpacing` apart and centred in the row's
// height; with an animation each one glides from where it stood to its new place.
class TabRow : public QWidget {
 public:
  TabRow(FrameClock& clock, QWidget* parent) : QWidget(parent), clock_(clock) {}
  QSize sizeHint() const override { return size_; }

  // `items` in order; those not listed keep where they are (a pill on its way out).
  void arrange(const std::vector<QWidget*>& items, const std::optional<Animation>& animation) {
    int height = 0;
    for (QWidget* item : items) height = std::max(height, item->sizeHint().height());
    double x = 0;
    std::vector<Slot> placed;
    for (QWidget* item : items) {
      const QSize size = item->sizeHint();
      item->resize(size);
      const int y = int(std::round(kStripPaddingV + (height - size.height()) / 2.0));
      auto found = std::find_if(slots_.begin(), slots_.end(), [item](const Slot& slot) { return slot.widget == item; });
      Slot slot;
      if (found != slots_.end()) {
        slot = std::move(*found);
        slots_.erase(found);
        slot.x->animateTo(x, animation);
      } else {
        slot.widget = item;
        slot.x = std::make_unique<Animated<double>>(clock_, x);
      }
      slot.y = y;
      QPointer<QWidget> widget = item;
      Animated<double>* at = slot.x.get();
      slot.x->setOnChange([widget, at, y] {
        if (widget) widget->move(int(std::round(at->value())), y);
      });
      item->move(int(std::round(slot.x->value())), y);
      placed.push_back(std::move(slot));
      x += size.width() + kStripSpacing;
    }
    slots_ = std::move(placed);
    size_ = QSize(int(std::ceil(std::max(0.0, x - kStripSpacing))), int(std::ceil(height + 2 * kStripPaddingV)));
    resize(size_);
  }

 private:
  struct Slot {
    QPointer<QWidget> widget;
    std::unique_ptr<Animated<double>> x;
    int y = 0;
  };
  FrameClock& clock_;
  std::vector<Slot> slots_;
  QSize size_;
};

// ---- LibraryHeaderView -----------------------------------------------------------------------

LibraryHeaderView::LibraryHeaderView(InterfaceServices& context, QWidget* parent) : QWidget(parent), context_(context) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(kRowPaddingH, kRowPaddingV, kRowPaddingH, kRowPaddingV);
  row->setSpacing(kRowSpacing);
  search_ = new LibrarySearchPill(context, this);
  row->addWidget(search_, 0, Qt::AlignVCenter);
  tabRow_ = new TabRow(*context.frameClock, nullptr);
  strip_ = new TabStrip(tabRow_, this);
  add_ = new LibraryIconPill(context, tabRow_);
  add_->setProps({QStringLiteral("plus"), QStringLiteral("New category")}, {});
  // The row has its height before the first props come: whoever lays the header out in the
  // meantime gets its final height.
  tabRow_->arrange({add_}, std::nullopt);
  row->addWidget(strip_, 1, Qt::AlignVCenter);
}

LibraryHeaderView::~LibraryHeaderView() = default;

double LibraryHeaderView::tabsOffset() const { return strip_->offset(); }
TabStripFades LibraryHeaderView::tabsFades() const { return strip_->fades(); }
void LibraryHeaderView::scrollTabs(double delta) { strip_->scrollBy(delta); }

void LibraryHeaderView::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  const bool changed = !hasProps_ || !(props == props_);
  hasProps_ = true;
  props_ = props;
  // The controls take callbacks that read this view's latest ones when they run.
  search_->setProps({props_.query, props_.filterAccented}, {[this](const QString& text) {
                                                              if (const auto onQueryChange = callbacks_.onQueryChange)
                                                                onQueryChange(text);
                                                            },
                                                            [this] {
                                                              if (const auto onFilterButton = callbacks_.onFilterButton)
                                                                onFilterButton();
                                                            },
                                                            [this] {
                                                              if (const auto onSearchFocus = callbacks_.onSearchFocus)
                                                                onSearchFocus();
                                                            }});
  if (changed) applyTabs();
}

void LibraryHeaderView::applyTabs() {
  while (tabs_.size() < props_.tabs.size()) {
    auto* tab = new LibraryScopeTab(context_, tabRow_);
    tab->show();
    tabs_.push_back(tab);
  }
  while (tabs_.size() > props_.tabs.size()) {
    delete tabs_.back();
    tabs_.pop_back();
  }
  int pencilAfter = -1;
  for (size_t i = 0; i < tabs_.size(); ++i) {
    const Tab& tab = props_.tabs[i];
    const QString icon = tab.scope.kind == LibraryScope::Kind::pinned ? QStringLiteral("pin.fill") : QString();
    tabs_[i]->setProps({tab.title, tab.count, icon, tab.dot, tab.selected}, {[this, i] {
                         const auto onSelectScope = callbacks_.onSelectScope;
                         if (i < props_.tabs.size() && onSelectScope) onSelectScope(LibraryScope(props_.tabs[i].scope));
                       }});
    if (tab.selected && props_.editableCategory && tab.scope.isCategory(*props_.editableCategory)) pencilAfter = int(i);
  }
  syncPencil(pencilAfter);
  add_->setProps({QStringLiteral("plus"), QStringLiteral("New category")}, {[this] {
                   if (const auto onNewCategory = callbacks_.onNewCategory) onNewCategory();
                 }});
  // The tabs glide to their new places with the change that moved them (a new scope).
  const bool reduced = context_.reduceMotion && context_.reduceMotion->isEnabled();
  const std::optional<Animation> glide = isVisible() && !reduced ? Transaction::current().animation : std::nullopt;
  std::vector<QWidget*> order(tabs_.begin(), tabs_.end());
  if (pencil_) order.insert(order.begin() + pencilAfter + 1, pencil_);
  order.push_back(add_);
  tabRow_->arrange(order, glide);
  strip_->rowChanged();
}

// The pencil stands right after the selected category's tab. Another category's pencil is
// another pencil: the old one fades out where it stood while the new one comes in.
void LibraryHeaderView::syncPencil(int after) {
  const std::optional<QUuid> category = after >= 0 ? props_.editableCategory : std::nullopt;
  const std::optional<Animation> animation = isVisible() ? Transaction::current().animation : std::nullopt;
  if (category != pencilCategory_ && pencil_) {
    QPointer<LibraryIconPill> leaving = pencil_;
    pencil_ = nullptr;
    leaving->disappear(animation, [leaving] {
      if (leaving) leaving->deleteLater();
    });
  }
  pencilCategory_ = category;
  if (!category) return;
  if (!pencil_) {
    pencil_ = new LibraryIconPill(context_, tabRow_);
    pencil_->show();
    pencil_->appear(animation);
  }
  pencil_->setProps({QStringLiteral("pencil"),
                     QStringLiteral("Edit \u201C") + props_.editableCategoryName + QStringLiteral("\u201D")},
                    {[this] {
                      const auto onEditCategory = callbacks_.onEditCategory;
                      if (props_.editableCategory && onEditCategory) onEditCategory(QUuid(*props_.editableCategory));
                    }});
}

// ---- Filter surface placement ---------------------------------------------------------------

QPointF libraryFilterSurfacePosition(const QRectF& anchor, double surfaceWidth, double containerWidth) {
  constexpr double kEdgeRoom = 12;
  constexpr double kGapBelow = 6;
  double x = anchor.left();
  if (surfaceWidth > 0 && containerWidth > 0)
    x = std::min(std::max(containerWidth - surfaceWidth - kEdgeRoom, kEdgeRoom), std::max(anchor.left(), kEdgeRoom));
  return {x, anchor.bottom() + kGapBelow};
}

}  // namespace qv
