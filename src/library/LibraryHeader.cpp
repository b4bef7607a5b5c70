#include "library/LibraryHeader.h"

#include "base/Log.h"
#include "library/LibraryEdges.h"
#include "panel/SearchBarView.h"
#include "ui/InterfaceServices.h"
#include "ui/anim/Transaction.h"
#include "ui/controls/CategoryDot.h"
#include "ui/controls/ControlStyle.h"
#include "ui/controls/TextInput.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"
#include "ui/text/NumericText.h"
#include "ui/theme/ReduceMotion.h"
#include "ui/theme/Theme.h"

#include <QFontMetricsF>
#include <QGraphicsEffect>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QWheelEvent>
#include <cmath>

namespace qv {

namespace {

// Scope tabs.
constexpr double kTabPaddingH = 10;
constexpr double kTabPaddingV = 5;
constexpr double kTabSpacing = 5;
constexpr double kTabMarkSize = 9;
constexpr double kTabHoverScale = 1.04;
// Icon pills.
constexpr double kPillSymbol = 11;
constexpr double kPillPaddingH = 9;
constexpr double kPillPaddingV = 6;
// The search capsule.
constexpr double kSearchPaddingH = 9;
constexpr double kSearchPaddingV = 5;
constexpr double kSearchSpacing = 6;
constexpr double kFieldHeight = 16;
constexpr double kSearchFontSize = 12;
constexpr double kMagnifierSize = 12;
constexpr double kClearSize = 11;
constexpr double kFilterSize = 12;
constexpr double kClearEnterScale = 0.8;
constexpr double kFilterHoverScale = 1.15;
// The header row and its strip, between capsules (their widgets' growth room taken back).
constexpr int kRowPaddingH = 16;
constexpr int kRowPaddingV = 10;
constexpr int kRowSpacing = 12 - int(kGrowthRoom);
constexpr double kStripSpacing = 6 - 2 * kGrowthRoom;
// The strip's 2 points above and below its tabs are the tabs' own growth room.
constexpr double kStripPaddingV = 2 - kGrowthRoom;

QFont tabLabelFont(bool selected) { return systemFont(12, selected ? QFont::DemiBold : QFont::Normal); }
QFont tabCountFont() { return systemFont(11); }

QPainterPath capsule(const QRectF& rect) { return Fx::continuousRoundedRect(rect, rect.height() / 2); }

}  // namespace

// ---- LibraryScopeTab -------------------------------------------------------------------------

LibraryScopeTab::LibraryScopeTab(InterfaceServices& context, QWidget* parent)
    : HouseButtonWith(context, {}, {}, parent),
      countPresence_(*context.frameClock, 0.0),
      selection_(*context.frameClock, 0.0),
      count_(*context.frameClock) {
  // The library's keys (Space, arrows) are never a tab's.
  setFocusPolicy(Qt::NoFocus);
  selection_.setOnChange([this] { update(); });
  count_.setOnChange([this] { update(); });
  countPresence_.setOnChange([this] {
    if (countPresence_.value() <= 0.001 && props_.count < 1 && shownCount_ != 0) {
      // Faded out: the count gives its room back.
      shownCount_ = 0;
      updateGeometry();
    }
    update();
  });
}

void LibraryScopeTab::setProps(const Props& props, Callbacks callbacks) {
  const bool first = !std::exchange(hasProps_, true);
  const bool hadCount = props_.count >= 1;
  HouseButtonWith::setProps(props, std::move(callbacks));
  const bool hasCount = props_.count >= 1;
  // Inside the change's own animation, else the standard spring; at once out of sight.
  std::optional<Animation> animation = Transaction::current().animation;
  if (!animation) animation = Theme::springStandard();
  if (first || !isVisible()) animation.reset();
  // The accent fill comes and goes with the change that picked the scope.
  selection_.animateTo(props_.isSelected ? 1 : 0, first ? std::nullopt : Transaction::current().animation);
  if (hasCount) {
    shownCount_ = props_.count;
    // A number that changes rolls; one that appears or leaves does not.
    const bool reduced = context().reduceMotion && context().reduceMotion->isEnabled();
    count_.setText(QString::number(shownCount_), hadCount ? animation : std::nullopt, reduced);
  }
  if (first) {
    countPresence_.jumpTo(hasCount ? 1 : 0);
    if (!hasCount) shownCount_ = 0;
    updateGeometry();
    return;
  }
  if (hasCount == hadCount) {
    updateGeometry();
    return;
  }
  if (!animation) animation = Theme::springStandard();
  countPresence_.animateTo(hasCount ? 1 : 0, animation);
  updateGeometry();
}

double LibraryScopeTab::countScale() const {
  if (context().reduceMotion && context().reduceMotion->isEnabled()) return 1;
  return lerp(kCountEnterScale, 1, countPresence_.value());
}

void LibraryScopeTab::moveEvent(QMoveEvent* event) {
  HouseButton::moveEvent(event);
  logFrame();
}

void LibraryScopeTab::resizeEvent(QResizeEvent* event) {
  HouseButton::resizeEvent(event);
  logFrame();
}

void LibraryScopeTab::showEvent(QShowEvent* event) {
  HouseButton::showEvent(event);
  logFrame();
}

void LibraryScopeTab::logFrame() const {
  // Where the tab lies in its window, for end-to-end tests that click it.
  if (!lcApp().isDebugEnabled() || !isVisible()) return;
  const QPoint at = mapTo(window(), QPoint());
  qCDebug(lcApp).noquote() << QStringLiteral("Library tab \u201C%1\u201D at %2,%3 %4x%5")
                                  .arg(props_.label)
                                  .arg(at.x())
                                  .arg(at.y())
                                  .arg(width())
                                  .arg(height());
}

double LibraryScopeTab::contentWidth() const {
  const QFontMetricsF label(tabLabelFont(props_.isSelected));
  double width = std::ceil(label.horizontalAdvance(props_.label));
  if (!props_.icon.isEmpty() || props_.dot.isValid()) width += kTabMarkSize + kTabSpacing;
  if (shownCount_ >= 1)
    width += kTabSpacing + std::ceil(monospacedDigitsWidth(tabCountFont(), QString::number(shownCount_)));
  return width;
}

HouseButtonLook LibraryScopeTab::look(double hover) const {
  const EnvironmentValues env = environment();
  const bool selected = props_.isSelected;
  HouseButtonLook l;
  l.title = props_.label;
  l.font = tabLabelFont(selected);
  l.foreground = textColor();
  l.paddingH = kTabPaddingH;
  l.paddingV = kTabPaddingV;
  l.labelWidth = contentWidth();
  const double chosen = unitClamped(selection_.value());
  const QColor fill = mixColors(primaryColor(env, lerp(0.06, 0.1, unitClamped(hover))), Theme::accent(), chosen);
  l.fill = {{0, fill}, {1, fill}};
  l.border = primaryColor(env, 0.12 * (1 - chosen));
  l.borderWidth = 0.5;
  // Only an unselected tab grows under the pointer.
  l.scale = selected ? 1.0 : lerp(1.0, kTabHoverScale, hover);
  return l;
}

QColor LibraryScopeTab::textColor() const {
  return mixColors(primaryColor(environment(), props_.count > 0 ? 0.75 : 0.45), QColor(Qt::white),
                   unitClamped(selection_.value()));
}

AccessibilityInfo LibraryScopeTab::accessibility() const {
  AccessibilityInfo info = HouseButton::accessibility();
  info.role = QAccessible::PageTab;
  info.name = props_.label;
  info.value = props_.count >= 1 ? QString::number(props_.count) : QString();
  info.focusable = false;
  info.selectable = true;
  info.selected = props_.isSelected;
  return info;
}

void LibraryScopeTab::paint(QPainter& painter) {
  const HouseButtonLook l = currentLook();
  const EnvironmentValues env = environment();
  const bool selected = props_.isSelected;
  const QRectF box = capsuleRect();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.translate(box.center());
  painter.scale(l.scale, l.scale);
  painter.translate(-box.center());
  painter.fillPath(capsule(box), l.fill.front().color);
  if (l.border.alphaF() > 0) {
    painter.setPen(QPen(l.border, l.borderWidth));
    painter.drawPath(capsule(box.adjusted(0.25, 0.25, -0.25, -0.25)));
  }
  double x = box.left() + kTabPaddingH;
  const double midY = box.center().y();
  const double scaleFactor = Fx::painterScale(painter);
  if (!props_.icon.isEmpty()) {
    painter.drawImage(QRectF(x, midY - kTabMarkSize / 2, kTabMarkSize, kTabMarkSize),
                      Symbols::image(props_.icon, kTabMarkSize, l.foreground, scaleFactor));
    x += kTabMarkSize + kTabSpacing;
  } else if (props_.dot.isValid()) {
    CategoryDot{props_.dot, selected, kTabMarkSize, std::nullopt}.paint(
        painter, QRectF(x, midY - kTabMarkSize / 2, kTabMarkSize, kTabMarkSize));
    x += kTabMarkSize + kTabSpacing;
  }
  const double labelWidth = std::ceil(QFontMetricsF(l.font).horizontalAdvance(props_.label));
  painter.setFont(l.font);
  painter.setPen(l.foreground);
  painter.drawText(QRectF(x, box.top(), labelWidth + 1, box.height()), Qt::AlignLeft | Qt::AlignVCenter, props_.label);
  x += labelWidth;
  const double presence = unitClamped(countPresence_.value());
  if (shownCount_ >= 1 && presence > 0) {
    x += kTabSpacing;
    const QFont font = tabCountFont();
    const QRectF countBox(x, box.top(), count_.width(font), box.height());
    painter.save();
    painter.setOpacity(painter.opacity() * presence);
    const double scale = countScale();
    painter.translate(countBox.center());
    painter.scale(scale, scale);
    painter.translate(-countBox.center());
    count_.draw(painter, font, countBox,
                mixColors(primaryColor(env, 0.45), QColor::fromRgbF(1, 1, 1, 0.7f), unitClamped(selection_.value())));
    painter.restore();
  }
}

// ---- LibraryIconPill -------------------------------------------------------------------------

LibraryIconPill::LibraryIconPill(InterfaceServices& context, QWidget* parent)
    : HouseButtonWith(context, {}, {}, parent), presence_(*context.frameClock, 1.0) {
  setFocusPolicy(Qt::NoFocus);
  presence_.setOnChange([this] { update(); });
}

void LibraryIconPill::appear(const std::optional<Animation>& animation) {
  setAttribute(Qt::WA_TransparentForMouseEvents, false);
  if (animation) presence_.jumpTo(0);
  presence_.animateTo(1, animation);
}

void LibraryIconPill::disappear(const std::optional<Animation>& animation, std::function<void()> onGone) {
  setAttribute(Qt::WA_TransparentForMouseEvents, true);
  presence_.animateTo(0, animation, [onGone = std::move(onGone)](bool finished) {
    if (finished && onGone) onGone();
  });
  if (!animation && onGone) onGone();
}

double LibraryIconPill::presenceScale() const {
  if (context().reduceMotion && context().reduceMotion->isEnabled()) return 1;
  return lerp(kEnterScale, 1, presence_.value());
}

void LibraryIconPill::setProps(const Props& props, Callbacks callbacks) {
  HouseButtonWith::setProps(props, std::move(callbacks));
  setToolTip(props_.help);
  setAccessibleName(props_.help);
}

HouseButtonLook LibraryIconPill::look(double hover) const {
  const EnvironmentValues env = environment();
  const double h = unitClamped(hover);
  HouseButtonLook l;
  l.title = props_.help;
  l.symbol = props_.symbol;
  l.font = systemFont(kPillSymbol, QFont::Medium);
  l.foreground = primaryColor(env, lerp(0.5, 0.85, h));
  l.paddingH = kPillPaddingH;
  l.paddingV = kPillPaddingV;
  // The label is the symbol alone.
  l.labelWidth = kPillSymbol + 2;
  const QColor fill = primaryColor(env, lerp(0.06, 0.12, h));
  l.fill = {{0, fill}, {1, fill}};
  l.scale = lerp(1.0, 1.04, hover);
  return l;
}

AccessibilityInfo LibraryIconPill::accessibility() const {
  AccessibilityInfo info = HouseButton::accessibility();
  info.name = props_.help;
  info.focusable = false;
  return info;
}

void LibraryIconPill::paint(QPainter& painter) {
  const HouseButtonLook l = currentLook();
  const QRectF box = capsuleRect();
  painter.setRenderHint(QPainter::Antialiasing);
  // Coming and going: faded, and grown from its leading edge.
  const double presence = unitClamped(presence_.value());
  if (presence <= 0) return;
  painter.setOpacity(painter.opacity() * presence);
  const QPointF leading(box.left(), box.center().y());
  const double grown = presenceScale();
  painter.translate(leading);
  painter.scale(grown, grown);
  painter.translate(-leading);
  painter.translate(box.center());
  painter.scale(l.scale, l.scale);
  painter.translate(-box.center());
  painter.fillPath(capsule(box), l.fill.front().color);
  const double side = kPillSymbol + 2;
  painter.drawImage(QRectF(box.center().x() - side / 2, box.center().y() - side / 2, side, side),
                    Symbols::image(props_.symbol, side, l.foreground, Fx::painterScale(painter)));
}

// ---- LibrarySearchPill -----------------------------------------------------------------------

LibrarySearchPill::LibrarySearchPill(InterfaceServices& context, QWidget* parent)
    : PaintedWidget(context, parent),
      field_(new QVTextField(context, QStringLiteral("Search"), kSearchFontSize, this)),
      clear_(new SearchBarButton(
          context, QStringLiteral("Clear search"),
          [this](const SearchBarButton&) {
            const double presence = clearPresence_.value();
            const bool reduced = this->context().reduceMotion->isEnabled();
            return SearchBarButton::Look{QStringLiteral("xmark.circle.fill"),
                                         kClearSize,
                                         labelColor(environment(), LabelLevel::tertiary),
                                         reduced ? 1 : lerp(kClearEnterScale, 1, presence),
                                         unitClamped(presence),
                                         0,
                                         {}};
          },
          // Every control reads the callbacks of the latest props when it is used.
          [this] {
            if (const auto onQueryChange = callbacks_.onQueryChange) onQueryChange(QString());
          },
          this)),
      filter_(new SearchBarButton(
          context, QStringLiteral("Filter by type, app, category or date"),
          [this](const SearchBarButton& button) {
            return SearchBarButton::Look{
                QStringLiteral("line.3.horizontal.decrease"),
                kFilterSize,
                searchFilterColor(environment(), props_.filterAccented ? 1 : 0, button.isHovered() ? 1 : 0),
                lerp(1, kFilterHoverScale, button.hoverProgress()),
                1,
                0,
                {}};
          },
          [this] {
            if (const auto onFilterButton = callbacks_.onFilterButton) onFilterButton();
          },
          this)),
      clearPresence_(*context.frameClock, 0.0) {
  setObjectName(QStringLiteral("LibrarySearchCapsule"));
  setHoverEnabled(false);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  filter_->setToolTip(QStringLiteral("Filter by type, app, category or date"));
  field_->setFixedHeight(int(kFieldHeight));
  clearPresence_.setOnChange([this] {
    clear_->setVisible(clearPresence_.value() > 0.001);
    clear_->update();
  });
  clear_->setVisible(false);
  layoutParts();
}

LibrarySearchPill::~LibrarySearchPill() = default;

void LibrarySearchPill::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  if (hasProps_ && props == props_) return;
  const bool first = !std::exchange(hasProps_, true);
  const Props old = std::exchange(props_, props);
  // The field takes callbacks that read this capsule's latest ones when the user types.
  field_->setProps(
      first || props_.query != field_->props().text ? QVTextField::Props{props_.query, 0, 0, false} : field_->props(),
      {[this](const QString& text) {
         if (const auto onQueryChange = callbacks_.onQueryChange) onQueryChange(text);
       },
       {},
       {}});
  if (first) {
    clearPresence_.jumpTo(props_.query.isEmpty() ? 0 : 1);
  } else if (props_.query.isEmpty() != old.query.isEmpty()) {
    if (!props_.query.isEmpty()) clear_->setVisible(true);
    clearPresence_.animateTo(props_.query.isEmpty() ? 0 : 1, Theme::springSnappy());
  }
  layoutParts();
  filter_->update();
}

