#include "preview/PreviewCaption.h"

#include "base/RelativeDateText.h"
#include "cards/ViewServices.h"
#include "cards/badges/AppIconImageView.h"
#include "items/identity/AppIdentity.h"
#include "preview/CaptionText.h"
#include "state/PanelState.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/text/Fonts.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace qv {

namespace {

const QFont& firstLineFont() {
  static const QFont font = systemFont(PreviewCaption::kFirstLineSize, QFont::DemiBold);
  return font;
}

const QFont& detailFont() {
  static const QFont font = systemFont(PreviewCaption::kDetailSize);
  return font;
}

const QString& separatorText() {
  static const QString text = QStringLiteral("\u00B7");
  return text;
}

double textWidth(const QFont& font, const QString& text) {
  return std::ceil(QFontMetricsF(font).horizontalAdvance(text));
}

}  // namespace

PreviewCaption::PreviewCaption(ViewServices& context, PanelState* state, QWidget* parent)
    : PaintedWidget(context, parent), services_(context), state_(state) {
  setHoverEnabled(false);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  if (state) {
    const auto refresh = [this] { refreshFromState(); };
    connect(state, &PanelState::cardCategoriesChanged, this, refresh);
    connect(state, &PanelState::customCategoriesChanged, this, refresh);
    connect(state, &PanelState::previewCategoryColorIndexChanged, this, refresh);
    connect(state, &PanelState::editingCategoryFormIDChanged, this, refresh);
    connect(state, &PanelState::sensitiveIDsChanged, this, refresh);
    connect(state, &PanelState::peekedIDsChanged, this, refresh);
  }
}

PreviewCaption::~PreviewCaption() = default;

void PreviewCaption::setProps(const Props& props) {
  if (hasProps_ && props == props_) return;
  const bool payloadChanged = !hasProps_ || !(props.item.payload == props_.item.payload);
  props_ = props;
  hasProps_ = true;
  if (payloadChanged) {
    detail_ = CaptionText::detailText(props_.item.payload);
    ++detailComputations_;
  }
  refreshFromState();
}

void PreviewCaption::refreshFromState() {
  if (!hasProps_) return;
  const ClipboardItem& item = props_.item;
  Content next;
  next.bundleID = item.sourceAppBundleID;
  next.sourceName = sourceDisplayName(item.sourceAppBundleID, [this](const QString& id) {
    return services_.appIdentity ? services_.appIdentity->appName(id) : id.section(u'.', -1);
  });
  if (state_) {
    if (const std::optional<CustomCategory> category = state_->categoryForItem(item.id)) {
      next.categoryName = category->name;
      next.categoryColor = state_->colorForCategory(*category);
    }
    next.showsDetail = !(state_->sensitiveIDs().contains(item.id) && !state_->peekedIDs().contains(item.id));
  }
  next.kindLabel = CaptionText::kindLabel(item.payload);
  next.dateText = relativeDateText(item.capturedAt, services_.scheduler->now());
  next.detailText = detail_;
  apply(std::move(next));
}

void PreviewCaption::refreshDate() {
  if (!hasProps_) return;
  Content next = content_;
  next.dateText = relativeDateText(props_.item.capturedAt, services_.scheduler->now());
  apply(std::move(next));
}

void PreviewCaption::apply(Content next) {
  if (next == content_ && laidOutSize_) return;
  content_ = std::move(next);
  laidOutSize_.reset();
  // Another age or name asks for another width (and a detail line for another height): the host
  // lays the caption out again rather than cut the source's name short.
  updateGeometry();
  update();
}

const std::vector<PreviewCaption::Piece>& PreviewCaption::firstLine() const {
  layOut();
  return pieces_;
}

QString PreviewCaption::shownDetail() const {
  layOut();
  return detailShown_;
}

double PreviewCaption::textColumnHeight() const {
  double height = QFontMetricsF(firstLineFont()).height();
  if (content_.showsDetail) height += kLineSpacing + QFontMetricsF(detailFont()).height();
  return std::ceil(height);
}

QRectF PreviewCaption::iconFrame() const { return {0, (height() - kIconSize) / 2, kIconSize, kIconSize}; }

