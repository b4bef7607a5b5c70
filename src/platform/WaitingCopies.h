#pragma once
#include "platform/Pasteboard.h"

#include <QList>
#include <QSize>
#include <deque>

namespace qv {

// Copies made while the main thread was busy, with their contents, oldest first, until it looks
// past them. What bounds them is what the history will keep of them (`keptBytes`: a long text at
// the length it is cut to, a picture at its size in memory), not what the owner sent, so that a
// few screenshots or huge texts copied in a row all reach the history. At most `kMaxCopies`
// copies and `kMaxKeptBytes` of what they keep wait, and `kMaxHeldBytes` of what they hold (the
// whole text is held until the capture cuts it); past any bound the oldest waiting copy is
// dropped and logged. The newest always stays. Not thread-safe: its owner locks.
class WaitingCopies {
 public:
  static constexpr qsizetype kMaxCopies = 100;
  static constexpr qsizetype kMaxKeptBytes = 64 * 1024 * 1024;
  static constexpr qsizetype kMaxHeldBytes = 256 * 1024 * 1024;

  struct Copy {
    PasteboardChange change;
    PasteboardContent content;
    double madeAt = 0;  // seconds on a monotonic clock
  };

  // What the history keeps of a copy, in bytes: a text at most kKeptTextLength characters of
  // four bytes; a rich form (HTML, RTF) only when it is small enough to be kept; a picture at its
  // decoded size at the depth it is kept at (its encoded bytes are not kept beside it); anything
  // else whole.
  static qsizetype keptBytes(const PasteboardContent& content);
  // A picture of `size` pixels as the history keeps it: 8 bits per channel, four channels,
  // whatever depth it was copied at.
  static qsizetype keptPictureBytes(QSize size) { return qsizetype(size.width()) * size.height() * 4; }
  // What the content holds in memory, in bytes.
  static qsizetype heldBytes(const PasteboardContent& content);

  // Adds the newest copy and drops the oldest ones while a bound is passed.
  void push(Copy copy);
  // Gives waiting change `count` the content read after a newer copy came (until then it waited
  // with an empty one) and drops the oldest copies while a bound is passed. False when it does
  // not wait (any more).
  bool settle(qint64 count, PasteboardContent content);
  // Forgets the copies before change `count` (the main thread has looked past them).
  void forgetBefore(qint64 count);
  // The content of waiting change `count`; none when it does not wait (any more).
  const PasteboardContent* content(qint64 count) const;
  // Waiting change `count`; none when it does not wait (any more).
  const PasteboardChange* change(qint64 count) const;
  // The waiting changes after `count`, oldest first, each with its age at `now`.
  QList<PasteboardChange> changesAfter(qint64 count, double now) const;

  qsizetype size() const { return qsizetype(copies_.size()); }
  QList<qint64> counts() const;

 private:
  struct Waiting {
    Copy copy;
    qsizetype kept = 0, held = 0;
  };
  void dropOldest();
  // Drops the oldest while a bound is passed; the newest stays.
  void keepWithinBounds();

  std::deque<Waiting> copies_;
  qsizetype keptBytes_ = 0, heldBytes_ = 0;
};

}  // namespace qv
