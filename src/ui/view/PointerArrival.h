#pragma once
#include <QObject>
#include <QPointF>
#include <QUuid>
#include <optional>
#include <utility>

class QWidget;

namespace qv {

// What lies under the pointer, as a host names it: a control, or a card with the item it shows
// now (hosts recycle their cards). The default names nothing that takes presses.
struct PointerTarget {
  const void* object = nullptr;
  QUuid item;
  quint64 version = 0;  // a control that acts otherwise now (a reused button) is another target
  bool operator==(const PointerTarget&) const = default;
};

// Which press counts, one rule for every host of controls and cards. A press counts on what the
// pointer itself moved onto: what came to lie under a resting pointer (a row swapped for another,
// a card sliding into a removed one's place, a menu closing over it) waits until the pointer moves,
// as hover follows only the pointer's own motion. The second press of a double-click (within the
// interval, at the first press's place) belongs to the first press's target: on another target it
// never counts as a press of its own.
class PointerArrival {
 public:
  static constexpr double kDoubleClickInterval = 0.35;
  static constexpr double kDoubleClickSlop = 6;

  enum class Press {
    counts,         // on the target the pointer moved onto
    waits,          // the target came under the resting pointer: nothing happens
    secondOfFirst,  // the second press of a double-click whose first press took another target
  };

  // The pointer was seen at `place` (on the screen) over `target`, at a move or a press. Seen at
  // another place than before, its own motion brought it onto `target`; at the same place,
  // `target` may have come there by itself.
  void pointerAt(QPointF place, const PointerTarget& target);
  // The pointer's own doing brought `target` under it at `place` (a wheel turned under it).
  void moved(QPointF place, const PointerTarget& target);
  // The pointer is at `place`, where something else put whatever lies under it (a menu that had
  // the pointer closed).
  void rests(QPointF place);
  // Where the pointer is says nothing any more (its window hid): the next press counts.
  void forget() { place_.reset(); }

  // A press on `target` at `time` (seconds) and `place`: whether it counts. One that counts is
  // what the pointer is over now, and a double-click's possible first press.
  Press press(const PointerTarget& target, double time, QPointF place);
  // The target of the press a `secondOfFirst` press belongs to.
  const PointerTarget& firstPressTarget() const { return lastPress_.target; }

 private:
  struct LastPress {
    PointerTarget target;
    double time = -1e9;
    QPointF place;
  };
  std::optional<QPointF> place_;  // where the pointer was last seen; none while not known
  // What its own motion left it over; none where something else put it.
  std::optional<PointerTarget> movedOnto_;
  LastPress lastPress_;
};

// The rule for every painted control of the program's windows: it watches the pointer over all of
// them (an event filter of the application) and notes which widget the pointer's own motion left
// it over. A press the window system delivers at a resting pointer counts only on that widget, as
// long as it has not started to act otherwise since. (A press it never saw, one a test hands a
// widget directly, says nothing of the pointer and counts.)
class ControlPointerArrival : public QObject {
  Q_OBJECT
 public:
  explicit ControlPointerArrival(QObject* parent = nullptr);

  // Whether a press at `globalPosition` (with the time stamp `timestamp`, in milliseconds) in
  // `window` counts for the widget that lies there now.
  bool admitPress(QWidget& window, QPointF globalPosition, quint64 timestamp);
  // The widget of `window` at a point of the screen, as a target: the widget and the version of
  // its action.
  static PointerTarget targetAt(QWidget& window, QPointF globalPosition);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  PointerArrival arrival_;
  // The press the window system is delivering now: where, and its time stamp.
  std::optional<std::pair<QPointF, quint64>> windowPress_;
};

}  // namespace qv
