#pragma once
#include "ui/view/PointerArrival.h"

#include <QPointF>
#include <optional>

namespace qv {

// One press of the primary button on a card, from press to release, told apart into a click, a
// left swipe that deletes, or a drag out of the program. A press that moves less than the click
// slop and is let go inside the card is a click. A pointer that leaves the card with the button
// down starts a drag-out (once), and a drag-out never deletes. Released inside the card after
// moving at least 30 points, the press deletes when it went more than 60 points left and its
// vertical travel times 1.5 stays below the horizontal one.
class CardGesture {
 public:
  static constexpr double kClickSlop = 6;
  static constexpr double kSwipeMinimumDistance = 30;
  static constexpr double kSwipeDeleteWidth = -60;
  static constexpr double kSwipeSlope = 1.5;
  static constexpr double kDoubleClickInterval = PointerArrival::kDoubleClickInterval;

  enum class Outcome { none, click, swipeDelete, dragOut };

  // A press (a double-click event is a press too).
  void press(QPointF position);
  // Returns dragOut the first time the pointer is outside the card while pressed.
  Outcome move(QPointF position, bool insideCard);
  Outcome release(QPointF position, bool insideCard);
  void cancel() { start_.reset(); }
  bool isPressed() const { return start_.has_value(); }
  std::optional<QPointF> pressPosition() const { return start_; }

  // Whether a swipe that moved by `translation` deletes.
  static bool isDeletingSwipe(QPointF translation);

 private:
  std::optional<QPointF> start_;
  bool moved_ = false;
  bool draggingOut_ = false;
};

}  // namespace qv
