// A long search shown as it goes: the first rows at once, the rest in slices on the scheduler.
// What shows first is the start of the whole result, never an empty list while rows are left;
// the whole result is what a search at once finds, whatever changes between the slices.
#include "platform/fake/FakeScheduler.h"
#include "state/RowSearch.h"
#include "support/state/StateTestSupport.h"

#include <gtest/gtest.h>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace qv {
namespace {

using test::SignalCounter;

// Rows 0..length-1, of which `matches` holds.
struct RowRun {
  qsizetype length;
  std::function<bool(qsizetype)> matches;
  QList<qint32> all() const {
    QList<qint32> rows;
    for (qsizetype i = 0; i < length; ++i)
      if (matches(i)) rows.append(qint32(i));
    return rows;
  }
};

TEST(RowSearchTest, ShowsTheStartOfTheWholeResultAndEndsWithAllOfIt) {
  const RowSearch::Pacing pacing{1000, 10, 16, 256, 100};
  const struct {
    const char* name;
    RowRun run;
    bool completeAtOnce;
  } cases[] = {
      {"shorter than a search in steps", {999, [](qsizetype i) { return i % 2 == 0; }}, true},
      {"nothing to search", {0, [](qsizetype) { return true; }}, true},
      {"every row", {5000, [](qsizetype) { return true; }}, false},
      {"one row in seven", {5000, [](qsizetype i) { return i % 7 == 3; }}, false},
      {"few early rows, then none", {5000, [](qsizetype i) { return i == 40 || i == 200; }}, false},
      {"only the last row: scanned whole, never empty", {5000, [](qsizetype i) { return i == 4999; }}, true},
      {"no row", {5000, [](qsizetype) { return false; }}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeScheduler scheduler;
    std::vector<std::pair<qsizetype, qsizetype>> slices;
    const auto scan = [&](qsizetype from, qsizetype end) {
      slices.emplace_back(from, end);
      QList<qint32> rows;
      for (qsizetype i = from; i < end; ++i)
        if (c.run.matches(i)) rows.append(qint32(i));
      return rows;
    };
    RowSearch search(c.run.length, scan, pacing);
    const QList<qint32> whole = c.run.all();
    EXPECT_EQ(search.isComplete(), c.completeAtOnce);
    EXPECT_EQ(search.found(), whole.mid(0, search.found().size()));
    if (!search.isComplete()) {
      EXPECT_FALSE(search.found().isEmpty());
    }
    int ended = 0;
    search.continueOn(scheduler, [&] { ++ended; });
    scheduler.runPending();
    while (!search.isComplete() && scheduler.runPending() > 0) {
    }
    EXPECT_EQ(search.found(), whole);
    EXPECT_EQ(ended, c.completeAtOnce ? 0 : 1);
    // The slices follow one another over the whole run, none scanned twice.
    qsizetype next = 0;
    for (const auto& [from, end] : slices) {
      EXPECT_EQ(from, next);
      EXPECT_GT(end, from);
      next = end;
    }
    EXPECT_EQ(next, c.run.length);
  }
}

TEST(RowSearchTest, DroppedOrFinishedItScansNoMoreAndTellsNobody) {
  const RowSearch::Pacing pacing{100, 10, 16, 64, 50};
  FakeScheduler scheduler;
  int scans = 0, ended = 0;
  const auto scan = [&](qsizetype from, qsizetype end) {
    ++scans;
    QList<qint32> rows;
    for (qsizetype i = from; i < end; ++i) rows.append(qint32(i));
    return rows;
  };
  {
    RowSearch dropped(10'000, scan, pacing);
    dropped.continueOn(scheduler, [&] { ++ended; });
  }
  const int scansBefore = scans;
  scheduler.runPending();
  EXPECT_EQ(scans, scansBefore);

  RowSearch finished(10'000, scan, pacing);
  finished.continueOn(scheduler, [&] { ++ended; });
  finished.finish();
  EXPECT_TRUE(finished.isComplete());
  EXPECT_EQ(finished.found().size(), 10'000);
  scheduler.runPending();
  EXPECT_EQ(ended, 0);
}

// A repaint asked for in the turn that started the search comes before the later slices when
// they wait for the frame, after the first of them otherwise; dropped at the frame, the search
// scans no more.
TEST(RowSearchTest, ItsLaterSlicesWaitForTheFrameWhenAskedTo) {
  const RowSearch::Pacing pacing{100, 10, 16, 64, 50};
  const struct {
    const char* name;
    RowSearch::FirstSlice first;
    bool droppedAtTheFrame;
    const char* order;
  } cases[] = {
      {"at the next turn", RowSearch::FirstSlice::nextTurn, false, "slice frame slice slice slice"},
      {"after the frame", RowSearch::FirstSlice::afterFrame, false, "frame slice slice slice slice"},
      {"after the frame, dropped at it", RowSearch::FirstSlice::afterFrame, true, "frame"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeScheduler scheduler;
    QStringList order;
    bool started = false;
    const auto scan = [&](qsizetype from, qsizetype end) {
      if (started) order << QStringLiteral("slice");
      QList<qint32> rows;
      for (qsizetype i = from; i < end; ++i) rows.append(qint32(i));
      return rows;
    };
    auto search = std::make_unique<RowSearch>(200, scan, pacing);
    ASSERT_FALSE(search->isComplete());
    started = true;
    search->continueOn(
        scheduler, [] {}, c.first);
    // The repaint, asked for after the search started (behind it, as Qt posts a repaint at a
    // lower priority than the work of the same turn).
    scheduler.post([&] {
      order << QStringLiteral("frame");
      if (c.droppedAtTheFrame) search.reset();
    });
    while (scheduler.runPending() > 0) {
    }
    EXPECT_EQ(order.join(u' ').toStdString(), c.order);
    if (search) {
      EXPECT_TRUE(search->isComplete());
    }
  }
}

class FiltersInStepsTest : public ::testing::Test {
 protected:
  FiltersInStepsTest() {
    state.setSearchPacing({64, 5, 8, 32, 16});
    QList<ClipboardItem> history;
    for (int i = 0; i < 400; ++i)
      history.append(i % 5 == 0 ? test::codeItem(QStringLiteral("let total = %1").arg(i), QStringLiteral("rust"))
                                : test::textItem(QStringLiteral("%1 notes %2").arg(i % 3 ? u"draft" : u"the").arg(i)));
    state.setItems(history);
    state.prepareSearch();
    h.fake.drain();
  }
  static QList<QUuid> ids(const FilteredItems& items) {
    QList<QUuid> out;
    for (const ClipboardItem& item : items) out.append(item.id);
    return out;
  }
  // What a state searching at once finds for the same history, query and filters.
  QList<QUuid> atOnce() const {
    PanelState other(*h.fake.context);
    other.setItems(state.items());
    other.setSearchQuery(state.searchQuery());
    other.setFilterTypes(state.filterTypes());
    return ids(other.filteredItems());
  }
  void finishSteps() {
    while (h.fake.scheduler->runPending() > 0) {
    }
  }

  test::StateHarness h;
  PanelState& state = *h.state;
};

// Each key's list starts with the whole result's first rows and the count stays the last whole
// list's until the search ends; then the list and the count are the whole result, whatever
// came between the slices.
TEST_F(FiltersInStepsTest, TheFirstRowsComeAtOnceAndTheWholeResultAfter) {
  const std::vector<std::pair<const char*, std::function<void()>>> between = {
      {"nothing", [] {}},
      {"a copy", [&] { state.addItem(test::textItem(QStringLiteral("the newest note"))); }},
      {"a removal", [&] { state.removeItem(state.items()[7]); }},
      {"a type filter", [&] { state.setFilterTypes({TypeFilter::code}); }},
      {"the next key", [&] { state.setSearchQuery(state.searchQuery() + QStringLiteral("e")); }},
      {"the whole list read", [&] { EXPECT_EQ(ids(state.filteredItems()), atOnce()); }},
  };
  for (const auto& [name, change] : between) {
    SCOPED_TRACE(name);
    state.setFilterTypes({});
    state.setSearchQuery(QString());
    finishSteps();
    const qsizetype countBefore = state.shownCount();
    state.setSearchQuery(QStringLiteral("t"));
    const QList<QUuid> whole = atOnce();
    const QList<QUuid> first = ids(state.shownItems());
    EXPECT_GE(first.size(), 5);
    EXPECT_LT(first.size(), whole.size());
    EXPECT_EQ(first, whole.mid(0, first.size()));
    EXPECT_EQ(state.shownCount(), countBefore);
    SignalCounter changes(&state, &PanelState::filteredItemsChanged);
    change();
    state.shownItems();  // as the list reads it at the change
    finishSteps();
    EXPECT_GE(changes.count(), 1);
    EXPECT_EQ(ids(state.shownItems()), atOnce());
    EXPECT_EQ(ids(state.filteredItems()), atOnce());
    EXPECT_EQ(state.shownCount(), state.filteredItems().size());
  }
}

// The frame a key asks for shows the first rows and the last whole count: the rest of the search
// is scanned only after it is drawn (even one slice left would hold the frame back).
TEST_F(FiltersInStepsTest, TheKeysFrameIsDrawnBeforeTheSearchGoesOn) {
  state.setSearchPacing({64, 5, 8, 32, 100'000});  // one slice scans the rest
  for (const char* query : {"t", "no", "dr"}) {
    SCOPED_TRACE(query);
    state.setSearchQuery(QString::fromUtf8(query).chopped(1));
    finishSteps();
    const qsizetype countBefore = state.shownCount();
    state.setSearchQuery(QString::fromUtf8(query));
    const QList<QUuid> atTheKey = ids(state.shownItems());  // as the list reads it at the change
    ASSERT_NE(atTheKey, atOnce());                          // a search in steps
    std::optional<QList<QUuid>> atTheFrame;
    std::optional<qsizetype> countAtTheFrame;
    h.fake.scheduler->post([&] {  // the repaint the change asked for
      atTheFrame = ids(state.shownItems());
      countAtTheFrame = state.shownCount();
    });
    finishSteps();
    EXPECT_EQ(atTheFrame, atTheKey);
    EXPECT_EQ(countAtTheFrame, countBefore);
    EXPECT_EQ(ids(state.shownItems()), atOnce());
  }
}

// Typing on narrows a finished result in steps too, and a search that is still going on is not
// narrowed (its places are not all found yet).
TEST_F(FiltersInStepsTest, TypingOnFindsWhatASearchAtOnceFinds) {
  for (const bool settleBetweenKeys : {true, false}) {
    SCOPED_TRACE(settleBetweenKeys ? "each key's search ends" : "keys typed during the steps");
    state.setSearchQuery(QString());
    finishSteps();
    for (const char* query : {"t", "th", "the", "the n", "th", "d", "dr", "draft notes 1", "total"}) {
      state.setSearchQuery(QString::fromUtf8(query));
      const QList<QUuid> whole = atOnce();
      const QList<QUuid> first = ids(state.shownItems());
      EXPECT_EQ(first, whole.mid(0, first.size())) << query;
      EXPECT_FALSE(first.isEmpty() && !whole.isEmpty()) << query;
      if (settleBetweenKeys) finishSteps();
    }
    finishSteps();
    EXPECT_EQ(ids(state.shownItems()), atOnce());
  }
}

// Up and Down within the rows found so far leave the search going on; a wrap around the end
// goes to the whole list's last row.
TEST_F(FiltersInStepsTest, MovesWithinTheFirstRowsLeaveTheSearchGoingAndAWrapReachesTheLastRow) {
  state.setSearchQuery(QStringLiteral("t"));
  const qsizetype firstFound = state.shownItems().size();
  const QList<QUuid> whole = atOnce();
  ASSERT_LT(firstFound, whole.size());
  for (int k = 0; k < 3; ++k) state.selectNext();
  state.selectPrevious();
  EXPECT_EQ(state.selectedIndex(), 1);
  EXPECT_EQ(state.shownItems().size(), firstFound);
  state.selectPrevious();
  state.selectPrevious();
  EXPECT_EQ(state.selectedIndex(), whole.size() - 1);
  EXPECT_EQ(ids(state.shownItems()), whole);
}

}  // namespace
}  // namespace qv
