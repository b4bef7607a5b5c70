#include "items/capture/ClipboardMonitor.h"

#include "base/Log.h"
#include "items/capture/KnownApplications.h"
#include "items/capture/PasteboardMarkers.h"
#include "items/ItemServices.h"
#include "platform/Workspace.h"

#include <QPointer>

namespace qv {

ClipboardMonitor::ClipboardMonitor(ItemServices& context, NewItemHandler onNewItem, QObject* parent)
    : QObject(parent),
      onNewItem_(std::move(onNewItem)),
      scheduler_(context.scheduler),
      pasteboard_(context.pasteboard),
      workspace_(context.workspace),
      settings_(context.settings),
      appRules_(context.appRules),
      richTextStore_(context.richTextStore),
      fileBookmarkStore_(context.fileBookmarkStore),
      paths_(context.paths),
      imageDecodeQueue_(context.queue(QStringLiteral("imageDecoder"))),
      popoverQueue_(context.queue(QStringLiteral("popoverScan"))),
      ownWrites_(context.skipNextChanges),
      scan_(std::make_shared<ScanState>(OverlayScanner(context.windowList, context.screens, context.workspace),
                                        context.scheduler)) {
  if (!ownWrites_) ownWrites_ = context.skipNextChanges = std::make_shared<OwnWriteCounter>();
  lastChangeCount_ = pasteboard_->changeCount();
}

ClipboardMonitor::~ClipboardMonitor() = default;

OwnWriteCounter& ClipboardMonitor::skipNextChanges(ItemServices& context) {
  if (!context.skipNextChanges) context.skipNextChanges = std::make_shared<OwnWriteCounter>();
  return *context.skipNextChanges;
}

void ClipboardMonitor::start() {
  lastChangeCount_ = pasteboard_->changeCount();
  ownWrites_->reset();
  timer_ = scheduler_->every(kPollInterval, [this] { timerTick(); }, Guard(this));
}

void ClipboardMonitor::stop() {
  timer_.stop();
  debounceWork_.cancel();
  debounceWork_ = {};
  pendingContent_.reset();
  ++readGeneration_;  // a read still under way belongs to the monitoring that stopped
}

void ClipboardMonitor::timerTick() {
  if (!panelVisible_) {
    popoverQueue_->async([weakScan = std::weak_ptr<ScanState>(scan_)] {
      if (const std::shared_ptr<ScanState> scan = weakScan.lock()) scan->scan();
    });
  }
  checkPasteboard();
}

void ClipboardMonitor::scanOverlays() { scan_->scan(); }

void ClipboardMonitor::checkPasteboard() {
  const PasteboardChange change = pasteboard_->currentChange();
  if (change.count == lastChangeCount_) return;
  lastChangeCount_ = change.count;
  // Any newer change replaces the pending capture, whatever becomes of it.
  cancelPending();
  const quint64 generation = ++readGeneration_;

  // Only the change our own write produced is ours. A credit never decides: a foreign copy that
  // replaced our write within one poll interval is still recorded, and credits whose change we
  // never saw are dropped rather than spent on the next foreign copy.
  if (change.ownWrite) {
    ownWrites_->spend();
    return;
  }
  ownWrites_->dropStale();

  pasteboard_->readAsync([this, guard = QPointer<ClipboardMonitor>(this), generation,
                          change](const PasteboardContent& content) {
    if (!guard || generation != readGeneration_) return;
    // An owner that did not answer in time: this copy is lost, the next one is read afresh.
    if (!content.complete) {
      qCInfo(lcMonitor) << "clipboard owner did not answer; copy skipped";
      return;
    }
    if (content.changeCount != change.count) return;  // a newer change; its own tick handles it
    accept(content, change.ownerPid);
  });
}

void ClipboardMonitor::accept(const PasteboardContent& content, qint64 ownerPid) {
  const QStringList types = content.types();
  if (markers::shouldIgnore(types)) {
    cancelPending();
    return;
  }
  pendingIsConcealed_ = markers::isConcealed(types);
  pendingSource_ = detectSource(content, ownerPid);
  pendingContent_ = content;
  debounceWork_.cancel();
  debounceWork_ = scheduler_->after(kCaptureDelay, [this] { captureCurrentPasteboard(); }, Guard(this));
}

void ClipboardMonitor::cancelPending() {
  debounceWork_.cancel();
  debounceWork_ = {};
  pendingSource_.reset();
  pendingIsConcealed_ = false;
  pendingContent_.reset();
}

std::optional<QString> ClipboardMonitor::ownerApplication(qint64 ownerPid) const {
  if (ownerPid <= 0 || ownerPid == workspace_->ownPid()) return std::nullopt;
  const std::optional<RunningApp> app = workspace_->applicationForPid(ownerPid);
  if (!app || app->desktopId.isEmpty()) return std::nullopt;
  if (std::optional<QString> outer = workspace_->containingApplicationId(ownerPid); outer && !outer->isEmpty())
    return outer;
  return app->desktopId;
}

QString ClipboardMonitor::detectSource(const PasteboardContent& content, qint64 ownerPid) {
  const QStringList types = content.types();
  if (types.contains(QLatin1String(markers::kRemoteClipboardType))) return QLatin1String(kNearbyDeviceBundleID);
  if (types.contains(QLatin1String(markers::kSourceType))) {
    const std::optional<QString> named = content.string(QLatin1String(markers::kSourceType));
    if (named && !named->isEmpty()) return *named;
  }
  // The process that owns the clipboard made the copy: the most precise answer there is.
  if (std::optional<QString> owner = ownerApplication(ownerPid)) return *owner;
  // Unknown owner: a copy made in a menu or popover belongs to that overlay's application.
  const double now = scheduler_->uptime();
  if (std::optional<QString> overlay = scan_->scanner.findOwner()) {
    scan_->memory.remember(*overlay, now);
    return *overlay;
  }
  // The overlay may have closed with the copy; one seen shortly before still counts.
  if (const std::optional<OverlayMemory::Sighting> last = scan_->memory.last();
      last && now - last->seenAt <= kOverlayMemory + 1e-9)
    return last->bundleID;
  if (const std::optional<RunningApp> front = workspace_->frontmostApplication(); front && !front->desktopId.isEmpty())
    return front->desktopId;
  return QLatin1String(knownApplications::kLastResortSourceID);
}

}  // namespace qv
