// The library's header row through real events: the search capsule (the field, the clear button
// and its fade, the filter button's tint), the scope tabs with their counts and looks, and the
// pencil and plus pills, each acting through the callbacks of its latest props.
#include "library/LibraryHeader.h"

#include "panel/SearchBarView.h"
#include "support/library/FakeLibraryContext.h"
#include "ui/controls/ControlStyle.h"
#include "ui/controls/TextInput.h"
#include "ui/theme/Theme.h"

#include <gtest/gtest.h>
#include <QTest>

namespace qv {
namespace {

class LibraryHeaderTest : public ::testing::Test {
 protected:
  LibraryHeaderTest() : header(*fake.context) {
    header.setAttribute(Qt::WA_DontShowOnScreen);
    header.resize(900, 60);
    header.show();
  }
  static LibraryHeaderView::Props props(const QString& query = {}) {
    LibraryHeaderView::Props p;
    p.query = query;
    p.tabs = {{QStringLiteral("All"), 3, LibraryScope::all(), true, {}},
              {QStringLiteral("Pinned"), 0, LibraryScope::pinned(), false, {}},
              {QStringLiteral("Work"), 2, LibraryScope::category(kWork), false, QColor(255, 149, 0)}};
    return p;
  }
  // Callbacks that write what they were called with into `log`, tagged with `tag`.
  LibraryHeaderView::Callbacks logging(const QString& tag) {
    return {[this, tag](const QString& text) { log << tag + QStringLiteral(" query ") + text; },
            [this, tag] { log << tag + QStringLiteral(" filter"); },
            [this, tag](const LibraryScope& scope) {
              log << tag + QStringLiteral(" scope ") + QString::number(int(scope.kind));
            },
            [this, tag](const QUuid& id) { log << tag + QStringLiteral(" edit ") + (id == kWork ? "Work" : "?"); },
            [this, tag] { log << tag + QStringLiteral(" new"); }};
  }
  static void click(QWidget& widget) { QTest::mouseClick(&widget, Qt::LeftButton, {}, widget.rect().center()); }

  inline static const QUuid kWork = QUuid::createUuid();
  test::FakeLibraryContext fake;
  LibraryHeaderView header;
  QStringList log;
};

TEST_F(LibraryHeaderTest, EveryControlActsThroughTheLatestCallbacks) {
  header.setProps(props(), logging(QStringLiteral("old")));
  LibraryHeaderView::Props selected = props(QStringLiteral("inv"));
  selected.tabs[0].selected = false;
  selected.tabs[2].selected = true;
  selected.editableCategory = kWork;
  selected.editableCategoryName = QStringLiteral("Work");
  header.setProps(selected, logging(QStringLiteral("new")));

  QTest::keyClicks(&header.searchPill().field(), QStringLiteral("o"));
  header.searchPill().clearButton().click();
  click(header.searchPill().filterButton());
  click(*header.tabs()[1]);
  ASSERT_NE(header.pencil(), nullptr);
  EXPECT_EQ(header.pencil()->toolTip(), QStringLiteral("Edit \u201CWork\u201D"));
  click(*header.pencil());
  click(header.newCategoryButton());
  EXPECT_EQ(log,
            (QStringList{"new query invo", "new query ", "new filter", "new scope 2", "new edit Work", "new new"}));

  // Without a selected category there is no pencil.
  header.setProps(props(), logging(QStringLiteral("new")));
  EXPECT_EQ(header.pencil(), nullptr);
  EXPECT_EQ(header.newCategoryButton().toolTip(), QStringLiteral("New category"));
}

TEST_F(LibraryHeaderTest, TheClearButtonFadesInWithAQueryAndGrowsUnlessMotionIsReduced) {
  for (const bool reduced : {false, true}) {
    SCOPED_TRACE(reduced);
    fake.reduceMotion().startObserving();
    fake.desktopAppearance->setReduceMotion(reduced);
    LibraryHeaderView fresh(*fake.context);
    LibrarySearchPill& pill = fresh.searchPill();
    fresh.setProps(props(), {});
    EXPECT_EQ(pill.clearPresence(), 0);
    EXPECT_FALSE(pill.clearButton().isVisibleTo(&pill));
    fresh.setProps(props(QStringLiteral("a")), {});
    fake.advanceBoth(0.05);
    EXPECT_GT(pill.clearPresence(), 0);
    EXPECT_LT(pill.clearPresence(), 1);
    const SearchBarButton::Look mid = pill.clearButton().look();
    EXPECT_EQ(mid.scale == 1, reduced);
    fake.advanceBoth(0.6);
    EXPECT_NEAR(pill.clearPresence(), 1, 0.01);
    EXPECT_TRUE(pill.clearButton().isVisibleTo(&pill));
    fresh.setProps(props(), {});
    fake.advanceBoth(0.6);
    EXPECT_FALSE(pill.clearButton().isVisibleTo(&pill));
  }
}

TEST_F(LibraryHeaderTest, TheFilterButtonWearsTheAccentOnlyWhileAccented) {
  LibrarySearchPill& pill = header.searchPill();
  LibraryHeaderView::Props p = props();
  header.setProps(p, {});
  EXPECT_NEAR(pill.filterButton().look().color.alphaF(), 0.35, 0.01);
  p.filterAccented = true;
  header.setProps(p, {});
  EXPECT_EQ(pill.filterButton().look().color, Theme::accent());
  EXPECT_EQ(pill.width(), 260);
}

TEST_F(LibraryHeaderTest, TabsShowTheirCountsFromOneAndDimWithoutItems) {
  header.setProps(props(), {});
  const LibraryScopeTab& all = *header.tabs()[0];
  const LibraryScopeTab& pinned = *header.tabs()[1];
  const LibraryScopeTab& work = *header.tabs()[2];
  EXPECT_EQ(all.textColor(), QColor(Qt::white));
  EXPECT_NEAR(pinned.textColor().alphaF(), 0.45, 0.01);
  EXPECT_NEAR(work.textColor().alphaF(), 0.75, 0.01);
  // A count of 0 takes no room.
  LibraryScopeTab probe(*fake.context);
  probe.setProps({QStringLiteral("Pinned"), 0, QStringLiteral("pin.fill"), {}, false}, {});
  const double without = probe.capsuleRect().width();
  probe.setProps({QStringLiteral("Pinned"), 1, QStringLiteral("pin.fill"), {}, false}, {});
  EXPECT_GT(probe.sizeHint().width(), without);
  EXPECT_EQ(probe.accessibility().value, QStringLiteral("1"));
}

}  // namespace
}  // namespace qv
