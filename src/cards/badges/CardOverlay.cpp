#include "cards/badges/CardOverlay.h"

#include "base/RelativeDateText.h"
#include "cards/ViewServices.h"
#include "cards/badges/BadgePill.h"
#include "cards/badges/SourceBadge.h"
#include "cards/content/CardContentStyle.h"
#include "cards/content/ColorCardContent.h"
#include "items/identity/AppIdentity.h"
#include "platform/Scheduler.h"
#include "state/PanelState.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/theme/Theme.h"

#include <QPainter>
#include <QPointer>
#include <algorithm>
#include <cmath>

namespace qv {

namespace {
constexpr double kActionRowHeight = 20;
constexpr double kFooterPaddingTop = 20;
constexpr double kFooterPaddingBottom = 10;
constexpr double kFooterPaddingH = 10;
// The footer row's spacing on either side of its flexible gap.
constexpr double kFooterSpacing = 8;
constexpr double kFooterGap = 8;
constexpr double kTextSpacing = 2;
constexpr double kEnterScale = 0.6;
}  // namespace

struct CardOverlay::Slot {
  Slot(ViewServices& context, Badge which, QGraphicsItem* parent)
      : badge(which),
        pill(std::make_unique<BadgePill>(context, parent)),
        x(*context.frameClock, 0.0),
        presence(*context.frameClock, 0.0) {}
  Badge badge;
  std::unique_ptr<BadgePill> pill;
  Animated<double> x;
  Animated<double> presence;
  bool leaving = false;
  bool placed = false;
};

CardOverlay::Props CardOverlay::Props::of(const ClipboardItem& item, bool isPinned,
                                          std::optional<CustomCategory> category, double actionRowWidth) {
  return {typeFilter(item), isOverImage(item.payload), item.sourceAppBundleID, item.capturedAt,
          isPinned,         std::move(category),       actionRowWidth};
}

CardOverlay::Callbacks CardOverlay::filtersOf(PanelState& state) {
  QPointer<PanelState> weak(&state);
  return {[weak](const BadgeFilter& filter) {
            if (weak) weak->toggleBadgeFilter(filter);
          },
          [weak](const BadgeFilter& filter) { return weak && weak->isBadgeFilterActive(filter); }};
}

bool CardOverlay::isOverImage(const ClipboardPayload& payload) {
  if (std::holds_alternative<ImagePayload>(payload)) return true;
  if (const auto* link = fieldsIf<LinkPayload>(&payload)) return link->ogImageURL.has_value();
  if (const auto* color = std::get_if<ColorPayload>(&payload))
    return ColorCardContent::weightedLuminance(color->r, color->g, color->b) <= 155;
  return false;
}

QString CardOverlay::typeLabel(const ClipboardPayload& payload) {
  return chipLabel(typeFilter(ClipboardItem::make({}, {}, {}, payload)));
}

CardOverlay::CardOverlay(ViewServices& context, QGraphicsItem* parent) : PaintedItem(context, parent) {
  setSize(CardContentStyle::cardSize());
  setHoverEnabled(false);
  setAcceptedMouseButtons(Qt::NoButton);
  source_ = new SourceBadge(context, this);
  TextStyle nameStyle{systemFont(13, QFont::DemiBold)};
  nameStyle.lineLimit = 1;
  name_.setStyle(nameStyle);
  TextStyle timeStyle{systemFont(10)};
  timeStyle.lineLimit = 1;
  time_.setStyle(timeStyle);
  // Differentiate-without-colour decides what the category badge shows.
  if (context.environment)
    connect(context.environment.get(), &Environment::changed, this, [this] {
      if (!hasProps_) return;
      evaluation_ = evaluate(props_);
      apply(false);
    });
}

CardOverlay::~CardOverlay() = default;

void CardOverlay::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  // The predicate is asked on every evaluation; what it answers is part of what is shown.
  const Evaluation next = evaluate(props);
  if (hasProps_ && props == props_ && next == evaluation_) return;
  const bool animated = hasProps_ && (props.isPinned != props_.isPinned ||
                                      props.category.has_value() != props_.category.has_value() ||
                                      (props.category && props_.category && props.category->id != props_.category->id));
  props_ = props;
  evaluation_ = next;
  hasProps_ = true;
  apply(animated);
}

CardOverlay::Evaluation CardOverlay::evaluate(const Props& props) const {
  Evaluation e;
  // The same rule the hosts use for the card's facets; the pinned one shows only on a pinned card.
  e.applied = CardFacets(props.type, props.category ? std::optional(props.category->id) : std::nullopt,
                         props.sourceAppBundleID, callbacks_.isFilterActive);
  e.clickable = bool(callbacks_.onFilter);
  e.named = environment().differentiateWithoutColor;
  e.sourceName = sourceDisplayName(props.sourceAppBundleID, [this](const QString& id) {
    return viewServices(context()).appIdentity ? viewServices(context()).appIdentity->appName(id) : id;
  });
  return e;
}

