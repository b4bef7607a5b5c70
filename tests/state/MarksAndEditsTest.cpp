#include "base/ByteCountText.h"
#include "base/Uuid.h"
#include "items/stores/RichTextStore.h"
#include "support/state/StateTestSupport.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>

namespace qv {
namespace {

using test::SignalCounter;

class MarksAndEditsTest : public ::testing::Test {
 protected:
  test::StateHarness h;
  PanelState& state = *h.state;
  SettingsStore& settings = *h.fake.context->settings;

  QStringList stored(const char* key) const {
    QStringList values;
    for (const QJsonValue& value : settings.arrayValue(QLatin1String(key)).value_or(QJsonArray()))
      values.append(value.toString());
    values.sort();
    return values;
  }
  // Lets the pending history save run, so that a later one shows.
  void settle() {
    h.fake.scheduler->advance(PanelState::kSaveDelaySeconds + 0.5);
    h.runSaves();
  }
  ClipboardItem add(const QString& text, const QString& app = QStringLiteral("org.example.Editor")) {
    ClipboardItem item = test::textItem(text, app, h.now());
    state.addItem(item);
    return item;
  }
};

TEST_F(MarksAndEditsTest, TogglePinWritesTheWholeSetEachTime) {
  const ClipboardItem a = add(QStringLiteral("a"));
  const ClipboardItem b = add(QStringLiteral("b"));
  state.togglePin(a.id);
  state.togglePin(b);
  EXPECT_EQ(state.pinnedIDs(), PanelState::IdSet({a.id, b.id}));
  QStringList both{uuidString(a.id), uuidString(b.id)};
  both.sort();
  EXPECT_EQ(stored(PanelState::kPinnedIDsKey), both);
  state.togglePin(a);
  EXPECT_EQ(stored(PanelState::kPinnedIDsKey), QStringList{uuidString(b.id)});
  // Any id works, also one that is not in the history.
  const QUuid stray = newUuid();
  state.togglePin(stray);
  EXPECT_TRUE(state.pinnedIDs().contains(stray));
}

TEST_F(MarksAndEditsTest, ManualToggleOfAnAutomaticMarkRemovesBothThenGivesAManualMark) {
  const ClipboardItem item = add(QStringLiteral("secret"));
  state.markSensitive(item.id, true);
  ASSERT_TRUE(state.sensitiveIDs().contains(item.id));
  ASSERT_TRUE(state.autoSensitiveIDs().contains(item.id));

  state.toggleSensitive(item.id);
  EXPECT_TRUE(state.sensitiveIDs().isEmpty());
  EXPECT_TRUE(state.autoSensitiveIDs().isEmpty());
  EXPECT_TRUE(stored(PanelState::kSensitiveIDsKey).isEmpty());
  EXPECT_TRUE(stored(PanelState::kAutoSensitiveIDsKey).isEmpty());

  state.toggleSensitive(item);
  EXPECT_EQ(state.sensitiveIDs(), PanelState::IdSet{item.id});
  EXPECT_TRUE(state.autoSensitiveIDs().isEmpty());
  EXPECT_EQ(stored(PanelState::kSensitiveIDsKey), QStringList{uuidString(item.id)});
  EXPECT_TRUE(stored(PanelState::kAutoSensitiveIDsKey).isEmpty());

  // An automatic mark on a manually marked item makes it automatic.
  state.markSensitive(item.id, true);
  EXPECT_EQ(state.autoSensitiveIDs(), PanelState::IdSet{item.id});
  EXPECT_EQ(stored(PanelState::kAutoSensitiveIDsKey), QStringList{uuidString(item.id)});
}

TEST_F(MarksAndEditsTest, PeekOpenFor299SecondsStaysAnd301SecondsEnds) {
  const ClipboardItem older = add(QStringLiteral("older"));
  const ClipboardItem newer = add(QStringLiteral("newer"));
  state.togglePeek(older.id);
  EXPECT_EQ(state.peekedAt().value(older.id), h.now());
  h.fake.scheduler->advance(2);
  state.togglePeek(newer);

  h.fake.scheduler->advance(299);  // older: 301 s, newer: 299 s
  state.expirePeeks();
  EXPECT_EQ(state.peekedIDs(), PanelState::IdSet{newer.id});
  EXPECT_FALSE(state.peekedAt().contains(older.id));
  EXPECT_TRUE(state.peekedAt().contains(newer.id));

  h.fake.scheduler->advance(1);  // exactly 300 s: survives
  state.expirePeeks();
  EXPECT_EQ(state.peekedIDs(), PanelState::IdSet{newer.id});
  h.fake.scheduler->advance(0.001);
  state.expirePeeks();
  EXPECT_TRUE(state.peekedIDs().isEmpty());
  EXPECT_TRUE(state.peekedAt().isEmpty());
}

TEST_F(MarksAndEditsTest, PeeksAreNotWrittenAndEndWithAHideAgainOrClear) {
  const ClipboardItem item = add(QStringLiteral("x"));
  state.togglePeek(item.id);
  state.togglePeek(item.id);
  EXPECT_TRUE(state.peekedIDs().isEmpty());
  EXPECT_TRUE(state.peekedAt().isEmpty());

  state.togglePeek(item.id);
  // A relaunch starts with every sensitive item hidden.
  EXPECT_TRUE(h.makeState()->peekedIDs().isEmpty());

  SignalCounter changes(&state, &PanelState::peekedIDsChanged);
  state.clearPeeks();
  EXPECT_TRUE(state.peekedIDs().isEmpty());
  EXPECT_TRUE(state.peekedAt().isEmpty());
  state.clearPeeks();
  state.expirePeeks();
  EXPECT_EQ(changes.count(), 1);

  state.togglePeek(item.id);
  state.clearAll();
  EXPECT_TRUE(state.peekedIDs().isEmpty());
}

TEST_F(MarksAndEditsTest, ToggleCollapsedGroupWritesTheTitles) {
  state.toggleCollapsedGroup(QStringLiteral("Today"));
  state.toggleCollapsedGroup(QStringLiteral("Earlier"));
  EXPECT_EQ(stored(PanelState::kCollapsedGroupsKey), QStringList({QStringLiteral("Earlier"), QStringLiteral("Today")}));
  state.toggleCollapsedGroup(QStringLiteral("Today"));
  EXPECT_EQ(stored(PanelState::kCollapsedGroupsKey), QStringList{QStringLiteral("Earlier")});
  EXPECT_EQ(state.collapsedGroups(), QSet<QString>{QStringLiteral("Earlier")});
}

TEST_F(MarksAndEditsTest, EditingTextAndCodeKeepsPlaceAndMarksAndDropsRichText) {
  const ClipboardItem code = test::codeItem(QStringLiteral("x = 1"), QStringLiteral("python"));
  state.addItem(code);
  const ClipboardItem text = add(QStringLiteral("plain"));
  state.togglePin(code.id);
  const RichTextStore& rich = *h.fake.context->richTextStore;
  ASSERT_TRUE(test::storeRichForm(rich, text, "<b>plain</b>"));
  settle();
  ASSERT_FALSE(state.isSavePending());

  SignalCounter changes(&state, &PanelState::itemsChanged);
  state.updateText(code, QStringLiteral("x = 2"));
  state.updateText(text, QString());
  EXPECT_EQ(changes.count(), 2);
  ASSERT_EQ(state.items().size(), 2);
  const ClipboardItem& editedCode = state.items()[1];
  EXPECT_EQ(editedCode.id, code.id);
  EXPECT_EQ(editedCode.capturedAt, code.capturedAt);
  EXPECT_EQ(editedCode.sourceAppBundleID, code.sourceAppBundleID);
  EXPECT_EQ(editedCode.payload, ClipboardPayload(CodePayload{QStringLiteral("x = 2"), QStringLiteral("python")}));
  EXPECT_EQ(state.items()[0].payload, ClipboardPayload(TextPayload{QString()}));
  EXPECT_TRUE(state.pinnedIDs().contains(code.id));
  EXPECT_FALSE(rich.read(text.idString()));
  EXPECT_TRUE(state.isSavePending());
}

// Saving an editor that was opened and closed without a change keeps the item exactly as it was,
// with the rich form it was copied with.
TEST_F(MarksAndEditsTest, SavingUnchangedTextKeepsTheItemAndItsRichText) {
  for (const bool code : {false, true}) {
    SCOPED_TRACE(code ? "code" : "text");
    const ClipboardItem item = code ? test::codeItem(QStringLiteral("x = 1\r\ny = 2"), QStringLiteral("python"))
                                    : add(QStringLiteral("<b>bold</b> and plain\r\n"));
    if (code) state.addItem(item);
    const RichTextStore& rich = *h.fake.context->richTextStore;
    ASSERT_TRUE(test::storeRichForm(rich, item, "<b>bold</b> and plain"));
    settle();
    const QList<ClipboardItem> before = state.items();
    SignalCounter changes(&state, &PanelState::itemsChanged);
    const ClipboardItem stored = *std::find_if(before.cbegin(), before.cend(),
                                               [&](const auto& i) { return i.id == item.id; });
    state.updateText(item, *stored.plainText());
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(state.items(), before);
    EXPECT_TRUE(rich.read(item.idString()));
    EXPECT_FALSE(state.isSavePending());
  }
}

TEST_F(MarksAndEditsTest, EditingOtherKindsOrAGoneItemChangesNothing) {
  const ClipboardItem color = test::colorItem(QStringLiteral("#112233"));
  const ClipboardItem link = test::linkItem(QStringLiteral("ftp://files.example/a"));
  const ClipboardItem file = test::fileItem(QStringLiteral("/tmp/report.pdf"));
  const ClipboardItem image = test::imageItem(test::testImage());
  for (const ClipboardItem& item : {color, link, file, image}) state.addItem(item);
  settle();
  ASSERT_FALSE(state.isSavePending());
  const QList<ClipboardItem> before = state.items();

  for (const ClipboardItem& item : {color, link, file, image}) state.updateText(item, QStringLiteral("new"));
  state.updateText(test::textItem(QStringLiteral("never added")), QStringLiteral("new"));
  EXPECT_EQ(state.items(), before);
  EXPECT_FALSE(state.isSavePending());
}

TEST_F(MarksAndEditsTest, RefreshFileSizeFillsOnlyAnEmptySizeFromARealFile) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("data.bin"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray(1500, 'x'));
  file.close();
  QFile(dir.filePath(QStringLiteral("empty.bin"))).open(QIODevice::WriteOnly);

