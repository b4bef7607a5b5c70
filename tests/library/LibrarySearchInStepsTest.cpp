// The library's search of a long history in steps: the grid shows the first rows found at once,
// the status line keeps the last whole count until the search ends, and then the list, its date
// runs and the count are what a search at once gives, whatever happened between the steps.
#include "library/LibraryModel.h"
#include "state/PanelState.h"
#include "support/state/StateTestSupport.h"

#include <gtest/gtest.h>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qv {
namespace {

const QDateTime kNow(QDate(2026, 3, 14), QTime(12, 0));

class LibrarySearchInStepsTest : public ::testing::Test {
 protected:
  LibrarySearchInStepsTest() {
    h.fake.scheduler->setWallClock(kNow.toUTC());
    QList<ClipboardItem> history;
    for (int i = 0; i < 400; ++i)
      history.append(test::textItem(QStringLiteral("%1 notes %2").arg(i % 3 ? u"draft" : u"the").arg(i),
                                    i % 2 ? QStringLiteral("org.example.Mail") : QStringLiteral("org.example.Editor"),
                                    QDateTime(kNow.date().addDays(-i / 40), QTime(9, 0)).toUTC()));
    state.setItems(history);
    state.prepareSearch();
    h.fake.drain();
    state.setSearchPacing({64, 5, 8, 32, 16});
  }
  static QStringList texts(const FilteredItems& items) {
    QStringList out;
    for (const ClipboardItem& item : items) out << item.plainText().value_or(QString());
    return out;
  }
  // What the library shows: its list, date runs and status line.
  static std::string reading(const LibraryModel& library) {
    QStringList out = texts(library.filteredItems());
    for (const LibraryDateSection& s : library.dateSections().sections)
      out << QStringLiteral("%1 %2+%3").arg(s.title()).arg(s.firstIndex).arg(s.count);
    out << library.statusLine().text;
    return out.join(u'\n').toStdString();
  }
  // The same read from a library over a state that searches at once.
  std::string readingAtOnce() const {
    PanelState other(*h.fake.context);
    other.setItems(state.items());
    other.setFilterApps(state.filterApps());
    other.setPinnedIDs(state.pinnedIDs());
    LibraryModel fresh(other, *h.fake.scheduler);
    fresh.setQuery(model.query());
    if (model.scope().kind != LibraryScope::Kind::all) fresh.selectScope(model.scope());
    return reading(fresh);
  }
  void finishSteps() { h.fake.scheduler->runPending(); }