QSize LibrarySearchPill::sizeHint() const {
  return QSize(int(kWidth), int(std::ceil(kFieldHeight + 2 * kSearchPaddingV)));
}

void LibrarySearchPill::layoutParts() {
  const QRectF box = rect();
  const double midY = box.center().y();
  auto iconBox = [midY](double x, double size) { return QRectF(x, midY - size / 2, size, size).toAlignedRect(); };
  const double filterSide = kFilterSize + 2, clearSide = kClearSize + 2;
  double right = box.right() - kSearchPaddingH - filterSide;
  filter_->setGeometry(iconBox(right, filterSide));
  right -= kSearchSpacing;
  // The field gives the clear button its room only while there is a query.
  if (!props_.query.isEmpty()) {
    right -= clearSide;
    clear_->setGeometry(iconBox(right, clearSide));
    right -= kSearchSpacing;
  } else {
    clear_->setGeometry(iconBox(right - clearSide, clearSide));
  }
  const double left = box.left() + kSearchPaddingH + kMagnifierSize + 2 + kSearchSpacing;
  field_->setGeometry(QRectF(left, midY - kFieldHeight / 2, std::max(0.0, right - left), kFieldHeight).toAlignedRect());
}

void LibrarySearchPill::resizeEvent(QResizeEvent* event) {
  PaintedWidget::resizeEvent(event);
  layoutParts();
}

void LibrarySearchPill::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  const QRectF box = QRectF(rect());
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillPath(capsule(box), primaryColor(env, 0.07));
  const double side = kMagnifierSize + 2;
  const QRectF magnifier(box.left() + kSearchPaddingH, box.center().y() - side / 2, side, side);
  painter.drawImage(magnifier, Symbols::image(QStringLiteral("magnifyingglass"), side,
                                              labelColor(env, LabelLevel::secondary), Fx::painterScale(painter)));
}

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
