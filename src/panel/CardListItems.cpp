#include "panel/CardListItems.h"

#include "panel/CardListLayout.h"
#include "panel/GroupChevron.h"

#include "cards/ClipboardCardView.h"
#include "platform/Scheduler.h"
#include "platform/SettingsStore.h"
#include "state/PanelState.h"
#include "ui/controls/ControlStyle.h"
#include "ui/text/Fonts.h"
#include "ui/theme/Theme.h"

#include <QFontMetricsF>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>

namespace qv {

namespace {

constexpr double kDoubleClickSeconds = 0.4;

// Hosts the real card: shows the item on it with the state's selection, pin and concealment,
// and turns clicks into selection and double clicks into a pick.
class PlaceholderCard : public PaintedItem {
 public:
  PlaceholderCard(ViewServices& context, PanelState& state, CardTapMemory& taps)
      : PaintedItem(context), state_(state), taps_(taps), card_(new ClipboardCardView(context, this)) {
    setSize({cardList::kCardWidth, cardList::kCardHeight});
    card_->setSize(size());
    card_->setAcceptedMouseButtons(Qt::NoButton);
    setAcceptedMouseButtons(Qt::LeftButton);
    auto refresh = [this] {
      if (item_) show(*item_, index_);
    };
    for (auto changed :
         {&PanelState::selectedIndexChanged, &PanelState::pinnedIDsChanged, &PanelState::sensitiveIDsChanged,
          &PanelState::autoSensitiveIDsChanged, &PanelState::peekedIDsChanged})
      connect(&state_, changed, this, refresh);
  }

  void show(const ClipboardItem& item, int index) {
    index_ = index;
    item_ = item;
    ClipboardCardView::Props props;
    props.item = item;
    props.isSelected = state_.selectedIndex() == index;
    props.isPinned = state_.pinnedIDs().contains(item.id);
    props.isSensitive = state_.isConcealed(item.id);
    card_->setProps(props);
  }
  AccessibilityInfo accessibility() const override { return card_->accessibility(); }

 protected:
  void paintItem(QPainter&) override {}
  void mousePressEvent(QGraphicsSceneMouseEvent* event) override {
    event->accept();
    const double now = context().scheduler->uptime();
    const bool second = taps_.lastIndex == index_ && now - taps_.lastTime < kDoubleClickSeconds;
    taps_.lastIndex = index_;
    taps_.lastTime = now;
    pickedOnPress_ = second;
    if (!second) {
      state_.setSelectedIndex(index_);
      return;
    }
    taps_.lastIndex.reset();  // a third click starts over
    pick();
  }
  // The window system's own double click, unless the second press already picked.
  void mouseDoubleClickEvent(QGraphicsSceneMouseEvent* event) override {
    event->accept();
    if (!pickedOnPress_) pick();
    pickedOnPress_ = false;
    taps_.lastIndex.reset();
  }

 private:
  void pick() {
    if (!state_.pasteAction()) return;
    const FilteredItems items = state_.filteredItems();
    if (index_ < 0 || index_ >= items.size()) return;
    const bool plainText = viewServices(context()).settings->boolOr(QStringLiteral("qv.alwaysPlainText"), false);
    state_.pasteAction()(items.at(index_), plainText);
  }

  PanelState& state_;
  CardTapMemory& taps_;
  ClipboardCardView* card_;
  std::optional<ClipboardItem> item_;
  int index_ = -1;
  bool pickedOnPress_ = false;
};

}  // namespace

PlaceholderCardFactory::PlaceholderCardFactory(ViewServices& context, PanelState& state, CardTapMemory& taps)
    : context_(context), state_(state), taps_(taps) {}

PaintedItem* PlaceholderCardFactory::makeCard() { return new PlaceholderCard(context_, state_, taps_); }

void PlaceholderCardFactory::showItem(PaintedItem& card, const ClipboardItem& item, int index) {
  static_cast<PlaceholderCard&>(card).show(item, index);
}

SectionHeaderItem::SectionHeaderItem(ViewServices& context, QGraphicsItem* parent)
    : PaintedItem(context, parent), chevron_(new GroupChevron(context, this)) {
  setSize({cardList::kCardWidth + 16, cardList::kHeaderHeight});
  setAcceptedMouseButtons(Qt::LeftButton);
  placeChevron();
}

void SectionHeaderItem::setWidth(double width) {
  if (width == size().width()) return;
  setSize({width, cardList::kHeaderHeight});
  placeChevron();
}

void SectionHeaderItem::placeChevron() {
  chevron_->setPos(size().width() - GroupChevron::kSize,
                   cardList::kHeaderTopPadding + (cardList::kHeaderRowHeight - GroupChevron::kSize) / 2);
}

void SectionHeaderItem::setSection(const QString& title, int count, bool collapsed, std::function<void()> toggle) {
  title_ = title;
  count_ = count;
  collapsed_ = collapsed;
  toggle_ = std::move(toggle);
  chevron_->setCollapsed(collapsed);
  chevron_->setAction(toggle_);
  update();
}

AccessibilityInfo SectionHeaderItem::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::Heading;
  info.name = title_;
  return info;
}

void SectionHeaderItem::paintItem(QPainter& painter) {
  const EnvironmentValues env = environment();
  const QRectF row(0, cardList::kHeaderTopPadding, size().width(), cardList::kHeaderRowHeight);
  QFont titleFont = systemFont(9, QFont::DemiBold);
  titleFont.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
  const QString title = title_.toUpper();
  double x = row.left();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setFont(titleFont);
  painter.setPen(primaryColor(env, 0.38));
  const double titleWidth = QFontMetricsF(titleFont).horizontalAdvance(title);
  painter.drawText(QRectF(x, row.top(), titleWidth + 1, row.height()), Qt::AlignLeft | Qt::AlignVCenter, title);
  x += titleWidth + 8;
  if (collapsed_) {
    QFont countFont = systemFont(9, QFont::DemiBold);
    countFont.setStyleHint(QFont::Monospace);
    const QString text = QString::number(count_);
    const double width = QFontMetricsF(countFont).horizontalAdvance(text) + 10;
    const double height = QFontMetricsF(countFont).height() + 2;
    const QRectF capsule(x, row.center().y() - height / 2, width, height);
    painter.setPen(Qt::NoPen);
    painter.setBrush(primaryColor(env, 0.08));
    painter.drawRoundedRect(capsule, height / 2, height / 2);
    painter.setFont(countFont);
    painter.setPen(primaryColor(env, 0.3));
    painter.drawText(capsule, Qt::AlignCenter, text);
    x += width + 8;
  }
  const double hairlineEnd = chevron_->pos().x() - 8;
  if (hairlineEnd > x) painter.fillRect(QRectF(x, row.center().y() - 0.5, hairlineEnd - x, 1), primaryColor(env, 0.1));
}

void SectionHeaderItem::mousePressEvent(QGraphicsSceneMouseEvent* event) { event->accept(); }

void SectionHeaderItem::mouseReleaseEvent(QGraphicsSceneMouseEvent* event) {
  if (!toggle_ || !rect().contains(event->pos())) return;
  const auto toggle = toggle_;
  toggle();
}

}  // namespace qv
