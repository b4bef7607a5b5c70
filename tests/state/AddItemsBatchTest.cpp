// The items of one copy added as a batch end exactly as adding them one by one would: the same
// history in the same order, the same marks carried over and stored, with one notification.
#include "base/Uuid.h"
#include "items/model/ItemJson.h"
#include "support/state/StateTestSupport.h"

#include <gtest/gtest.h>
#include <QJsonArray>

namespace qv {
namespace {

// The history every case starts from, with marks on some of its items.
struct World {
  const QUuid category = newUuid();
  const ClipboardItem report = test::fileItem(QStringLiteral("/old/report.pdf"));
  const ClipboardItem notes = test::fileItem(QStringLiteral("/old/notes.txt"));
  const ClipboardItem secret = test::fileItem(QStringLiteral("/old/secret.txt"));
  const ClipboardItem newerDup = test::fileItem(QStringLiteral("/x/dup.txt"));
  const ClipboardItem olderDup = test::fileItem(QStringLiteral("/y/dup.txt"));
  const ClipboardItem text = test::textItem(QStringLiteral("report.pdf"));
  const ClipboardItem expired = test::textItem(QStringLiteral("last month"), QStringLiteral("org.example.Editor"),
                                               QDateTime(QDate(2026, 2, 14), QTime(12, 0), Qt::UTC));

  void setUp(PanelState& state) const {
    state.setItems({report, notes, secret, newerDup, text, olderDup, expired});
    state.setPinnedIDs({report.id, olderDup.id});
    state.setCardCategories({{report.id, category}, {olderDup.id, category}});
    state.markSensitive(notes.id, false);
    state.markSensitive(secret.id, true);
  }
};

struct BatchCase {
  const char* name;
  QStringList paths;  // the copy's files, in hand-over order; "app:" in front names another app
  bool blurred = false;
  bool withPictures = false;
};

ClipboardItem fileOf(const QString& spec) {
  if (spec.startsWith(u"app:")) return test::fileItem(spec.mid(4), QStringLiteral("org.example.Other"));
  return test::fileItem(spec);
}

QStringList storedIds(const SettingsStore& settings, const char* key) {
  QStringList ids;
  for (const QJsonValue& value : settings.arrayValue(QLatin1String(key)).value_or(QJsonArray()))
    ids.append(value.toString());
  ids.sort();
  return ids;
}

class AddItemsBatch : public ::testing::TestWithParam<BatchCase> {};

TEST_P(AddItemsBatch, EndsAsAddingOneByOne) {
  SCOPED_TRACE(GetParam().name);
  const World world;
  QList<ClipboardItem> copy;
  for (const QString& path : GetParam().paths) copy.append(fileOf(path));
  if (GetParam().withPictures) {
    copy.insert(1, test::imageItem(test::testImage()));
    copy.append(test::imageItem(test::testImage()));
  }
  const bool blurred = GetParam().blurred;

  test::StateHarness oneByOne;
  world.setUp(*oneByOne.state);
  for (const ClipboardItem& item : copy) {
    oneByOne.state->addItem(item, blurred);
    if (blurred) oneByOne.state->markSensitive(item.id, true);  // as the new-item handler does
  }

  test::StateHarness batch;
  world.setUp(*batch.state);
  // On disk as it stands, so that the copy's save goes to the journal.
  batch.state->scheduleSave();
  batch.fake.scheduler->advance(PanelState::kSaveDelaySeconds);
  batch.runSaves();
  const QByteArray fileBefore = readFile(batch.historyPath());
  test::SignalCounter changes(batch.state.get(), &PanelState::itemsChanged);
  const QList<QUuid> stayed = batch.state->addItems(copy, blurred);
  if (blurred) batch.state->markSensitive(stayed, true);

  const PanelState& expected = *oneByOne.state;
  const PanelState& actual = *batch.state;
  EXPECT_EQ(actual.items(), expected.items());
  EXPECT_EQ(actual.pinnedIDs(), expected.pinnedIDs());
  EXPECT_EQ(actual.sensitiveIDs(), expected.sensitiveIDs());
  EXPECT_EQ(actual.autoSensitiveIDs(), expected.autoSensitiveIDs());
  EXPECT_EQ(actual.cardCategories(), expected.cardCategories());
  for (const char* key : {PanelState::kPinnedIDsKey, PanelState::kSensitiveIDsKey, PanelState::kAutoSensitiveIDsKey})
    EXPECT_EQ(storedIds(*batch.fake.context->settings, key), storedIds(*oneByOne.fake.context->settings, key)) << key;
  EXPECT_EQ(changes.count(), 2) << "one notification for the whole copy, one for the expired item";
  EXPECT_TRUE(actual.isSavePending());
  QList<QUuid> present;
  for (const ClipboardItem& item : copy)
    if (std::any_of(actual.items().cbegin(), actual.items().cend(),
                    [&item](const ClipboardItem& kept) { return kept.id == item.id; }))
      present.append(item.id);
  EXPECT_EQ(stayed, present);
  // The journal's records of the copy replay to the same history.
  batch.fake.scheduler->advance(PanelState::kSaveDelaySeconds);
  batch.runSaves();
  EXPECT_EQ(readFile(batch.historyPath()), fileBefore);
  ASSERT_TRUE(batch.storedItems());
  EXPECT_EQ(encodeItems(*batch.storedItems()), encodeItems(actual.items()));  // pictures stay in their side files
}

INSTANTIATE_TEST_SUITE_P(
    State, AddItemsBatch,
    ::testing::Values(
        BatchCase{"new files", {"/new/a.txt", "/new/b.txt", "/new/c.txt"}},
        BatchCase{"one replaces a pinned, filed file", {"/new/report.pdf", "/new/x.txt"}},
        BatchCase{"the same name twice in one copy", {"/p/same.txt", "/q/same.txt", "/r/other.txt", "/s/same.txt"}},
        BatchCase{"a chain through the copy keeps the old pin", {"/p/report.pdf", "/q/report.pdf"}},
        BatchCase{"a manual mark carries over, an automatic one does not", {"/new/notes.txt", "/new/secret.txt"}},
        BatchCase{"another application's file of that name", {"app:/new/report.pdf", "/new/y.txt"}},
        BatchCase{"of two old copies the newest hands its marks on", {"/new/dup.txt", "/new/z.txt"}},
        BatchCase{"pictures never replace anything", {"/new/report.pdf", "/new/w.txt"}, false, true},
        BatchCase{"blurred, over marked files", {"/new/notes.txt", "/new/secret.txt", "/new/report.pdf"}, true},
        BatchCase{"blurred, the same name twice", {"/p/notes.txt", "/q/notes.txt", "/r/v.txt"}, true}));

}  // namespace
}  // namespace qv
