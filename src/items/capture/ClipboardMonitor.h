#pragma once
#include "items/capture/OverlayScanner.h"
#include "items/capture/OwnWriteCounter.h"
#include "items/model/ClipboardItem.h"
#include "platform/Pasteboard.h"
#include "platform/Scheduler.h"

#include <QColor>
#include <QObject>
#include <QString>
#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace qv {

class DesktopEntries;

struct ItemServices;
class AppRulesManager;
class FileBookmarkStore;
class Paths;
class RichTextStore;
class SerialQueue;
class SettingsStore;
class WindowList;
class Workspace;

// Watches the clipboard and turns each foreign copy into history items.
//
// Where the clipboard announces its changes (X11 reports every new owner) the announcements
// drive the monitor and nothing runs while nothing changes; elsewhere it looks at the change
// count every 0.4 s. Our own writes, transient and auto-generated copies are skipped; for any
// other copy it notes at once whether the copy is concealed and which application it came
// from, and captures it 0.3 s after the change (a newer change replaces the pending capture).
// What the copy becomes (decoding, classification, the file list) is worked out on the capture
// queue while the delay runs, so a huge copy never holds up the main thread; the capture then
// takes its time and rules on the main thread and hands the items over once that work is done,
// always in the order of the changes. Side files (bookmarks, rich text) are written on a queue.
// When the owner of the copy that became the newest item quits, the copy is kept on the
// clipboard, as a clipboard that outlives its owner does. Main thread only.
class ClipboardMonitor : public QObject {
  Q_OBJECT
 public:
  // Receives each captured item and whether it is to be shown blurred. Always called on the
  // main thread, once per item; all items of one copy share one capture time and blur flag.
  using NewItemHandler = std::function<void(const ClipboardItem& item, bool blurred)>;
  // Receives the items of one copy at once, in hand-over order (the last lands newest). When
  // set, it takes the place of the single-item handler for every delivery.
  using NewItemsHandler = std::function<void(const QList<ClipboardItem>& items, bool blurred)>;

  static constexpr double kPollInterval = 0.4;
  static constexpr double kCaptureDelay = 0.3;
  // An overlay owner found this long ago (or less) still gets the copy.
  static constexpr double kOverlayMemory = 1.5;
  static constexpr qsizetype kMaximumTextLength = kKeptTextLength;  // graphemes
  static const QString& truncationSuffix();
  // The text the capture keeps of a copied string: at most kMaximumTextLength graphemes, then
  // the suffix.
  static QString truncatedText(const QString& text);
  // The same for a UTF-8 text representation (trailing NULs dropped), decoding only what is
  // kept: truncatedText(pasteboard::decodeText(body)).
  static QString truncatedText(const QByteArray& utf8Body);
  // A colour object as stored: components rounded to bytes (clamped, wide-gamut ones included).
  static ColorPayload colorPayload(const QColor& color);
  static constexpr char kCaptureNearbyDevicesKey[] = "qv.captureNearbyDevices";
  static constexpr char kPromisesFolderName[] = "QuorvalenPromises";
  static constexpr char kPastedImageFilename[] = "image.png";

  // Reads the current change count (what the clipboard holds now is never recorded); does not
  // start polling.
  ClipboardMonitor(ItemServices& context, NewItemHandler onNewItem, QObject* parent = nullptr);
  ~ClipboardMonitor() override;

  void setNewItemsHandler(NewItemsHandler handler) { onNewItems_ = std::move(handler); }

  // Starts watching, taking the current change as seen and clearing the own-write counter.
  void start();
  // Stops watching and drops the pending capture; changes made while stopped are never recorded.
  void stop();
  bool isRunning() const { return running_; }
  // Runs a pending capture at once (the program is about to quit), waiting briefly for the
  // copy's content when its read is still under way, and for the analysis of every capture
  // that has run, so that all of them are handed over before this returns.
  void flushPendingCapture();

  // While the edge panel shows, the background overlay scans pause.
  bool isPanelVisible() const { return panelVisible_; }
  void setPanelVisible(bool visible);
  // Where changes are announced, overlays are scanned only while a window that can be one is
  // on screen.
  bool isScanningOverlays() const { return scanTimer_.isRunning(); }

