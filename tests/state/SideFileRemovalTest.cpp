// What the user deletes is gone: an item's side files (picture, recognised text, rich text,
// bookmark) go once its removal is on disk, whichever way it left the history; orphans that a
// crash left go at the next start; a set-aside history keeps the files it names, and nothing is
// pruned while stored values are lost.
#include "base/Uuid.h"
#include "items/model/ItemJson.h"
#include "items/ocr/ImageTextRecognizer.h"
#include "items/stores/FileBookmarkStore.h"
#include "items/stores/ImageStore.h"
#include "items/stores/RichTextStore.h"
#include "platform/SettingsStore.h"
#include "support/SideFileHelpers.h"
#include "support/WriteLimit.h"
#include "support/state/StateTestSupport.h"

#include <gtest/gtest.h>
#include <QFileInfo>
#include <QJsonObject>

namespace qv {
namespace {

struct SideFiles {
  const ItemServices& services;
  QStringList of(const ClipboardItem& item) const {
    const QString id = item.idString();
    switch (item.contentType) {
      case ContentType::image:
        return {services.imageStore->filePath(id), services.imageTextRecognizer->directory() + u'/' + id + ".txt"};
      case ContentType::file: return {services.fileBookmarkStore->directory() + u'/' + id + ".bookmark"};
      default: return {services.richTextStore->directory() + u'/' + id + ".html"};
    }
  }
  void write(const ClipboardItem& item) const {
    for (const QString& path : of(item)) ASSERT_TRUE(test::writeTestFile(path));
  }
  int present(const ClipboardItem& item) const {
    int count = 0;
    for (const QString& path : of(item)) count += QFileInfo::exists(path);
    return count;
  }
};

TEST(SideFileRemovalTest, AnItemsSideFilesGoOnceItsRemovalIsOnDisk) {
  const struct {
    const char* how;
    ContentType kind;
    std::function<void(PanelState&, const ClipboardItem&)> remove;
  } cases[] = {
      {"the user deletes a picture", ContentType::image,
       [](PanelState& state, const ClipboardItem& item) { state.removeItem(item.id); }},
      {"the user deletes a file", ContentType::file,
       [](PanelState& state, const ClipboardItem& item) { state.removeItem(item.id); }},
      {"its application's items are removed", ContentType::text,
       [](PanelState& state, const ClipboardItem& item) { state.removeItems(item.sourceAppBundleID); }},
      {"the same text is copied again", ContentType::text,
       [](PanelState& state, const ClipboardItem& item) {
         state.addItem(test::textItem(*item.plainText(), item.sourceAppBundleID));
       }},
      {"it ages out", ContentType::image,
       [](PanelState& state, const ClipboardItem&) { EXPECT_TRUE(state.applyRetention()); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.how);
    test::StateHarness h;
    const SideFiles files{*h.fake.context};
    h.fake.context->settings->set(QLatin1String(PanelState::kHistoryRetentionKey), QStringLiteral("forever"));
    const QDateTime old = h.now().addDays(-8);
    ClipboardItem item = c.kind == ContentType::image
                             ? test::imageItem(test::testImage(), QStringLiteral("org.x.Paint"), old)
                         : c.kind == ContentType::file
                             ? test::fileItem(QStringLiteral("/tmp/report.pdf"))
                             : test::textItem(QStringLiteral("rich"), QStringLiteral("org.x.Writer"));
    const ClipboardItem other = test::textItem(QStringLiteral("stays"), QStringLiteral("org.x.Other"));
    // On disk as a start finds them.
    ASSERT_TRUE(writeFileAtomically(h.historyPath(), encodeItems({other, item})));
    files.write(item);
    files.write(other);
    h.state->loadHistory();
    ASSERT_EQ(h.state->items().size(), 2);
    h.fake.context->settings->set(QLatin1String(PanelState::kHistoryRetentionKey), QStringLiteral("1w"));

    c.remove(*h.state, item);
    EXPECT_EQ(files.present(item), files.of(item).size()) << "the history on disk still holds it";
    {
      const test::WriteLimit full(0);
      h.state->flushSave();
      EXPECT_EQ(files.present(item), files.of(item).size()) << "its removal could not be written";
    }
    h.state->flushSave();
    EXPECT_EQ(files.present(item), 0);
    EXPECT_EQ(files.present(other), 1);
  }
}

// Side files that no item names (a crash came between a removal and its prune) go once a start
// is done; those a set-aside history names stay.
TEST(SideFileRemovalTest, OrphansGoAfterAStartButNotThoseASetAsideHistoryNames) {
  test::StateHarness h;
  const SideFiles files{*h.fake.context};
  const ClipboardItem live = test::imageItem(test::testImage());
  const ClipboardItem orphan = test::imageItem(test::testImage());
  const ClipboardItem namedAside = test::imageItem(test::testImage());
  ASSERT_TRUE(writeFileAtomically(h.historyPath(), encodeItems({live})));
  ASSERT_TRUE(writeFileAtomically(h.historyPath() + QStringLiteral(".unreadable-20260101-120000"),
                                  encodeItems({namedAside}) + "\x01 junk"));
  for (const ClipboardItem& item : {live, orphan, namedAside}) files.write(item);
  h.state->loadHistory();
  h.runSaves();
  EXPECT_EQ(files.present(orphan), 2) << "not during the launch";
  h.fake.scheduler->advance(PanelState::kStartFoldDelaySeconds);
  h.runSaves();
  EXPECT_EQ(files.present(orphan), 0);
  EXPECT_EQ(files.present(live), 2);
  EXPECT_EQ(files.present(namedAside), 2);
}

// While stored settings or marks could not be read, no prune deletes a side file, not even one
// that no item read names: a lost value (the history still kept in a settings file that no
// longer reads, say) may name its item. Neither the prune after a start nor a removal's save;
// with nothing lost the same steps delete the orphans.
TEST(SideFileRemovalTest, NoPruneDeletesASideFileWhileStoredValuesAreLost) {
  const auto damage = [](SettingsStore& settings) {
    QByteArray data = readFile(settings.filePath());
    ASSERT_FALSE(data.isEmpty());
    data.insert(data.size() / 2, QByteArray("\x07\"}{,junk]"));
    ASSERT_TRUE(writeFileAtomically(settings.filePath(), data));
  };
  const struct {
    const char* name;
    bool historyFile;  // else the history is in the settings' legacy key
    std::function<void(SettingsStore&)> lose;
    bool lost;
  } cases[] = {
      {"nothing lost", true, [](SettingsStore&) {}, false},
      {"a damaged settings file", true, damage, true},
      {"pins stored as an object", true,
       [](SettingsStore& settings) {
         settings.set(QLatin1String(PanelState::kPinnedIDsKey), QJsonObject{{QStringLiteral("pins"), 1}});
       },
       true},
      {"the history in the legacy key of a damaged settings file", false, damage, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::StateHarness h;
    const SideFiles files{*h.fake.context};
    const QList<ClipboardItem> stored = {test::imageItem(test::testImage()), test::textItem(QStringLiteral("rich"))};
    const QList<ClipboardItem> orphans = {test::imageItem(test::testImage()), test::textItem(QStringLiteral("gone"))};
    SettingsStore& settings = *h.fake.context->settings;
    settings.set(QLatin1String(PanelState::kHistoryRetentionKey), QStringLiteral("forever"));
    if (c.historyFile) ASSERT_TRUE(writeFileAtomically(h.historyPath(), encodeItems(stored)));
    else settings.setData(QLatin1String(PanelState::kLegacyStorageKey), encodeItems(stored));
    for (const ClipboardItem& item : stored + orphans) files.write(item);
    c.lose(settings);

    // The next start, then a removal, whose save prunes.
    h.state.reset();
    const std::shared_ptr<SettingsStore> original = h.fake.context->settings;
    h.fake.context->settings = std::make_shared<SettingsStore>(settings.filePath(), *h.fake.scheduler);
    auto state = h.makeState();
    state->loadHistory();
    ASSERT_EQ(h.fake.context->settings->lostStoredValues(), c.lost);
    const auto expectKept = [&](const char* after) {
      for (const ClipboardItem& item : stored)
        EXPECT_EQ(files.present(item), c.historyFile || c.lost ? files.of(item).size() : 0) << after;
      for (const ClipboardItem& item : orphans)
        EXPECT_EQ(files.present(item), c.lost ? files.of(item).size() : 0) << after;
    };
    h.fake.scheduler->advance(PanelState::kStartFoldDelaySeconds);
    h.runSaves();
    if (c.historyFile) expectKept("the start's prune");
    const ClipboardItem copy = test::textItem(QStringLiteral("a new copy"));
    state->addItem(copy);
    state->removeItem(copy.id);
    h.fake.scheduler->advance(PanelState::kSaveDelaySeconds);
    h.runSaves();
    expectKept("the removal's save");
    state.reset();
    h.fake.context->settings = original;
  }
}

}  // namespace
}  // namespace qv
