#include "base/Uuid.h"
#include "support/state/StateTestSupport.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <utility>

namespace qv {
namespace {

using test::SignalCounter;

class FiltersTest : public ::testing::Test {
 protected:
  test::StateHarness h;
  PanelState& state = *h.state;

  // Adds items oldest first, so that the list reads in the given order reversed.
  void add(const QList<ClipboardItem>& oldestFirst) {
    for (const ClipboardItem& item : oldestFirst) state.addItem(item);
  }
  QList<QUuid> filteredIds() const {
    QList<QUuid> ids;
    for (const ClipboardItem& item : state.filteredItems()) ids.append(item.id);
    return ids;
  }
  // What a state that never saw the earlier steps shows for the same history, tab, types and query.
  QList<QUuid> freshSearchIds() const {
    PanelState other(*h.fake.context);
    other.setItems(state.items());
    other.setSearchQuery(state.searchQuery());
    other.setActiveFilter(state.activeFilter());
    other.setFilterTypes(state.filterTypes());
    QList<QUuid> ids;
    for (const ClipboardItem& item : other.filteredItems()) ids.append(item.id);
    return ids;
  }
  // The ids the state's search found for `query`, and those of the items whose own search
  // matches it.
  static std::pair<QList<QUuid>, QList<QUuid>> foundAndOwnMatches(const PanelState& s, const QString& query) {
    QList<QUuid> found, expected;
    for (const ClipboardItem& item : s.filteredItems()) found.append(item.id);
    for (const ClipboardItem& item : s.items())
      if (item.matches(query, s.recognizedTextLookup())) expected.append(item.id);
    return {found, expected};
  }
  QStringList chipIds() const {
    QStringList ids;
    for (const ActiveFilterChip& chip : state.activeFilterChips()) ids.append(chip.id);
    return ids;
  }
  QStringList chipLabels() const {
    QStringList labels;
    for (const ActiveFilterChip& chip : state.activeFilterChips()) labels.append(chip.label);
    return labels;
  }
};

TEST_F(FiltersTest, TabsKeepHistoryOrder) {
  const ClipboardItem text = test::textItem(QStringLiteral("hello"));
  const ClipboardItem image = test::imageItem(test::testImage());
  const ClipboardItem link = test::linkItem(QStringLiteral("https://a.example/x"));
  const ClipboardItem code = test::codeItem(QStringLiteral("x = 1"), QStringLiteral("python"));
  const ClipboardItem image2 = test::imageItem(test::testImage());
  add({text, image, link, code, image2});
  EXPECT_EQ(filteredIds(), (QList<QUuid>{image2.id, code.id, link.id, image.id, text.id}));

  state.setActiveFilter(FilterType::images());
  EXPECT_EQ(filteredIds(), (QList<QUuid>{image2.id, image.id}));
  state.setActiveFilter(FilterType::links());
  EXPECT_EQ(filteredIds(), (QList<QUuid>{link.id}));
  state.setActiveFilter(FilterType::code());
  EXPECT_EQ(filteredIds(), (QList<QUuid>{code.id}));

  state.setActiveFilter(FilterType::pinned());
  EXPECT_TRUE(filteredIds().isEmpty());
  state.setPinnedIDs({text.id, link.id});
  EXPECT_EQ(filteredIds(), (QList<QUuid>{link.id, text.id}));

  const QUuid category = newUuid();
  state.setActiveFilter(FilterType::custom(category));
  EXPECT_TRUE(filteredIds().isEmpty());
  state.setCardCategories({{code.id, category}, {text.id, category}, {image.id, newUuid()}});
  EXPECT_EQ(filteredIds(), (QList<QUuid>{code.id, text.id}));
  // A category that no longer exists filters to nothing.
  state.setActiveFilter(FilterType::custom(newUuid()));
  EXPECT_TRUE(filteredIds().isEmpty());
}

TEST_F(FiltersTest, BadgeFiltersCombineAlternativesWithinAndAcross) {
  const ClipboardItem editorText = test::textItem(QStringLiteral("a"), QStringLiteral("org.example.Editor"));
  const ClipboardItem shellText = test::textItem(QStringLiteral("b"), QStringLiteral("org.example.Shell"));
  const ClipboardItem editorCode = test::codeItem(QStringLiteral("c()"), QStringLiteral("js"),
                                                  QStringLiteral("org.example.Editor"));
  const ClipboardItem editorColor = test::colorItem(QStringLiteral("#112233"), QStringLiteral("org.example.Editor"));
  add({editorText, shellText, editorCode, editorColor});

  state.setFilterTypes({TypeFilter::text, TypeFilter::code});
  EXPECT_EQ(filteredIds(), (QList<QUuid>{editorCode.id, shellText.id, editorText.id}));
  state.setFilterApps({QStringLiteral("org.example.Editor")});
  EXPECT_EQ(filteredIds(), (QList<QUuid>{editorCode.id, editorText.id}));
  // App identifiers compare exactly.
  state.setFilterApps({QStringLiteral("org.example.editor")});
  EXPECT_TRUE(filteredIds().isEmpty());

  // applyBadgeFilters works on any list and keeps its order.
  state.setFilterApps({QStringLiteral("org.example.Shell"), QStringLiteral("org.example.Editor")});
  const QList<ClipboardItem> reversed = {editorText, editorColor, shellText, editorCode};
  const QList<ClipboardItem> kept = state.applyBadgeFilters(reversed);
  ASSERT_EQ(kept.size(), 3);
  EXPECT_EQ(kept[0].id, editorText.id);
  EXPECT_EQ(kept[1].id, shellText.id);
  EXPECT_EQ(kept[2].id, editorCode.id);

  // The tab and the query do not count as active filters.
  state.setFilterTypes({});
  state.setFilterApps({});
  state.setActiveFilter(FilterType::pinned());
  state.setSearchQuery(QStringLiteral("x"));
  EXPECT_FALSE(state.hasActiveFilters());
  state.setFilterDate(DateFilter::today);
  EXPECT_TRUE(state.hasActiveFilters());
}

TEST_F(FiltersTest, SearchTrimsLowerCasesAndTestsEachFieldOnItsOwn) {
  const ClipboardItem text = test::textItem(QStringLiteral("Meeting NOTES for Tuesday"));
  const ClipboardItem code = test::codeItem(QStringLiteral("let total = 1"), QStringLiteral("swift"));
  const ClipboardItem link = test::linkItem(QStringLiteral("https://news.example.com/a"));
  const ClipboardItem file = test::fileItem(QStringLiteral("/home/user/Reports/budget.pdf"));
  add({text, code, link, file});

  state.setSearchQuery(QStringLiteral(" \n\t "));
  EXPECT_EQ(state.filteredItems().size(), 4);  // only white space: no search

  state.setSearchQuery(QStringLiteral("  NOTES fOR\n"));
  EXPECT_EQ(filteredIds(), (QList<QUuid>{text.id}));
  state.setSearchQuery(QStringLiteral("SWIFT"));
  EXPECT_EQ(filteredIds(), (QList<QUuid>{code.id}));
  state.setSearchQuery(QStringLiteral("news.example"));
  EXPECT_EQ(filteredIds(), (QList<QUuid>{link.id}));
  // A file is searched by its name, not its folder.
  state.setSearchQuery(QStringLiteral("reports"));
  EXPECT_TRUE(filteredIds().isEmpty());
  state.setSearchQuery(QStringLiteral("budget"));
  EXPECT_EQ(filteredIds(), (QList<QUuid>{file.id}));

  // A query never matches across the end of one field and the start of the next.
  state.setSearchQuery(QStringLiteral("= 1swift"));
  EXPECT_TRUE(filteredIds().isEmpty());
  state.setSearchQuery(QStringLiteral("= 1") + QChar(0) + QStringLiteral("swift"));
  EXPECT_TRUE(filteredIds().isEmpty());

  // Search applies after the tab and the badge filters.
  state.setSearchQuery(QStringLiteral("e"));
  state.setFilterTypes({TypeFilter::code, TypeFilter::file});
  EXPECT_EQ(filteredIds(), (QList<QUuid>{file.id, code.id}));
  state.setActiveFilter(FilterType::code());
  EXPECT_EQ(filteredIds(), (QList<QUuid>{code.id}));
}

TEST_F(FiltersTest, SearchFindsQueriesAtEveryPosition) {
  const QString longText = QString(40, u'x') + QStringLiteral("needle") + QString(40, u'y');
  const ClipboardItem item = test::textItem(QStringLiteral("aaab ") + longText + QStringLiteral(" tail"));
  add({item, test::textItem(QStringLiteral("other"))});
  const QStringList found = {QStringLiteral("aab"),
                             QStringLiteral("aaab"),
                             QStringLiteral("tail"),
                             QStringLiteral("l"),
                             QString(35, u'x') + QStringLiteral("needle"),
                             QStringLiteral("xneedley"),
                             QStringLiteral("ab x")};
  for (const QString& query : found) {
    state.setSearchQuery(query);
    EXPECT_EQ(filteredIds(), (QList<QUuid>{item.id})) << query.toStdString();
  }
  const QStringList missed = {QStringLiteral("aaaab"), QStringLiteral("tails"),
                              QString(41, u'x') + QStringLiteral("needle"), QStringLiteral("needlex")};
  for (const QString& query : missed) {
    state.setSearchQuery(query);
    EXPECT_TRUE(filteredIds().isEmpty()) << query.toStdString();
  }
}

TEST_F(FiltersTest, SearchFollowsTheHistoryThroughMovesRemovalsAndEdits) {
  QList<ClipboardItem> items;
  for (int i = 0; i < 300; ++i)
    items.append(test::textItem(
        QStringLiteral("Item %1 %2").arg(i).arg(i % 7 == 0 ? QStringLiteral("Été") : QStringLiteral("zq"))));
  const auto expected = [](const QList<ClipboardItem>& list, const QString& query) {
    QList<QUuid> ids;
    for (const ClipboardItem& item : list)
      if (item.plainText()->toLower().contains(query)) ids.append(item.id);
    return ids;
  };
  const auto check = [&](const QList<ClipboardItem>& list, const char* step) {
    state.setItems(list);
    for (const QString& query : {QStringLiteral("1"), QStringLiteral("z"), QStringLiteral("é"),
                                 QStringLiteral("item 1"), QStringLiteral("2 été"), QStringLiteral("edited")}) {
      state.setSearchQuery(query);
      EXPECT_EQ(filteredIds(), expected(list, query)) << step << " / " << query.toStdString();
    }
  };
  check(items, "initial");
  items.prepend(test::textItem(QStringLiteral("Fresh 1 zq")));
  items.removeAt(150);
  items.removeLast();
  check(items, "new at the front, gone in the middle and at the end");
  std::reverse(items.begin(), items.end());
  check(items, "reversed");
  items[10].payload = TextPayload{QStringLiteral("edited")};
  items.move(20, 200);
  check(items, "edited in place and moved far");
}

// A copy put at the front is checked on its own against the result already found: through
// queries, tabs and badge filters, duplicates that move an older copy, and copies arriving
// before the result was asked for, the list must equal a search of the history afresh.
TEST_F(FiltersTest, CopiesAtTheFrontExtendTheResultAsAFreshSearchWould) {
  QList<ClipboardItem> history;
  for (int i = 0; i < 40; ++i)
    history.append(i % 5 == 0 ? test::linkItem(QStringLiteral("https://agenda.example/%1").arg(i))
                              : test::textItem(QStringLiteral("Agenda %1 %2").arg(i).arg(i % 3 ? u"x" : u"y")));
  add(history);
  SignalCounter changes(&state, &PanelState::filteredItemsChanged);
  int copies = 0;
  const auto copy = [&](const QString& text) {
    const int before = changes.count();
    state.addItem(test::textItem(text));
    EXPECT_GT(changes.count(), before);
    ++copies;
  };
  for (const QString& query : {QStringLiteral("agenda 1"), QStringLiteral("y"), QString(), QStringLiteral("example")}) {
    state.setSearchQuery(query);
    EXPECT_EQ(filteredIds(), freshSearchIds()) << query.toStdString();
    copy(QStringLiteral("agenda 1%1 y").arg(copies));
    EXPECT_EQ(filteredIds(), freshSearchIds()) << query.toStdString();
    copy(QStringLiteral("no match %1").arg(copies));
    copy(QStringLiteral("Agenda 1%1").arg(copies));  // two copies before the result is asked for
    EXPECT_EQ(filteredIds(), freshSearchIds()) << query.toStdString();
    copy(QStringLiteral("Agenda 1 x"));  // the same text again: the older copy goes
    copy(QStringLiteral("Agenda 1 x"));
    EXPECT_EQ(filteredIds(), freshSearchIds()) << query.toStdString();
  }
  state.setActiveFilter(FilterType::links());
  EXPECT_EQ(filteredIds(), freshSearchIds());
  copy(QStringLiteral("agenda 99"));
  EXPECT_EQ(filteredIds(), freshSearchIds());
  state.setActiveFilter(FilterType::all());
  state.setFilterTypes({TypeFilter::text});
  state.setSearchQuery(QStringLiteral("agenda"));
  EXPECT_EQ(filteredIds(), freshSearchIds());
  copy(QStringLiteral("agenda 100"));
  EXPECT_EQ(filteredIds(), freshSearchIds());
  EXPECT_EQ(filteredIds().first(), state.items().first().id);
}

// The filtered list holds the history and the places of its items: one taken before a change
// keeps showing what it showed; a copy that fails a filter every item passed leaves it out.
TEST_F(FiltersTest, AResultKeepsWhatItShowedAndACopyThatFailsTheFiltersIsLeftOut) {
  const ClipboardItem one = test::textItem(QStringLiteral("one"));
  const ClipboardItem two = test::textItem(QStringLiteral("two"));
  add({one, two});
  state.setFilterTypes({TypeFilter::text});
  const FilteredItems before = state.filteredItems();
  ASSERT_EQ(before.size(), 2);
  state.addItem(test::imageItem(test::testImage()));
  EXPECT_EQ(filteredIds(), (QList<QUuid>{two.id, one.id}));
  EXPECT_EQ(filteredIds(), freshSearchIds());
  state.addItem(test::textItem(QStringLiteral("three")));
  state.removeItem(two);
  EXPECT_EQ(filteredIds(), freshSearchIds());
  EXPECT_EQ(filteredIds().size(), 2);
  ASSERT_EQ(before.size(), 2);
  EXPECT_EQ(before.at(0).id, two.id);
  EXPECT_EQ(before.at(1).id, one.id);
  EXPECT_EQ(before.toList(), (QList<ClipboardItem>{two, one}));
}

// Typing on searches only among the last results; whatever changes between keystrokes (a
// copy, a filter, an edit, a shorter query) still gives what a fresh search gives.
TEST_F(FiltersTest, TypingOnNarrowsTheLastResultAsAFreshSearchWould) {
  QList<ClipboardItem> history;
  for (int i = 0; i < 60; ++i)
    history.append(i % 4 == 0 ? test::linkItem(QStringLiteral("https://notes.example/%1").arg(i))
                              : test::textItem(QStringLiteral("Notes %1 %2").arg(i).arg(i % 3 ? u"draft" : u"final")));
  add(history);
  const std::function<void()> between[] = {
      [] {},
      [&] { state.addItem(test::textItem(QStringLiteral("notes 5 draft, again"))); },
      [&] { state.setFilterTypes({TypeFilter::text}); },
      [&] { state.setFilterTypes({}); },
      [&] { state.removeItem(state.items()[3]); },
      [&] { state.setItems(state.items().mid(2)); },
  };
  int step = 0;
  for (const char* query : {"n", "no", "notes", "notes 1", "notes 1", "notes 12", "notes 1", "otes 1", "notes 15 f",
                            "notes 15 fi", "final", "x", ""}) {
    state.setSearchQuery(QString::fromUtf8(query));
    between[step++ % std::size(between)]();
    EXPECT_EQ(filteredIds(), freshSearchIds()) << query;
  }
}

// The first search looks at the items themselves while the search index is made aside; the
// index taken over later, whatever changed meanwhile, gives what each item's own search gives,
// and the text recognised in images that the first search left out comes in with it.
TEST_F(FiltersTest, TheIndexMadeAsideGivesWhatEachItemsOwnSearchGives) {
  h.fake.ocrEngine->setLines({QStringLiteral("Invoice from the printer")});
  QList<ClipboardItem> history;
  for (int i = 0; i < 330; ++i)  // 110 images: more than the first search reads the texts of
    history.append(
        i % 3 == 0 ? test::imageItem(test::testImage())
                   : test::textItem(QStringLiteral("Invoice %1 for the %2").arg(i).arg(i % 2 ? u"Printer" : u"desk")));
  add(history);
  h.queue("ocr")->runAll();
  h.fake.scheduler->runPending();
  const QString query = QStringLiteral("invoice");
  const std::vector<std::pair<const char*, std::function<void(PanelState&)>>> meanwhile = {
      {"nothing", [](PanelState&) {}},
      {"a copy", [](PanelState& s) { s.addItem(test::textItem(QStringLiteral("invoice, printed"))); }},
      {"a removal", [](PanelState& s) { s.removeItem(s.items()[5]); }},
      {"a new history", [](PanelState& s) { s.setItems(s.items().mid(3)); }},
  };
  for (const auto& [name, change] : meanwhile) {
    SCOPED_TRACE(name);
    // A state that never searched, over the same history and recognised texts.
    PanelState other(*h.fake.context);
    other.setItems(state.items());
    other.setSearchQuery(query);
    const qsizetype firstFound = other.filteredItems().size();
    change(other);
    SignalCounter changes(&other, &PanelState::filteredItemsChanged);
    h.fake.drain();
    const auto [found, expected] = foundAndOwnMatches(other, query);
    EXPECT_EQ(found, expected);
    // Every item holds the word; images beyond the newest hundred came in with the index.
    EXPECT_EQ(found.size(), other.items().size());
    if (std::string_view(name) == "nothing") {
      EXPECT_LT(firstFound, found.size());
      EXPECT_GE(changes.count(), 1);
    }
  }
}

// A search prepared when its field takes the keys has the index made by the first key: that
// search already reads the text recognised in every image, whatever changed the history after
// the preparation or after the index was made.
TEST_F(FiltersTest, ASearchPreparedAheadHasTheIndexAtItsFirstKey) {
  h.fake.ocrEngine->setLines({QStringLiteral("Invoice from the printer")});
  QList<ClipboardItem> history;
  for (int i = 0; i < 330; ++i)  // 110 images: more than a search without the index reads the texts of
    history.append(i % 3 == 0 ? test::imageItem(test::testImage())
                              : test::textItem(QStringLiteral("Invoice %1").arg(i)));
  add(history);
  h.queue("ocr")->runAll();
  h.fake.scheduler->runPending();
  const QString query = QStringLiteral("invoice");
  const auto copy = [](PanelState& s) { s.addItem(test::textItem(QStringLiteral("invoice, printed"))); };
  const auto removal = [](PanelState& s) { s.removeItem(s.items()[5]); };
  const struct {
    const char* name;
    std::function<void(PanelState&)> whileMaking, afterMade;
  } cases[] = {
      {"nothing", {}, {}},
      {"a copy while it is made", copy, {}},
      {"a removal while it is made", removal, {}},
      {"a removal once it is made", {}, removal},
      {"a new history once it is made", {}, [](PanelState& s) { s.setItems(s.items().mid(3)); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PanelState other(*h.fake.context);
    other.setItems(state.items());
    other.prepareSearch();
    other.prepareSearch();  // once made aside, however often asked
    if (c.whileMaking) c.whileMaking(other);
    h.fake.drain();
    if (c.afterMade) {
      c.afterMade(other);
      other.prepareSearch();
    }
    SignalCounter ready(&other, &PanelState::searchTextsReady);
    other.setSearchQuery(query);
    const auto [found, expected] = foundAndOwnMatches(other, query);
    EXPECT_EQ(found, expected);
    EXPECT_EQ(found.size(), other.items().size());
    h.fake.drain();
    EXPECT_EQ(ready.count(), 0);
  }
}

TEST_F(FiltersTest, RecognisedImageTextIsSearchedOnceItArrives) {
  h.fake.ocrEngine->setLines({QStringLiteral("INVOICE 2024"), QStringLiteral("total due")});
  const ClipboardItem image = test::imageItem(test::testImage());
  add({test::textItem(QStringLiteral("unrelated")), image});

  state.setSearchQuery(QStringLiteral("invoice"));
  EXPECT_TRUE(filteredIds().isEmpty());

  SignalCounter changes(&state, &PanelState::filteredItemsChanged);
  h.queue("ocr")->runAll();
  h.fake.scheduler->runPending();
  ASSERT_EQ(state.imageTextRevision(), 1);
  EXPECT_EQ(changes.count(), 1);
  EXPECT_EQ(filteredIds(), (QList<QUuid>{image.id}));
  // Lines are searched as recognised, each on its own.
  state.setSearchQuery(QStringLiteral("total due"));
  EXPECT_EQ(filteredIds(), (QList<QUuid>{image.id}));
  // The file name is searched as well.
  state.setSearchQuery(QStringLiteral("png"));
  EXPECT_EQ(filteredIds(), (QList<QUuid>{image.id}));
}

TEST_F(FiltersTest, ImageTextRevisionCountsOnlyWhileAQueryIsSet) {
  add({test::textItem(QStringLiteral("one"))});
  SignalCounter changes(&state, &PanelState::filteredItemsChanged);
  state.bumpImageTextRevision();
  EXPECT_EQ(changes.count(), 0);
  state.setSearchQuery(QStringLiteral("  "));
  EXPECT_EQ(changes.count(), 0);  // still no query
  state.bumpImageTextRevision();
  EXPECT_EQ(changes.count(), 0);
  state.setSearchQuery(QStringLiteral("one"));
  EXPECT_EQ(changes.count(), 1);
  state.setSearchQuery(QStringLiteral(" ONE "));  // the same search
  EXPECT_EQ(changes.count(), 1);
  state.bumpImageTextRevision();
  EXPECT_EQ(changes.count(), 2);
}

TEST_F(FiltersTest, ChangeSignalFollowsTheInputsInForce) {
  const ClipboardItem item = test::textItem(QStringLiteral("one"));
  add({item});
  SignalCounter changes(&state, &PanelState::filteredItemsChanged);
  // Pins and categories matter only to their own tab.
  state.setPinnedIDs({item.id});
  state.setCardCategories({{item.id, newUuid()}});
  EXPECT_EQ(changes.count(), 0);
  state.setActiveFilter(FilterType::pinned());
  EXPECT_EQ(changes.count(), 1);
  state.setPinnedIDs({});
  EXPECT_EQ(changes.count(), 2);
  EXPECT_TRUE(filteredIds().isEmpty());
  state.setFilterTypes({TypeFilter::text});
  state.setFilterApps({QStringLiteral("x")});
  state.setFilterDate(DateFilter::today);
  state.addItem(test::textItem(QStringLiteral("two")));
  EXPECT_GE(changes.count(), 6);
  // Assigning a filter leaves the selection alone.
  state.setSelectedIndex(0);
  state.setFilterTypes({});
  EXPECT_EQ(state.selectedIndex(), 0);
}

TEST_F(FiltersTest, ChipsComeInOrderWithTheirLabels) {
  // The tab and the query have no chips.
  state.setActiveFilter(FilterType::images());
  state.setSearchQuery(QStringLiteral("q"));
  EXPECT_TRUE(state.activeFilterChips().isEmpty());
  add({test::textItem(QStringLiteral("from far"), QString::fromLatin1(kNearbyDeviceBundleID)),
       test::textItem(QStringLiteral("here"), QStringLiteral("org.example.Editor"))});
  state.setFilterTypes({TypeFilter::text, TypeFilter::code});
  state.setFilterApps({QString::fromLatin1(kNearbyDeviceBundleID), QStringLiteral("org.example.Editor"),
                       QStringLiteral("org.example.Gone"), QStringLiteral("Org.example.Upper")});
  state.setFilterDate(DateFilter::last30Days);
  state.setActiveFilter(FilterType::pinned());
  state.setSearchQuery(QStringLiteral("x"));

  EXPECT_EQ(
      chipIds(),
      (QStringList{QStringLiteral("type-code"), QStringLiteral("type-text"), QStringLiteral("app-Org.example.Upper"),
                   QStringLiteral("app-com.apple.universalclipboard.handoff"), QStringLiteral("app-org.example.Editor"),
                   QStringLiteral("app-org.example.Gone"), QStringLiteral("date-last30Days")}));
  // An app that left the history shows its identifier; an unknown installed id its last part.
  EXPECT_EQ(chipLabels(),
            (QStringList{QStringLiteral("Code"), QStringLiteral("Text"), QStringLiteral("Org.example.Upper"),
                         QStringLiteral("Nearby Device"), QStringLiteral("Editor"), QStringLiteral("org.example.Gone"),
                         QStringLiteral("Last 30 days")}));

  // Each chip clears exactly its own filter.
  QList<ActiveFilterChip> chips = state.activeFilterChips();
  chips[1].clear();
  EXPECT_EQ(state.filterTypes(), QSet<TypeFilter>{TypeFilter::code});
  chips[4].clear();
  EXPECT_EQ(state.filterApps().size(), 3);
  EXPECT_FALSE(state.filterApps().contains(QStringLiteral("org.example.Editor")));
  chips[6].clear();
  EXPECT_FALSE(state.filterDate().has_value());
  chips[6].clear();  // already clear: nothing happens
  EXPECT_EQ(state.activeFilter(), FilterType::pinned());
  EXPECT_EQ(state.searchQuery(), QStringLiteral("x"));

  const QStringList labels = {QStringLiteral("Today"), QStringLiteral("Yesterday"), QStringLiteral("This week"),
                              QStringLiteral("Last week"), QStringLiteral("Last 30 days")};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(chipLabel(kAllDateFilters[i]), labels[i]);

  // A chip outliving its state does nothing.
  chips = state.activeFilterChips();
  h.state.reset();
  for (const ActiveFilterChip& chip : chips) chip.clear();
}

TEST_F(FiltersTest, SourceAppsAreDistinctAndSortedByName) {
  add({test::textItem(QStringLiteral("1"), QStringLiteral("org.example.zeta")),
       test::textItem(QStringLiteral("2"), QString::fromLatin1(kNearbyDeviceBundleID)),
       test::textItem(QStringLiteral("3"), QStringLiteral("org.example.Alpha")),
       test::textItem(QStringLiteral("4"), QStringLiteral("org.example.zeta")),
       test::textItem(QStringLiteral("5"), QStringLiteral("org.example.beta"))});
  const QList<SourceApp> apps = state.sourceApps();
  ASSERT_EQ(apps.size(), 4);
  EXPECT_EQ(apps[0], (SourceApp{QStringLiteral("org.example.Alpha"), QStringLiteral("Alpha")}));
  EXPECT_EQ(apps[1], (SourceApp{QStringLiteral("org.example.beta"), QStringLiteral("beta")}));
  EXPECT_EQ(apps[2], (SourceApp{QString::fromLatin1(kNearbyDeviceBundleID), QStringLiteral("Nearby Device")}));
  EXPECT_EQ(apps[3], (SourceApp{QStringLiteral("org.example.zeta"), QStringLiteral("zeta")}));
}

TEST_F(FiltersTest, BadgesToggleTheirFilterAndCloseSelectionAndPreview) {
  const ClipboardItem item = test::textItem(QStringLiteral("one"));
  add({item});
  const auto select = [&] {
    state.setSelectedIndex(0);
    state.setPreviewItemID(item.id);
  };

  select();
  state.toggleBadgeFilter(BadgeFilter::ofType(TypeFilter::text));
  EXPECT_EQ(state.filterTypes(), QSet<TypeFilter>{TypeFilter::text});
  EXPECT_FALSE(state.selectedIndex().has_value());
  EXPECT_FALSE(state.previewItemID().has_value());
  EXPECT_TRUE(state.isBadgeFilterActive(BadgeFilter::ofType(TypeFilter::text)));
  state.toggleBadgeFilter(BadgeFilter::ofType(TypeFilter::text));
  EXPECT_TRUE(state.filterTypes().isEmpty());

  // A second type replaces the first; with two types set no type badge is active.
  state.setFilterTypes({TypeFilter::text, TypeFilter::code});
  EXPECT_FALSE(state.isBadgeFilterActive(BadgeFilter::ofType(TypeFilter::text)));
  state.toggleBadgeFilter(BadgeFilter::ofType(TypeFilter::text));
  EXPECT_EQ(state.filterTypes(), QSet<TypeFilter>{TypeFilter::text});
  state.toggleBadgeFilter(BadgeFilter::ofType(TypeFilter::image));
  EXPECT_EQ(state.filterTypes(), QSet<TypeFilter>{TypeFilter::image});

  const QString app = QStringLiteral("org.example.Editor");
  state.setFilterApps({app, QStringLiteral("other")});
  state.toggleBadgeFilter(BadgeFilter::ofApp(app));
  EXPECT_EQ(state.filterApps(), QSet<QString>{app});
  EXPECT_TRUE(state.isBadgeFilterActive(BadgeFilter::ofApp(app)));
  state.toggleBadgeFilter(BadgeFilter::ofApp(app));
  EXPECT_TRUE(state.filterApps().isEmpty());

  const QUuid first = newUuid();
  const QUuid second = newUuid();
  select();
  state.toggleBadgeFilter(BadgeFilter::ofCategory(first));
  EXPECT_EQ(state.activeFilter(), FilterType::custom(first));
  EXPECT_FALSE(state.selectedIndex().has_value());
  EXPECT_FALSE(state.previewItemID().has_value());
  state.toggleBadgeFilter(BadgeFilter::ofCategory(second));
  EXPECT_EQ(state.activeFilter(), FilterType::custom(second));
  EXPECT_FALSE(state.isBadgeFilterActive(BadgeFilter::ofCategory(first)));
  state.toggleBadgeFilter(BadgeFilter::ofCategory(second));
  EXPECT_EQ(state.activeFilter(), FilterType::all());

  state.toggleBadgeFilter(BadgeFilter::pinned());
  EXPECT_EQ(state.activeFilter(), FilterType::pinned());
  EXPECT_TRUE(state.isBadgeFilterActive(BadgeFilter::pinned()));
  state.toggleBadgeFilter(BadgeFilter::ofCategory(first));  // from pinned to a category
  EXPECT_EQ(state.activeFilter(), FilterType::custom(first));
  state.setActiveFilter(FilterType::pinned());
  state.toggleBadgeFilter(BadgeFilter::pinned());
  EXPECT_EQ(state.activeFilter(), FilterType::all());
}

TEST_F(FiltersTest, SelectionWrapsAroundTheFilteredList) {
  // Nothing to select: nil stays nil.
  state.selectNext();
  state.selectPrevious();
  EXPECT_FALSE(state.selectedIndex().has_value());

  add({test::textItem(QStringLiteral("a")), test::textItem(QStringLiteral("b")), test::textItem(QStringLiteral("c")),
       test::codeItem(QStringLiteral("d"), QString())});
  state.setFilterTypes({TypeFilter::text});  // three items
  state.selectNext();
  EXPECT_EQ(state.selectedIndex(), 0);
  state.selectNext();
  state.selectNext();
  EXPECT_EQ(state.selectedIndex(), 2);
  state.selectNext();
  EXPECT_EQ(state.selectedIndex(), 0);
  state.selectPrevious();
  EXPECT_EQ(state.selectedIndex(), 2);

  state.setSelectedIndex(std::nullopt);
  state.selectPrevious();
  EXPECT_EQ(state.selectedIndex(), 2);

  // Beyond the list.
  state.setSelectedIndex(7);
  state.selectNext();
  EXPECT_EQ(state.selectedIndex(), 2);
  state.setSelectedIndex(7);
  state.selectPrevious();
  EXPECT_EQ(state.selectedIndex(), 0);

  // A filter that leaves nothing keeps the selection as it is.
  state.setSearchQuery(QStringLiteral("zzz"));
  state.setSelectedIndex(1);
  state.selectNext();
  state.selectPrevious();
  EXPECT_EQ(state.selectedIndex(), 1);
}

// Dates in the local zone, as the calendar sees them.
QDateTime local(int year, int month, int day, int hour, int minute = 0, int second = 0) {
  return QDateTime(QDate(year, month, day), QTime(hour, minute, second), Qt::LocalTime).toUTC();
}

// Days follow local midnight, weeks start on the locale's first day (Monday in Germany, Sunday in
// the United States), the last 30 days include their bound and let future dates pass.
TEST(DateFilterTest, BucketsFollowTheLocalCalendar) {
  const QLocale mon(QLocale::German, QLocale::Germany);
  const QLocale sun(QLocale::English, QLocale::UnitedStates);
  ASSERT_EQ(mon.firstDayOfWeek(), Qt::Monday);
  ASSERT_EQ(sun.firstDayOfWeek(), Qt::Sunday);
  const QDateTime saturday = local(2026, 3, 14, 0, 30);
  const QDateTime wednesday = local(2026, 3, 18, 12);
  const QDateTime noon = local(2026, 3, 14, 12);
  const struct {
    DateFilter filter;
    QDateTime date, now;
    QLocale locale;
    bool matches;
  } cases[] = {
      {DateFilter::today, local(2026, 3, 14, 0, 0), saturday, sun, true},
      {DateFilter::today, local(2026, 3, 14, 23, 59), saturday, sun, true},
      {DateFilter::today, local(2026, 3, 13, 23, 59), saturday, sun, false},
      {DateFilter::today, QDateTime(), saturday, sun, false},
      {DateFilter::yesterday, local(2026, 3, 13, 23, 59), saturday, sun, true},
      {DateFilter::yesterday, local(2026, 3, 13, 0, 0), saturday, sun, true},
      {DateFilter::yesterday, local(2026, 3, 12, 23, 59), saturday, sun, false},
      {DateFilter::yesterday, local(2026, 3, 14, 0, 1), saturday, sun, false},
      {DateFilter::thisWeek, local(2026, 3, 15, 10), wednesday, sun, true},
      {DateFilter::thisWeek, local(2026, 3, 15, 10), wednesday, mon, false},
      {DateFilter::lastWeek, local(2026, 3, 15, 10), wednesday, mon, true},
      {DateFilter::lastWeek, local(2026, 3, 15, 10), wednesday, sun, false},
      {DateFilter::thisWeek, local(2026, 3, 16, 10), wednesday, mon, true},
      {DateFilter::lastWeek, local(2026, 3, 9, 0, 0), wednesday, mon, true},
      {DateFilter::lastWeek, local(2026, 3, 8, 23, 59), wednesday, mon, false},
      {DateFilter::thisWeek, local(2026, 3, 23, 0, 0), wednesday, mon, false},
      {DateFilter::last30Days, local(2026, 2, 12, 12), noon, sun, true},
      {DateFilter::last30Days, local(2026, 2, 12, 12).addSecs(-1), noon, sun, false},
      {DateFilter::last30Days, noon.addDays(3), noon, sun, true},
  };
  for (const auto& c : cases) EXPECT_EQ(matches(c.filter, c.date, c.now, c.locale), c.matches) << &c - cases;
}

TEST_F(FiltersTest, DateFilterUsesTheSchedulersClock) {
  const QDateTime now = local(2026, 3, 14, 12);
  h.fake.scheduler->setWallClock(now);
  const ClipboardItem fresh = test::textItem(QStringLiteral("fresh"), QStringLiteral("a"), now.addSecs(-60));
  const ClipboardItem old = test::textItem(QStringLiteral("old"), QStringLiteral("a"), local(2026, 3, 13, 23));
  add({old, fresh});
  state.setFilterDate(DateFilter::today);
  EXPECT_EQ(filteredIds(), (QList<QUuid>{fresh.id}));
  EXPECT_TRUE(state.matchesDateFilter(DateFilter::yesterday, old.capturedAt));
  // The next day the same filter shows nothing, without any input changing.
  h.fake.scheduler->setWallClock(local(2026, 3, 15, 9));
  EXPECT_TRUE(filteredIds().isEmpty());
  state.setFilterDate(DateFilter::yesterday);
  EXPECT_EQ(filteredIds(), (QList<QUuid>{fresh.id}));
}

}  // namespace
}  // namespace qv
