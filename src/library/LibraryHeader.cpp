#include "library/LibraryHeader.h"

#include "base/Log.h"
#include "panel/SearchBarView.h"
#include "ui/InterfaceServices.h"
#include "ui/controls/CategoryDot.h"
#include "ui/controls/ControlStyle.h"
#include "ui/controls/TextInput.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"
#include "ui/theme/ReduceMotion.h"
#include "ui/theme/Theme.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
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
// Room around a capsule for its hover growth.
constexpr double kGrowthRoom = 2;
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
// The header row and its strip.
constexpr int kRowPaddingH = 16;
constexpr int kRowPaddingV = 10;
constexpr int kRowSpacing = 12;
constexpr int kStripSpacing = 6;
constexpr int kStripPaddingV = 2;

QFont tabLabelFont(bool selected) { return systemFont(12, selected ? QFont::DemiBold : QFont::Normal); }
QFont tabCountFont() { return systemFont(11); }

QPainterPath capsule(const QRectF& rect) { return Fx::continuousRoundedRect(rect, rect.height() / 2); }

}  // namespace

// ---- LibraryHeaderButton ---------------------------------------------------------------------

void LibraryHeaderButton::click() { triggered(); }

void LibraryHeaderButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && hits(event->position())) event->accept();
  else event->ignore();
}

void LibraryHeaderButton::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() == Qt::LeftButton && hits(event->position())) triggered();
}

// ---- LibraryScopeTab -------------------------------------------------------------------------

LibraryScopeTab::LibraryScopeTab(InterfaceServices& context, QWidget* parent) : LibraryHeaderButton(context, parent) {
  setFocusPolicy(Qt::NoFocus);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void LibraryScopeTab::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  if (props == props_) return;
  props_ = props;
  updateGeometry();
  update();
}

void LibraryScopeTab::moveEvent(QMoveEvent* event) {
  LibraryHeaderButton::moveEvent(event);
  logFrame();
}

void LibraryScopeTab::resizeEvent(QResizeEvent* event) {
  LibraryHeaderButton::resizeEvent(event);
  logFrame();
}

void LibraryScopeTab::showEvent(QShowEvent* event) {
  LibraryHeaderButton::showEvent(event);
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

void LibraryScopeTab::triggered() {
  // A copy: the call may hand the tab new props and callbacks.
  if (const auto onTap = callbacks_.onTap) onTap();
}

QSizeF LibraryScopeTab::capsuleSize() const {
  const QFontMetricsF label(tabLabelFont(props_.isSelected));
  double width = std::ceil(label.horizontalAdvance(props_.label));
  if (!props_.icon.isEmpty() || props_.dot.isValid()) width += kTabMarkSize + kTabSpacing;
  if (props_.count >= 1)
    width += kTabSpacing + std::ceil(QFontMetricsF(tabCountFont()).horizontalAdvance(QString::number(props_.count)));
  return {width + 2 * kTabPaddingH, std::ceil(label.height()) + 2 * kTabPaddingV};
}

QSize LibraryScopeTab::sizeHint() const {
  const QSizeF size = capsuleSize();
  return QSize(int(std::ceil(size.width() + 2 * kGrowthRoom)), int(std::ceil(size.height() + 2 * kGrowthRoom)));
}

QRectF LibraryScopeTab::capsuleRect() const {
  const QSizeF size = capsuleSize();
  return {(width() - size.width()) / 2, (height() - size.height()) / 2, size.width(), size.height()};
}

QPainterPath LibraryScopeTab::hitShape() const { return capsule(capsuleRect()); }

QColor LibraryScopeTab::textColor() const {
  if (props_.isSelected) return Qt::white;
  return primaryColor(environment(), props_.count > 0 ? 0.75 : 0.45);
}

AccessibilityInfo LibraryScopeTab::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::PageTab;
  info.name = props_.label;
  info.value = props_.count >= 1 ? QString::number(props_.count) : QString();
  info.selectable = true;
  info.selected = props_.isSelected;
  info.press = [this] { const_cast<LibraryScopeTab*>(this)->triggered(); };
  return info;
}

