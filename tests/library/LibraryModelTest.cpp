// The library's model: narrowing by scope, the panel's filters and its own query; date runs
// against a fixed now; tab counts; scope and badge toggles; the header's actions on the state;
// the status line and the empty state; and the shown and selected ids after history changes.
#include "library/LibraryModel.h"
#include "panel/CategoryForm.h"
#include "state/PanelState.h"
#include "support/state/StateTestSupport.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

// A Saturday at noon, local time (the day the test items are made on): Thursday falls in this
// week whichever day the locale starts it.
const QDateTime kNow(QDate(2026, 3, 14), QTime(12, 0));

QDateTime daysAgo(int days, int hour = 10) { return QDateTime(kNow.date().addDays(-days), QTime(hour, 0)).toUTC(); }

class LibraryModelTest : public ::testing::Test {
 protected:
  LibraryModelTest() { h.fake.scheduler->setWallClock(kNow.toUTC()); }

  test::StateHarness h;
  PanelState& state = *h.state;
  LibraryModel model{state, *h.fake.scheduler};

  ClipboardItem text(const QString& value, const QString& app = QStringLiteral("org.example.Editor"), int age = 0) {
    return test::textItem(value, app, daysAgo(age));
  }
  static QStringList texts(const FilteredItems& items) {
    QStringList out;
    for (const ClipboardItem& item : items) out << item.plainText().value_or(QStringLiteral("<image>"));
    return out;
  }
  QStringList shown() const { return texts(model.filteredItems()); }
};

// ---- Narrowing -------------------------------------------------------------------------------

