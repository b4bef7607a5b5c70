#include "ui/view/PointerArrival.h"

#include "support/ui/WindowPointer.h"

#include <gtest/gtest.h>
#include <QMouseEvent>
#include <QUuid>
#include <vector>

using namespace qv;

namespace {

using Press = PointerArrival::Press;

// Two cards (as a host names them, with their items) and what happens before the press on the
// second place, 1 s after a press on A: which press counts. What came under the resting pointer
// takes it only when it acts on no item.
TEST(PointerArrival, APressCountsOnWhatThePointerMovedOntoOrOnWhatCameThereActingOnNoItem) {
  int cardA = 0, cardB = 0;
  const PointerTarget a{&cardA, QUuid::createUuid(), 0}, b{&cardB, QUuid::createUuid(), 0};
  const PointerTarget aShowingAnother{&cardA, QUuid::createUuid(), 0};
  const QPointF here(100, 100), there(100, 140);
  enum class Before { moveOntoA, moveOntoB, nothing, menuClosed, wheelBroughtB, forgotten };
  using Effect = PointerArrival::Effect;
  const struct {
    const char* name;
    Before before;
    PointerTarget pressed;
    QPointF at;
    Press onItem;  // a press that removes, copies or pastes an item
    Press onView;  // one that acts on no item
  } cases[] = {
      {"was already there", Before::moveOntoA, a, here, Press::counts, Press::counts},
      {"arrived under a resting pointer", Before::moveOntoA, b, here, Press::waits, Press::counts},
      {"the same card showing another item", Before::moveOntoA, aShowingAnother, here, Press::waits, Press::counts},
      {"the pointer moved onto it", Before::moveOntoB, b, there, Press::counts, Press::counts},
      {"pressed at another place: the pointer moved there", Before::nothing, b, there, Press::counts, Press::counts},
      {"under a menu that closed", Before::menuClosed, b, here, Press::waits, Press::counts},
      {"nothing under a menu that closed", Before::menuClosed, PointerTarget{}, here, Press::waits, Press::counts},
      {"brought by a wheel turned under the pointer", Before::wheelBroughtB, b, here, Press::counts, Press::counts},
      {"nothing known of the pointer", Before::forgotten, b, here, Press::counts, Press::counts},
  };
  for (const auto& c : cases) {
    for (const Effect effect : {Effect::onItem, Effect::onView}) {
      SCOPED_TRACE(testing::Message() << c.name << (effect == Effect::onItem ? ", on an item" : ", on the view"));
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
      EXPECT_EQ(arrival.press(c.pressed, 1, c.at, effect), effect == Effect::onItem ? c.onItem : c.onView);
    }
  }
}

// What came under the resting pointer and acts on no item takes a press once the double-click
// interval has passed since the last press, counted or not, here or on a menu: never the second
// press of a double-click, so a card that came never pastes without a move.
TEST(PointerArrival, WhatCameActingOnNoItemTakesAPressOnceNoDoubleClickCanBeginWithIt) {
  int cardA = 0, cardB = 0;
  const PointerTarget a{&cardA, QUuid::createUuid(), 0}, b{&cardB, QUuid::createUuid(), 0};
  const QPointF here(100, 100);
  const double interval = 0.4;  // the toolkit's, longer than ours
  const struct {
    const char* name;
    std::vector<double> pressesOnB;  // after the press on A at 0, B having come under the pointer
    double menuRowPressedAt;         // a press this rule did not judge; none below 0
    std::vector<Press> expected;
  } cases[] = {
      {"within the interval", {0.2}, -1, {Press::secondOfFirst}},
      {"just before the interval ends", {0.39}, -1, {Press::secondOfFirst}},
      {"when the interval ends", {0.4}, -1, {Press::counts}},
      {"a second later", {1.0}, -1, {Press::counts}},
      {"a double-click a second later: its second press waits", {1.0, 1.1}, -1, {Press::counts, Press::waits}},
      {"and a third click after the interval", {1.0, 1.1, 1.6}, -1, {Press::counts, Press::waits, Press::counts}},
      {"a press that waited starts the interval anew",
       {0.3, 0.6, 1.1},
       -1,
       {Press::secondOfFirst, Press::waits, Press::counts}},
      {"a menu's row pressed just before", {1.0}, 0.8, {Press::waits}},
      {"a menu's row pressed a while before", {1.3}, 0.8, {Press::counts}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PointerArrival arrival(interval);
    arrival.pointerAt(here, a);
    ASSERT_EQ(arrival.press(a, 0, here), Press::counts);
    arrival.rests(here);
    if (c.menuRowPressedAt >= 0) arrival.notePress(c.menuRowPressedAt);
    for (size_t i = 0; i < c.pressesOnB.size(); ++i) {
      SCOPED_TRACE(c.pressesOnB[i]);
      EXPECT_EQ(arrival.press(b, c.pressesOnB[i], here), c.expected[i]);
      // What acts on an item waits however long it has been there.
      PointerArrival onItem = arrival;
      EXPECT_EQ(onItem.press(b, c.pressesOnB[i] + 5, here, PointerArrival::Effect::onItem), Press::waits);
    }
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
      {"after the interval, on a card that came", b, 0.4, here, false, Press::counts},
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

// A window's spot that says, at each press the window system delivers, whether the rule lets a
// press that removes an item through.
class ItemRemover : public QWidget {
 public:
  ItemRemover(ControlPointerArrival& arrival, QWidget* parent) : QWidget(parent), arrival_(arrival) {}
  std::vector<bool> admitted;

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    admitted.push_back(
        arrival_.admitPress(*window(), event->globalPosition(), event->timestamp(), PointerArrival::Effect::onItem));
  }

 private:
  ControlPointerArrival& arrival_;
};

// The pointer rests over a window's control; then another control comes to lie under it, in the
// same window or in another one shown where the first was. Where the pointer was is forgotten
// when a window shows or hides: only a control that came in the same window waits for a move.
TEST(ControlPointerArrival, AWindowThatShowsOrHidesForgetsWhereThePointerWas) {
  const struct {
    const char* name;
    bool anotherWindow;
    bool admitted;
  } cases[] = {
      {"another control of the same window", false, false},
      {"another window shown where the first hid", true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ControlPointerArrival arrival;
    QApplication::instance()->installEventFilter(&arrival);
    QWidget first, second;
    for (QWidget* window : {&first, &second}) window->setGeometry(200, 200, 200, 200);
    auto* resting = new ItemRemover(arrival, &first);
    resting->setGeometry(0, 0, 200, 200);
    first.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&first));
    const QPoint at(100, 100);
    test::WindowPointer(*resting).moveTo(at);
    ItemRemover* came = nullptr;
    if (c.anotherWindow) {
      first.hide();
      came = new ItemRemover(arrival, &second);
      came->setGeometry(0, 0, 200, 200);
      second.show();
      ASSERT_TRUE(QTest::qWaitForWindowExposed(&second));
    } else {
      came = new ItemRemover(arrival, &first);
      came->setGeometry(0, 0, 200, 200);
      came->show();
    }
    test::WindowPointer(*came).click(at);
    EXPECT_EQ(came->admitted, std::vector<bool>{c.admitted});
  }
}

}  // namespace
