// Copies while the library holds the history: the lists, date sections, tab counts, status and
// detail item it carries over a copy at the front are those a library made afresh reads, with the
// window on screen (synced at every change) and closed (synced as it shows again), whatever the
// scope, query, filters, collapsed groups and clock; and the copy goes in at the front in place.
#include "base/Uuid.h"
#include "items/ItemServices.h"
#include "items/link/LinkMetadataFetcher.h"
#include "library/LibraryGridView.h"
#include "library/LibraryModel.h"
#include "library/LibraryView.h"
#include "state/PanelState.h"

#include "platform/fake/FakeScheduler.h"
#include "support/library/FakeLibraryContext.h"
#include "support/state/StateTestSupport.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

// A Saturday at noon, local time: Thursday falls in this week whichever day the locale starts it.
const QDateTime kNow(QDate(2026, 3, 14), QTime(12, 0));
const QString kEditor = QStringLiteral("org.example.Editor");
const QString kMail = QStringLiteral("org.example.Mail");

QDateTime daysAgo(int days, int hour = 10) { return QDateTime(kNow.date().addDays(-days), QTime(hour, 0)).toUTC(); }

ClipboardItem textAt(const QString& text, const QDateTime& at, const QString& app = kEditor) {
  return test::textItem(text, app, at);
}
ClipboardItem codeAt(const QString& source, const QDateTime& at) {
  return ClipboardItem::make(newUuid(), kEditor, at, CodePayload{source, QStringLiteral("python")});
}

// Everything the library shows of its model, a line each.
std::string reading(const LibraryModel& model) {
  QStringList out;
  for (const ClipboardItem& item : model.filteredItems()) out << item.plainText().value_or(QString());
  const LibrarySections sections = model.dateSections();
  out << QStringLiteral("headers %1").arg(sections.showsHeaders);
  for (const LibraryDateSection& s : sections.sections)
    out << QStringLiteral("%1 %2 %3+%4%5")
               .arg(s.position)
               .arg(s.title())
               .arg(s.firstIndex)
               .arg(s.count)
               .arg(s.collapsed ? QStringLiteral(" collapsed") : QString());
  const LibraryScopeCounts counts = model.scopeCounts();
  out << QStringLiteral("all %1 pinned %2").arg(counts.all).arg(counts.pinned);
  for (const CustomCategory& category : model.state().customCategories())
    out << category.name + QStringLiteral(" %1").arg(counts.of(category.id));
  out << model.statusLine().text;
  const std::optional<ClipboardItem> detail = model.detailItem();
  out << QStringLiteral("detail ") + (detail ? detail->plainText().value_or(QString()) : QString());
  return out.join(u'\n').toStdString();
}

struct WithItemServices {
  WithItemServices() {
    installItemServices(*fake.context);
    fake.context->settings->set(QStringLiteral("qv.historyRetention"), QStringLiteral("forever"));
    fake.scheduler->setWallClock(kNow.toUTC());
  }
  test::FakeLibraryContext fake;
};

class LibraryCopyTest : public ::testing::TestWithParam<bool>, protected WithItemServices {
 protected:
  LibraryCopyTest() : state(*fake.context) {
    work = state.addCategory(QStringLiteral("Work"), 1);
    QList<ClipboardItem> history;
    for (int i = 0; i < 30; ++i) {
      const QString line =
          QStringLiteral("%1 line %2").arg(i % 3 ? QStringLiteral("notes") : QStringLiteral("budget")).arg(i);
      const QDateTime at = daysAgo(i / 4 == 0 ? 0 : i / 4 == 1 ? 1 : i / 4 == 2 ? 3 : 10 + i);
      history << (i % 5 == 2 ? codeAt(line, at) : textAt(line, at, i % 2 ? kMail : kEditor));
    }
    state.setItems(history);
    for (int i = 0; i < 30; i += 6) state.togglePin(history[i].id);
    for (int i = 1; i < 30; i += 4) state.setCategory(work.id, history[i].id);
  }
  ~LibraryCopyTest() override {
    view.reset();
    fake.drain();
  }

  // The library opened on the history, left on screen or closed again.
  void open() {
    model = std::make_unique<LibraryModel>(state, *fake.scheduler);
    view = std::make_unique<LibraryView>(*fake.context, *model);
    synced = QObject::connect(model.get(), &LibraryModel::changed, view.get(), [this] { view->sync(); });
    view->setAttribute(Qt::WA_DontShowOnScreen);
    view->resize(1100, 760);
    view->show();
    view->sync();
    if (!onScreen()) {
      QObject::disconnect(synced);
      view->hide();
    }
  }
  bool onScreen() const { return GetParam(); }