  // Receives the id of the newest item when the owner of its copy quit and left the clipboard
  // empty; the receiver puts the item back while it is still the newest. Never called for a copy
  // that was ignored, blurred or not recorded, nor when another clipboard manager runs.
  using OwnerGoneHandler = std::function<void(const QUuid& itemId)>;
  void setOwnerGoneHandler(OwnerGoneHandler handler) { onOwnerGone_ = std::move(handler); }

  // The own-write counter every clipboard writer raises just before it writes.
  static OwnWriteCounter& skipNextChanges(ItemServices& context);
  OwnWriteCounter& skipNextChanges() { return *ownWrites_; }

  // One poll: a background overlay scan (while the panel is hidden), then the change check.
  void timerTick();
  // Looks at the change count and, when it moved, decides about the change. `wait` reads the
  // content at once instead of in the background.
  void checkPasteboard(bool wait = false);
  // The application a copy came from; never empty.
  QString detectSource(const PasteboardContent& content, qint64 ownerPid);
  // The source of a copy nothing else identifies: the desktop's file manager where one is
  // installed, else the fixed stand-in. Looked up once.
  QString lastResortSource();
  // Records the overlay owner under the pointer now, if any (the background scan's work).
  void scanOverlays();
  // The debounced capture. Its items follow once the copy's analysis is done (at once when it
  // already is).
  void captureCurrentPasteboard();

  bool hasPendingCapture() const { return debounceWork_.isPending(); }
  // Captures that ran and wait for their analysis.
  qsizetype capturesAwaitingAnalysis() const { return qsizetype(awaiting_.size()); }

  // What a copy becomes, worked out from its content and source alone: no store, clipboard or
  // clock is touched, so it runs on the capture queue. Items carry no capture time yet.
  struct Analysis {
    enum class Kind { files, images, other };
    Kind kind = Kind::other;
    // files: the items of the files that are not pictures; images: one per picture. In
    // hand-over order: the clipboard's first lands last, so that it ends up newest.
    QList<ClipboardItem> items;
    QList<QUrl> imageFiles;  // files: the pictures, decoded later, in hand-over order
    QImage fallbackImage;    // files: the clipboard's picture, for a picture file that does not decode
    // other (after any promised files): the one item, whether its rich form is kept beside it,
    // and why there is none.
    std::optional<ClipboardItem> single;
    bool keepsRichText = false;
    QString unrecordableReason;
  };
  static Analysis analyse(const PasteboardContent& content, const QString& source);

 private:
  // What one capture decided on the main thread.
  struct Run {
    QString source;
    QDateTime capturedAt;
    bool blurred = false;
  };
  // One accepted change on its way to the history. The capture queue fills `analysis`; the
  // rest belongs to the main thread.
  struct PendingCapture {
    PendingCapture(PasteboardContent copied, QString noted, bool isConcealed, quint64 readGeneration)
        : content(std::move(copied)), source(std::move(noted)), concealed(isConcealed), generation(readGeneration) {}
    const PasteboardContent content;
    const QString source;
    const bool concealed;
    const quint64 generation;          // readGeneration_ of the change
    std::atomic<bool> dropped{false};  // a newer change replaced it before its capture ran
    std::mutex lock;
    std::optional<Analysis> analysis;  // guarded by `lock`
    // Guarded by `lock`: the capture ran; the capture queue has written what follows it, and
    // whether that was the text's rich form.
    bool ran = false;
    bool sideFilesDone = false;
    bool richTextStored = false;
    // Set when the capture ran.
    std::optional<Run> run;
    bool keepOnClipboard = false;
  };

  // One change, seen at `seenAt` (uptime); `kept` is the content of a change the main thread
  // learnt of late, else the content is read.
  void lookAt(const PasteboardChange& change, double seenAt, std::optional<PasteboardContent> kept, bool wait);
  void accept(const PasteboardContent& content, const PasteboardChange& change);
  // The capture of the pending change, with the clipboard as `asOf` held when it ran; its items
  // are dated when it was due.
  void captureAsOf(const PasteboardChange& asOf);
  void cancelPending();
  // Hands over the captures whose analysis is done, oldest first, stopping at the first that
  // still waits.
  void finishReadyCaptures();
  void finishCapture(PendingCapture& capture, Analysis analysis);
  // The rich form of a text is stored beside it (on the capture queue, once the capture ran and
  // before the item is handed over), so that the item never exists without it.
  static void storeRichText(RichTextStore& store, const PasteboardContent& content, const QString& id);
  // Capture queue: the side files of a capture that ran and was analysed.
  static void writeSideFiles(PendingCapture& capture, RichTextStore& store);
  void ownerGone(const PasteboardChange& change);
  void keepOrphanedCopy();
  void updateOverlayScans();
  void queueOverlayScan();

