#pragma once
#include <QObject>
#include <QPointF>
#include <QUuid>
#include <algorithm>
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
// pointer itself moved onto. What came to lie under a resting pointer (a row swapped for another,
// a card sliding into a removed one's place, a menu closing over it) takes a press once the
// double-click interval since the last press has passed, so that a quick second click never lands
// on it; one that acts on an item (removes, replaces, copies or pastes it) waits until the pointer
// moves, as does the second press of a double-click on it (a card's paste). The second press of a
// double-click (within the interval, at the first press's place) belongs to the first press's
// target: on another target it never counts as a press of its own.
class PointerArrival {
 public:
  static constexpr double kDoubleClickInterval = 0.35;
  static constexpr double kDoubleClickSlop = 6;

  enum class Press {
    counts,         // on the target the pointer moved onto, or one that came there a while ago
    waits,          // the target came under the resting pointer: nothing happens
    secondOfFirst,  // the second press of a double-click whose first press took another target
  };
  // What a press on a target does: one that acts on an item never lands on it unaimed.
  enum class Effect { onView, onItem };

  // The interval is at least the toolkit's: a press it takes for a double-click's second is one.
  explicit PointerArrival(double doubleClickInterval = kDoubleClickInterval)
      : interval_(std::max(doubleClickInterval, kDoubleClickInterval)) {}
  // The application's double-click interval, in seconds (the style hints'), at least ours.
  static double applicationDoubleClickInterval();
  double doubleClickInterval() const { return interval_; }

  // The pointer was seen at `place` (on the screen) over `target`, at a move or a press. Seen at
  // another place than before, its own motion brought it onto `target`; at the same place,
  // `target` may have come there by itself.
  void pointerAt(QPointF place, const PointerTarget& target);
  // The pointer's own doing brought `target` under it at `place` (a wheel turned under it).
  void moved(QPointF place, const PointerTarget& target);
  // The pointer is at `place`, where something else put whatever lies under it (a menu that had
  // the pointer closed).
  void rests(QPointF place);
  // The pointer rests where it was last seen, over something that came by itself.
  void restsWhereSeen();
  // A press at `time` somewhere this rule did not judge (a menu's row): a double-click may begin
  // with it.
  void notePress(double time) { lastPressAt_ = std::max(lastPressAt_, time); }
  // Where the pointer is says nothing any more (its window hid or showed): the next press counts.
  void forget() { place_.reset(); }

  // A press on `target` at `time` (seconds) and `place`: whether it counts. One that counts is
  // what the pointer is over now, and a double-click's possible first press.
  Press press(const PointerTarget& target, double time, QPointF place, Effect effect = Effect::onView);
  // The target of the press a `secondOfFirst` press belongs to.
  const PointerTarget& firstPressTarget() const { return lastPress_.target; }

 private:
  struct LastPress {
    PointerTarget target;
    double time = -1e9;
    QPointF place;
  };
  double interval_;
  std::optional<QPointF> place_;  // where the pointer was last seen; none while not known
  // What its own motion left it over; none where something else put it.
  std::optional<PointerTarget> movedOnto_;
  LastPress lastPress_;        // the last press that counted
  double lastPressAt_ = -1e9;  // the last press of all, counted or not
};

// The rule for every painted control of the program's windows: it watches the pointer over all of
// them (an event filter of the application) and notes which widget the pointer's own motion left
// it over, and every press. A press the window system delivers at a resting pointer on another
// widget, or on one that has started to act otherwise since, counts as the rule says. A window
// that shows or hides forgets where the pointer was; a menu or tooltip that closes leaves it
// resting there. (A press it never saw, one a test hands a widget directly, says nothing of the
// pointer and counts.)
class ControlPointerArrival : public QObject {
  Q_OBJECT
 public:
  explicit ControlPointerArrival(QObject* parent = nullptr);

  // Whether a press at `globalPosition` (with the time stamp `timestamp`, in milliseconds) in
  // `window` counts for the widget that lies there now.
  // `effect` is what the press does there (a control's own, when it says more).
  bool admitPress(QWidget& window, QPointF globalPosition, quint64 timestamp,
                  PointerArrival::Effect effect = PointerArrival::Effect::onView);
  // The widget of `window` at a point of the screen, as a target: the widget and the version of
  // its action.
  static PointerTarget targetAt(QWidget& window, QPointF globalPosition);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  PointerArrival arrival_;
  // The press the window system is delivering now: where, and its time stamp.
  std::optional<std::pair<QPointF, quint64>> windowPress_;
  bool windowPressLeft_ = false;
  // What the rule said of it: a press that travels from a control to its parent is judged once.
  struct Judged {
    quint64 timestamp = 0;
    QPointF place;
    bool counts = false;
  };
  std::optional<Judged> judged_;
};

}  // namespace qv
