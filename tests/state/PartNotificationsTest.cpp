// The marks and the categories live in parts of the state; the state still tells observers
// about exactly the properties an operation changed.
#include "support/state/StateTestSupport.h"

#include <gtest/gtest.h>
#include <memory>

namespace qv {
namespace {

using test::SignalCounter;

struct NotificationCase {
  const char* name;
  std::function<void(PanelState&, const QUuid& live, const QUuid& gone)> run;
  // pinned, sensitive, autoSensitive, peeked, peekedAt, collapsed, categories, assignments
  std::array<int, 8> counts;
};

TEST(PartNotificationsTest, EachOperationNotifiesExactlyWhatItChanged) {
  const NotificationCase cases[] = {
      {"pin", [](PanelState& s, const QUuid& live, const QUuid&) { s.togglePin(live); }, {1, 0, 0, 0, 0, 0, 0, 0}},
      {"automatic mark",
       [](PanelState& s, const QUuid& live, const QUuid&) { s.markSensitive(live, true); },
       {0, 1, 1, 0, 0, 0, 0, 0}},
      {"mark again",
       [](PanelState& s, const QUuid& live, const QUuid&) {
         s.markSensitive(live, false);
         s.markSensitive(live, false);
       },
       {0, 1, 0, 0, 0, 0, 0, 0}},
      {"peek", [](PanelState& s, const QUuid& live, const QUuid&) { s.togglePeek(live); }, {0, 0, 0, 1, 1, 0, 0, 0}},
      {"clear no peeks", [](PanelState& s, const QUuid&, const QUuid&) { s.clearPeeks(); }, {0, 0, 0, 0, 0, 0, 0, 0}},
      {"collapse",
       [](PanelState& s, const QUuid&, const QUuid&) { s.toggleCollapsedGroup(QStringLiteral("Today")); },
       {0, 0, 0, 0, 0, 1, 0, 0}},
      {"rename to the same name",
       [](PanelState& s, const QUuid&, const QUuid&) {
         const CustomCategory category = s.customCategories().first();
         s.renameCategory(category.id, category.name);
       },
       {0, 0, 0, 0, 0, 0, 0, 0}},
      {"file and delete",
       [](PanelState& s, const QUuid& live, const QUuid&) {
         const CustomCategory category = s.addCategory(QStringLiteral("Work"), 1);
         s.setCategory(category.id, live);
         s.deleteCategory(category.id);
       },
       {0, 0, 0, 0, 0, 0, 2, 2}},
      {"prune a gone item's marks",
       [](PanelState& s, const QUuid&, const QUuid& gone) {
         s.setPinnedIDs({gone});
         s.setCardCategories({{gone, s.customCategories().first().id}});
         s.pruneOrphanedIDs();
       },
       {2, 0, 0, 0, 0, 0, 0, 2}},
  };
  for (const NotificationCase& c : cases) {
    test::StateHarness h;
    PanelState& state = *h.state;
    state.loadHistory();  // seeds "Snippets"
    const ClipboardItem item = test::textItem(QStringLiteral("kept"));
    state.addItem(item);
    const SignalCounter counters[] = {
        {&state, &PanelState::pinnedIDsChanged},        {&state, &PanelState::sensitiveIDsChanged},
        {&state, &PanelState::autoSensitiveIDsChanged}, {&state, &PanelState::peekedIDsChanged},
        {&state, &PanelState::peekedAtChanged},         {&state, &PanelState::collapsedGroupsChanged},
        {&state, &PanelState::customCategoriesChanged}, {&state, &PanelState::cardCategoriesChanged},
    };
    c.run(state, item.id, QUuid::createUuid());
    std::array<int, 8> counts{};
    for (size_t i = 0; i < counts.size(); ++i) counts[i] = counters[i].count();
    EXPECT_EQ(counts, c.counts) << c.name;
  }
}

}  // namespace
}  // namespace qv