CardOverlay::Slot* CardOverlay::slot(Badge badge) const {
  for (const auto& s : slots_)
    if (s->badge == badge) return s.get();
  return nullptr;
}

CardOverlay::Slot& CardOverlay::addSlot(Badge badge, bool animated) {
  auto created = std::make_unique<Slot>(viewServices(context()), badge, this);
  Slot& s = *created;
  const auto at = std::find_if(slots_.begin(), slots_.end(), [&](const auto& other) { return other->badge > badge; });
  slots_.insert(at, std::move(created));
  BadgePill* pill = s.pill.get();
  auto look = [this, &s, pill] {
    const double presence = unitClamped(s.presence.value());
    pill->setOpacity(presence);
    pill->setTransformOriginPoint(pill->rect().center());
    pill->setScale(environment().reduceMotion ? 1.0 : lerp(kEnterScale, 1.0, presence));
    const double rowMiddle = kRowInset + std::max(kActionRowHeight, pill->size().height()) / 2;
    pill->setPos(s.x.value(), rowMiddle - pill->size().height() / 2);
  };
  s.presence.setOnChange(look);
  s.x.setOnChange(look);
  if (animated) s.presence.animateTo(1.0, Theme::springStandard());
  else s.presence.jumpTo(1.0);
  return s;
}

void CardOverlay::dropLeftSlots() {
  std::erase_if(slots_, [](const auto& s) { return s->leaving && !s->presence.isAnimating(); });
}

void CardOverlay::apply(bool animated) {
  dropLeftSlots();
  // Clicks reach whatever onFilter the host passed last.
  auto actionFor = [this](const BadgeFilter& filter) -> std::function<void()> {
    if (!evaluation_.clickable) return {};
    return [this, filter] {
      if (const auto onFilter = callbacks_.onFilter) onFilter(filter);
    };
  };

  struct Wanted {
    Badge badge;
    BadgePill::Props props;
    BadgeFilter filter;
  };
  std::vector<Wanted> wanted;
  const BadgeFilter typeBadgeFilter = BadgeFilter::ofType(props_.type);
  wanted.push_back({Badge::type,
                    {chipLabel(props_.type), {}, {}, 70.0, evaluation_.applied.type, props_.overImage, {}},
                    typeBadgeFilter});
  if (props_.isPinned)
    wanted.push_back({Badge::pinned,
                      {QStringLiteral("Pinned"),
                       QStringLiteral("pin.fill"),
                       {},
                       {},
                       evaluation_.applied.pinned,
                       props_.overImage,
                       {}},
                      BadgeFilter::pinned()});
  if (props_.category) {
    const CustomCategory& category = *props_.category;
    const BadgeFilter filter = BadgeFilter::ofCategory(category.id);
    const bool named = evaluation_.named;
    wanted.push_back({Badge::category,
                      {named ? category.name : QString(),
                       {},
                       categoryPaletteColor(category.colorIndex),
                       named ? std::optional<double>(70.0) : std::nullopt,
                       evaluation_.applied.category,
                       props_.overImage,
                       category.name},
                      filter});
  }

  for (const auto& s : slots_) {
    const bool stays = std::any_of(wanted.begin(), wanted.end(), [&](const Wanted& w) { return w.badge == s->badge; });
    if (stays || s->leaving) continue;
    s->leaving = true;
    s->pill->setProps(s->pill->props(), {});
    BadgePill* pill = s->pill.get();
    if (animated)
      s->presence.animateTo(0.0, Theme::springStandard(), [pill](bool finished) {
        if (finished) pill->setVisible(false);
      });
    else {
      s->presence.jumpTo(0.0);
      pill->setVisible(false);
    }
  }
  for (const Wanted& w : wanted) {
    Slot* s = slot(w.badge);
    if (s && s->leaving) {
      // Back before it finished leaving: it returns from where it is.
      s->leaving = false;
      s->pill->setVisible(true);
      s->presence.animateTo(1.0, animated ? std::optional<Animation>(Theme::springStandard()) : std::nullopt);
    }
    if (!s) s = &addSlot(w.badge, animated);
    s->pill->setProps(w.props, {actionFor(w.filter)});
  }
  placeBadges(animated);

  // The footer.
  const QString& bundleID = props_.sourceAppBundleID;
  name_.setText(evaluation_.sourceName);
  const BadgeFilter appFilter = BadgeFilter::ofApp(bundleID);
  const bool offersFilter = isApplicationSource(bundleID);
  source_->setProps({bundleID, evaluation_.applied.app},
                    {offersFilter ? actionFor(appFilter) : std::function<void()>()});
  source_->update();  // its icon may have come with the name
  const FooterLayout footer = footerLayout();
  source_->setPos(footer.badge.topLeft());
  refreshTime();
  update();
}