void PreviewCaption::layOut() const {
  if (laidOutSize_ == size()) return;
  laidOutSize_ = size();
  pieces_.clear();
  using Kind = Piece::Kind;
  // Natural widths; the kind and the date always keep theirs, the two names give way.
  struct Slot {
    Kind kind;
    QString text;
    double width;
  };
  std::vector<Slot> parts;
  const double separator = textWidth(firstLineFont(), separatorText());
  parts.push_back({Kind::name, content_.sourceName, textWidth(firstLineFont(), content_.sourceName)});
  if (content_.categoryName) {
    parts.push_back({Kind::separator, separatorText(), separator});
    parts.push_back({Kind::dot, {}, kDotSize});
    parts.push_back({Kind::category, *content_.categoryName, textWidth(firstLineFont(), *content_.categoryName)});
  }
  parts.push_back({Kind::separator, separatorText(), separator});
  parts.push_back({Kind::kind, content_.kindLabel, textWidth(firstLineFont(), content_.kindLabel)});
  parts.push_back({Kind::separator, separatorText(), separator});
  parts.push_back({Kind::date, content_.dateText, textWidth(firstLineFont(), content_.dateText)});

  const double left = kIconSize + kIconSpacing;
  double natural = kItemSpacing * double(parts.size() - 1);
  double fixed = natural;
  std::vector<Slot*> flexible;
  for (Slot& slot : parts) {
    natural += slot.width;
    if (slot.kind == Kind::name || slot.kind == Kind::category) flexible.push_back(&slot);
    else fixed += slot.width;
  }
  // The column is as wide as its wider line.
  const double detailNatural = content_.showsDetail ? textWidth(detailFont(), content_.detailText) : 0.0;
  naturalWidth_ = left + std::max(natural, detailNatural);
  // The names share what is left: the narrower keeps its width, the wider gets the rest.
  double room = std::max(0.0, width() - left - fixed);
  std::sort(flexible.begin(), flexible.end(), [](const Slot* a, const Slot* b) { return a->width < b->width; });
  for (size_t i = 0; i < flexible.size(); ++i) {
    const double share = room / double(flexible.size() - i);
    flexible[i]->width = std::min(flexible[i]->width, share);
    room -= flexible[i]->width;
  }

  const QFontMetricsF metrics(firstLineFont());
  const double firstHeight = metrics.height();
  const double top = std::round((height() - textColumnHeight()) / 2);
  double x = left;
  for (const Slot& slot : parts) {
    QString text = slot.text;
    double pieceWidth = slot.width;
    if (slot.kind == Kind::name || slot.kind == Kind::category) {
      // A cut name takes only the room its shortened text needs.
      text = metrics.elidedText(slot.text, Qt::ElideRight, slot.width + 0.5);
      pieceWidth = std::min(slot.width, textWidth(firstLineFont(), text));
    }
    pieces_.push_back({slot.kind, text, QRectF(x, top, pieceWidth, firstHeight)});
    x += pieceWidth + kItemSpacing;
  }
  const double detailWidth = std::max(0.0, width() - left);
  detailShown_ = content_.showsDetail
                     ? QFontMetricsF(detailFont()).elidedText(content_.detailText, Qt::ElideMiddle, detailWidth)
                     : QString();
}

QSize PreviewCaption::sizeHint() const {
  layOut();
  return {int(std::ceil(std::max(naturalWidth_, kIconSize))), int(std::max(kIconSize, textColumnHeight()))};
}

QSize PreviewCaption::minimumSizeHint() const { return {int(kIconSize), sizeHint().height()}; }

AccessibilityInfo PreviewCaption::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::StaticText;
  QStringList parts{content_.sourceName};
  if (content_.categoryName) parts << *content_.categoryName;
  parts << content_.kindLabel << content_.dateText;
  info.name = parts.join(QStringLiteral(", "));
  if (content_.showsDetail) info.description = content_.detailText;
  return info;
}

void PreviewCaption::showEvent(QShowEvent* event) {
  PaintedWidget::showEvent(event);
  updateTickSubscription();
}

void PreviewCaption::hideEvent(QHideEvent* event) {
  PaintedWidget::hideEvent(event);
  updateTickSubscription();
}

void PreviewCaption::updateTickSubscription() {
  // The age keeps up while the caption is on screen, on the cards' shared tick.
  if (isVisible() && !tick_.isActive()) {
    refreshDate();
    tick_ = CardTimeTick::shared(services_).subscribe([this] { refreshDate(); });
  } else if (!isVisible()) {
    tick_.reset();
  }
}

void PreviewCaption::setTransitionLook(double scale, double opacity, QPointF anchor) {
  if (scale == transitionScale_ && opacity == transitionOpacity_ && anchor == transitionAnchor_) return;
  transitionScale_ = scale;
  transitionOpacity_ = opacity;
  transitionAnchor_ = anchor;
  update();
}

void PreviewCaption::paint(QPainter& painter) {
  if (!hasProps_ || transitionOpacity_ <= 0) return;
  layOut();
  if (transitionOpacity_ < 1 || transitionScale_ != 1) {
    painter.setOpacity(transitionOpacity_);
    painter.translate(transitionAnchor_);
    painter.scale(transitionScale_, transitionScale_);
    painter.translate(-transitionAnchor_);
  }
  const EnvironmentValues environment = this->environment();
  // The source application's icon in a rounded frame.
  const QRectF icon = iconFrame();
  painter.save();
  painter.setClipPath(Fx::continuousRoundedRect(icon, kIconCornerRadius));
  if (services_.appIdentity) AppIconImageView(content_.bundleID).paint(painter, icon, *services_.appIdentity);
  painter.restore();

  painter.setFont(firstLineFont());
  for (const Piece& piece : pieces_) {
    switch (piece.kind) {
      case Piece::Kind::dot: {
        const QRectF dot(piece.frame.left(), piece.frame.center().y() - kDotSize / 2, kDotSize, kDotSize);
        QPainterPath circle;
        circle.addEllipse(dot);
        painter.fillPath(circle, content_.categoryColor);
        Fx::strokeInnerBorder(painter, dot, kDotSize / 2, primaryColor(environment, 0.15), 0.5);
        break;
      }
      case Piece::Kind::separator:
        painter.setPen(primaryColor(environment, 0.35));
        painter.drawText(piece.frame, Qt::AlignLeft | Qt::AlignVCenter, piece.text);
        break;
      default:
        painter.setPen(primaryColor(environment, 0.7));
        painter.drawText(piece.frame.adjusted(0, 0, 1, 0), Qt::AlignLeft | Qt::AlignVCenter, piece.text);
        break;
    }
  }
  if (!detailShown_.isEmpty()) {
    const double top = pieces_.empty() ? 0 : pieces_.front().frame.bottom() + kLineSpacing;
    painter.setFont(detailFont());
    painter.setPen(primaryColor(environment, 0.42));
    painter.drawText(QRectF(kIconSize + kIconSpacing, top, width() - kIconSize - kIconSpacing + 1,
                            QFontMetricsF(detailFont()).height()),
                     Qt::AlignLeft | Qt::AlignVCenter, detailShown_);
  }
}

}  // namespace qv
