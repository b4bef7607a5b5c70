#pragma once
#include "library/LibraryCapsules.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/controls/PillButtons.h"
#include "ui/text/NumericText.h"

#include <QColor>
#include <QString>

namespace qv {

struct LibraryScopeTabProps {
  QString label;
  qsizetype count = 0;
  QString icon;  // a symbol; empty for none
  QColor dot;    // a category's colour; invalid for none
  bool isSelected = false;
  bool operator==(const LibraryScopeTabProps&) const = default;
};

// A capsule tab of the scope row: an icon or a category dot, the label, and the count from 1
// on, which scales in from 0.6 and fades (fades only under reduce motion) as it comes and goes.
// The selected tab is filled with the accent; an unselected one grows a little under the
// pointer, and a tab without items is dimmed.
class LibraryScopeTab : public HouseButtonWith<LibraryScopeTabProps> {
  Q_OBJECT
 public:
  static constexpr double kCountEnterScale = 0.6;

  explicit LibraryScopeTab(InterfaceServices& context, QWidget* parent = nullptr);
  // The first props show at once; later ones bring the count in or out.
  void setProps(const Props& props, Callbacks callbacks);

  AccessibilityInfo accessibility() const override;
  // The capsule, centred in the widget (which leaves room for the hover growth).
  QRectF capsuleRect() const { return buttonRect(); }
  // The label's colour now.
  QColor textColor() const;
  // 0 … 1: how far the count has come in; its opacity and (unless motion is reduced) its scale
  // from 0.6 follow.
  double countPresence() const { return countPresence_.value(); }
  double countScale() const;
  // 0 … 1: how far the tab has turned to its selected look (with the change that picked it).
  double selectionAmount() const { return selection_.value(); }
  // The count as drawn now, rolling to a new number.
  const NumericText& count() const { return count_; }

 protected:
  HouseButtonLook look(double hover) const override;
  QMarginsF margins() const override { return {kGrowthRoom, kGrowthRoom, kGrowthRoom, kGrowthRoom}; }
  void paint(QPainter& painter) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  double contentWidth() const;
  // The label's width in `font`, measured once per label and font.
  double labelAdvance(const QFont& font) const;
  void logFrame() const;

  Animated<double> countPresence_;
  Animated<double> selection_;
  qsizetype shownCount_ = 0;  // the count drawn, kept while it fades out
  NumericText count_;
  bool hasProps_ = false;
};

}  // namespace qv