  const auto unsized = [](const QString& filePath) {
    ClipboardItem item = test::fileItem(filePath);
    std::get<FilePayload>(item.payload).edit().size.clear();
    return item;
  };
  const ClipboardItem real = unsized(path);
  const ClipboardItem empty = unsized(dir.filePath(QStringLiteral("empty.bin")));
  const ClipboardItem missing = unsized(dir.filePath(QStringLiteral("gone.bin")));
  const ClipboardItem folder = unsized(dir.path());
  const ClipboardItem sized = test::fileItem(path, QStringLiteral("org.example.Other"));  // "1 KB" already
  for (const ClipboardItem& item : {real, empty, missing, folder, sized}) state.addItem(item);
  settle();
  const QList<ClipboardItem> before = state.items();

  for (const ClipboardItem& item : {empty, missing, folder, sized}) state.refreshFileSize(item);
  EXPECT_EQ(state.items(), before);
  EXPECT_FALSE(state.isSavePending());

  state.refreshFileSize(real);
  const auto& payload = std::get<FilePayload>(state.items().last().payload);
  EXPECT_EQ(payload->size, byteCountText(1500));
  EXPECT_EQ(payload->name, QStringLiteral("data.bin"));
  EXPECT_TRUE(state.isSavePending());
}

TEST_F(MarksAndEditsTest, RemoveItemDropsItsMarksAndPreview) {
  const ClipboardItem keep = add(QStringLiteral("keep"));
  const ClipboardItem gone = add(QStringLiteral("gone"));
  state.togglePin(gone.id);
  state.toggleSensitive(gone.id);
  state.markSensitive(gone.id, true);
  state.togglePeek(gone.id);
  state.setCardCategories({{gone.id, newUuid()}});
  state.saveCardCategories();
  state.setCardAnchors({{gone.id, 40.0}, {keep.id, 80.0}});
  state.setPreviewItemID(gone.id);
  settle();

  SignalCounter itemChanges(&state, &PanelState::itemsChanged);
  state.removeItem(gone);
  EXPECT_EQ(itemChanges.count(), 1);
  EXPECT_EQ(state.items(), QList<ClipboardItem>{keep});
  EXPECT_TRUE(state.pinnedIDs().isEmpty());
  EXPECT_TRUE(state.sensitiveIDs().isEmpty());
  EXPECT_TRUE(state.autoSensitiveIDs().isEmpty());
  EXPECT_TRUE(state.cardCategories().isEmpty());
  EXPECT_TRUE(state.peekedIDs().isEmpty());
  EXPECT_EQ(state.cardAnchors().keys(), QList<QUuid>{keep.id});
  EXPECT_TRUE(stored(PanelState::kPinnedIDsKey).isEmpty());
  EXPECT_TRUE(stored(PanelState::kSensitiveIDsKey).isEmpty());
  EXPECT_EQ(state.previewItemID(), std::nullopt);
  EXPECT_EQ(state.previewAnchorY(), std::nullopt);
  EXPECT_TRUE(state.isSavePending());

  // Another item's preview stays.
  state.setPreviewItemID(keep.id);
  state.removeItem(newUuid());
  EXPECT_EQ(state.previewItemID(), keep.id);
}

TEST_F(MarksAndEditsTest, RemovalRunsInsideTheAnimationHookWhenOneIsSet) {
  const ClipboardItem a = add(QStringLiteral("a"));
  const ClipboardItem b = add(QStringLiteral("b"));
  // Unset, the removal runs plainly.
  state.removeItem(a.id);
  EXPECT_EQ(state.items().size(), 1);

  int calls = 0;
  bool changedInside = false;
  bool inside = false;
  QObject::connect(&state, &PanelState::itemsChanged, &state, [&] { changedInside = inside; });
  state.setAnimateRemoval([&](const std::function<void()>& change) {
    ++calls;
    inside = true;
    change();
    inside = false;
  });
  state.removeItem(b.id);
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(changedInside);
  EXPECT_TRUE(state.items().isEmpty());
}

TEST_F(MarksAndEditsTest, RemovingTheSelectedLastItemSelectsTheNewLastAndTheOnlyItemClears) {
  const ClipboardItem a = add(QStringLiteral("a"));
  const ClipboardItem b = add(QStringLiteral("b"));
  const ClipboardItem c = add(QStringLiteral("c"));
  state.setSelectedIndex(2);  // a, the last
  state.removeItem(a.id);
  EXPECT_EQ(state.selectedIndex(), 1);

  state.setSelectedIndex(0);
  state.removeItem(b.id);
  EXPECT_EQ(state.selectedIndex(), 0);  // still in range

  state.removeItem(c.id);
  EXPECT_EQ(state.selectedIndex(), std::nullopt);

  // No selection stays none while items remain.
  add(QStringLiteral("d"));
  const ClipboardItem e = add(QStringLiteral("e"));
  state.removeItem(e.id);
  EXPECT_EQ(state.selectedIndex(), std::nullopt);
}

TEST_F(MarksAndEditsTest, RemovingAnApplicationsItemsCountsExactlyAndPrunes) {
  const QString app = QStringLiteral("org.example.Chat");
  const ClipboardItem one = add(QStringLiteral("one"), app);
  const ClipboardItem other = add(QStringLiteral("other"), QStringLiteral("org.example.chat"));
  const ClipboardItem two = add(QStringLiteral("two"), app);
  state.togglePin(one.id);
  state.toggleSensitive(two.id);
  state.togglePin(other.id);
  state.setPreviewItemID(two.id);
  state.setSelectedIndex(0);

  EXPECT_EQ(state.itemCount(app), 2);
  EXPECT_EQ(state.itemCount(QStringLiteral("org.example")), 0);

  SignalCounter itemChanges(&state, &PanelState::itemsChanged);
  EXPECT_EQ(state.removeItems(app), 2);
  EXPECT_EQ(itemChanges.count(), 1);
  EXPECT_EQ(state.items(), QList<ClipboardItem>{other});
  EXPECT_EQ(state.pinnedIDs(), PanelState::IdSet{other.id});
  EXPECT_TRUE(state.sensitiveIDs().isEmpty());
  EXPECT_EQ(stored(PanelState::kPinnedIDsKey), QStringList{uuidString(other.id)});
  EXPECT_EQ(state.previewItemID(), std::nullopt);
  EXPECT_EQ(state.selectedIndex(), std::nullopt);
  EXPECT_EQ(state.itemCount(app), 0);
}

TEST_F(MarksAndEditsTest, RemovingByAReferenceIntoTheHistoryRemovesTheRightItems) {
  const ClipboardItem a = add(QStringLiteral("a"));
  const ClipboardItem b = add(QStringLiteral("b"), QStringLiteral("org.example.Chat"));
  const ClipboardItem c = add(QStringLiteral("c"));
  state.setPreviewItemID(a.id);
  state.removeItem(state.items()[1]);  // b, named by the history's own record
  EXPECT_EQ(state.items(), QList<ClipboardItem>({c, a}));
  EXPECT_EQ(state.previewItemID(), a.id);
  EXPECT_EQ(state.removeItems(state.items()[0].sourceAppBundleID), 2);
  EXPECT_TRUE(state.items().isEmpty());
}

TEST_F(MarksAndEditsTest, ErasingAnApplicationWithoutItemsReturnsZeroAndWritesNothing) {
  const ClipboardItem item = add(QStringLiteral("x"));
  state.setSelectedIndex(0);
  settle();
  SignalCounter itemChanges(&state, &PanelState::itemsChanged);
  EXPECT_EQ(state.removeItems(QStringLiteral("org.example.None")), 0);
  EXPECT_EQ(itemChanges.count(), 0);
  EXPECT_EQ(state.selectedIndex(), 0);
  EXPECT_FALSE(state.isSavePending());
  EXPECT_FALSE(settings.hasStoredValue(QLatin1String(PanelState::kPinnedIDsKey)));
}

}  // namespace
}  // namespace qv
