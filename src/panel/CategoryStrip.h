#pragma once
#include "state/FilterTypes.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/view/PaintedWidget.h"

#include <QUuid>
#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace qv {

// The row of top-filter pills under the search bar: "All", "Pinned", one per category (with a
// pencil beside the active one), and a plus button that asks for a new category. It scrolls
// sideways when wider than the panel, fades an edge where more pills lie, and brings the pill of
// each new top filter to its centre. Hover and selection move with the snappy spring; when the
// active category changes the pills slide aside with the standard spring while the pencil grows
// in from its leading edge (fades alone under reduced motion).
class CategoryStripView : public PaintedWidget {
  Q_OBJECT
 public:
  struct Pill {
    QUuid id;  // scroll identity: allPillID, pinnedPillID or the category's id
    QString title;
    QString icon;
    std::optional<QColor> dot;
    bool isActive = false;
    bool operator==(const Pill&) const = default;
  };
  struct Props {
    std::vector<Pill> pills;
    std::optional<QUuid> pencilCategory;  // the active category, whose pill the pencil follows
    QString pencilHelp;
    bool operator==(const Props&) const = default;
  };
  struct Callbacks {
    std::function<void(const Pill&)> onPill;
    std::function<void(const QUuid&)> onPencil;
    std::function<void()> onPlus;
  };
  enum class PartKind { pill, pencil, plus };
  struct Part {
    PartKind kind;
    int pill = -1;  // index into pills for a pill
    QRectF rect;    // in content coordinates
  };

  static const QUuid& allPillID();
  static const QUuid& pinnedPillID();
  static constexpr double kHeight = 36;
  static constexpr double kFadeWidth = 18;

  CategoryStripView(InterfaceServices& context, Props props, Callbacks callbacks, QWidget* parent = nullptr);
  // The callbacks replace the previous ones, whatever the props.
  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }

  // Geometry: the laid out row, its width, the scroll offset now and the fades it implies.
  const std::vector<Part>& parts() const { return parts_; }
  double contentWidth() const { return contentWidth_; }
  double scrollX() const { return scroll_.value(); }
  void setScrollX(double x);
  bool showsLeadingFade() const { return scrollX() > 2; }
  bool showsTrailingFade() const;
  // The offset that centres the pill with that identity (clamped to the row); none when absent.
  std::optional<double> scrollTarget(const QUuid& pillID) const;
  void scrollToPill(const QUuid& pillID);
  // The identity of the pill a top filter shows as.
  static QUuid pillIDFor(const FilterType& filter);

  // How a part looks now: where its row places it, how far it is in (0 … 1), hovered, active,
  // and how much it has grown under the pointer.
  struct PartLook {
    QRectF rect;  // content coordinates, before the presence and hover scales
    double presence = 1;
    double hover = 0;
    double active = 0;
    double scale = 1;  // about its centre, growing under the pointer
  };
  // The look of a part with that key ("pencil:<id>", "plus", or a pill's id); none once gone.
  std::optional<PartLook> partLook(const QString& key) const;
  static QString partKey(const Props& props, const Part& part);

  // What a part is called: a pill by its title, the pencil and the plus by their help text
  // (also their tooltip).
  QString partName(const Part& part) const;

  QSize sizeHint() const override { return QSize(320, int(kHeight)); }
  AccessibilityInfo accessibility() const override;
  std::vector<AccessiblePart> accessibleParts() const override;

 protected:
  void paint(QPainter& painter) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // One part as painted, which outlives its place in the row while it fades out.
  struct Slot {
    Slot(FrameClock& clock, double x);
    PartKind kind = PartKind::pill;
    Pill pill;  // the last one shown, for a pill
    double width = 0;
    int order = 0;
    Animated<double> x;
    Animated<double> presence;
    Animated<double> hover;
    Animated<double> active;
  };
  // Runs what a click on the part does.
  void activate(const Part& part) const;
  void layoutParts();
  void syncSlots(bool activeCategoryMoved);
  void setHovered(const QString& key);
  double maxScroll() const;
  int partAt(QPointF at) const;
  void paintPill(QPainter& painter, const Slot& slot) const;
  void paintRoundButton(QPainter& painter, const Slot& slot) const;

  Props props_;
  Callbacks callbacks_;
  std::vector<Part> parts_;
  double contentWidth_ = 0;
  Animated<double> scroll_;
  std::map<QString, std::unique_ptr<Slot>> slots_;
  QString hovered_;
};

}  // namespace qv
