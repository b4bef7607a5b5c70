#pragma once
#include "platform/Pasteboard.h"
#include "platform/WaitingCopies.h"
#include "platform/x11/XcbSupport.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace qv::x11 {

// Of the targets a copy offers, the one its text is read from (empty when it offers no text).
QString preferredTextTarget(const QStringList& targets);

// Watches the CLIPBOARD selection on a connection and a thread of its own and reads each
// foreign copy as soon as it is made, so that the main thread only picks up the result (the
// pictures are decoded by the capture, not here, so that the next copy's read starts at once).
// An owner that does not answer within `kOwnerAnswerMs` (per request, or per INCR chunk: a
// transfer that still moves never times out) makes that change's content fail.
//
// A newer copy does not abandon the read of an older one whose owner already has its request:
// owners finish a transfer after losing the selection, so a large picture copied just before the
// next copy is still read, beside the newer copy's read. Until it settles, the main thread is
// shown that older change as the current one, and the newer ones after it, so it learns of the
// changes in order. What needs a request the old owner can no longer get fails.
//
// A change whose content the main thread has not taken yet is kept when a newer one comes, so
// copies made while the main thread is busy all wait for it, in order, with their contents, as
// far as WaitingCopies bounds them.
class X11ClipboardReader {
 public:
  static constexpr int kOwnerAnswerMs = 1000;
  static constexpr qsizetype kMaxTargetBytes = 256 * 1024 * 1024;
  // Only this many of the targets a copy offers are looked at (real programs offer a few dozen);
  // a copy offering a flood of them must not hold up the copies after it.
  static constexpr qsizetype kMaxTargets = 1000;

  // `onUpdate` runs on the reader thread whenever the change or its content moved.
  explicit X11ClipboardReader(std::function<void()> onUpdate);
  ~X11ClipboardReader();

  bool isValid() const { return running_; }

  PasteboardChange currentChange() const;
  // The kept changes after `count` and the current one, oldest first (empty when `count` is the
  // current one), each with its age; kept changes before `count` are forgotten.
  QList<PasteboardChange> changesSince(qint64 count);
  // The content of a kept change (older than the current one).
  std::optional<PasteboardContent> keptContent(qint64 count) const;
  // The content of change `count` once read (complete or failed); nullopt when it is not read
  // yet after `timeoutMs`, or when `count` is neither current nor kept. Starts a read when none
  // ran.
  std::optional<PasteboardContent> waitForContent(qint64 count, int timeoutMs);
  // Whether the content of `count` is settled (read, failed, kept, or superseded).
  bool isSettled(qint64 count) const;
  // Milliseconds from the change to the end of its read, of the last finished read.
  double lastReadMilliseconds() const;

 private:
  enum class State { Idle, Reading, Done };
  struct Snapshot {
    PasteboardChange change;
    xcb_window_t owner = XCB_NONE;
    xcb_timestamp_t time = XCB_CURRENT_TIME;
    State state = State::Idle;
    PasteboardContent content;
    std::chrono::steady_clock::time_point madeAt;
    bool taken = false;  // its content went to the main thread
  };
  struct Transfer;

  void run();
  void wake();
  void handleEvent(xcb_generic_event_t* event);
  void ownerChanged(xcb_window_t owner, xcb_timestamp_t time, bool ownerGone, uint16_t sequence);
  void startRead();
  void requestNext(Transfer& transfer);
  void finishTarget(Transfer& transfer, const QByteArray& value, bool ok);
  void finishRead(Transfer& transfer, bool complete);
  // The transfer a selection answer or an INCR chunk belongs to, if any.
  Transfer* transferAnswered(const xcb_selection_notify_event_t& notify);
  Transfer* transferOfChunk(const xcb_property_notify_event_t& notify);
  // Under `mutex_`: keeps the current change, unless its content was taken, before a newer one.
  void keepCurrent();
  // Under `mutex_`: the oldest kept change whose read still runs; the main thread is not shown
  // the changes after it until it settles.
  std::optional<qint64> heldBack() const;
  PasteboardChange reported(const Snapshot& snapshot, std::chrono::steady_clock::time_point now) const;
  // When a change was made, by the server's time of it: this thread may learn of several at once,
  // late (a busy machine, a large chunk being read), and the monitor tells copies made close
  // together (they fold) from those made apart by these dates.
  std::chrono::steady_clock::time_point dated(xcb_timestamp_t time);

  XcbConnection connection_;
  // Windows and properties used in turn, so that a late chunk of an abandoned transfer never
  // lands in the property of the next one, and two transfers under way never share a window:
  // some owners (xclip) send the next chunk on any deletion on the requestor window, which would
  // overwrite a chunk of theirs not read yet. The first window also hears the owner changes.
  xcb_window_t windows_[4] = {};
  xcb_atom_t clipboard_ = XCB_NONE;
  xcb_atom_t properties_[4] = {};
  xcb_atom_t incr_ = XCB_NONE;
  xcb_atom_t targets_ = XCB_NONE;
  uint8_t fixesEventBase_ = 0;
  std::function<void()> onUpdate_;

  mutable std::mutex mutex_;
  std::condition_variable settled_;
  Snapshot snapshot_;
  WaitingCopies kept_;  // older changes the main thread has not taken
  // Kept changes whose read goes on after a newer copy came, oldest first.
  QList<qint64> unsettled_;
  bool readRequested_ = false;
  double lastReadMs_ = 0;

  // Reader thread only.
  std::optional<std::chrono::steady_clock::duration> serverOffset_;  // our clock less the server's
  std::unique_ptr<Transfer> transfer_;                               // of the current change
  // Of older changes, finishing what their owners were asked before a newer copy came.
  std::vector<std::unique_ptr<Transfer>> formerTransfers_;

  int wakeFd_ = -1;
  std::atomic<bool> stop_{false};
  bool running_ = false;
  std::thread thread_;
};

}  // namespace qv::x11