  // The view shows what a library made now would show.
  void expectShownAsAfresh() {
    // What left the history is shown and selected no longer.
    for (const std::optional<QUuid>& id : {model->previewID(), model->selection()}) {
      const auto listed = [&](const ClipboardItem& item) { return item.id == id; };
      EXPECT_TRUE(!id || std::any_of(state.items().cbegin(), state.items().cend(), listed));
    }
    LibraryModel fresh(state, *fake.scheduler);
    fresh.selectScope(model->scope());
    fresh.setQuery(model->query());
    fresh.setPreviewID(model->previewID());
    EXPECT_EQ(reading(*model), reading(fresh));
    if (!onScreen()) view->sync();
    EXPECT_TRUE(view->props() == libraryViewProps(fresh));
    QStringList listed;
    for (const ClipboardItem& item : fresh.filteredItems()) listed << item.plainText().value_or(QString());
    EXPECT_EQ(view->listedRows().join(u'\n').toStdString(), listed.join(u'\n').toStdString());
    std::vector<int> counts, shownCounts;
    for (const LibraryDateSection& section : fresh.dateSections().sections) counts.push_back(section.count);
    for (const cardList::Section& section : view->grid().layout().sections) shownCounts.push_back(section.count);
    EXPECT_EQ(shownCounts, counts);
  }

  PanelState state;
  CustomCategory work;
  std::unique_ptr<LibraryModel> model;
  std::unique_ptr<LibraryView> view;
  QMetaObject::Connection synced;
};

TEST_P(LibraryCopyTest, ShowsEveryCopyAsALibraryMadeAfreshWouldInEveryState) {
  struct Case {
    const char* name;
    std::function<void()> setUp;
  };
  const std::vector<Case> cases = {
      {"nothing narrows", [] {}},
      {"the newest item is yesterday's: a copy starts Today",
       [&] {
         QList<ClipboardItem> items = state.items();
         items.remove(0, 4);
         state.setItems(items);
       }},
      {"a run between two of one group",
       [&] {
         QList<ClipboardItem> items = state.items();
         items.insert(1, textAt(QStringLiteral("lonely run"), daysAgo(1)));
         state.setItems(items);
       }},
      {"Today collapsed", [&] { state.toggleCollapsedGroup(QStringLiteral("Today")); }},
      {"Yesterday collapsed", [&] { state.toggleCollapsedGroup(QStringLiteral("Yesterday")); }},
      {"a search", [&] { model->setQuery(QStringLiteral(" BUDGET")); }},
      {"a type filter", [&] { state.setFilterTypes({TypeFilter::code}); }},
      {"an app filter", [&] { state.setFilterApps({kMail}); }},
      {"a date filter", [&] { state.setFilterDate(DateFilter::today); }},
      {"a category scope", [&] { model->selectScope(LibraryScope::category(work.id)); }},
      {"the pinned scope with a search",
       [&] {
         model->selectScope(LibraryScope::pinned());
         model->setQuery(QStringLiteral("line"));
       }},
      {"the detail pane open", [&] { model->showDetail(state.items().at(6).id); }},
      {"the clock set back two days", [&] { fake.scheduler->setWallClock(kNow.addDays(-2).toUTC()); }},
  };
  // Each copy at the scheduler's now; some copy an item of the history again, one comes after
  // midnight; removals between them.
  const std::vector<std::pair<const char*, std::function<void()>>> copies = {
      {"a matching text", [&] { state.addItem(textAt(QStringLiteral("budget fresh"), fake.scheduler->now())); }},
      {"code", [&] { state.addItem(codeAt(QStringLiteral("budget = 2"), fake.scheduler->now())); }},
      {"from mail", [&] { state.addItem(textAt(QStringLiteral("a mail line"), fake.scheduler->now(), kMail)); }},
      {"again", [&] { state.addItem(textAt(QStringLiteral("notes line 8"), fake.scheduler->now())); }},
      {"again, the one of its run",
       [&] { state.addItem(textAt(QStringLiteral("lonely run"), fake.scheduler->now())); }},
      {"a removal", [&] { state.removeItem(state.items().at(3).id); }},
      {"the detail pane's item removed",
       [&] { state.removeItem(model->previewID().value_or(state.items().at(6).id)); }},
      {"again, a pinned one", [&] { state.addItem(textAt(QStringLiteral("budget line 0"), fake.scheduler->now())); }},
      {"after midnight",
       [&] {
         fake.scheduler->setWallClock(
             QDateTime(fake.scheduler->now().toLocalTime().date().addDays(1), QTime(0, 0, 30)).toUTC());
         state.addItem(textAt(QStringLiteral("budget at night"), fake.scheduler->now()));
       }},
      {"again, a filed one", [&] { state.addItem(textAt(QStringLiteral("notes line 5"), fake.scheduler->now())); }},
      {"a pin on, a pin off, a category off",
       [&] {
         state.togglePin(state.items().at(4).id);
         state.togglePin(state.items().at(5).id);
         const auto filed = std::find_if(state.items().cbegin(), state.items().cend(),
                                         [&](const ClipboardItem& item) { return state.categoryForItem(item); });
         if (filed != state.items().cend()) state.setCategory(std::nullopt, filed->id);
       }},
      {"a copy pinned as it goes in",
       [&] {
         const ClipboardItem copy = textAt(QStringLiteral("budget pinned"), fake.scheduler->now());
         state.setPinnedIDs(state.pinnedIDs() + PanelState::IdSet{copy.id});
         state.addItem(copy);
       }},
      {"filed in the category",
       [&] {
         state.addItem(textAt(QStringLiteral("budget filed"), fake.scheduler->now()));
         state.setCategory(work.id, state.items().first().id);
       }},
  };
  const QList<ClipboardItem> history = state.items();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake.scheduler->setWallClock(kNow.toUTC());
    state.setItems(history);
    open();
    c.setUp();
    if (onScreen()) view->sync();
    // Also what shows between the two changes of a copy that replaces an older one.
    std::vector<std::string> between;
    const QMetaObject::Connection checking = QObject::connect(model.get(), &LibraryModel::changed, [&] {
      LibraryModel fresh(state, *fake.scheduler);
      fresh.selectScope(model->scope());
      fresh.setQuery(model->query());
      fresh.setPreviewID(model->previewID());
      if (reading(fresh) != reading(*model)) between.push_back(reading(*model) + "\n---\n" + reading(fresh));
    });
    for (const auto& [copyName, copy] : copies) {
      SCOPED_TRACE(copyName);
      copy();
      expectShownAsAfresh();
      EXPECT_EQ(between, std::vector<std::string>());
      between.clear();
    }
    QObject::disconnect(checking);
    view.reset();
    model.reset();
    state.setFilterTypes({});
    state.setFilterApps({});
    state.setFilterDate(std::nullopt);
    state.setCollapsedGroups({});
  }
}