TEST_F(LibraryModelTest, NarrowsByScopeThenFiltersThenTheTrimmedQueryAndNeverByThePanelsTab) {
  const CustomCategory work = state.addCategory(QStringLiteral("Work"), 1);
  const ClipboardItem budget = text(QStringLiteral("Quarterly Budget"), QStringLiteral("org.example.Mail"));
  const ClipboardItem agenda = text(QStringLiteral("printed agenda"));
  const ClipboardItem snippet = test::codeItem(QStringLiteral("budget = 3"), QStringLiteral("python"));
  const ClipboardItem image = test::imageItem(test::testImage());
  const ClipboardItem old = text(QStringLiteral("old budget note"), QStringLiteral("org.example.Editor"), 20);
  state.setItems({budget, agenda, snippet, image, old});
  state.togglePin(agenda.id);
  state.togglePin(snippet.id);
  state.setCategory(work.id, budget.id);
  state.setCategory(work.id, snippet.id);

  struct Case {
    const char* name;
    LibraryScope scope;
    QString query;
    std::function<void(PanelState&)> filters;
    QStringList expected;
  };
  const auto none = [](PanelState&) {};
  const std::vector<Case> cases = {
      {"everything",
       LibraryScope::all(),
       {},
       none,
       {"Quarterly Budget", "printed agenda", "budget = 3", "<image>", "old budget note"}},
      {"pinned", LibraryScope::pinned(), {}, none, {"printed agenda", "budget = 3"}},
      {"category", LibraryScope::category(work.id), {}, none, {"Quarterly Budget", "budget = 3"}},
      {"a category nobody has", LibraryScope::category(QUuid::createUuid()), {}, none, {}},
      {"a query of spaces is no query",
       LibraryScope::pinned(),
       QStringLiteral("   \n"),
       none,
       {"printed agenda", "budget = 3"}},
      {"a capitalised word with spaces around it, any case",
       LibraryScope::all(),
       QStringLiteral("  BUDGET "),
       none,
       {"Quarterly Budget", "budget = 3", "old budget note"}},
      {"query within a category",
       LibraryScope::category(work.id),
       QStringLiteral("quarter"),
       none,
       {"Quarterly Budget"}},
      {"type filter",
       LibraryScope::all(),
       {},
       [](PanelState& s) {
         s.setFilterTypes({TypeFilter::code, TypeFilter::image});
       },
       {"budget = 3", "<image>"}},
      {"app filter with a query",
       LibraryScope::all(),
       QStringLiteral("budget"),
       [](PanelState& s) { s.setFilterApps({QStringLiteral("org.example.Editor")}); },
       {"budget = 3", "old budget note"}},
      {"date filter",
       LibraryScope::all(),
       {},
       [](PanelState& s) { s.setFilterDate(DateFilter::last30Days); },
       {"Quarterly Budget", "printed agenda", "budget = 3", "<image>", "old budget note"}},
      {"date filter today",
       LibraryScope::pinned(),
       {},
       [](PanelState& s) { s.setFilterDate(DateFilter::today); },
       {"printed agenda", "budget = 3"}},
      {"the panel's tab narrows nothing here",
       LibraryScope::all(),
       {},
       [](PanelState& s) { s.setActiveFilter(FilterType::images()); },
       {"Quarterly Budget", "printed agenda", "budget = 3", "<image>", "old budget note"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.filters(state);
    EXPECT_EQ(texts(model.filteredItems(c.scope, c.query)), c.expected);
    state.setFilterTypes({});
    state.setFilterApps({});
    state.setFilterDate(std::nullopt);
    state.setActiveFilter(FilterType::all());
  }
}

TEST_F(LibraryModelTest, TheListIsKeptUntilAnInputChanges) {
  const CustomCategory work = state.addCategory(QStringLiteral("Work"), 1);
  const ClipboardItem a = text(QStringLiteral("alpha")), b = text(QStringLiteral("beta"));
  state.setItems({a, b});
  state.setCategory(work.id, a.id);
  const LibraryScope scope = LibraryScope::category(work.id);

  const FilteredItems first = model.filteredItems(scope, QStringLiteral("a"));
  EXPECT_TRUE(model.filteredItems(scope, QStringLiteral(" a ")).sharesWith(first));  // same trimmed query
  EXPECT_TRUE(model.filteredItems(scope, QStringLiteral("a")).sharesWith(first));
  // Every input that changes the list makes a new one, with the new answer.
  struct Change {
    const char* name;
    std::function<void()> apply;
    QStringList expected;
  };
  const ClipboardItem c = text(QStringLiteral("gamma"));
  const std::vector<Change> changes = {
      {"category filing", [&] { state.setCategory(work.id, b.id); }, {"alpha", "beta"}},
      {"history",
       [&] {
         state.addItem(c);
         state.setCategory(work.id, c.id);
       },
       {"gamma", "alpha", "beta"}},
      {"type filter", [&] { state.setFilterTypes({TypeFilter::code}); }, {}},
      {"filter cleared", [&] { state.setFilterTypes({}); }, {"gamma", "alpha", "beta"}},
      {"removal", [&] { state.removeItem(a.id); }, {"gamma", "beta"}},
  };
  for (const Change& change : changes) {
    SCOPED_TRACE(change.name);
    const quint64 revision = model.revision();
    change.apply();
    EXPECT_GT(model.revision(), revision);
    EXPECT_EQ(texts(model.filteredItems(scope, QStringLiteral("a"))), change.expected);
  }
  state.togglePin(c.id);
  EXPECT_EQ(texts(model.filteredItems(LibraryScope::pinned(), {})), QStringList{"gamma"});
}

// Typing one query after another keeps the list the tab counts read.
TEST_F(LibraryModelTest, TypingDoesNotPushOutTheListOfTheTabCounts) {
  state.setItems({text(QStringLiteral("alpha")), test::codeItem(QStringLiteral("x"), QStringLiteral("c"))});
  state.setFilterTypes({TypeFilter::text});
  const FilteredItems counted = model.filteredItems(LibraryScope::all(), {});
  for (const char* typed : {"a", "al", "alp", "alph", "alpha"}) {
    model.filteredItems(LibraryScope::all(), QString::fromLatin1(typed));
    model.filteredItems(LibraryScope::all(), {});
  }
  EXPECT_TRUE(model.filteredItems(LibraryScope::all(), {}).sharesWith(counted));
}

// The narrowed lists, as the grid reads them while the user types, erases, switches scopes and
// sets filters in between, against the narrowing written out plainly: scope, types, apps, date,
// then the trimmed query through each item's own search.
TEST_F(LibraryModelTest, NarrowedListsEqualThePlainNarrowingThroughTypingAndScopes) {
  const CustomCategory work = state.addCategory(QStringLiteral("Work"), 1);
  const QStringList words = {QStringLiteral("Budget"), QStringLiteral("agenda"), QStringLiteral("printed"),
                             QStringLiteral("café"),   QStringLiteral("東京"),   QStringLiteral("notes")};
  const QStringList apps = {QStringLiteral("org.example.Editor"), QStringLiteral("org.example.Mail")};
  QList<ClipboardItem> items;
  for (int i = 0; i < 300; ++i) {
    const QString line = words[i % 6] + u' ' + words[(i / 6) % 6] + QStringLiteral(" line %1").arg(i);
    items.append(i % 7 == 3    ? test::codeItem(line, QStringLiteral("python"))
                 : i % 11 == 5 ? test::linkItem(QStringLiteral("https://example.com/%1/budget").arg(i))
                               : test::textItem(line, apps[i % 2], daysAgo(i % 40)));
  }
  state.setItems(items);
  for (int i = 0; i < 300; i += 4) state.togglePin(items[i].id);
  for (int i = 1; i < 300; i += 5) state.setCategory(work.id, items[i].id);

  const auto plain = [&](const LibraryScope& scope, const QString& query) {
    const QString trimmed = trimmedText(query);
    QStringList kept;
    for (const ClipboardItem& item : state.items()) {
      if (scope.kind == LibraryScope::Kind::pinned && !state.pinnedIDs().contains(item.id)) continue;
      if (scope.kind == LibraryScope::Kind::category && state.cardCategories().value(item.id) != scope.categoryID)
        continue;
      if (!state.filterTypes().isEmpty() && !state.filterTypes().contains(typeFilter(item))) continue;
      if (!state.filterApps().isEmpty() && !state.filterApps().contains(item.sourceAppBundleID)) continue;
      if (state.filterDate() && !state.matchesDateFilter(*state.filterDate(), item.capturedAt)) continue;
      if (!trimmed.isEmpty() && !item.matches(trimmed)) continue;
      kept << *item.plainText();
    }
    return kept;
  };
  const LibraryScope scopes[] = {LibraryScope::all(), LibraryScope::pinned(), LibraryScope::category(work.id)};
  const struct {
    const char* name;
    std::function<void()> filters;
  } filterings[] = {
      {"no filters", [] {}},
      {"text only", [&] { state.setFilterTypes({TypeFilter::text}); }},
      {"mail", [&] { state.setFilterApps({apps[1]}); }},
      {"last week", [&] { state.setFilterDate(DateFilter::lastWeek); }},
  };
  const QStringList typed = {QStringLiteral("b"),
                             QStringLiteral("bu"),
                             QStringLiteral("bud"),
                             QStringLiteral("bu"),
                             QStringLiteral(" BUDGET"),
                             QStringLiteral("budget a"),
                             QStringLiteral("caf"),
                             QStringLiteral("café"),
                             QStringLiteral("東"),
                             QStringLiteral("e 1"),
                             QStringLiteral("e 12"),
                             QString(QChar(0)) + QStringLiteral("x"),
                             QString()};
  for (const auto& filtering : filterings) {
    filtering.filters();
    // Each query in every scope before the next: lists of other scopes with a query that this
    // one holds are at hand.
    for (const QString& query : typed) {
      for (const LibraryScope& scope : scopes) {
        SCOPED_TRACE(std::string(filtering.name) + ", scope " + std::to_string(int(scope.kind)) + ", \"" +
                     query.toStdString() + "\"");
        ASSERT_EQ(texts(model.filteredItems(scope, query)), plain(scope, query));
      }
    }
    state.setFilterTypes({});
    state.setFilterApps({});
    state.setFilterDate(std::nullopt);
    // The first rounds look at the items themselves, the later ones through the search index
    // that was made aside meanwhile.
    h.fake.drain();
  }
}

// The all scope with nothing set is the history itself, not a copy of 100,000 items.
TEST_F(LibraryModelTest, NothingToNarrowSharesTheHistory) {
  state.setItems({text(QStringLiteral("a")), text(QStringLiteral("b"))});
  EXPECT_TRUE(model.filteredItems(LibraryScope::all(), QStringLiteral("  ")).sharesWith(FilteredItems(state.items())));
}

// ---- Date runs -------------------------------------------------------------------------------

TEST_F(LibraryModelTest, DateRunsFollowTheHistoryOrderAgainstTheSchedulersNow) {
  struct Case {
    const char* name;
    std::vector<int> ages;  // days before now, in history order
    QStringList runs;       // "<position> <title> <first>+<count>"
    bool headers;
  };
  const std::vector<Case> cases = {
      {"empty", {}, {}, false},
      {"today only: no headers", {0, 0}, {"0 Today 0+2"}, false},
      {"all four groups",
       {0, 0, 1, 2, 20, 30},
       {"0 Today 0+2", "1 Yesterday 2+1", "2 This Week 3+1", "3 Earlier 4+2"},
       true},
      {"a group that comes back stays a run of its own",
       {0, 1, 0, 20},
       {"0 Today 0+1", "1 Yesterday 1+1", "2 Today 2+1", "3 Earlier 3+1"},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QList<ClipboardItem> items;
    for (int age : c.ages) items << text(QStringLiteral("item"), QStringLiteral("org.example.Editor"), age);
    state.setItems(items);
    const LibrarySections sections = model.dateSections();
    QStringList runs;
    for (const LibraryDateSection& s : sections.sections)
      runs << QStringLiteral("%1 %2 %3+%4").arg(s.position).arg(s.title()).arg(s.firstIndex).arg(s.count);
    EXPECT_EQ(runs, c.runs);
    EXPECT_EQ(sections.showsHeaders, c.headers);
  }
}

TEST_F(LibraryModelTest, ACollapsedGroupHidesItsCardsOnlyWhereItsHeaderShows) {
  state.toggleCollapsedGroup(QStringLiteral("Today"));
  state.setItems({text(QStringLiteral("a")), text(QStringLiteral("b"))});
  EXPECT_FALSE(model.dateSections().sections.at(0).collapsed);  // no header could open it again
  state.setItems({text(QStringLiteral("a")), text(QStringLiteral("b"), QStringLiteral("x"), 1)});
  const LibrarySections two = model.dateSections();
  EXPECT_TRUE(two.sections.at(0).collapsed);
  EXPECT_FALSE(two.sections.at(1).collapsed);
}

TEST_F(LibraryModelTest, RunsMoveOnWhenTheDayDoes) {
  state.setItems({text(QStringLiteral("a"))});
  EXPECT_EQ(model.dateSections().sections.at(0).group, CardGroup::today);
  h.fake.scheduler->setWallClock(kNow.addDays(1).toUTC());
  EXPECT_EQ(model.dateSections().sections.at(0).group, CardGroup::yesterday);
}

// ---- Counts, scopes and badges ---------------------------------------------------------------

TEST_F(LibraryModelTest, TabCountsFollowThePanelFiltersButNotTheQueryOrTheScope) {
  const CustomCategory work = state.addCategory(QStringLiteral("Work"), 1);
  const CustomCategory home = state.addCategory(QStringLiteral("Home"), 2);
  const ClipboardItem a = text(QStringLiteral("a")), b = text(QStringLiteral("b"));
  const ClipboardItem c = test::codeItem(QStringLiteral("c"), QStringLiteral("c"));
  state.setItems({a, b, c});
  state.togglePin(a.id);
  state.togglePin(c.id);
  state.setCategory(work.id, a.id);
  state.setCategory(work.id, c.id);

  model.setQuery(QStringLiteral("zzz"));
  model.selectScope(LibraryScope::category(home.id));
  LibraryScopeCounts counts = model.scopeCounts();
  EXPECT_EQ(counts.all, 3);
  EXPECT_EQ(counts.pinned, 2);
  EXPECT_EQ(counts.of(work.id), 2);
  EXPECT_EQ(counts.of(home.id), 0);

  state.setFilterTypes({TypeFilter::code});
  counts = model.scopeCounts();
  EXPECT_EQ(counts.all, 1);
  EXPECT_EQ(counts.pinned, 1);
  EXPECT_EQ(counts.of(work.id), 1);
}

TEST_F(LibraryModelTest, PickingAScopeAndPickingItAgain) {
  const QUuid work = QUuid::createUuid(), home = QUuid::createUuid();
  struct Case {
    LibraryScope from, tapped, to;
  };
  const std::vector<Case> cases = {
      {LibraryScope::all(), LibraryScope::pinned(), LibraryScope::pinned()},
      {LibraryScope::pinned(), LibraryScope::pinned(), LibraryScope::all()},
      {LibraryScope::all(), LibraryScope::all(), LibraryScope::all()},
      {LibraryScope::pinned(), LibraryScope::category(work), LibraryScope::category(work)},
      {LibraryScope::category(work), LibraryScope::category(work), LibraryScope::all()},
      {LibraryScope::category(work), LibraryScope::category(home), LibraryScope::category(home)},
      {LibraryScope::category(work), LibraryScope::all(), LibraryScope::all()},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    model.selectScope(LibraryScope::all());
    model.selectScope(cases[i].from);
    model.selectScope(cases[i].tapped);
    EXPECT_EQ(model.scope(), cases[i].to);
  }
}

TEST_F(LibraryModelTest, PinnedAndCategoryBadgesToggleTheScopeWhileTypeAndAppBadgesToggleTheFilters) {
  const QUuid work = QUuid::createUuid();
  model.applyBadgeFilter(BadgeFilter::pinned());
  EXPECT_EQ(model.scope(), LibraryScope::pinned());
  EXPECT_TRUE(model.isBadgeFilterActive(BadgeFilter::pinned()));
  EXPECT_EQ(state.activeFilter(), FilterType::all());  // the panel's tab is not the library's
  model.applyBadgeFilter(BadgeFilter::pinned());
  EXPECT_EQ(model.scope(), LibraryScope::all());

  model.applyBadgeFilter(BadgeFilter::ofCategory(work));
  EXPECT_EQ(model.scope(), LibraryScope::category(work));
  EXPECT_TRUE(model.isBadgeFilterActive(BadgeFilter::ofCategory(work)));
  EXPECT_FALSE(model.isBadgeFilterActive(BadgeFilter::ofCategory(QUuid::createUuid())));
  model.applyBadgeFilter(BadgeFilter::ofCategory(work));
  EXPECT_EQ(model.scope(), LibraryScope::all());

  model.selectScope(LibraryScope::pinned());
  model.applyBadgeFilter(BadgeFilter::ofType(TypeFilter::code));
  EXPECT_EQ(state.filterTypes(), QSet<TypeFilter>{TypeFilter::code});
  EXPECT_TRUE(model.isBadgeFilterActive(BadgeFilter::ofType(TypeFilter::code)));
  EXPECT_EQ(model.scope(), LibraryScope::pinned());
  model.applyBadgeFilter(BadgeFilter::ofApp(QStringLiteral("org.example.Mail")));
  EXPECT_EQ(state.filterApps(), QSet<QString>{QStringLiteral("org.example.Mail")});
  model.applyBadgeFilter(BadgeFilter::ofType(TypeFilter::code));
  EXPECT_TRUE(state.filterTypes().isEmpty());
}

// ---- The header's actions --------------------------------------------------------------------

TEST_F(LibraryModelTest, TheFilterButtonTogglesTheSurfaceAndTakesItOverFromNewCategory) {
  using Opener = LibraryModel::FilterOpener;
  EXPECT_FALSE(model.filterButtonAccented());
  model.pressFilterButton();
  EXPECT_TRUE(state.libraryFilterSurfaceOpen());
  EXPECT_TRUE(model.filterButtonAccented());
  model.pressFilterButton();
  EXPECT_FALSE(state.libraryFilterSurfaceOpen());

  model.pressFilterButton();
  model.pressNewCategory();
  EXPECT_TRUE(state.libraryFilterSurfaceOpen());
  EXPECT_EQ(model.filterOpener(), Opener::addButton);
  EXPECT_TRUE(state.pendingNewCategoryRequest());
  EXPECT_EQ(state.pendingCategoryFormSurface(), FilterSurface::library);
  EXPECT_FALSE(state.pendingEditCategoryID().has_value());
  EXPECT_FALSE(state.showFilterPanel());  // the panel's own surface stays shut

  // Opened from a category button, the filter button moves the surface instead of closing it.
  model.pressFilterButton();
  EXPECT_TRUE(state.libraryFilterSurfaceOpen());
  EXPECT_EQ(model.filterOpener(), Opener::filterButton);
  model.pressFilterButton();
  EXPECT_FALSE(state.libraryFilterSurfaceOpen());

  // A filter or a tab in force lights the button while the surface is shut.
  state.setActiveFilter(FilterType::code());
  EXPECT_TRUE(model.filterButtonAccented());
  state.setActiveFilter(FilterType::all());
  state.setFilterDate(DateFilter::today);
  EXPECT_TRUE(model.filterButtonAccented());
}

TEST_F(LibraryModelTest, ThePencilOpensItsCategorysFormAndClosesItOnTheSecondPress) {
  const CustomCategory work = state.addCategory(QStringLiteral("Work"), 1);
  // The library surface's form takes the request up, as it does in the window.
  CategoryForm form(state, *h.fake.scheduler, FilterSurface::library);
  model.selectScope(LibraryScope::category(work.id));
  model.pressEditCategory(work.id);
  EXPECT_TRUE(state.libraryFilterSurfaceOpen());
  EXPECT_EQ(model.filterOpener(), LibraryModel::FilterOpener::addButton);
  h.fake.drain();
  EXPECT_EQ(state.editingCategoryFormID(), work.id);
  EXPECT_TRUE(state.categoryFormOpen());

  model.pressEditCategory(work.id);
  EXPECT_FALSE(state.editingCategoryFormID().has_value());
  EXPECT_FALSE(state.categoryFormOpen());
  EXPECT_FALSE(state.libraryFilterSurfaceOpen());  // opened for the form, it goes with it
}

// ---- Status and empty state ------------------------------------------------------------------

TEST(LibraryStatusLine, Texts) {
  struct Case {
    qsizetype shown, total, selected;
    bool paused;
    LibraryStatusLine expected;
  };
  const QString marker = QString::fromUtf16(kFilteredMarker);
  const std::vector<Case> cases = {
      {3, 10, 0, false, {QStringLiteral("3 of 10 items"), true, false, false}},
      {10, 10, 0, false, {QStringLiteral("10 items"), false, false, false}},
      {1, 1, 0, false, {QStringLiteral("1 item"), false, false, false}},
      {0, 0, 0, true, {QStringLiteral("0 items"), false, false, true}},
      {0, 1, 0, false, {QStringLiteral("0 of 1 items"), true, false, false}},
      {3, 10, 1, false, {QStringLiteral("1 item selected \u00B7 drag to paste together"), false, true, false}},
      {3, 10, 2, true, {QStringLiteral("2 items selected \u00B7 drag to paste together"), false, true, true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected.text.toStdString());
    EXPECT_EQ(libraryStatusLine(c.shown, c.total, c.selected, c.paused), c.expected);
  }
  EXPECT_EQ(marker, QStringLiteral("\u00B7 filtered"));
}

TEST_F(LibraryModelTest, TheStatusLineCountsTheNarrowedListAndTheMultiSelection) {
  QList<ClipboardItem> items;
  for (int i = 0; i < 10; ++i) items << (i < 3 ? test::codeItem(QStringLiteral("c"), QStringLiteral("c")) : text("t"));
  state.setItems(items);
  EXPECT_EQ(model.statusLine().text, QStringLiteral("10 items"));
  state.setFilterTypes({TypeFilter::code});
  EXPECT_EQ(model.statusLine(), (LibraryStatusLine{QStringLiteral("3 of 10 items"), true, false, false}));
  model.setQuery(QStringLiteral("   "));
  EXPECT_TRUE(model.statusLine().filtered);
  state.setMultiSelectedIDs({items[0].id, items[1].id});
  state.setIsMonitoringPaused(true);
  EXPECT_EQ(model.statusLine(),
            (LibraryStatusLine{QStringLiteral("2 items selected \u00B7 drag to paste together"), false, true, true}));
}

TEST_F(LibraryModelTest, TheEmptyStateNamesWhatLeftNothingToShow) {
  const CustomCategory work = state.addCategory(QStringLiteral("Work"), 1);
  const ClipboardItem item = text(QStringLiteral("hello"));
  struct Case {
    const char* name;
    std::function<void()> setUp;
    LibraryScope scope;
    QString query;
    std::optional<QString> title;  // none: the list shows
    QString symbol, description;
  };
  const std::vector<Case> cases = {
      {"nothing copied yet",
       [] {},
       LibraryScope::all(),
       {},
       QStringLiteral("No Items"),
       QStringLiteral("doc.on.clipboard"),
       QStringLiteral("Copy something and it appears here.")},
      {"items shown", [&] { state.setItems({item}); }, LibraryScope::all(), {}, std::nullopt, {}, {}},
      {"nothing pinned",
       [&] { state.setItems({item}); },
       LibraryScope::pinned(),
       {},
       QStringLiteral("Nothing Pinned"),
       QStringLiteral("pin"),
       QStringLiteral("Pin an item to keep it regardless of retention.")},
      {"an empty category",
       [&] { state.setItems({item}); },
       LibraryScope::category(work.id),
       {},
       QStringLiteral("Work Is Empty"),
       QStringLiteral("tag"),
       QStringLiteral("Right-click an item and choose Move to Category to file it here.")},
      {"a deleted category",
       [&] { state.setItems({item}); },
       LibraryScope::category(QUuid::createUuid()),
       {},
       QStringLiteral("Category Is Empty"),
       QStringLiteral("tag"),
       QStringLiteral("Right-click an item and choose Move to Category to file it here.")},
      {"a type filter, even when pinned",
       [&] {
         state.setItems({item});
         state.setFilterTypes({TypeFilter::image});
       },
       LibraryScope::pinned(),
       {},
       QStringLiteral("No Matches"),
       QStringLiteral("line.3.horizontal.decrease.circle"),
       QStringLiteral("No items match the active filters.")},
      {"the panel's tab alone",
       [&] { state.setActiveFilter(FilterType::images()); },
       LibraryScope::pinned(),
       {},
       QStringLiteral("No Matches"),
       QStringLiteral("line.3.horizontal.decrease.circle"),
       QStringLiteral("No items match the active filters.")},
      {"a query wins over filters, quoted without its spaces",
       [&] {
         state.setItems({item});
         state.setFilterTypes({TypeFilter::image});
       },
       LibraryScope::all(), QStringLiteral("  Zebra \n"), QStringLiteral("No Results"),
       QStringLiteral("magnifyingglass"), QStringLiteral("Nothing matches \u201CZebra\u201D.")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    state.setItems({});
    state.setFilterTypes({});
    state.setActiveFilter(FilterType::all());
    c.setUp();
    model.selectScope(LibraryScope::all());
    model.selectScope(c.scope);
    model.setQuery(c.query);
    const std::optional<LibraryEmptyState> empty = model.emptyState();
    ASSERT_EQ(empty.has_value(), c.title.has_value());
    if (empty) {
      EXPECT_EQ(*empty, (LibraryEmptyState{*c.title, c.symbol, c.description}));
    }
  }
}

// Deleting the shown category leaves the scope on it: nothing shows and no tab is selected.
TEST_F(LibraryModelTest, ADeletedCategorysScopeStaysAndShowsItsEmptyState) {
  const CustomCategory work = state.addCategory(QStringLiteral("Work"), 1);
  const ClipboardItem item = text(QStringLiteral("hello"));
  state.setItems({item});
  state.setCategory(work.id, item.id);
  model.selectScope(LibraryScope::category(work.id));
  ASSERT_EQ(shown(), QStringList{"hello"});
  state.deleteCategory(work.id);
  EXPECT_EQ(model.scope(), LibraryScope::category(work.id));
  EXPECT_TRUE(shown().isEmpty());
  EXPECT_EQ(model.emptyState()->title, QStringLiteral("Category Is Empty"));
  EXPECT_FALSE(model.scopeCounts().perCategory.contains(work.id));
}

// ---- Shown and selected ids ------------------------------------------------------------------

TEST_F(LibraryModelTest, ThePreviewAndSelectionLetGoOfItemsThatLeaveTheHistory) {
  const ClipboardItem a = text(QStringLiteral("a")), b = text(QStringLiteral("b")), c = text(QStringLiteral("c"));
  struct Case {
    const char* name;
    std::function<void()> change;
    bool previewStays, selectionStays;
  };
  const std::vector<Case> cases = {
      {"another item goes", [&] { state.removeItem(c.id); }, true, true},
      {"the previewed item goes", [&] { state.removeItem(a.id); }, false, true},
      {"the selected item goes", [&] { state.removeItem(b.id); }, true, false},
      // One change that takes an item away and brings another keeps the count.
      {"swapped for another, same count",
       [&] {
         state.setItems({text(QStringLiteral("new")), b, c});
       },
       false, true},
      {"a copy arrives", [&] { state.addItem(text(QStringLiteral("d"))); }, true, true},
      {"cleared", [&] { state.clearAll(); }, false, false},
  };
  for (const Case& c2 : cases) {
    SCOPED_TRACE(c2.name);
    state.setItems({a, b, c});
    model.setPreviewID(a.id);
    model.setSelection(b.id);
    c2.change();
    EXPECT_EQ(model.previewID().has_value(), c2.previewStays);
    EXPECT_EQ(model.selection().has_value(), c2.selectionStays);
  }
}

// A search that hides the shown item keeps its id: clearing the search brings it back.
TEST_F(LibraryModelTest, ASearchThatHidesThePreviewedItemKeepsItsId) {
  const ClipboardItem a = text(QStringLiteral("alpha"));
  state.setItems({a, text(QStringLiteral("beta"))});
  model.setPreviewID(a.id);
  model.setQuery(QStringLiteral("beta"));
  EXPECT_EQ(model.previewID(), a.id);
}

}  // namespace
}  // namespace qv
