#include "panel/CardGesture.h"

#include <QLineF>
#include <cmath>

namespace qv {

void CardGesture::press(QPointF position) {
  start_ = position;
  moved_ = false;
  draggingOut_ = false;
}

CardGesture::Outcome CardGesture::move(QPointF position, bool insideCard) {
  if (!start_) return Outcome::none;
  if (QLineF(*start_, position).length() > kClickSlop) moved_ = true;
  if (insideCard || draggingOut_) return Outcome::none;
  draggingOut_ = true;
  return Outcome::dragOut;
}

CardGesture::Outcome CardGesture::release(QPointF position, bool insideCard) {
  if (!start_) return Outcome::none;
  const QPointF start = *start_;
  start_.reset();
  if (draggingOut_ || !insideCard) return Outcome::none;
  const QPointF translation = position - start;
  if (QLineF(start, position).length() > kClickSlop) moved_ = true;
  if (!moved_) return Outcome::click;
  if (QLineF(start, position).length() >= kSwipeMinimumDistance && isDeletingSwipe(translation))
    return Outcome::swipeDelete;
  return Outcome::none;
}

bool CardGesture::isDeletingSwipe(QPointF translation) {
  return translation.x() < kSwipeDeleteWidth && std::abs(translation.y()) * kSwipeSlope < std::abs(translation.x());
}

}  // namespace qv
