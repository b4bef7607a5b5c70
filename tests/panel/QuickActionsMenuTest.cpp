#include "panel/QuickActionsMenu.h"
#include "platform/fake/FakeScheduler.h"

#include <QAction>
#include <gtest/gtest.h>

using namespace qv;

TEST(QuickActionsMenu, RowsInOrderWithoutSeparatorsEachRunningItsActionAfterTheClick) {
  auto scheduler = std::make_shared<FakeScheduler>();
  QStringList ran;
  auto record = [&ran](const char* name) { return [&ran, name] { ran << QString::fromLatin1(name); }; };
  std::unique_ptr<QMenu> menu = makeQuickActionsMenu(scheduler, false, record("library"), record("pause"),
                                                     record("settings"), record("onboarding"), record("clear"));
  const QList<QAction*> rows = menu->actions();
  QStringList titles;
  for (QAction* row : rows) {
    EXPECT_FALSE(row->isSeparator());
    titles << row->text();
  }
  EXPECT_EQ(titles, QStringList({"Open Library", "Pause Monitoring", "Settings", "Show Onboarding",
                                 "Clear All History", "Quit"}));
  EXPECT_EQ(rows[0]->shortcut(), QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_V));
  EXPECT_EQ(rows[5]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
  for (int row = 1; row < 5; ++row) EXPECT_TRUE(rows[row]->shortcut().isEmpty());
  for (int row = 0; row < 5; ++row) rows[row]->trigger();
  // Nothing runs inside the menu's own click handler.
  EXPECT_TRUE(ran.isEmpty());
  scheduler->runPending();
  EXPECT_EQ(ran, QStringList({"library", "pause", "settings", "onboarding", "clear"}));

  std::unique_ptr<QMenu> paused = makeQuickActionsMenu(scheduler, true, {}, {}, {}, {}, {});
  EXPECT_EQ(paused->actions()[1]->text(), "Resume Monitoring");
  paused->actions()[0]->trigger();  // an empty closure does nothing
  scheduler->runPending();
}
