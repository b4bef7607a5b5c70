#include "app/EdgeTrigger.h"

#include "app/AppContext.h"
#include "base/Log.h"
#include "platform/Screens.h"

namespace qv {
namespace {
constexpr double kBandWidth = 4;
}

EdgeTrigger::EdgeTrigger(const AppContext& context, ShowHandler onShow, QObject* parent)
    : QObject(parent),
      scheduler_(*context.scheduler),
      screens_(*context.screens),
      pointer_(*context.pointerMonitor),
      onShow_(std::move(onShow)) {}

EdgeTrigger::~EdgeTrigger() { dwellWork_.cancel(); }

void EdgeTrigger::start() {
  if (monitor_) return;
  // Raw pointer events cover our own windows as well, so one handler does for both.
  monitor_ = pointer_.addMoveHandler([this](QPointF location) { handleMouseMoved(location); });
  qCInfo(lcEdge, "EdgeTrigger started — side: %s, delay: %f", qUtf8Printable(edgeSide_), dwellDelay_);
}

void EdgeTrigger::stop() {
  monitor_.reset();
  disarm();
  qCInfo(lcEdge, "EdgeTrigger stopped");
}

void EdgeTrigger::update(const QString& side, double dwellDelay) {
  const bool sideChanged = side != edgeSide_;
  edgeSide_ = side;
  dwellDelay_ = dwellDelay;
  if (sideChanged) disarm();
}

void EdgeTrigger::setSuppressed(bool suppressed) {
  const bool turnedOn = suppressed && !suppressed_;
  suppressed_ = suppressed;
  if (turnedOn) disarm();
}

void EdgeTrigger::disarm() {
  dwellWork_.cancel();
  dwellWork_ = WorkItem();
  armedSide_.reset();
}

std::optional<QString> EdgeTrigger::edgeSideAt(QPointF point) const {
  const std::optional<ScreenInfo> screen = screenContaining(screens_.screens(), point);
  if (!screen) return std::nullopt;
  // The whole frame counts, panels included: the edge is the physical edge of the screen.
  const QRectF& frame = screen->frame;
  const bool left = point.x() <= frame.left() + kBandWidth;
  const bool right = point.x() >= frame.right() - kBandWidth;
  if (edgeSide_ == QLatin1String("left")) return left ? std::optional<QString>(QStringLiteral("left")) : std::nullopt;
  if (edgeSide_ == QLatin1String("both")) {
    if (left) return QStringLiteral("left");
    if (right) return QStringLiteral("right");
    return std::nullopt;
  }
  return right ? std::optional<QString>(QStringLiteral("right")) : std::nullopt;
}

void EdgeTrigger::handleMouseMoved(QPointF location) {
  if (suppressed_) return;
  const std::optional<QString> side = edgeSideAt(location);
  if (!side) {
    if (armedSide_) disarm();
    return;
  }
  if (side == armedSide_) return;  // the dwell runs or has already fired
  armedSide_ = side;
  dwellWork_.cancel();
  arm(*side);
}

void EdgeTrigger::arm(const QString& side) {
  dwellWork_.cancel();
  dwellWork_ = WorkItem();
  if (dwellDelay_ > 0) {
    dwellWork_ = scheduler_.after(
        dwellDelay_,
        [this, side] {
          if (armedSide_ == side && onShow_) onShow_(side);
        },
        this);
  } else if (onShow_) {
    onShow_(side);
  }
}

}  // namespace qv
