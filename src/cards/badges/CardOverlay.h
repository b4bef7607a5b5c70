#pragma once
#include "cards/ViewServices.h"
#include "cards/badges/CardFacets.h"
#include "cards/badges/CardTimeTick.h"
#include "state/CustomCategory.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/text/TextBlock.h"
#include "ui/view/PaintedItem.h"

#include <QDateTime>
#include <memory>
#include <optional>
#include <vector>

namespace qv {

class BadgePill;
class PanelState;
class SourceBadge;

// What a card shows over its content: along the top a row of badges (the kind, "Pinned", the
// category), each of which asks for its filter when clicked; along the bottom the source
// application's name, the relative capture time and the source badge. Over a picture the
// badges turn dark and the footer gets a scrim with white text. The overlay itself takes no
// pointer: the card under it does, except where a badge is.
class CardOverlay : public PaintedItem {
  Q_OBJECT
 public:
  // Only what the overlay shows, taken from the item, so comparing stays cheap.
  struct Props {
    TypeFilter type = TypeFilter::text;
    bool overImage = false;
    QString sourceAppBundleID;
    QDateTime capturedAt;
    bool isPinned = false;
    std::optional<CustomCategory> category;
    // Room kept free at the right end of the badge row for the host's quick actions.
    double actionRowWidth = 0;
    bool operator==(const Props&) const = default;

    static Props of(const ClipboardItem& item, bool isPinned, std::optional<CustomCategory> category,
                    double actionRowWidth);
  };
  struct Callbacks {
    BadgeFilterAction onFilter;           // none: no badge takes clicks
    BadgeFilterPredicate isFilterActive;  // none: no badge shows as applied
  };
  // Badge clicks toggle the state's badge filters; the state says which are applied.
  static Callbacks filtersOf(PanelState& state);

  // An image; a link that has a preview image, loaded or not; a colour whose weighted
  // brightness is at most 155.
  static bool isOverImage(const ClipboardPayload& payload);
  // "Text", "Code", "Image", "Link", "Color" or "File", by the payload's case.
  static QString typeLabel(const ClipboardPayload& payload);

  static constexpr double kRowInset = 10;
  static constexpr double kRowSpacing = 5;
  static constexpr double kTickInterval = CardTimeTick::kInterval;

  explicit CardOverlay(ViewServices& context, QGraphicsItem* parent = nullptr);
  ~CardOverlay() override;

  // Asks `isFilterActive` what CardFacets asks: the kind, pinned, the category and the source.
  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }

  // The row's badges in order (leaving ones excluded), and the source badge.
  std::vector<BadgePill*> badges() const;
  SourceBadge* sourceBadge() const { return source_; }

  QString appName() const { return name_.text(); }
  QString timeText() const { return time_.text(); }
  struct FooterLayout {
    QRectF name, time, badge;
    QRectF scrim;  // empty unless over a picture
  };
  FooterLayout footerLayout() const;
  bool listensToTick() const { return tick_.isActive(); }

  QPainterPath hitShape() const override { return {}; }

 protected:
  void paintItem(QPainter& painter) override;
  QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;
  void shownViewsChanged() override { updateTickSubscription(); }

 private:
  enum class Badge { type, pinned, category };
  struct Slot;
  // What the callbacks and the environment say about the badges.
  struct Evaluation {
    CardFacets applied;
    bool clickable = false;
    bool named = false;  // differentiate without colour: the category badge shows its name
    QString sourceName;  // changes when the applications' index arrives
    bool operator==(const Evaluation&) const = default;
  };
  Evaluation evaluate(const Props& props) const;
  void apply(bool animated);
  void placeBadges(bool animated);
  void refreshTime();
  void updateTickSubscription();
  Slot* slot(Badge badge) const;
  Slot& addSlot(Badge badge, bool animated);
  void dropLeftSlots();

  Props props_;
  Callbacks callbacks_;
  Evaluation evaluation_;
  bool hasProps_ = false;
  std::vector<std::unique_ptr<Slot>> slots_;
  SourceBadge* source_ = nullptr;
  TextBlock name_;
  TextBlock time_;
  CardTimeTick::Subscription tick_;
};

}  // namespace qv