  // Capture steps.
  void queueImageFileDecode(const QUrl& url, const QImage& fallback, const Run& run);
  bool receivePromisedFiles(const PasteboardContent& content, const Run& run);
  static std::optional<ClipboardItem> makeItem(const PasteboardContent& content, const QString& source,
                                               bool& keepsRichText);
  static bool hasNonLinkText(const PasteboardContent& content);
  // Why makeItem found nothing to record, for the log.
  static QString unrecordableReason(const PasteboardContent& content);
  void deliver(const QList<ClipboardItem>& items, bool blurred) const;
  // Both handlers, for deliveries from other queues.
  std::function<void(const QList<ClipboardItem>&, bool)> deliverer() const;
  std::optional<QString> ownerApplication(qint64 ownerPid) const;

  NewItemHandler onNewItem_;
  NewItemsHandler onNewItems_;
  std::shared_ptr<Scheduler> scheduler_;
  std::shared_ptr<Pasteboard> pasteboard_;
  std::shared_ptr<Workspace> workspace_;
  std::shared_ptr<DesktopEntries> desktopEntries_;
  std::optional<QString> lastResortSource_;
  std::shared_ptr<SettingsStore> settings_;
  std::shared_ptr<AppRulesManager> appRules_;
  std::shared_ptr<RichTextStore> richTextStore_;
  std::shared_ptr<FileBookmarkStore> fileBookmarkStore_;
  std::shared_ptr<Paths> paths_;
  std::shared_ptr<SerialQueue> imageDecodeQueue_;
  std::shared_ptr<SerialQueue> popoverQueue_;
  std::shared_ptr<SerialQueue> captureQueue_;   // analyses copies, writes their rich text
  std::shared_ptr<SerialQueue> bookmarkQueue_;  // writes the bookmarks of copied files
  std::shared_ptr<OwnWriteCounter> ownWrites_;
  std::shared_ptr<WindowList> windowList_;

  // What the background scan needs, held apart from the monitor so the queue can hold it weakly.
  struct ScanState {
    ScanState(OverlayScanner overlayScanner, std::shared_ptr<Scheduler> clock)
        : scanner(std::move(overlayScanner)), scheduler(std::move(clock)) {}
    void scan() {
      if (std::optional<QString> owner = scanner.findOwner()) memory.remember(*owner, scheduler->uptime());
    }
    OverlayScanner scanner;
    OverlayMemory memory;
    std::shared_ptr<Scheduler> scheduler;
  };
  std::shared_ptr<ScanState> scan_;
  // Lives exactly as long as the monitor; work off the main thread holds it weakly.
  std::shared_ptr<int> life_ = std::make_shared<int>(0);

  bool running_ = false;
  Timer timer_;                                // the poll, where changes are not announced
  QMetaObject::Connection changedConnection_;  // the announcements, where they are
  Timer scanTimer_;                            // overlay scans while an overlay may be on screen
  WorkItem debounceWork_;
  qint64 lastChangeCount_ = 0;
  double changeSeenAt_ = 0;  // monotonic time of the last announced change
  double captureDueAt_ = 0;  // monotonic time the pending capture is due
  std::optional<PasteboardChange> pendingChange_;
  bool readInFlight_ = false;
  // The item the last capture recorded alone and unblurred, while no newer change came.
  std::optional<QUuid> orphanCandidate_;
  bool keepAfterCapture_ = false;  // the owner quit while its copy's capture was pending
  OwnerGoneHandler onOwnerGone_;
  // Bumped by every accepted change and by stop(): an answer of an older read is dropped.
  quint64 readGeneration_ = 0;
  // The accepted change whose capture waits out the delay.
  std::shared_ptr<PendingCapture> pending_;
  // Captures that ran, in order, waiting for their analysis.
  std::deque<std::shared_ptr<PendingCapture>> awaiting_;
  bool panelVisible_ = false;
};

}  // namespace qv