void CardOverlay::placeBadges(bool animated) {
  const bool slide = animated && !environment().reduceMotion;
  double x = kRowInset;
  for (const auto& s : slots_) {
    if (s->leaving) continue;
    // A badge that just came in takes its place at once; the others slide.
    if (slide && s->placed) s->x.animateTo(x, Theme::springStandard());
    else s->x.jumpTo(x);
    s->placed = true;
    x += s->pill->size().width() + kRowSpacing;
  }
}

std::vector<BadgePill*> CardOverlay::badges() const {
  std::vector<BadgePill*> result;
  for (const auto& s : slots_)
    if (!s->leaving) result.push_back(s->pill.get());
  return result;
}

CardOverlay::FooterLayout CardOverlay::footerLayout() const {
  const QRectF card = rect();
  const double nameHeight = std::ceil(name_.size(0).height());
  const double timeHeight = std::ceil(time_.size(0).height());
  const double column = nameHeight + kTextSpacing + timeHeight;
  const double rowHeight = std::max(column, SourceBadge::kSize);
  const double rowBottom = card.bottom() - kFooterPaddingBottom;
  const double rowTop = rowBottom - rowHeight;
  const double textWidth = card.width() - 2 * kFooterPaddingH - SourceBadge::kSize - 2 * kFooterSpacing - kFooterGap;
  const double columnTop = rowTop + (rowHeight - column) / 2;
  FooterLayout l;
  l.name = QRectF(card.left() + kFooterPaddingH, columnTop, std::min(textWidth, std::ceil(name_.size(0).width())),
                  nameHeight);
  l.time = QRectF(l.name.left(), columnTop + nameHeight + kTextSpacing,
                  std::min(textWidth, std::ceil(time_.size(0).width())), timeHeight);
  l.badge = QRectF(card.right() - kFooterPaddingH - SourceBadge::kSize, rowTop + (rowHeight - SourceBadge::kSize) / 2,
                   SourceBadge::kSize, SourceBadge::kSize);
  if (props_.overImage)
    l.scrim = QRectF(card.left(), rowTop - kFooterPaddingTop, card.width(), card.bottom() - rowTop + kFooterPaddingTop);
  return l;
}

void CardOverlay::refreshTime() {
  if (!props_.capturedAt.isValid()) {
    time_.setText(QString());
    return;
  }
  const QString text = relativeDateText(props_.capturedAt, viewServices(context()).scheduler->now());
  if (text == time_.text()) return;
  time_.setText(text);
  update();
}

void CardOverlay::updateTickSubscription() {
  const bool shown = isOnShownView();
  if (shown == tick_.isActive()) return;
  if (!shown) {
    tick_.reset();
    return;
  }
  // The text may have gone stale while the card was away.
  refreshTime();
  QPointer<CardOverlay> self(this);
  tick_ = CardTimeTick::shared(viewServices(context())).subscribe([self] {
    if (self) self->refreshTime();
  });
}

QVariant CardOverlay::itemChange(GraphicsItemChange change, const QVariant& value) {
  const QVariant result = PaintedItem::itemChange(change, value);
  if (change == ItemSceneHasChanged || change == ItemVisibleHasChanged) updateTickSubscription();
  return result;
}

void CardOverlay::paintItem(QPainter& painter) {
  const FooterLayout l = footerLayout();
  const EnvironmentValues env = environment();
  if (!l.scrim.isEmpty()) {
    // The scrim reaches into the card's rounded bottom corners: it takes their shape.
    painter.save();
    painter.setClipRect(l.scrim, Qt::IntersectClip);
    painter.setPen(Qt::NoPen);
    painter.fillPath(Fx::continuousRoundedRect(rect(), CardContentStyle::kCardCornerRadius),
                     Fx::linearGradient(l.scrim, {0.5, 0}, {0.5, 1},
                                        {{0, QColor::fromRgbF(0, 0, 0, 0)}, {1, QColor::fromRgbF(0, 0, 0, 0.62f)}}));
    painter.restore();
  }
  const bool onImage = props_.overImage;
  const QColor nameColor = onImage ? QColor::fromRgbF(1, 1, 1, 0.95f) : primaryColor(env, 0.72);
  const QColor timeColor = onImage ? QColor::fromRgbF(1, 1, 1, 0.78f) : primaryColor(env, 0.55);
  name_.draw(painter, l.name.topLeft(), l.name.width(), nameColor);
  time_.draw(painter, l.time.topLeft(), l.time.width(), timeColor);
}

}  // namespace qv