// The lists the library holds (of every scope, query and filter) are let go for a copy: it goes
// in at the front in place rather than copying the whole history.
TEST_P(LibraryCopyTest, ACopyGoesInPlaceWhileTheLibraryHoldsItsLists) {
  open();
  model->filteredItems(LibraryScope::pinned(), QStringLiteral("line"));
  model->filteredItems(LibraryScope::category(work.id), {});
  state.setFilterTypes({TypeFilter::text});
  model->setQuery(QStringLiteral("budget"));
  view->sync();
  model->scopeCounts();
  state.addItem(textAt(QStringLiteral("makes room at the front"), fake.scheduler->now()));
  for (int n = 0; n < 5; ++n) {
    const ClipboardItem* front = state.items().constData();
    state.addItem(textAt(QStringLiteral("budget copy %1").arg(n), fake.scheduler->now()));
    ASSERT_EQ(&state.items().at(1), front) << n << ": the history was copied; what the library holds of it is gone";
    if (n % 2) view->sync();
  }
  expectShownAsAfresh();
}

// So do edits, removals, the expiry of old items and a link's fetched title.
TEST_P(LibraryCopyTest, ChangesInPlaceLeaveTheHistoryWhereItIsWhileTheLibraryHoldsItsLists) {
  state.addItem(test::linkItem(QStringLiteral("https://example.com/budget")));
  const QUuid link = state.items().first().id;
  open();
  model->setQuery(QStringLiteral("line"));
  state.setFilterTypes({TypeFilter::text});
  view->sync();
  // The search's texts are made aside from a hold of the history of their own, let go when made.
  fake.drain();
  const struct {
    const char* name;
    std::function<void()> change;
  } changes[] = {
      {"an edit", [&] { state.updateText(state.items().at(6), QStringLiteral("notes line edited")); }},
      {"a removal", [&] { state.removeItem(state.items().at(7).id); }},
      {"a link's title",
       [&] {
         LinkMetadata fetched;
         fetched.title = QStringLiteral("Budget");
         state.applyLinkMetadata(fetched, link);
       }},
      {"removed by app", [&] { state.removeItems(kMail); }},
      {"expired",
       [&] {
         fake.context->settings->set(QStringLiteral("qv.historyRetention"), QStringLiteral("1w"));
         state.applyRetention();
       }},
  };
  for (const auto& change : changes) {
    SCOPED_TRACE(change.name);
    model->scopeCounts();
    model->filteredItems(LibraryScope::pinned(), {});
    if (!onScreen()) view->sync();
    const ClipboardItem* front = state.items().constData();
    const qsizetype count = state.items().size();
    change.change();
    EXPECT_LE(state.items().size(), count);
    ASSERT_EQ(state.items().constData(), front) << "the history was copied; what the library holds of it is gone";
    expectShownAsAfresh();
  }
}

INSTANTIATE_TEST_SUITE_P(Library, LibraryCopyTest, ::testing::Values(true, false),
                         [](const auto& param) { return param.param ? "OnScreen" : "Closed"; });

}  // namespace
}  // namespace qv