void LibraryScopeTab::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  const bool selected = props_.isSelected;
  const QRectF box = capsuleRect();
  painter.setRenderHint(QPainter::Antialiasing);
  // Only an unselected tab grows under the pointer.
  const double scale = selected ? 1.0 : lerp(1.0, kTabHoverScale, hoverProgress());
  painter.translate(box.center());
  painter.scale(scale, scale);
  painter.translate(-box.center());
  const QPainterPath shape = capsule(box);
  if (selected) {
    painter.fillPath(shape, Theme::accent());
  } else {
    painter.fillPath(shape, primaryColor(env, lerp(0.06, 0.1, unitClamped(hoverProgress()))));
    painter.setPen(QPen(primaryColor(env, 0.12), 0.5));
    painter.drawPath(capsule(box.adjusted(0.25, 0.25, -0.25, -0.25)));
  }
  const QColor ink = textColor();
  double x = box.left() + kTabPaddingH;
  const double midY = box.center().y();
  const double scaleFactor = Fx::painterScale(painter);
  if (!props_.icon.isEmpty()) {
    painter.drawImage(QRectF(x, midY - kTabMarkSize / 2, kTabMarkSize, kTabMarkSize),
                      Symbols::image(props_.icon, kTabMarkSize, ink, scaleFactor));
    x += kTabMarkSize + kTabSpacing;
  } else if (props_.dot.isValid()) {
    CategoryDot{props_.dot, selected, kTabMarkSize, std::nullopt}.paint(
        painter, QRectF(x, midY - kTabMarkSize / 2, kTabMarkSize, kTabMarkSize));
    x += kTabMarkSize + kTabSpacing;
  }
  const QFont labelFont = tabLabelFont(selected);
  const double labelWidth = std::ceil(QFontMetricsF(labelFont).horizontalAdvance(props_.label));
  painter.setFont(labelFont);
  painter.setPen(ink);
  painter.drawText(QRectF(x, box.top(), labelWidth + 1, box.height()), Qt::AlignLeft | Qt::AlignVCenter, props_.label);
  x += labelWidth;
  if (props_.count >= 1) {
    x += kTabSpacing;
    const QString count = QString::number(props_.count);
    painter.setFont(tabCountFont());
    painter.setPen(selected ? QColor::fromRgbF(1, 1, 1, 0.7f) : primaryColor(env, 0.45));
    painter.drawText(QRectF(x, box.top(), box.right() - x, box.height()), Qt::AlignLeft | Qt::AlignVCenter, count);
  }
}

// ---- LibraryIconPill -------------------------------------------------------------------------

LibraryIconPill::LibraryIconPill(InterfaceServices& context, QWidget* parent) : LibraryHeaderButton(context, parent) {
  setFocusPolicy(Qt::NoFocus);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void LibraryIconPill::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  if (props == props_) return;
  props_ = props;
  setToolTip(props_.help);
  setAccessibleName(props_.help);
  update();
}

void LibraryIconPill::triggered() {
  if (const auto onTap = callbacks_.onTap) onTap();
}

QSize LibraryIconPill::sizeHint() const {
  const double side = kPillSymbol + 2;
  return QSize(int(std::ceil(side + 2 * kPillPaddingH + 2 * kGrowthRoom)),
               int(std::ceil(side + 2 * kPillPaddingV + 2 * kGrowthRoom)));
}

QRectF LibraryIconPill::capsuleRect() const {
  const double side = kPillSymbol + 2;
  const QSizeF size(side + 2 * kPillPaddingH, side + 2 * kPillPaddingV);
  return {(width() - size.width()) / 2, (height() - size.height()) / 2, size.width(), size.height()};
}

QPainterPath LibraryIconPill::hitShape() const { return capsule(capsuleRect()); }

AccessibilityInfo LibraryIconPill::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::Button;
  info.name = props_.help;
  info.press = [this] { const_cast<LibraryIconPill*>(this)->triggered(); };
  return info;
}

