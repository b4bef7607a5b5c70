#include "items/capture/ClipboardMonitor.h"

#include "base/Log.h"
#include "items/ItemServices.h"
#include "items/capture/KnownApplications.h"
#include "items/capture/PasteboardMarkers.h"
#include "platform/DesktopEntries.h"
#include "platform/WindowList.h"
#include "platform/Workspace.h"

#include <QPointer>
#include <algorithm>

namespace qv {

ClipboardMonitor::ClipboardMonitor(ItemServices& context, NewItemHandler onNewItem, QObject* parent)
    : QObject(parent),
      onNewItem_(std::move(onNewItem)),
      scheduler_(context.scheduler),
      pasteboard_(context.pasteboard),
      workspace_(context.workspace),
      desktopEntries_(context.desktopEntries),
      settings_(context.settings),
      appRules_(context.appRules),
      richTextStore_(context.richTextStore),
      fileBookmarkStore_(context.fileBookmarkStore),
      paths_(context.paths),
      imageDecodeQueue_(context.queue(QStringLiteral("imageDecoder"))),
      popoverQueue_(context.queue(QStringLiteral("popoverScan"))),
      captureQueue_(context.queue(QStringLiteral("capture"))),
      bookmarkQueue_(context.queue(QStringLiteral("fileBookmarks"))),
      ownWrites_(context.skipNextChanges),
      windowList_(context.windowList),
      scan_(std::make_shared<ScanState>(OverlayScanner(context.windowList, context.screens, context.workspace),
                                        context.scheduler)) {
  if (!ownWrites_) ownWrites_ = context.skipNextChanges = std::make_shared<OwnWriteCounter>();
  lastChangeCount_ = pasteboard_->changeCount();
  if (windowList_) {
    // The list tells from its own thread; the answer is looked at on the main thread.
    windowList_->setOverlayCandidateHandler([scheduler = scheduler_, life = std::weak_ptr<int>(life_), this] {
      scheduler->post([this] { updateOverlayScans(); }, Guard(life));
    });
  }
}

ClipboardMonitor::~ClipboardMonitor() {
  if (windowList_) windowList_->setOverlayCandidateHandler({});
}

OwnWriteCounter& ClipboardMonitor::skipNextChanges(ItemServices& context) {
  if (!context.skipNextChanges) context.skipNextChanges = std::make_shared<OwnWriteCounter>();
  return *context.skipNextChanges;
}

void ClipboardMonitor::start() {
  lastChangeCount_ = pasteboard_->changeCount();
  ownWrites_->reset();
  running_ = true;
  if (pasteboard_->announcesChanges()) {
    changedConnection_ = connect(pasteboard_.get(), &Pasteboard::changed, this, [this] { checkPasteboard(); });
    updateOverlayScans();
  } else {
    timer_ = scheduler_->every(
        kPollInterval, [this] { timerTick(); }, Guard(this));
  }
}

void ClipboardMonitor::stop() {
  running_ = false;
  timer_.stop();
  disconnect(changedConnection_);
  scanTimer_.stop();
  debounceWork_.cancel();
  debounceWork_ = {};
  if (pending_) pending_->dropped = true;
  pending_.reset();
  orphanCandidate_.reset();
  keepAfterCapture_ = false;
  readInFlight_ = false;
  ++readGeneration_;  // a read still under way belongs to the monitoring that stopped
}

void ClipboardMonitor::flushPendingCapture() {
  if (running_) {
    if (readInFlight_) lastChangeCount_ -= 1;  // look at that change again, this time waiting for it
    checkPasteboard(true);
    if (debounceWork_.isPending()) {
      debounceWork_.cancel();
      keepAfterCapture_ = false;  // nothing is kept on a clipboard that is about to lose its keeper
      captureCurrentPasteboard();
    }
  }
  if (awaiting_.empty()) return;
  // Every capture that ran is handed over before the program goes: wait for their analyses.
  captureQueue_->sync([] {});
  finishReadyCaptures();
}

void ClipboardMonitor::setPanelVisible(bool visible) {
  panelVisible_ = visible;
  updateOverlayScans();
}

void ClipboardMonitor::updateOverlayScans() {
  if (!running_ || !pasteboard_->announcesChanges() || panelVisible_ || !windowList_ ||
      !windowList_->hasOverlayCandidate()) {
    scanTimer_.stop();
    return;
  }
  if (scanTimer_.isRunning()) return;
  queueOverlayScan();
  scanTimer_ = scheduler_->every(
      kPollInterval, [this] { queueOverlayScan(); }, Guard(this));
}

void ClipboardMonitor::queueOverlayScan() {
  popoverQueue_->async([weakScan = std::weak_ptr<ScanState>(scan_)] {
    if (const std::shared_ptr<ScanState> scan = weakScan.lock()) scan->scan();
  });
}

void ClipboardMonitor::timerTick() {
  if (!panelVisible_) queueOverlayScan();
  checkPasteboard();
}

void ClipboardMonitor::scanOverlays() { scan_->scan(); }

void ClipboardMonitor::checkPasteboard(bool wait) {
  const QList<PasteboardChange> changes = pasteboard_->changesSince(lastChangeCount_);
  if (changes.isEmpty()) return;
  // Changes the main thread learns of late (it was busy) each go through the rules as if they
  // had been seen when they were made, oldest first, with the content read back then.
  const double now = scheduler_->uptime();
  for (qsizetype index = 0; index < changes.size(); ++index) {
    const PasteboardChange& change = changes[index];
    const double seenAt = now - std::max(0.0, change.age);
    if (debounceWork_.isPending() && captureDueAt_ <= seenAt) captureAsOf(*pendingChange_);
    const bool newest = index + 1 == changes.size();
    lookAt(change, seenAt, newest ? std::nullopt : std::optional(pasteboard_->keptContent(change.count)), wait);
  }
}

void ClipboardMonitor::lookAt(const PasteboardChange& change, double seenAt, std::optional<PasteboardContent> kept,
                              bool wait) {
  lastChangeCount_ = change.count;
  // An emptied clipboard is no copy: the pending capture of the owner's last copy goes on.
  if (change.ownerGone) {
    ownerGone(change);
    return;
  }
  changeSeenAt_ = seenAt;
  // Any newer change replaces the pending capture, whatever becomes of it.
  cancelPending();
  orphanCandidate_.reset();
  const quint64 generation = ++readGeneration_;
  readInFlight_ = false;

  // Only the change our own write produced is ours. A credit never decides: a foreign copy that
  // replaced our write within one poll interval is still recorded, and credits whose change we
  // never saw are dropped rather than spent on the next foreign copy.
  if (change.ownWrite) {
    ownWrites_->spend();
    return;
  }
  ownWrites_->dropStale();

  const auto answer = [this, guard = QPointer<ClipboardMonitor>(this), generation,
                       change](const PasteboardContent& content) {
    if (!guard || generation != readGeneration_) return;
    readInFlight_ = false;
    // An owner that did not answer in time: this copy is lost, the next one is read afresh.
    if (!content.complete) {
      qCInfo(lcMonitor).noquote() << "Copy not recorded: its owner did not answer in time";
      return;
    }
    if (content.changeCount != change.count) return;  // a newer change; its own look handles it
    accept(content, change);
  };
  if (kept) {
    answer(*kept);
    return;
  }
  if (wait) {
    answer(pasteboard_->read());
    return;
  }
  readInFlight_ = true;
  pasteboard_->readAsync(answer);
}

void ClipboardMonitor::ownerGone(const PasteboardChange& change) {
  if (change.otherClipboardManager) {
    qCInfo(lcMonitor) << "The clipboard's owner quit; another clipboard manager keeps its copy";
    keepAfterCapture_ = false;
    if (!awaiting_.empty()) awaiting_.back()->keepOnClipboard = false;
    orphanCandidate_.reset();
    return;
  }
  if (debounceWork_.isPending()) {
    keepAfterCapture_ = true;
    return;
  }
  // The newest change's capture ran but its items are not in yet: they are kept once they are.
  if (!awaiting_.empty() && awaiting_.back()->generation == readGeneration_) {
    awaiting_.back()->keepOnClipboard = true;
    return;
  }
  keepOrphanedCopy();
}

void ClipboardMonitor::keepOrphanedCopy() {
  keepAfterCapture_ = false;
  const std::optional<QUuid> id = std::exchange(orphanCandidate_, std::nullopt);
  if (!id || !onOwnerGone_) {
    qCInfo(lcMonitor) << "The clipboard's owner quit; its copy was not recorded as a plain item, so it goes";
    return;
  }
  qCInfo(lcMonitor) << "The clipboard's owner quit; keeping its copy on the clipboard";
  onOwnerGone_(*id);
}

void ClipboardMonitor::accept(const PasteboardContent& content, const PasteboardChange& change) {
  const QStringList types = content.types();
  if (markers::shouldIgnore(types)) {
    qCInfo(lcMonitor).noquote() << "Copy not recorded: it is marked transient or auto-generated";
    cancelPending();
    return;
  }
  if (pending_) pending_->dropped = true;
  const bool concealed = markers::isConcealed(types);
  auto capture = std::make_shared<PendingCapture>(content, detectSource(content, change.ownerPid), concealed,
                                                  readGeneration_);
  pending_ = capture;
  pendingChange_ = change;
  // Worked out while the delay runs. The answer is only looked at if the capture ran meanwhile;
  // the capture itself takes it when it is already there.
  captureQueue_->async(
      [capture, store = richTextStore_, scheduler = scheduler_, life = std::weak_ptr<int>(life_), this] {
        if (capture->dropped) return;
        Analysis analysis = analyse(capture->content, capture->source);
        const bool keepsRichText = analysis.keepsRichText;
        bool ran = false;
        {
          std::lock_guard lock(capture->lock);
          capture->analysis = std::move(analysis);
          ran = capture->ran;
        }
        // Once handed the analysis, the main thread may take it at any time unless it waits for
        // the rich form.
        if (ran && keepsRichText) writeSideFiles(*capture, *store);
        scheduler->post([this] { finishReadyCaptures(); }, Guard(life));
      });
  debounceWork_.cancel();
  // Announced changes are timed from the change itself, however long its read took; a polled
  // one from the tick that saw it.
  const double now = scheduler_->uptime();
  captureDueAt_ = pasteboard_->announcesChanges() ? changeSeenAt_ + kCaptureDelay : now + kCaptureDelay;
  debounceWork_ = scheduler_->after(
      std::max(0.0, captureDueAt_ - now), [this] { captureCurrentPasteboard(); }, Guard(this));
}

void ClipboardMonitor::cancelPending() {
  debounceWork_.cancel();
  debounceWork_ = {};
  if (pending_) pending_->dropped = true;
  pending_.reset();
  keepAfterCapture_ = false;
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
  // This program's own copies are skipped before they get here: with one of its windows in front
  // (the panel has the focus), the copy came from the application in front before it.
  std::optional<RunningApp> front = workspace_->frontmostApplication();
  if (front && front->pid != 0 && front->pid == workspace_->ownPid()) front = workspace_->previousApplication();
  if (front && front->pid != workspace_->ownPid() && !front->desktopId.isEmpty()) return front->desktopId;
  return lastResortSource();
}

QString ClipboardMonitor::lastResortSource() {
  if (!lastResortSource_) {
    const QString fileManager = desktopEntries_ ? desktopEntries_->defaultApplication(QStringLiteral("inode/directory"))
                                                : QString();
    lastResortSource_ = fileManager.isEmpty() ? QString::fromLatin1(knownApplications::kLastResortSourceID)
                                              : fileManager;
  }
  return *lastResortSource_;
}

}  // namespace qv
