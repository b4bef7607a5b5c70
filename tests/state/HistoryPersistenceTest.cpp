#include "base/Uuid.h"
#include "items/link/LinkMetadataFetcher.h"
#include "items/link/OGImageCache.h"
#include "items/model/ItemJson.h"
#include "items/ocr/ImageTextRecognizer.h"
#include "items/stores/FileBookmarkStore.h"
#include "items/stores/ImageStore.h"
#include "items/stores/RichTextStore.h"
#include "platform/fake/FakeHttpClient.h"
#include "state/HistoryWriter.h"
#include "support/SideFileHelpers.h"
#include "support/state/StateTestSupport.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>

namespace qv {
namespace {

class HistoryPersistenceTest : public ::testing::Test {
 protected:
  test::StateHarness h;
  PanelState& state = *h.state;
  SettingsStore& settings = *h.fake.context->settings;
  FakeScheduler& clock = *h.fake.scheduler;

  // What a relaunch reads: the file with its journal.
  std::optional<QList<ClipboardItem>> fileItems() const { return h.storedItems(); }
  int saveJobs() const { return h.queue("save")->pendingCount(); }
  // One debounced save, run to the end.
  void saveNow() {
    state.scheduleSave();
    clock.advance(PanelState::kSaveDelaySeconds);
    h.runSaves();
  }
  QString imagePath(const QString& id) const { return h.fake.context->imageStore->filePath(id); }
  QString promiseFolder() const {
    return h.fake.context->paths->temp() + QStringLiteral("/") + QLatin1String(PanelState::kPromiseFolderName);
  }
  QStringList setAsideFiles() const {
    return QDir(h.fake.context->paths->applicationSupport())
        .entryList({QStringLiteral("history.json.unreadable-*")}, QDir::Files);
  }
};

TEST_F(HistoryPersistenceTest, TheChangesOfAQuarterSecondMakeOneSaveAQuarterSecondAfterTheFirst) {
  // Changes 0.1 s apart: saves at 0.25 s (changes at 0, 0.1, 0.2), 0.55 s, 0.85 s and 1.15 s.
  for (int i = 0; i < 10; ++i) {
    state.addItem(test::textItem(QStringLiteral("item %1").arg(i)));
    clock.advance(0.1);
  }
  EXPECT_EQ(saveJobs(), 3);
  EXPECT_FALSE(QFileInfo::exists(h.historyPath()));  // encoding and writing wait for the queue
  clock.advance(0.15 - 0.001);
  EXPECT_EQ(saveJobs(), 3);
  clock.advance(0.002);
  EXPECT_EQ(saveJobs(), 4);
  h.runSaves();
  ASSERT_TRUE(fileItems());
  EXPECT_EQ(fileItems()->size(), 10);
  EXPECT_EQ(fileItems()->first().plainText(), QStringLiteral("item 9"));
  clock.advance(10);
  EXPECT_EQ(saveJobs(), 0);
}

TEST_F(HistoryPersistenceTest, QuitFlushWritesAPendingChangeAtOnce) {
  state.addItem(test::textItem(QStringLiteral("first")));
  saveNow();
  state.addItem(test::textItem(QStringLiteral("just before quit")));
  clock.advance(0.1);
  state.flushSave();
  ASSERT_TRUE(fileItems());
  EXPECT_EQ(fileItems()->size(), 2);
  EXPECT_FALSE(state.isSavePending());
  clock.advance(5);
  EXPECT_EQ(saveJobs(), 0);  // the debounced save was cancelled
}

TEST_F(HistoryPersistenceTest, SteadyChangesAreSavedAQuarterSecondAfterTheOldestUnsavedOne) {
  // A copy every 0.2 s never lets the changes rest; each is on disk 0.25 s after it all the same.
  const auto stored = [&] { return fileItems() ? fileItems()->size() : 0; };
  for (int i = 0; i < 10; ++i) {
    state.addItem(test::textItem(QStringLiteral("item %1").arg(i)));
    for (int step = 1; step <= 4; ++step) {
      clock.advance(0.05);
      h.runSaves();
      // From the second step on, every earlier copy is more than 0.25 s old.
      if (step >= 2) {
        EXPECT_GE(stored(), i) << "copy " << i << ", " << step * 0.05 << " s after it";
      }
    }
  }
  clock.advance(0.05);
  h.runSaves();
  EXPECT_EQ(stored(), 10);
}

TEST_F(HistoryPersistenceTest, QuittingWithNothingChangedSinceTheLastSaveWritesNothing) {
  state.addItem(test::textItem(QStringLiteral("saved")));
  saveNow();
  // A rewrite puts another file in its place (and a missing file would be written again).
  std::optional<FileOnDisk> before = FileOnDisk::at(h.historyPath());
  ASSERT_TRUE(before);
  state.flushSave();
  EXPECT_EQ(FileOnDisk::at(h.historyPath()), before);

  // A file that was just loaded as it stands is not written either.
  ASSERT_TRUE(writeFileAtomically(h.historyPath(), encodeItems({test::textItem(QStringLiteral("on disk"))})));
  auto relaunched = h.makeState();
  relaunched->loadHistory();
  EXPECT_FALSE(relaunched->isSavePending());
  before = FileOnDisk::at(h.historyPath());
  relaunched->flushSave();
  EXPECT_EQ(FileOnDisk::at(h.historyPath()), before);
}

TEST_F(HistoryPersistenceTest, HistoryFileAndFolderArePrivate) {
  state.addItem(test::textItem(QStringLiteral("private")));
  state.flushSave();
  const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                      QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
  const QFileInfo file(h.historyPath());
  EXPECT_FALSE(file.permissions() & others);
  EXPECT_TRUE(file.permissions() & QFileDevice::WriteOwner);
  state.addItem(test::textItem(QStringLiteral("journaled")));
  state.flushSave();
  const QFileInfo journal(h.journalPath());
  ASSERT_TRUE(journal.exists());
  EXPECT_FALSE(journal.permissions() & others);
  EXPECT_FALSE(QFileInfo(h.fake.context->paths->applicationSupport()).permissions() & others);
  // Side files too.
  const ClipboardItem image = test::imageItem(test::testImage());
  state.addItem(image);
  EXPECT_FALSE(QFileInfo(imagePath(image.idString())).permissions() & others);
}

// Orphans (a crash came between a removal and its prune) stay through any number of copies,
// whose saves do no work that grows with the history, and go with the save of a removal that
// the journal does not tell.
TEST_F(HistoryPersistenceTest, CopiesPruneNothingAndARemovalsSavePrunesSideFilesOfGoneItems) {
  const ClipboardItem live = test::imageItem(test::testImage());
  state.addItem(live);
  const QString orphan = newUuidString();
  ASSERT_TRUE(test::writeTestFile(imagePath(orphan)));
  ASSERT_TRUE(
      test::writeTestFile(h.fake.context->richTextStore->directory() + u'/' + orphan + QStringLiteral(".html")));
  clock.advance(1.5);
  h.runSaves();
  for (int copy = 0; copy < 30; ++copy) {
    state.addItem(test::textItem(QStringLiteral("copy %1").arg(copy)));
    saveNow();
  }
  EXPECT_TRUE(QFileInfo::exists(imagePath(orphan)));
  state.removeItem(state.items().first().id);
  saveNow();
  EXPECT_FALSE(QFileInfo::exists(imagePath(orphan)));
  EXPECT_FALSE(QFileInfo::exists(h.fake.context->richTextStore->directory() + u'/' + orphan + QStringLiteral(".html")));
  EXPECT_TRUE(QFileInfo::exists(imagePath(live.idString())));
}

TEST_F(HistoryPersistenceTest, TheSaveAfterClearingDeletesEverySideFileAndPromiseFolder) {
  const QString keptFolder = promiseFolder() + QStringLiteral("/capture-1");
  const QString goneFolder = promiseFolder() + QStringLiteral("/capture-2");
  ASSERT_TRUE(test::writeTestFile(keptFolder + QStringLiteral("/kept.txt")));
  ASSERT_TRUE(test::writeTestFile(goneFolder + QStringLiteral("/gone.txt")));
  const ClipboardItem image = test::imageItem(test::testImage());
  state.addItem(image);
  state.addItem(test::fileItem(keptFolder + QStringLiteral("/kept.txt")));
  const ClipboardItem removed = test::textItem(QStringLiteral("removed"));
  state.addItem(removed);
  state.removeItem(removed.id);
  saveNow();  // a prune with the file item live
  EXPECT_TRUE(QFileInfo::exists(keptFolder));
  EXPECT_FALSE(QFileInfo::exists(goneFolder));
  EXPECT_TRUE(QFileInfo::exists(imagePath(image.idString())));

  state.clearAll();
  clock.advance(1.5);
  h.runSaves();
  EXPECT_FALSE(QFileInfo::exists(imagePath(image.idString())));
  EXPECT_FALSE(QFileInfo::exists(keptFolder));
  EXPECT_TRUE(QFileInfo::exists(promiseFolder()));
  EXPECT_EQ(fileItems()->size(), 0);
}

TEST_F(HistoryPersistenceTest, APruneKeepsSideFilesOfItemsAddedAfterItsSnapshot) {
  state.addItem(test::textItem(QStringLiteral("before")));
  const ClipboardItem removed = test::textItem(QStringLiteral("removed"));
  state.addItem(removed);
  saveNow();
  state.removeItem(removed.id);
  clock.advance(1.5);  // the pruning save takes its snapshot and waits on the queue
  ASSERT_EQ(saveJobs(), 1);
  const ClipboardItem late = test::imageItem(test::testImage());
  const QString lateFolder = promiseFolder() + QStringLiteral("/late");
  ASSERT_TRUE(test::writeTestFile(lateFolder + QStringLiteral("/late.txt")));
  state.addItem(late);
  state.addItem(test::fileItem(lateFolder + QStringLiteral("/late.txt")));
  h.runSaves();
  EXPECT_TRUE(QFileInfo::exists(lateFolder));
  EXPECT_EQ(fileItems()->size(), 1);  // the snapshot's content
  clock.advance(1.5);
  h.runSaves();
  EXPECT_EQ(fileItems()->size(), 3);
  EXPECT_TRUE(QFileInfo::exists(imagePath(late.idString())));  // written with the save that holds it
}

TEST_F(HistoryPersistenceTest, AMissingImageSideFileIsWrittenAgainOnTheNextSaveWhileItsItemLives) {
  const ClipboardItem image = test::imageItem(test::testImage(5, 4));
  state.addItem(image);
  clock.advance(1.5);
  h.runSaves();
  ASSERT_TRUE(QFile::remove(imagePath(image.idString())));
  state.addItem(test::textItem(QStringLiteral("a later copy")));
  clock.advance(1.5);
  h.runSaves();
  EXPECT_EQ(QImage(imagePath(image.idString())).size(), QSize(5, 4));

  // Once an image has gone, by the user's hand or aged out, no later save brings its file back.
  settings.set(QLatin1String(PanelState::kHistoryRetentionKey), QStringLiteral("1w"));
  const ClipboardItem aged = test::imageItem(test::testImage(), QStringLiteral("org.x.Paint"), clock.now().addDays(-8));
  const auto copyAfter = [&](const std::function<void()>& removal) {
    removal();
    saveNow();
    state.addItem(test::textItem(QStringLiteral("a copy after a removal")));
    saveNow();
  };
  copyAfter([&] { state.addItem(aged); });
  EXPECT_FALSE(QFileInfo::exists(imagePath(aged.idString())));
  copyAfter([&] { state.removeItem(image.id); });
  EXPECT_FALSE(QFileInfo::exists(imagePath(image.idString())));
}

TEST_F(HistoryPersistenceTest, LegacyBlobIsMigratedOnceAndItsKeyRemovedAfterTheWrite) {
  const QList<ClipboardItem> legacy = {test::textItem(QStringLiteral("old a")),
                                       test::textItem(QStringLiteral("old b"))};
  settings.setData(QLatin1String(PanelState::kLegacyStorageKey), encodeItems(legacy));
  state.loadHistory();
  EXPECT_EQ(state.items(), legacy);
  EXPECT_FALSE(settings.hasStoredValue(QLatin1String(PanelState::kLegacyStorageKey)));
  EXPECT_EQ(fileItems(), legacy);

  // A later launch reads the file; a stray legacy key is ignored once the file exists.
  settings.setData(QLatin1String(PanelState::kLegacyStorageKey),
                   encodeItems({test::textItem(QStringLiteral("stray"))}));
  auto relaunched = h.makeState();
  relaunched->loadHistory();
  EXPECT_EQ(relaunched->items(), legacy);
}

TEST_F(HistoryPersistenceTest, AFailedMigrationWriteKeepsTheLegacyKeyAndStillLoads) {
  const QList<ClipboardItem> legacy = {test::textItem(QStringLiteral("old"))};
  settings.setData(QLatin1String(PanelState::kLegacyStorageKey), encodeItems(legacy));
  // The program's folder cannot be created: the write fails.
  ASSERT_TRUE(test::blockFolder(h.fake.context->paths->applicationSupport()));
  state.loadHistory();
  EXPECT_EQ(state.items(), legacy);
  EXPECT_TRUE(settings.hasStoredValue(QLatin1String(PanelState::kLegacyStorageKey)));
}

TEST_F(HistoryPersistenceTest, AnUndecodableFileIsSetAsideAndNothingIsLost) {
  const QByteArray garbage = "{\"not\": \"a history\"";
  ASSERT_TRUE(writeFileAtomically(h.historyPath(), garbage));
  state.loadHistory();
  EXPECT_TRUE(state.items().isEmpty());
  ASSERT_EQ(setAsideFiles().size(), 1);
  EXPECT_EQ(readFile(h.fake.context->paths->applicationSupport() + u'/' + setAsideFiles()[0]), garbage);

  // New copies are saved into a fresh file; the set-aside one stays as it was.
  state.addItem(test::textItem(QStringLiteral("after")));
  state.flushSave();
  EXPECT_EQ(fileItems()->size(), 1);
  EXPECT_EQ(readFile(h.fake.context->paths->applicationSupport() + u'/' + setAsideFiles()[0]), garbage);
}

TEST_F(HistoryPersistenceTest, OneBadRecordLoadsTheOthersAndKeepsTheWholeFileAside) {
  const ClipboardItem a = test::textItem(QStringLiteral("a"));
  const ClipboardItem c = test::linkItem(QStringLiteral("https://c.example/"));
  const QByteArray file = "[" + encodeItem(a) + ",{\"id\":\"nope\"}," + encodeItem(c) + "]";
  ASSERT_TRUE(writeFileAtomically(h.historyPath(), file));
  state.loadHistory();
  EXPECT_EQ(state.items(), (QList<ClipboardItem>{a, c}));
  ASSERT_EQ(setAsideFiles().size(), 1);
  EXPECT_EQ(readFile(h.fake.context->paths->applicationSupport() + u'/' + setAsideFiles()[0]), file);
  h.runSaves();
  clock.advance(1.5);
  h.runSaves();
  EXPECT_EQ(fileItems()->size(), 2);
}

TEST_F(HistoryPersistenceTest, ATruncatedFileLoadsTheRecordsBeforeTheCutAndIsSetAside) {
  QList<ClipboardItem> all;
  for (int i = 0; i < 40; ++i) all.append(test::textItem(QStringLiteral("record %1").arg(i)));
  const QByteArray whole = encodeItems(all);
  const QByteArray half = whole.left(whole.size() / 2);
  ASSERT_TRUE(writeFileAtomically(h.historyPath(), half));
  state.loadHistory();
  ASSERT_GE(state.items().size(), 19);
  EXPECT_LT(state.items().size(), 21);
  EXPECT_EQ(state.items(), all.mid(0, state.items().size()));
  EXPECT_TRUE(half.startsWith(encodeItems(state.items()).chopped(1)));
  ASSERT_EQ(setAsideFiles().size(), 1);
  EXPECT_EQ(readFile(h.fake.context->paths->applicationSupport() + u'/' + setAsideFiles()[0]), half);
}

// A long history is read in pieces on several threads: it loads as the whole file read at once
// would, whatever its texts hold, however its items are spaced, and with a bad record among them.
TEST(LongHistoryTest, LoadsAsTheWholeFileReadAtOnceWould) {
  QList<ClipboardItem> all;
  for (int i = 0; i < 12000; ++i) {
    const QString text = i % 7 ? QStringLiteral("note %1, some words of a realistic length for a copied text").arg(i)
                               : QStringLiteral("},{\"id\":\"%1\",\\\\\"},\n{\"payload\":{").arg(i);
    all.append(i % 5 ? test::textItem(text) : test::codeItem(text, QStringLiteral("json")));
  }
  const QByteArray whole = encodeItems(all);
  ASSERT_GT(whole.size(), 2 << 20);
  const qsizetype middle = whole.indexOf(",{\"id\"", whole.size() / 2);
  const struct {
    QByteArray file;
    bool setAside;
  } cases[] = {{whole, false},
               {QByteArray(whole).replace(",{\"", ", \n{\""), false},
               {whole.left(middle) + ",{\"id\":\"nope\"}" + whole.mid(middle), true}};
  for (const auto& c : cases) {
    test::StateHarness h;
    ASSERT_TRUE(writeFileAtomically(h.historyPath(), c.file));
    h.state->loadHistory();
    EXPECT_EQ(h.state->items(), all);
    const QStringList aside = QDir(h.fake.context->paths->applicationSupport())
                                  .entryList({QStringLiteral("history.json.unreadable-*")}, QDir::Files);
    EXPECT_EQ(aside.size(), c.setAside ? 1 : 0);
  }
}

TEST_F(HistoryPersistenceTest, LoadReadsMarksResolvesMovedFilesAndAppliesRetention) {
  const QString folder = h.fake.root->path() + QStringLiteral("/docs");
  const ClipboardItem file = test::fileItem(folder + QStringLiteral("/draft.txt"));
  const ClipboardItem pinned = test::textItem(QStringLiteral("pinned"));
  const ClipboardItem old = test::textItem(QStringLiteral("old"), QStringLiteral("org.example.Editor"),
                                           h.now().addDays(-30));
  ASSERT_TRUE(writeFileAtomically(h.historyPath(), encodeItems({file, pinned, old})));
  ASSERT_TRUE(h.fake.context->fileBookmarkStore->save(QUrl::fromLocalFile(folder + QStringLiteral("/draft.txt")),
                                                      file.idString()));
  h.fake.fileBookmarks->move(folder + QStringLiteral("/draft.txt"), folder + QStringLiteral("/final.txt"));
  settings.set(QLatin1String(PanelState::kPinnedIDsKey), QJsonArray{pinned.id.toString()});
  settings.set(QLatin1String(PanelState::kSensitiveIDsKey), QJsonArray{uuidString(file.id)});
  settings.set(QLatin1String(PanelState::kAutoSensitiveIDsKey), QJsonArray{uuidString(file.id), uuidString(pinned.id)});
  settings.set(QLatin1String(PanelState::kCollapsedGroupsKey), QJsonArray{QStringLiteral("Earlier")});

  state.loadHistory();
  ASSERT_EQ(state.items().size(), 2);  // the month-old item aged out
  EXPECT_EQ(std::get<FilePayload>(state.items()[0].payload)->name, QStringLiteral("draft.txt"));
  test::SignalCounter items(&state, &PanelState::itemsChanged);
  h.runSaves();  // the bookmarks are resolved on the save queue
  EXPECT_EQ(items.count(), 1);
  const auto& payload = std::get<FilePayload>(state.items()[0].payload);
  EXPECT_EQ(payload->name, QStringLiteral("final.txt"));
  EXPECT_EQ(payload->url->toLocalFile(), folder + QStringLiteral("/final.txt"));
  EXPECT_EQ(state.items()[0].id, file.id);
  EXPECT_EQ(state.pinnedIDs(), PanelState::IdSet({pinned.id}));
  EXPECT_EQ(state.sensitiveIDs(), PanelState::IdSet({file.id}));
  EXPECT_EQ(state.autoSensitiveIDs(), PanelState::IdSet({file.id}));
  EXPECT_EQ(state.collapsedGroups(), QSet<QString>{QStringLiteral("Earlier")});
  EXPECT_TRUE(state.isSavePending());
  // First launch with a history: the one seed category.
  ASSERT_EQ(state.customCategories().size(), 1);
  EXPECT_EQ(state.customCategories()[0].name, QStringLiteral("Snippets"));
  EXPECT_EQ(state.customCategories()[0].colorIndex, 2);
  EXPECT_TRUE(settings.boolOr(QLatin1String(PanelState::kDidSeedCategoriesKey), false));

  // Deleted by the user and relaunched: no seed again.
  state.setCustomCategories({});
  state.saveCustomCategories();
  auto relaunched = h.makeState();
  relaunched->loadHistory();
  EXPECT_TRUE(relaunched->customCategories().isEmpty());
}

TEST_F(HistoryPersistenceTest, CategoryAssignmentsLoadDroppingPairsThatAreNotIds) {
  const QUuid item = newUuid(), category = newUuid();
  settings.setData(QLatin1String(PanelState::kCardCategoriesKey),
                   QStringLiteral("{\"%1\":\"%2\",\"x\":\"%2\",\"%1x\":\"y\"}")
                       .arg(uuidString(item), uuidString(category))
                       .toUtf8());
  state.loadCategories();
  EXPECT_EQ(state.cardCategories(), PanelState::IdMap({{item, category}}));
  // A stored category list that holds categories: the seed flag is set, nothing is added.
  settings.remove(QLatin1String(PanelState::kDidSeedCategoriesKey));
  const CustomCategory work{newUuid(), QStringLiteral("Work"), 4};
  settings.setData(QLatin1String(PanelState::kCustomCategoriesKey), encodeCategories({work}));
  auto relaunched = h.makeState();
  relaunched->loadCategories();
  EXPECT_EQ(relaunched->customCategories(), QList<CustomCategory>{work});
  EXPECT_TRUE(settings.boolOr(QLatin1String(PanelState::kDidSeedCategoriesKey), false));
}

TEST_F(HistoryPersistenceTest, ImagesWithoutRecognisedTextAreBackfilledFourTenthsOfASecondApart) {
  QList<ClipboardItem> images;
  for (int i = 0; i < 4; ++i) {
    images.append(test::imageItem(test::testImage(4 + i, 4)));
    ASSERT_TRUE(h.fake.context->imageStore->save(test::testImage(4 + i, 4), images.last().idString()));
  }
  // The second one has its text already.
  ASSERT_TRUE(test::writeTestFile(h.fake.context->imageTextRecognizer->directory() + u'/' + images[1].idString() +
                                  QStringLiteral(".txt")));
  ASSERT_TRUE(writeFileAtomically(h.historyPath(), encodeItems(images)));
  auto ocr = h.queue("ocr");
  state.loadHistory();
  EXPECT_EQ(ocr->pendingCount(), 0);
  clock.runPending();
  EXPECT_EQ(ocr->pendingCount(), 1);  // at 0 s
  clock.advance(0.399);
  EXPECT_EQ(ocr->pendingCount(), 1);
  clock.advance(0.001);
  EXPECT_EQ(ocr->pendingCount(), 2);  // at 0.4 s
  clock.advance(0.4);
  EXPECT_EQ(ocr->pendingCount(), 3);  // at 0.8 s
  clock.advance(5);
  EXPECT_EQ(ocr->pendingCount(), 3);
  ocr->runAll();
  clock.runPending();
  EXPECT_EQ(state.imageTextRevision(), 3);
}

QByteArray pngBytes() { return test::pngBytes(test::testImage(6, 3)); }

TEST_F(HistoryPersistenceTest, LinkMetadataFillsTitleAndCachedPreview) {
  const QUrl page(QStringLiteral("https://news.example/story"));
  h.fake.http->respond(page, FakeHttpClient::ok("<meta property=og:image content=\"/p.png\"><title>Story</title>"));
  h.fake.http->respond(QUrl(QStringLiteral("https://news.example/p.png")), FakeHttpClient::ok(pngBytes(), "image/png"));
  ClipboardItem link = test::linkItem(page.toString());
  std::get<LinkPayload>(link.payload).edit().description = QStringLiteral("stale");
  state.addItem(link);
  h.fake.drain();
  const auto& payload = std::get<LinkPayload>(state.items()[0].payload);
  EXPECT_EQ(payload->title, QStringLiteral("Story"));
  EXPECT_EQ(payload->description, std::nullopt);
  EXPECT_EQ(payload->ogImageURL, QStringLiteral("cached:") + link.idString());
  EXPECT_TRUE(h.fake.context->ogImageCache->contains(link.idString()));
  clock.advance(1.5);
  h.runSaves();
  ASSERT_EQ(fileItems()->size(), 1);
  EXPECT_EQ(fileItems()->first(), state.items()[0]);
}

TEST_F(HistoryPersistenceTest, ATitleOnlyResultClearsThePreviewAndAGoneItemIsLeftAlone) {
  ClipboardItem link = test::linkItem(QStringLiteral("https://a.example/"));
  std::get<LinkPayload>(link.payload).edit().ogImageURL = QStringLiteral("https://a.example/old.png");
  state.addItem(link, true);  // blurred: nothing fetched, applied by hand below
  LinkMetadata titleOnly;
  titleOnly.title = QStringLiteral("A");
  state.applyLinkMetadata(titleOnly, link.id);
  const auto& payload = std::get<LinkPayload>(state.items()[0].payload);
  EXPECT_EQ(payload->title, QStringLiteral("A"));
  EXPECT_EQ(payload->ogImageURL, std::nullopt);

  test::SignalCounter items(&state, &PanelState::itemsChanged);
  state.applyLinkMetadata(titleOnly, newUuid());
  EXPECT_EQ(items.count(), 0);
}

}  // namespace
}  // namespace qv
