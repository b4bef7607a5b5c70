#pragma once
#include "library/LibraryCapsules.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/controls/PillButtons.h"

#include <QString>
#include <functional>
#include <optional>

namespace qv {

struct LibraryIconPillProps {
  QString symbol;
  QString help;
  bool operator==(const LibraryIconPillProps&) const = default;
};

// The round icon button of the header ("pencil", "plus"): the symbol on a faint capsule that
// darkens and grows a little under the pointer; its help is the tooltip and the spoken name.
class LibraryIconPill : public HouseButtonWith<LibraryIconPillProps> {
  Q_OBJECT
 public:
  static constexpr double kEnterScale = 0.7;

  explicit LibraryIconPill(InterfaceServices& context, QWidget* parent = nullptr);
  void setProps(const Props& props, Callbacks callbacks);

  AccessibilityInfo accessibility() const override;
  QRectF capsuleRect() const { return buttonRect(); }

  // Comes in from nothing and goes out again with a fade, growing from 0.7 at its leading edge
  // (the fade alone under reduced motion), with `animation` or at once. A pill on its way out
  // takes no clicks; `onGone` runs once it has gone.
  void appear(const std::optional<Animation>& animation);
  void disappear(const std::optional<Animation>& animation, std::function<void()> onGone);
  // 0 … 1: how far it has come in; its opacity and (unless motion is reduced) its scale follow.
  double presence() const { return presence_.value(); }
  double presenceScale() const;

 protected:
  HouseButtonLook look(double hover) const override;
  QMarginsF margins() const override { return {kGrowthRoom, kGrowthRoom, kGrowthRoom, kGrowthRoom}; }
  void paint(QPainter& painter) override;

 private:
  Animated<double> presence_;
};

}  // namespace qv
