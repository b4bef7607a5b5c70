// Keys pressed right after typing, while a search of a long history goes on in steps: Return,
// Down and Ctrl+digit pick from the rows found so far, which are the whole result's first rows,
// and do not wait for the rest; a wrap around the end reaches the whole result's last row.
#include "app/PanelControllerHarness.h"
#include "panel/PanelView.h"
#include "panel/SearchBarView.h"
#include "support/state/StateTestSupport.h"
#include "ui/controls/TextInput.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QKeyEvent>

using namespace qv;

namespace {

struct PanelSearchInStepsTest : test::PanelControllerHarness {
  PanelSearchInStepsTest() {
    QList<ClipboardItem> history;
    for (int i = 0; i < 400; ++i)
      history.append(test::textItem(QStringLiteral("%1 notes %2").arg(i % 3 ? u"draft" : u"the").arg(i)));
    state().setItems(history);
    state().setSearchPacing({64, 5, 8, 32, 16});
    state().setPasteAction([this](const ClipboardItem& item, bool) { picks.append(item.id); });
    controller->showPanel();
    advance(1);
    fake.drain();  // the search index, made aside as the panel shows
  }
  // Types `text` into the search field, key by key, as the window system delivers it.
  void type(const QString& text) {
    QWidget* field = controller->rootView()->searchBar().field();
    ASSERT_NE(field, nullptr);
    for (const QChar c : text) {
      QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
      QCoreApplication::sendEvent(field, &key);
    }
    QCoreApplication::processEvents();
  }
  bool press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const QKeyEvent event(QEvent::KeyPress, key, modifiers, QString());
    return controller->handleKeyDown(event);
  }
  // The ids of the items holding `word`, newest first.
  QList<QUuid> holding(const QString& word) const {
    QList<QUuid> ids;
    for (const ClipboardItem& item : controller->state().items())
      if (item.plainText().value_or(QString()).contains(word)) ids.append(item.id);
    return ids;
  }
  bool searchGoesOn() { return state().shownItems().size() < holding(state().searchQuery()).size(); }

  QList<QUuid> picks;
};

TEST_F(PanelSearchInStepsTest, KeysRightAfterTypingPickFromTheRowsFoundSoFar) {
  type(QStringLiteral("the"));
  ASSERT_EQ(state().searchQuery(), QStringLiteral("the"));
  const QList<QUuid> matches = holding(QStringLiteral("the"));
  ASSERT_TRUE(searchGoesOn());

  press(Qt::Key_Down);
  press(Qt::Key_Down);
  press(Qt::Key_Return);
  ASSERT_EQ(picks.size(), 1);
  EXPECT_EQ(picks.last(), matches.at(1));
  EXPECT_TRUE(searchGoesOn());

  press(Qt::Key_3, Qt::ControlModifier);
  ASSERT_EQ(picks.size(), 2);
  EXPECT_EQ(picks.last(), matches.at(2));
  EXPECT_TRUE(searchGoesOn());

  // Up from the first row wraps to the last of them all.
  press(Qt::Key_Up);
  press(Qt::Key_Up);
  press(Qt::Key_Return);
  ASSERT_EQ(picks.size(), 3);
  EXPECT_EQ(picks.last(), matches.last());
}

// Ctrl+digit typed at once picks the row at that place of the whole result, also where the
// search has found fewer rows than that so far: the rest are searched for then.
TEST_F(PanelSearchInStepsTest, ANumberPastTheRowsFoundSoFarPicksFromTheWholeResult) {
  // Two matches at the front, then none for a stretch longer than the first scan, then many.
  QList<ClipboardItem> history;
  for (int i = 0; i < 400; ++i) {
    const bool holds = i < 2 || (i >= 100 && i % 2 == 0);
    history.append(test::textItem(QStringLiteral("%1 notes %2").arg(holds ? u"the" : u"draft").arg(i)));
  }
  state().setItems(history);
  type(QStringLiteral("the"));
  const QList<QUuid> matches = holding(QStringLiteral("the"));
  ASSERT_LT(state().shownItems().size(), 9);
  const struct {
    int key;
    qsizetype place;
  } rows[] = {{Qt::Key_2, 1}, {Qt::Key_3, 2}, {Qt::Key_9, 8}};
  for (const auto& pick : rows) {
    SCOPED_TRACE(pick.place + 1);
    state().setSearchQuery(QString());  // typed again: a search from the start
    type(QStringLiteral("the"));
    ASSERT_TRUE(searchGoesOn());
    press(pick.key, Qt::ControlModifier);
    ASSERT_FALSE(picks.isEmpty());
    EXPECT_EQ(picks.last(), matches.at(pick.place));
    picks.clear();
  }
}

}  // namespace