void LibraryIconPill::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  const double hover = unitClamped(hoverProgress());
  const QRectF box = capsuleRect();
  painter.setRenderHint(QPainter::Antialiasing);
  const double scale = lerp(1.0, 1.04, hoverProgress());
  painter.translate(box.center());
  painter.scale(scale, scale);
  painter.translate(-box.center());
  painter.fillPath(capsule(box), primaryColor(env, lerp(0.06, 0.12, hover)));
  const double side = kPillSymbol + 2;
  painter.drawImage(
      QRectF(box.center().x() - side / 2, box.center().y() - side / 2, side, side),
      Symbols::image(props_.symbol, side, primaryColor(env, lerp(0.5, 0.85, hover)), Fx::painterScale(painter)));
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
            return SearchBarButton::Look{QStringLiteral("line.3.horizontal.decrease"),
                                         kFilterSize,
                                         searchFilterColor(environment(), props_.filterAccented, button.isHovered()),
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

// Holds the row of tabs and shows as much of it as fits, scrolled sideways by the wheel.
class TabStrip : public QWidget {
 public:
  explicit TabStrip(QWidget* parent) : QWidget(parent), row_(new QWidget(this)) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  }
  QWidget* row() const { return row_; }
  double offset() const { return offset_; }
  QSize sizeHint() const override { return QSize(row_->sizeHint().width(), row_->sizeHint().height()); }
  QSize minimumSizeHint() const override { return QSize(0, row_->sizeHint().height()); }
  // The row changed its size.
  void rowChanged() {
    updateGeometry();
    place();
  }

 protected:
  void resizeEvent(QResizeEvent*) override { place(); }
  void wheelEvent(QWheelEvent* event) override {
    const QPoint pixels = event->pixelDelta();
    const QPoint angle = event->angleDelta();
    const double delta = !pixels.isNull() ? (pixels.x() != 0 ? pixels.x() : pixels.y())
                                          : (angle.x() != 0 ? angle.x() : angle.y()) / 120.0 * 40;
    offset_ -= delta;
    place();
    event->accept();
  }

 private:
  void place() {
    const QSize size = row_->sizeHint();
    offset_ = std::clamp(offset_, 0.0, std::max(0.0, double(size.width() - width())));
    row_->setGeometry(int(-std::round(offset_)), (height() - size.height()) / 2, size.width(), size.height());
  }

  QWidget* row_;
  double offset_ = 0;
};

// ---- LibraryHeaderView -----------------------------------------------------------------------

LibraryHeaderView::LibraryHeaderView(InterfaceServices& context, QWidget* parent) : QWidget(parent), context_(context) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(kRowPaddingH, kRowPaddingV, kRowPaddingH, kRowPaddingV);
  row->setSpacing(kRowSpacing);
  search_ = new LibrarySearchPill(context, this);
  row->addWidget(search_, 0, Qt::AlignVCenter);
  strip_ = new TabStrip(this);
  tabRow_ = new QHBoxLayout(strip_->row());
  tabRow_->setContentsMargins(0, kStripPaddingV, 0, kStripPaddingV);
  tabRow_->setSpacing(kStripSpacing);
  tabRow_->setSizeConstraint(QLayout::SetFixedSize);
  pencil_ = new LibraryIconPill(context, strip_->row());
  pencil_->hide();
  add_ = new LibraryIconPill(context, strip_->row());
  tabRow_->addWidget(pencil_);
  tabRow_->addWidget(add_);
  row->addWidget(strip_, 1, Qt::AlignVCenter);
}

LibraryHeaderView::~LibraryHeaderView() = default;

double LibraryHeaderView::tabsOffset() const { return strip_->offset(); }

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
    auto* tab = new LibraryScopeTab(context_, strip_->row());
    tabRow_->insertWidget(int(tabs_.size()), tab);
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
  // The pencil stands right after the selected category's tab.
  tabRow_->removeWidget(pencil_);
  if (pencilAfter >= 0) {
    tabRow_->insertWidget(pencilAfter + 1, pencil_);
    pencil_->setProps({QStringLiteral("pencil"),
                       QStringLiteral("Edit \u201C") + props_.editableCategoryName + QStringLiteral("\u201D")},
                      {[this] {
                        const auto onEditCategory = callbacks_.onEditCategory;
                        if (props_.editableCategory && onEditCategory) onEditCategory(QUuid(*props_.editableCategory));
                      }});
    pencil_->show();
  } else {
    tabRow_->insertWidget(int(tabs_.size()), pencil_);
    pencil_->hide();
  }
  add_->setProps({QStringLiteral("plus"), QStringLiteral("New category")}, {[this] {
                   if (const auto onNewCategory = callbacks_.onNewCategory) onNewCategory();
                 }});
  tabRow_->activate();
  strip_->rowChanged();
}

}  // namespace qv