  test::StateHarness h;
  PanelState& state = *h.state;
  LibraryModel model{state, *h.fake.scheduler};
};

TEST_F(LibrarySearchInStepsTest, TheGridShowsTheFirstRowsAtOnceAndTheWholeListAfter) {
  const std::vector<std::pair<const char*, std::function<void()>>> between = {
      {"nothing", [] {}},
      {"a copy", [&] { state.addItem(test::textItem(QStringLiteral("the newest note"))); }},
      {"a removal", [&] { state.removeItem(state.items()[9]); }},
      {"an app filter", [&] { state.setFilterApps({QStringLiteral("org.example.Mail")}); }},
      {"the next key", [&] { model.setQuery(model.query() + QStringLiteral("e")); }},
      {"the pinned tab", [&] { model.selectScope(LibraryScope::pinned()); }},
      {"the whole list read",
       [&] {
         const std::string wholeList = texts(model.wholeFilteredItems()).join(u'\n').toStdString();
         EXPECT_EQ(wholeList, readingAtOnce().substr(0, wholeList.size()));
       }},
  };
  // A query new to the model each time (a list it made before would be taken as it is).
  const QStringList queries = {QStringLiteral("t"),  QStringLiteral("n"),  QStringLiteral("o"),  QStringLiteral("e"),
                               QStringLiteral("no"), QStringLiteral("ot"), QStringLiteral("not")};
  qsizetype step = 0;
  for (const auto& [name, change] : between) {
    SCOPED_TRACE(name);
    const QString query = queries.at(step++);
    model.setQuery(QString());
    model.selectScope(LibraryScope::all());
    state.setFilterApps({});
    finishSteps();
    const QString statusBefore = model.statusLine().text;
    model.setQuery(query);
    const QStringList first = texts(model.filteredItems());
    const std::string firstRead = first.join(u'\n').toStdString() + "\n";
    EXPECT_GE(first.size(), 5);
    EXPECT_LT(first.size(), state.items().size());
    EXPECT_EQ(readingAtOnce().substr(0, firstRead.size()), firstRead);
    EXPECT_EQ(model.statusLine().text, statusBefore);
    change();
    model.filteredItems();  // as the grid reads it at the change
    finishSteps();
    EXPECT_EQ(reading(model), readingAtOnce());
  }
}

// A longer query typed before the search of the shorter one ended is searched for in the whole
// history, not among the rows found so far.
TEST_F(LibrarySearchInStepsTest, ALongerQueryBeforeTheSearchEndsFindsWhatASearchAtOnceFinds) {
  const std::pair<const char*, const char*> typed[] = {{"n", "no"}, {"t", "th"}, {"e", "es"}, {"o", "ot"}};
  for (const auto& [shorter, longer] : typed) {
    SCOPED_TRACE(longer);
    model.setQuery(QString());
    finishSteps();
    model.setQuery(QString::fromLatin1(shorter));
    ASSERT_LT(model.filteredItems().size(), state.items().size() / 3);  // the first rows, as the grid reads them
    model.setQuery(QString::fromLatin1(longer));
    model.filteredItems();
    finishSteps();
    EXPECT_EQ(reading(model), readingAtOnce());
  }
}

// The frame a key asks for shows the first rows and the last whole count: the rest of the search
// is scanned only after it is drawn (even a single slice left would hold the frame back), and
// then the library shows what a search at once shows.
TEST_F(LibrarySearchInStepsTest, TheKeysFrameIsDrawnBeforeTheSearchGoesOn) {
  state.setSearchPacing({64, 5, 8, 32, 100'000});  // one slice scans the rest
  PanelState::IdSet pins;
  for (qsizetype i = 0; i < state.items().size(); i += 3) pins.insert(state.items()[i].id);
  state.setPinnedIDs(pins);
  const struct {
    const char* typed;
    const char* query;
    LibraryScope scope;
  } keys[] = {
      {"a first letter", "t", LibraryScope::all()},
      {"a letter after a whole search", "no", LibraryScope::all()},
      {"a letter in the pinned tab", "e", LibraryScope::pinned()},
  };
  for (const auto& key : keys) {
    SCOPED_TRACE(key.typed);
    model.selectScope(key.scope);
    model.setQuery(QString::fromLatin1(key.query).chopped(1));
    model.filteredItems();
    finishSteps();
    const std::string before = reading(model);
    model.setQuery(QString::fromLatin1(key.query));
    const std::string atTheKey = reading(model);  // as the views read it at the change
    ASSERT_NE(atTheKey, readingAtOnce());         // a search in steps
    std::optional<std::string> atTheFrame;
    h.fake.scheduler->post([&] { atTheFrame = reading(model); });  // the repaint the change asked for
    finishSteps();
    EXPECT_EQ(atTheFrame, atTheKey);
    EXPECT_EQ(before.substr(before.rfind('\n')), atTheKey.substr(atTheKey.rfind('\n')));  // the status line
    EXPECT_EQ(reading(model), readingAtOnce());
    model.setQuery(QString());
    finishSteps();
  }
}

// A detail pane on an item beyond the first rows keeps showing it while the search goes on.
TEST_F(LibrarySearchInStepsTest, TheDetailPaneKeepsAnItemBeyondTheFirstRows) {
  const ClipboardItem& deep = state.items()[300];
  model.setPreviewID(deep.id);
  model.setQuery(QStringLiteral("notes"));
  ASSERT_LT(model.filteredItems().size(), 300);
  const std::optional<ClipboardItem> shown = model.detailItem();
  ASSERT_TRUE(shown.has_value());
  EXPECT_EQ(shown->id, deep.id);
  finishSteps();
  EXPECT_EQ(model.filteredItems().size(), state.items().size());
  EXPECT_EQ(model.detailItem()->id, deep.id);
}

}  // namespace
}  // namespace qv
