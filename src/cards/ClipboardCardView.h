#pragma once
#include "cards/ViewServices.h"
#include "cards/badges/CardFacets.h"
#include "cards/badges/CardOverlay.h"
#include "cards/content/CardContentStyle.h"
#include "items/model/ClipboardItem.h"
#include "state/CustomCategory.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/view/PaintedItem.h"

#include <QImage>
#include <memory>
#include <optional>

namespace qv {

class CardContentItem;
class CardEdgeItem;

// One history entry as a card of exactly 280 × 240 points: the content view of its kind
// (blurred under an eye while the entry is sensitive) with the badges and footer over it,
// clipped to a rounded shape; in front a sheen, a hairline and the selection ring; behind it
// the selection glow and a soft floor shadow. Glow and shadows reach beyond the card while the
// pointer hits only its shape.
//
// The card keeps no state and acts on nothing: its host decides selection, hovering (the
// lift), clicks and menus, and lays its own overlays (quick actions, hints) over it as child
// items at `kHostOverlayZ` or above, so that they lift with it.
//
// Painting is cached: the content is painted once into an image per props, colour scheme and
// pixel ratio (a sensitive card blurs that image once), and the edges, glow and shadows are
// images every card shares. Props that compare equal repaint nothing.
class ClipboardCardView : public PaintedItem {
  Q_OBJECT
 public:
  static constexpr double kCornerRadius = CardContentStyle::kCardCornerRadius;
  static constexpr double kSensitiveBlur = 22;
  static constexpr double kHostOverlayZ = 10;

  struct Props {
    ClipboardItem item;
    bool isSelected = false;
    bool isPinned = false;
    bool isSensitive = false;
    std::optional<CustomCategory> category = std::nullopt;
    // Which of the card's badges are applied filters, as the host found them; only compared,
    // so that applying or clearing a badge filter shows on the cards it concerns.
    CardFacets activeFacets = {};
    // Room the badge row keeps free at its right end for the host's quick actions; not compared.
    double actionRowWidth = 0;

    // Whether the card must be shown afresh: the item, the three flags, the category (its id,
    // name and colour, so that renaming or recolouring it redraws its cards) and the facets.
    bool operator==(const Props& other) const;
  };
  // Handed on to the badges with every setProps, equal props or not; never compared.
  using Callbacks = CardOverlay::Callbacks;

  explicit ClipboardCardView(ViewServices& context, QGraphicsItem* parent = nullptr);
  ~ClipboardCardView() override;

  // Shows `props`; false, with nothing repainted, when they equal the current ones. The
  // callbacks replace the previous ones either way. Another item shows at once; changes of the
  // same item's flags move.
  bool setProps(const Props& props, Callbacks callbacks = {});
  const Props& props() const { return props_; }

  // The lift of a hovered or selected card: 2.5 % larger, 2 points higher, over a deeper
  // shadow, moving with the snappy spring (at once while motion is reduced or not `animated`).
  // The host decides when; the lift is the item's transform.
  void setLifted(bool lifted, bool animated = true);
  bool isLifted() const { return lifted_; }

  QPainterPath cardShape() const;
  QPainterPath hitShape() const override { return cardShape(); }
  QMarginsF paintOverflow() const override;
  AccessibilityInfo accessibility() const override;
  // What the card is called: the item's spoken summary, or for a sensitive item only its
  // source and capture time.
  QString accessibleLabel() const;

  CardOverlay* overlay() const { return overlay_; }
  const CardContentItem& content() const { return *content_; }

  // Animated state, for tests: glow and ring (0…1), the content's blur radius (0…22), the eye
  // symbol's presence (0…1) and scale, the lift (0…1).
  double selectionProgress() const { return selection_.value(); }
  double blurRadius() const { return blur_.value(); }
  double eyePresence() const { return eye_.value(); }
  double eyeScale() const;
  double liftProgress() const { return lift_.value(); }

  // How often the card asked to be repainted, and how often it painted its content afresh.
  int repaintRequests() const { return repaintRequests_; }
  int contentRenders() const { return contentRenders_; }
  // How often the card painted itself.
  int paints() const { return paints_; }

 protected:
  void paintItem(QPainter& painter) override;

 private:
  friend class CardEdgeItem;
  enum class Layer { sharp, blurred };
  struct ContentLayers {
    quint64 generation = 0;
    EnvironmentValues environment;
    double scale = 0;
    QImage sharp;
    QImage blurred;
  };

  void retarget(bool animated);
  void repaint();
  void contentChanged();
  const QImage& contentLayer(Layer layer, double scale, const EnvironmentValues& environment);
  void paintContentLayer(QPainter& painter, double scale, const EnvironmentValues& environment);
  void paintEye(QPainter& painter, double scale, const EnvironmentValues& environment);
  // Sheen, hairline and ring: in front of the badges, painted by the edge item.
  void paintEdge(QPainter& painter);
  // Lets go of the layers the settled look no longer needs.
  void dropUnusedLayers();

  ViewServices& services_;
  Props props_;
  bool hasProps_ = false;
  bool lifted_ = false;
  std::unique_ptr<CardContentItem> content_;
  CardOverlay* overlay_ = nullptr;
  CardEdgeItem* edge_ = nullptr;
  Animated<double> selection_;
  Animated<double> blur_;
  Animated<double> eye_;
  Animated<double> lift_;
  quint64 generation_ = 1;
  ContentLayers layers_;
  QImage crossFade_;
  QImage eyeImage_;
  QRgb eyeTint_ = 0;
  int repaintRequests_ = 0;
  int contentRenders_ = 0;
  int paints_ = 0;
};

}  // namespace qv
