// What the filter surface asks of the history (its applications, kinds and capture days) is kept
// beside it through copies, copies that replace an older one and removals: after each change the
// answers are those of a state made afresh from the same items.
#include "state/PanelState.h"
#include "support/state/StateTestSupport.h"

#include <gtest/gtest.h>
#include <functional>
#include <vector>

namespace qv {
namespace {

const QDateTime kNow(QDate(2026, 3, 18), QTime(12, 0));
const QString kEditor = QStringLiteral("org.example.Editor");
const QString kMail = QStringLiteral("org.example.Mail");
const QString kTerminal = QStringLiteral("org.example.Terminal");

class FilterSurfaceCountsTest : public ::testing::Test {
 protected:
  FilterSurfaceCountsTest() {
    h.fake.scheduler->setWallClock(kNow.toUTC());
    h.fake.context->settings->set(QStringLiteral("qv.historyRetention"), QStringLiteral("forever"));
    QList<ClipboardItem> history;
    for (int i = 0; i < 12; ++i)
      history << test::textItem(QStringLiteral("line %1").arg(i), i % 3 ? kEditor : kMail, kNow.addDays(-i).toUTC());
    history.insert(5, ClipboardItem::make(QUuid::createUuid(), kTerminal, kNow.addDays(-5).toUTC(),
                                          CodePayload{QStringLiteral("ls -la"), QStringLiteral("bash")}));
    state.setItems(history);
  }

  // Everything the surface reads, a line each.
  static std::string answers(const PanelState& of) {
    QStringList out;
    for (const SourceApp& app : of.sourceApps()) out << QStringLiteral("app ") + app.id;
    out << QStringLiteral("apps %1").arg(of.hasSourceApps());
    for (const TypeFilter type : kAllTypeFilters)
      out << rawValue(type) + QStringLiteral(" %1").arg(of.hasItemsOf(type));
    for (const DateFilter date : kAllDateFilters)
      out << rawValue(date) + QStringLiteral(" %1").arg(of.hasItemsIn(date));
    for (const ActiveFilterChip& chip : of.activeFilterChips()) out << QStringLiteral("chip ") + chip.label;
    return out.join(u'\n').toStdString();
  }
  std::string answersAfresh() const {
    PanelState fresh(*h.fake.context);
    fresh.setItems(state.items());
    fresh.setFilterApps(state.filterApps());
    return answers(fresh);
  }
  const ClipboardItem& itemFrom(const QString& app) const {
    return *std::find_if(state.items().cbegin(), state.items().cend(),
                         [&](const ClipboardItem& item) { return item.sourceAppBundleID == app; });
  }

  test::StateHarness h;
  PanelState& state = *h.state;
};

TEST_F(FilterSurfaceCountsTest, AnswerAsAStateMadeAfreshAfterEveryChange) {
  const std::vector<std::pair<const char*, std::function<void()>>> changes = {
      {"a copy from an application new to the history",
       [&] { state.addItem(test::textItem(QStringLiteral("hello"), QStringLiteral("org.example.Chat"), kNow)); }},
      {"a colour", [&] { state.addItem(test::colorItem(QStringLiteral("#FF8800"))); }},
      {"the only code copied again",
       [&] {
         const ClipboardItem& code = itemFrom(kTerminal);
         state.addItem(ClipboardItem::make(QUuid::createUuid(), kTerminal, kNow.toUTC(), code.payload));
       }},
      {"the only code removed", [&] { state.removeItem(itemFrom(kTerminal).id); }},
      {"the colour removed", [&] { state.removeItem(state.items().at(1).id); }},
      {"a mail line copied again from the editor",
       [&] { state.addItem(test::textItem(QStringLiteral("line 3"), kEditor, kNow.toUTC())); }},
      {"every mail item removed one by one",
       [&] {
         while (state.itemCount(kMail) > 0) state.removeItem(itemFrom(kMail).id);
       }},
      {"an app filter on an application that left", [&] { state.setFilterApps({kMail}); }},
      {"the yesterday items removed",
       [&] {
         for (const ClipboardItem& item : QList<ClipboardItem>(state.items()))
           if (state.matchesDateFilter(DateFilter::yesterday, item.capturedAt)) state.removeItem(item.id);
       }},
      {"a copy after the removals", [&] { state.addItem(test::textItem(QStringLiteral("late"), kMail, kNow)); }},
      {"removed by application", [&] { state.removeItems(kEditor); }},
  };
  ASSERT_EQ(answers(state), answersAfresh());
  for (const auto& [name, change] : changes) {
    SCOPED_TRACE(name);
    change();
    EXPECT_EQ(answers(state), answersAfresh());
  }
}

}  // namespace
}  // namespace qv
