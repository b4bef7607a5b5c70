#include "panel/CardListItems.h"

#include "panel/CardListLayout.h"
#include "panel/GroupChevron.h"

#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/text/Fonts.h"
#include "ui/theme/Theme.h"
#include "ui/view/KeptPictureEffect.h"

#include <QFontMetricsF>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace qv {

namespace {

// A rule one point high centred on `y`, moved onto whole device pixels: one straddling two pixel
// rows would paint both, twice as thick and half as strong.
QRectF pixelAlignedHairline(const QPainter& painter, double left, double right, double y) {
  const QTransform toDevice = painter.combinedTransform();  // pixel ratio included
  const double pixels = std::max(1.0, std::round(Fx::painterScale(painter)));
  const double top = std::round(toDevice.map(QPointF(left, y)).y() - pixels / 2);
  const QTransform toLocal = toDevice.inverted();
  const double localTop = toLocal.map(QPointF(left, top)).y();
  const double localBottom = toLocal.map(QPointF(left, top + pixels)).y();
  return QRectF(left, localTop, right - left, localBottom - localTop);
}

}  // namespace

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

void SectionHeaderItem::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  chevron_->setProps({props.collapsed}, {[this] { toggle(); }});
  if (props == props_) return;
  props_ = props;
  update();
}

void SectionHeaderItem::toggle() {
  // A copy: toggling relays the list out, which may hand this header new props.
  if (const auto onToggle = callbacks_.onToggle) onToggle();
}

AccessibilityInfo SectionHeaderItem::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::Heading;
  info.name = props_.title;
  return info;
}

void SectionHeaderItem::paintItem(QPainter& painter) {
  const EnvironmentValues env = environment();
  const QRectF row(0, cardList::kHeaderTopPadding, size().width(), cardList::kHeaderRowHeight);
  QFont titleFont = systemFont(9, QFont::DemiBold);
  titleFont.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
  const QString title = props_.title.toUpper();
  double x = row.left();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setFont(titleFont);
  painter.setPen(primaryColor(env, 0.38));
  const double titleWidth = QFontMetricsF(titleFont).horizontalAdvance(title);
  painter.drawText(QRectF(x, row.top(), titleWidth + 1, row.height()), Qt::AlignLeft | Qt::AlignVCenter, title);
  x += titleWidth + 8;
  if (props_.collapsed) {
    QFont countFont = systemFont(9, QFont::DemiBold);
    countFont.setStyleHint(QFont::Monospace);
    const QString text = QString::number(props_.count);
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
  if (hairlineEnd > x)
    painter.fillRect(pixelAlignedHairline(painter, x, hairlineEnd, row.center().y()), primaryColor(env, 0.1));
}

void SectionHeaderItem::mousePressEvent(QGraphicsSceneMouseEvent* event) { event->accept(); }

void SectionHeaderItem::mouseReleaseEvent(QGraphicsSceneMouseEvent* event) {
  if (rect().contains(event->pos())) toggle();
}

// ---- Glides ----------------------------------------------------------------------------------

void ItemGlides::place(QGraphicsItem* item, QPointF target, const std::optional<Animation>& glide,
                       const std::function<void()>& onFrame) {
  const auto moving = moving_.find(item);
  if (!glide) {
    if (moving != moving_.end() && moving->second->target() == target) return;
    if (moving != moving_.end()) moving_.erase(moving);
    item->setPos(target);
    return;
  }
  if (moving != moving_.end()) {
    moving->second->animateTo(target, glide);
    return;
  }
  if (item->pos() == target) return;
  // Within a tenth of a point of its place a glide shows nothing more: it rests there (and ends
  // on its place), so that no frames are painted for the spring's invisible tail.
  constexpr double kRestWithin = 0.1;
  auto position = std::make_unique<Animated<QPointF>>(clock_, item->pos(), kRestWithin);
  position->setOnChange([item, onFrame, value = position.get()] {
    item->setPos(value->value());
    if (onFrame) onFrame();
  });
  position->animateTo(target, glide);
  moving_[item] = std::move(position);
}

// ---- Section headers -------------------------------------------------------------------------

SectionHeaders::SectionHeaders(ViewServices& context, QGraphicsScene& scene)
    : context_(context), scene_(scene), glides_(*context.frameClock) {}

SectionHeaders::~SectionHeaders() = default;

void SectionHeaders::show(const std::vector<int>& shown, const cardList::Layout& layout,
                          const std::function<QRectF(int)>& frameOf,
                          const std::function<void(const QString&)>& onToggle, const std::optional<Animation>& glide) {
  for (auto it = shown_.begin(); it != shown_.end();) {
    if (!std::binary_search(shown.begin(), shown.end(), it.key())) {
      it.value()->hide();
      glides_.forget(it.value());
      spare_.push_back(it.value());
      it = shown_.erase(it);
    } else {
      ++it;
    }
  }
  for (int index : shown) {
    SectionHeaderItem* header = shown_.value(index);
    bool stays = header != nullptr;
    if (!header) {
      if (!spare_.empty()) {
        header = spare_.back();
        spare_.pop_back();
      } else {
        header = new SectionHeaderItem(context_);
        header->setZValue(1);
        // A header that only moves or lies under moving cards is drawn from its picture.
        header->setGraphicsEffect(new KeptPictureEffect(*header, *context_.frameClock));
        scene_.addItem(header);
      }
      shown_.insert(index, header);
      header->show();
    }
    const cardList::Section& section = layout.sections[size_t(index)];
    const QString title = section.title;
    // Only a header that keeps its section glides; one that shows another jumps.
    stays = stays && header->props().title == title;
    header->setProps({title, section.count, section.collapsed}, {[onToggle, title] { onToggle(title); }});
    const QRectF frame = frameOf(index);
    header->setWidth(frame.width());
    glides_.place(header, frame.topLeft(), stays ? glide : std::nullopt);
  }
}

}  // namespace qv
