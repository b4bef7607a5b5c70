#pragma once

namespace qv {

// How many of the clipboard's coming changes are this program's own writes. Every writer of
// the clipboard raises it by one just before it writes; the clipboard monitor spends it when it
// sees the change. Main thread only.
//
// A credit alone never makes a change ours: the monitor skips a change only when the clipboard
// reports that our write produced it, so a foreign copy that lands in the same poll interval as
// our write (or after a credit whose change was never seen) is still recorded.
class OwnWriteCounter {
 public:
  // A writer is about to write the clipboard.
  void raise() { ++count_; }
  int count() const { return count_; }

  // The monitor saw our own change: every earlier write of ours is behind it too.
  void spend() { count_ = 0; }
  // The monitor saw a foreign change: credits for writes it never saw are stale.
  void dropStale() { count_ = 0; }
  void reset() { count_ = 0; }

 private:
  int count_ = 0;
};

}  // namespace qv
