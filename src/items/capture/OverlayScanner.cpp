#include "items/capture/OverlayScanner.h"

#include "items/capture/KnownApplications.h"
#include "platform/Screens.h"
#include "platform/WindowList.h"
#include "platform/Workspace.h"

namespace qv {

OverlayScanner::OverlayScanner(std::shared_ptr<const WindowList> windows, std::shared_ptr<const Screens> screens,
                               std::shared_ptr<const Workspace> workspace)
    : windows_(std::move(windows)), screens_(std::move(screens)), workspace_(std::move(workspace)) {}

namespace {

bool coversAScreen(const QRectF& bounds, const QList<ScreenInfo>& screens) {
  for (const ScreenInfo& screen : screens)
    if (bounds.width() >= OverlayScanner::kScreenCoveringFraction * screen.frame.width() &&
        bounds.height() >= OverlayScanner::kScreenCoveringFraction * screen.frame.height())
      return true;
  return false;
}

// Left and top edges inside, right and bottom edges outside.
bool containsPoint(const QRectF& bounds, QPointF point) {
  return point.x() >= bounds.left() && point.x() < bounds.left() + bounds.width() && point.y() >= bounds.top() &&
         point.y() < bounds.top() + bounds.height();
}

}  // namespace

std::optional<QString> OverlayScanner::findOwner() const {
  if (!windows_ || !workspace_) return std::nullopt;
  const QList<WindowInfo> windows = windows_->windows();
  if (windows.isEmpty()) return std::nullopt;
  const QList<ScreenInfo> screens = screens_ ? screens_->screens() : QList<ScreenInfo>{};
  // Asking where the pointer is costs a round trip to the display server: only done once a
  // window could be an overlay at all, which on most ticks none is.
  std::optional<QPointF> pointer;
  const auto pointerLocation = [&] {
    if (!pointer) pointer = screens_ ? screens_->pointerLocation() : QPointF();
    return *pointer;
  };
  const qint64 ownPid = workspace_->ownPid();

  struct Candidate {
    int layer;
    double area;
    qint64 pid;
    QString bundleID;
  };
  std::optional<Candidate> best;
  for (const WindowInfo& window : windows) {  // front to back
    if (window.layer < kLeastLayer || !canBeOverlay(window)) continue;
    const QRectF bounds(window.bounds);
    if (bounds.width() < kSmallestSide || bounds.height() < kSmallestSide) continue;
    if (coversAScreen(bounds, screens)) continue;
    if (window.alpha && !(*window.alpha > kLeastAlpha)) continue;
    if (!containsPoint(bounds, pointerLocation())) continue;
    if (window.ownerPid <= 0 || window.ownerPid == ownPid) continue;
    const std::optional<RunningApp> app = workspace_->applicationForPid(window.ownerPid);
    if (!app || app->desktopId.isEmpty()) continue;
    if (knownApplications::isShellApplication(app->desktopId)) continue;
    const Candidate candidate{window.layer, bounds.width() * bounds.height(), window.ownerPid, app->desktopId};
    // The lowest layer wins, then the smallest window; on a full tie the front one stays.
    if (!best || candidate.layer < best->layer || (candidate.layer == best->layer && candidate.area < best->area))
      best = candidate;
  }
  if (!best) return std::nullopt;
  if (std::optional<QString> outer = workspace_->containingApplicationId(best->pid); outer && !outer->isEmpty())
    return outer;
  return best->bundleID;
}

}  // namespace qv
