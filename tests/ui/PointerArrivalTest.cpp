#include "ui/view/PointerArrival.h"

#include <gtest/gtest.h>
#include <QUuid>

using namespace qv;

namespace {

using Press = PointerArrival::Press;

// Two cards (as a host names them, with their items) and what happens before the press on the
// second place: which press counts.
TEST(PointerArrival, APressCountsOnlyOnWhatThePointerMovedOnto) {
  int cardA = 0, cardB = 0;
  const PointerTarget a{&cardA, QUuid::createUuid(), 0}, b{&cardB, QUuid::createUuid(), 0};
  const PointerTarget aShowingAnother{&cardA, QUuid::createUuid(), 0};
  const QPointF here(100, 100), there(100, 140);
  enum class Before { moveOntoA, moveOntoB, nothing, menuClosed, wheelBroughtB, forgotten };
  const struct {
    const char* name;
    Before before;
    PointerTarget pressed;  // at `here`, 1 s after a press on A there
    QPointF at;
    Press expected;
  } cases[] = {
      {"was already there", Before::moveOntoA, a, here, Press::counts},
      {"arrived under a resting pointer", Before::moveOntoA, b, here, Press::waits},
      {"the same card showing another item", Before::moveOntoA, aShowingAnother, here, Press::waits},
      {"the pointer moved onto it", Before::moveOntoB, b, there, Press::counts},
      {"pressed at another place: the pointer moved there", Before::nothing, b, there, Press::counts},
      {"under a menu that closed", Before::menuClosed, b, here, Press::waits},
      {"nothing under a menu that closed", Before::menuClosed, PointerTarget{}, here, Press::waits},
      {"brought by a wheel turned under the pointer", Before::wheelBroughtB, b, here, Press::counts},
      {"nothing known of the pointer", Before::forgotten, b, here, Press::counts},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PointerArrival arrival;
    arrival.pointerAt(here, a);
    ASSERT_EQ(arrival.press(a, 0, here), Press::counts);
    switch (c.before) {
      case Before::moveOntoA: arrival.pointerAt(here, a); break;
      case Before::moveOntoB: arrival.pointerAt(there, b); break;
      case Before::nothing: break;
      case Before::menuClosed: arrival.rests(here); break;
      case Before::wheelBroughtB: arrival.moved(here, b); break;
      case Before::forgotten: arrival.forget(); break;
    }
    EXPECT_EQ(arrival.press(c.pressed, 1, c.at), c.expected);
  }
}

// The second press of a double-click (within 0.35 s, within 6 points) belongs to the first
// press's target.
TEST(PointerArrival, ADoubleClickBelongsToTheTargetOfItsFirstPress) {
  int cardA = 0, cardB = 0;
  const PointerTarget a{&cardA, QUuid::createUuid(), 0}, b{&cardB, QUuid::createUuid(), 0};
  const QPointF here(100, 100);
  const struct {
    const char* name;
    PointerTarget second;
    double after;
    QPointF at;
    bool pointerMovedOntoSecond;
    Press expected;
  } cases[] = {
      {"on the same card", a, 0.1, here, false, Press::counts},
      {"on a card that came under the pointer", b, 0.1, here, false, Press::secondOfFirst},
      {"on a card the pointer moved onto, a little away", b, 0.1, here + QPointF(3, 0), true, Press::secondOfFirst},
      {"after the interval, on a card that came", b, 0.4, here, false, Press::waits},
      {"after the interval, on a card the pointer moved onto", b, 0.4, here + QPointF(3, 0), true, Press::counts},
      {"far from the first press: a press of its own", b, 0.1, here + QPointF(0, 40), true, Press::counts},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PointerArrival arrival;
    ASSERT_EQ(arrival.press(a, 0, here), Press::counts);
    if (c.pointerMovedOntoSecond) arrival.pointerAt(c.at, c.second);
    EXPECT_EQ(arrival.press(c.second, c.after, c.at), c.expected);
    if (c.expected == Press::secondOfFirst) {
      EXPECT_EQ(arrival.firstPressTarget(), a);
    }
  }
}

}  // namespace
