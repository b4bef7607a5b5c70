#pragma once
#include "ui/anim/AnimatedValue.h"

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <optional>

class QGraphicsOpacityEffect;

namespace qv {

struct InterfaceServices;

// Swaps what one place of a pane shows with a crossfade: the outgoing view fades out while the
// one coming in fades in, on the animation given (without one the swap is at once). The
// outgoing view takes no pointer and gives up the keyboard as the swap starts, so that nothing
// reaches what is on its way out. A pane swaps its content (viewer and editor, a sensitive
// item's placeholder and its content) or its header (the actions and the edit bar) with it.
class CrossFade : public QObject {
  Q_OBJECT
 public:
  // What becomes of the outgoing view once it has faded: deleted (content made anew each
  // time) or hidden (a part the pane keeps).
  enum class Outgoing { remove, hide };
  // Whether the two views fade at once, or one after the other (the outgoing one gone by
  // halfway, the incoming one from there): for views whose controls would stand over each other.
  enum class Blend { together, inTurn };

  CrossFade(InterfaceServices& context, Outgoing outgoing, QObject* parent = nullptr, Blend blend = Blend::together);
  ~CrossFade() override;

  // Shows `incoming` in place of the view shown now. A swap still under way ends at once first.
  void swapTo(QWidget* incoming, const std::optional<Animation>& animation);
  QWidget* current() const { return current_; }
  // The view fading out; null once the swap is over.
  QWidget* outgoing() const { return outgoing_; }
  // 0 … 1: how far the view coming in has come.
  double progress() const { return progress_.value(); }
  bool isSwapping() const { return outgoing_ != nullptr; }
  // Ends a swap under way at once.
  void finish();

 private:
  void apply();
  static void setOpacity(QWidget* widget, double opacity);

  Outgoing disposal_;
  Blend blend_;
  QPointer<QWidget> current_;
  QPointer<QWidget> outgoing_;
  Animated<double> progress_;
  bool finishing_ = false;
};

}  // namespace qv
