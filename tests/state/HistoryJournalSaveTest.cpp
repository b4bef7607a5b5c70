// Saves through the journal: what each change writes, when the file is rewritten, and what a
// relaunch reads back from a journal that is cut short, damaged or not its own.
#include "base/Uuid.h"
#include "items/link/LinkMetadataFetcher.h"
#include "items/model/ItemJson.h"
#include "support/SyncFailure.h"
#include "support/WriteLimit.h"
#include "support/state/StateTestSupport.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace qv {
namespace {

class HistoryJournalSaveTest : public ::testing::Test {
 protected:
  test::StateHarness h;
  PanelState& state = *h.state;
  FakeScheduler& clock = *h.fake.scheduler;

  void saveNow() {
    clock.advance(PanelState::kSaveDelaySeconds);
    h.runSaves();
  }
  // A first copy and its save, which writes the file (there is none yet).
  void startWithAFile() {
    state.addItem(test::textItem(QStringLiteral("first")));
    saveNow();
    ASSERT_TRUE(QFileInfo::exists(h.historyPath()));
    ASSERT_EQ(QFileInfo(h.journalPath()).size(), 0);
  }
  QByteArray history() const { return readFile(h.historyPath()); }
  QByteArray journal() const { return readFile(h.journalPath()); }
  std::unique_ptr<PanelState> relaunch() { return h.relaunch(); }
  QStringList setAside(const char* pattern) const {
    return QDir(h.fake.context->paths->applicationSupport()).entryList({QLatin1String(pattern)}, QDir::Files);
  }
  QByteArray setAsideContent(const QString& name) const {
    return readFile(h.fake.context->paths->applicationSupport() + u'/' + name);
  }
  void useLimits(qint64 foldAt, double interval, qint64 quitFoldBytes = 4 << 20) {
    JournalLimits limits;
    limits.smallestFold = limits.largestJournal = foldAt;
    limits.foldInterval = interval;
    limits.quitFoldBytes = quitFoldBytes;
    state.setJournalLimits(limits);
  }
};

TEST_F(HistoryJournalSaveTest, ACopyReachesTheJournalAQuarterSecondAfterItAndTheFileStaysAsItWas) {
  startWithAFile();
  const QByteArray file = history();
  state.addItem(test::textItem(QStringLiteral("second")));
  clock.advance(0.2);
  state.addItem(test::textItem(QStringLiteral("third")));  // the same append
  clock.advance(0.049);
  EXPECT_EQ(h.queue("save")->pendingCount(), 0);
  clock.advance(0.001);
  ASSERT_EQ(h.queue("save")->pendingCount(), 1);
  h.runSaves();
  EXPECT_EQ(history(), file);
  EXPECT_EQ(journal().count('\n'), 3) << "a header and two records";
  EXPECT_TRUE(journal().contains("\"text\":\"second\""));
  EXPECT_EQ(h.storedItems(), state.items());
  EXPECT_EQ(relaunch()->items(), state.items());
}

// Every way the state changes its items comes back after a relaunch. What copying changes goes
// to the journal; what the user edits away or removes leaves the disk at once (the file is
// written whole).
TEST_F(HistoryJournalSaveTest, EveryChangeOfTheItemsComesBackAfterARelaunch) {
  h.fake.context->settings->set(QLatin1String(PanelState::kHistoryRetentionKey), QStringLiteral("1w"));
  const QString folder = h.fake.root->path() + QStringLiteral("/files");
  ASSERT_TRUE(QDir().mkpath(folder));
  QFile sized(folder + QStringLiteral("/sized.txt"));
  ASSERT_TRUE(sized.open(QIODevice::WriteOnly) && sized.write(QByteArray(2000, 'x')) == 2000);
  sized.close();
  startWithAFile();
  ClipboardItem fileItem = test::fileItem(folder + QStringLiteral("/sized.txt"));
  std::get<FilePayload>(fileItem.payload).edit().size.clear();
  const ClipboardItem link = test::linkItem(QStringLiteral("https://a.example/"));
  const struct {
    const char* name;
    std::function<void()> change;
    bool rewritesFile;
  } changes[] = {
      {"a copy", [&] { state.addItem(test::textItem(QStringLiteral("copy secret"))); }, false},
      {"a code copy", [&] { state.addItem(test::codeItem(QStringLiteral("x = 1"), QStringLiteral("python"))); }, false},
      {"the same text again", [&] { state.addItem(test::textItem(QStringLiteral("copy secret"))); }, false},
      {"a file item's size",
       [&] {
         state.addItem(fileItem);
         state.refreshFileSize(state.items()[0]);
       },
       false},
      {"link metadata",
       [&] {
         state.addItem(link, true);
         LinkMetadata metadata;
         metadata.title = QStringLiteral("A title");
         state.applyLinkMetadata(metadata, link.id);
       },
       false},
      {"an old copy aged out",
       [&] {
         state.addItem(
             test::textItem(QStringLiteral("old"), QStringLiteral("org.example.Editor"), h.now().addDays(-8)));
       },
       false},
      {"an edit", [&] { state.updateText(state.items()[3], QStringLiteral("edited\nover two lines")); }, true},
      {"a removal", [&] { state.removeItem(state.items().last()); }, true},
      {"an app's items removed", [&] { state.removeItems(QStringLiteral("org.example.Files")); }, true},
  };
  for (const auto& c : changes) {
    SCOPED_TRACE(c.name);
    const QByteArray before = history();
    c.change();
    saveNow();
    EXPECT_EQ(history() != before, c.rewritesFile);
    EXPECT_EQ(QFileInfo(h.journalPath()).size() == 0, c.rewritesFile);
    EXPECT_EQ(h.storedItems(), state.items());
  }
  EXPECT_EQ(relaunch()->items(), state.items());
  // A removed copy's text is gone from the disk.
  const auto secret = std::find_if(state.items().cbegin(), state.items().cend(), [](const ClipboardItem& item) {
    return item.plainText() == QStringLiteral("copy secret");
  });
  ASSERT_NE(secret, state.items().cend());
  state.removeItem(secret->id);
  saveNow();
  EXPECT_FALSE(history().contains("copy secret"));
  EXPECT_FALSE(journal().contains("copy secret"));
}

TEST_F(HistoryJournalSaveTest, AChangeTheJournalCannotTellWritesTheWholeFile) {
  startWithAFile();
  state.addItem(test::textItem(QStringLiteral("journaled")));
  saveNow();
  ASSERT_GT(QFileInfo(h.journalPath()).size(), 0);
  QList<ClipboardItem> replaced{test::textItem(QStringLiteral("replaced"))};
  state.setItems(replaced);
  state.scheduleSave();
  saveNow();
  EXPECT_EQ(decodeItems(history()), replaced);
  EXPECT_EQ(QFileInfo(h.journalPath()).size(), 0);
  state.clearAll();
  saveNow();
  EXPECT_EQ(history(), "[]");
  EXPECT_EQ(relaunch()->items(), QList<ClipboardItem>());
}

TEST_F(HistoryJournalSaveTest, TheJournalIsFoldedInOnceItOutgrowsItsShareAtMostOnceAMinute) {
  startWithAFile();
  useLimits(1000, 60);
  clock.advance(60);  // writing the first file counts as a fold
  const QByteArray file = history();
  int copies = 0;
  const auto copyAndSave = [&] {
    state.addItem(test::textItem(QStringLiteral("copy number %1 with some words in it").arg(copies++)));
    saveNow();
  };
  while (QFileInfo(h.journalPath()).size() > 0 || copies == 0) {
    ASSERT_EQ(history(), file);
    copyAndSave();
    ASSERT_LT(copies, 20);
  }
  EXPECT_EQ(decodeItems(history()), state.items()) << "folded in after " << copies << " copies";
  // Within the minute the journal grows past its share and stays.
  const QByteArray folded = history();
  const int foldedAfter = copies;
  while (copies < 3 * foldedAfter) copyAndSave();
  EXPECT_EQ(history(), folded);
  EXPECT_GT(QFileInfo(h.journalPath()).size(), 1000);
  EXPECT_EQ(h.storedItems(), state.items());
  clock.advance(60);
  copyAndSave();
  EXPECT_EQ(decodeItems(history()), state.items());
  EXPECT_EQ(QFileInfo(h.journalPath()).size(), 0);
}

// A fold syncs the new file, then the line naming it in the journal, then the folder holding its
// rename, and only then the emptied journal: a power cut keeps no empty journal beside the old file.
TEST_F(HistoryJournalSaveTest, AFoldSyncsTheFolderAfterTheRenameBeforeTheJournalIsEmptied) {
  startWithAFile();
  state.addItem(test::textItem(QStringLiteral("journaled")));
  saveNow();
  ASSERT_GT(QFileInfo(h.journalPath()).size(), 0);
  const test::SyncRecorder syncs;
  ASSERT_TRUE(state.flushSave());  // a small file is folded at quit
  ASSERT_EQ(QFileInfo(h.journalPath()).size(), 0);
  const QString history = QFileInfo(h.historyPath()).canonicalFilePath();
  const QString journal = QFileInfo(h.journalPath()).canonicalFilePath();
  QStringList all, firsts;
  for (const test::SyncRecorder::Call& call : syncs.calls()) {
    QString what = call.path;
    if (call.folder && call.path == QFileInfo(history).path()) what = QStringLiteral("folder");
    else if (call.path == journal)
      what = call.size == 0 ? QStringLiteral("journal emptied") : QStringLiteral("journal");
    else if (QFileInfo(call.path).path() == QFileInfo(history).path())
      what = QStringLiteral("new file");  // unnamed yet
    all << what;
    if (!firsts.contains(what)) firsts << what;
  }
  EXPECT_EQ(firsts.join(QStringLiteral(", ")).toStdString(), "new file, journal, folder, journal emptied");
  EXPECT_LT(all.lastIndexOf(QStringLiteral("new file")), all.indexOf(QStringLiteral("folder")))
      << all.join(QStringLiteral(", ")).toStdString();
}

// A crash right after a fold's rename, before the journal is emptied: the journal names the new
// file by then, so the next start reads the history as it was, replays nothing twice and sets no
// journal aside.
TEST_F(HistoryJournalSaveTest, ACrashBetweenAFoldsRenameAndTheEmptiedJournalLosesNothing) {
  startWithAFile();
  state.addItem(test::textItem(QStringLiteral("journaled")));
  saveNow();
  const QString folder = QFileInfo(QFileInfo(h.historyPath()).canonicalFilePath()).path();
  QByteArray fileThen, journalThen;
  {
    const test::SyncRecorder syncs([&](const test::SyncRecorder::Call& call) {
      if (!call.folder || call.path != folder || !fileThen.isNull()) return;
      fileThen = readFile(h.historyPath());
      journalThen = readFile(h.journalPath());
    });
    ASSERT_TRUE(state.flushSave());
  }
  ASSERT_FALSE(fileThen.isNull()) << "the fold synced its folder";
  ASSERT_GT(journalThen.size(), 0);
  ASSERT_TRUE(writeFileAtomically(h.historyPath(), fileThen));
  ASSERT_TRUE(writeFileAtomically(h.journalPath(), journalThen));
  EXPECT_EQ(relaunch()->items(), state.items());
  EXPECT_TRUE(setAside("history.journal.*").isEmpty());
}

TEST(HistoryJournalQuitTest, FoldsTheJournalInOnlyWhenTheRewriteFitsTheBudget) {
  const struct {
    qint64 quitFoldBytes;
    bool folded;
  } cases[] = {{4 << 20, true}, {10, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.quitFoldBytes);
    test::StateHarness h;
    h.state->addItem(test::textItem(QStringLiteral("first")));
    h.fake.scheduler->advance(PanelState::kSaveDelaySeconds);
    h.runSaves();
    JournalLimits limits;
    limits.quitFoldBytes = c.quitFoldBytes;
    h.state->setJournalLimits(limits);
    h.state->addItem(test::textItem(QStringLiteral("just before quit")));
    h.fake.scheduler->advance(0.1);
    h.state->flushSave();
    EXPECT_EQ(h.storedItems(), h.state->items());
    EXPECT_EQ(decodeItems(readFile(h.historyPath()))->size(), c.folded ? 2 : 1);
    EXPECT_EQ(QFileInfo(h.journalPath()).size() == 0, c.folded);

    // The next start replays the journal and folds it in a moment after the launch.
    auto relaunched = h.makeState();
    relaunched->loadHistory();
    EXPECT_EQ(relaunched->items(), h.state->items());
    h.runSaves();
    h.fake.scheduler->advance(PanelState::kStartFoldDelaySeconds);
    h.runSaves();
    EXPECT_EQ(decodeItems(readFile(h.historyPath())), h.state->items());
    EXPECT_EQ(QFileInfo(h.journalPath()).size(), 0);
  }
}

// A start that replays a journal and ages items out folds both into the file.
TEST_F(HistoryJournalSaveTest, AStartFoldsTheReplayedJournalAndWhatRetentionRemoved) {
  h.fake.context->settings->set(QLatin1String(PanelState::kHistoryRetentionKey), QStringLiteral("1w"));
  const ClipboardItem old = test::textItem(QStringLiteral("old"), QStringLiteral("org.example.Editor"), h.now());
  state.addItem(old);
  saveNow();
  state.addItem(test::textItem(QStringLiteral("journaled"), QStringLiteral("org.example.Editor"), h.now().addDays(8)));
  saveNow();
  ASSERT_GT(QFileInfo(h.journalPath()).size(), 0);
  clock.setWallClock(h.now().addDays(8));  // the first copy is more than a week old now
  auto relaunched = relaunch();
  ASSERT_EQ(relaunched->items().size(), 1);
  EXPECT_EQ(relaunched->items()[0].plainText(), QStringLiteral("journaled"));
  clock.advance(PanelState::kStartFoldDelaySeconds);
  h.runSaves();
  EXPECT_EQ(decodeItems(history()), relaunched->items());
  EXPECT_EQ(QFileInfo(h.journalPath()).size(), 0);
}

// Appending went on after a record cut short by a crash: the next record starts on a whole line.
TEST_F(HistoryJournalSaveTest, ARecordCutShortIsDroppedAndTheNextAppendReplacesIt) {
  startWithAFile();
  state.addItem(test::textItem(QStringLiteral("kept")));
  saveNow();
  const QByteArray whole = journal();
  {
    QFile file(h.journalPath());
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("{\"add\":{\"id\":\"5E6F7A8B-9C0D-4E2F-9A4B-5C6");
  }
  auto relaunched = relaunch();
  ASSERT_EQ(relaunched->items().size(), 2);
  EXPECT_EQ(relaunched->items()[0].plainText(), QStringLiteral("kept"));
  relaunched->addItem(test::textItem(QStringLiteral("after the crash")));
  clock.advance(PanelState::kSaveDelaySeconds);
  h.runSaves();
  EXPECT_TRUE(journal().startsWith(whole));
  EXPECT_EQ(journal().count('\n'), whole.count('\n') + 1);
  EXPECT_TRUE(journal().endsWith("\n"));
  EXPECT_EQ(h.storedItems(), relaunched->items());
  EXPECT_TRUE(setAside("history.journal.*").isEmpty());
}

TEST_F(HistoryJournalSaveTest, AJournalThatCannotBeUsedIsSetAsideAndTheFileLoads) {
  startWithAFile();
  const QList<ClipboardItem> inFile = state.items();
  QByteArray otherHistory;
  journal::appendHeader(otherHistory, HistoryFileIdentity{99, 42, 7});
  otherHistory += "{\"add\":" + encodeItem(test::textItem(QStringLiteral("from another history"))) + "}\n";
  const struct {
    const char* name;
    QByteArray journal;
    const char* setAsideAs;
  } cases[] = {
      {"a journal of another history file", otherHistory, "history.journal.unmatched-*"},
      {"not a journal", "this is not a journal\n{\"add\":{}}\n", "history.journal.unreadable-*"},
      {"a newer format", QByteArray(otherHistory).replace("\"journal\":1", "\"journal\":7"),
       "history.journal.unreadable-*"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(writeFileAtomically(h.journalPath(), c.journal));
    auto relaunched = relaunch();
    EXPECT_EQ(relaunched->items(), inFile);
    const QStringList aside = setAside(c.setAsideAs);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(setAsideContent(aside[0]), c.journal);
    ASSERT_TRUE(QFile::remove(h.fake.context->paths->applicationSupport() + u'/' + aside[0]));
    // Later copies start a journal of their own.
    relaunched->addItem(test::textItem(QStringLiteral("new")));
    clock.advance(PanelState::kSaveDelaySeconds);
    h.runSaves();
    EXPECT_EQ(h.storedItems(), relaunched->items());
    relaunched.reset();
    ASSERT_TRUE(writeFileAtomically(h.historyPath(), encodeItems(inFile)));
    ASSERT_TRUE(QFile::remove(h.journalPath()));
  }
}

TEST_F(HistoryJournalSaveTest, RecordsThatDoNotReadAreSkippedAndTheJournalIsKeptAside) {
  startWithAFile();
  state.addItem(test::textItem(QStringLiteral("before")));
  saveNow();
  const ClipboardItem after = test::textItem(QStringLiteral("after"));
  QByteArray damaged = journal() + "{\"add\":{\"id\":\"broken\"}}\n";
  journal::appendRecord(damaged, HistoryChange::added(after));
  ASSERT_TRUE(writeFileAtomically(h.journalPath(), damaged));
  auto relaunched = relaunch();
  const QList<ClipboardItem> expected{after, state.items()[0], state.items()[1]};
  EXPECT_EQ(relaunched->items(), expected);
  const QStringList aside = setAside("history.journal.unreadable-*");
  ASSERT_EQ(aside.size(), 1);
  EXPECT_EQ(setAsideContent(aside[0]), damaged);
  // What did read is written whole at once.
  clock.advance(PanelState::kSaveDelaySeconds);
  h.runSaves();
  EXPECT_EQ(decodeItems(history()), expected);
  EXPECT_EQ(h.storedItems(), expected);
}

TEST_F(HistoryJournalSaveTest, AFullDiskWhileAppendingLosesNothingAndLeavesNoPartialRecord) {
  startWithAFile();
  state.addItem(test::textItem(QStringLiteral("on disk")));
  saveNow();
  const QByteArray before = journal();
  const QByteArray file = history();
  {
    const test::WriteLimit full(rlim_t(before.size() + 20));
    state.addItem(test::textItem(QStringLiteral("while the disk is full, a copy of some length")));
    saveNow();
    EXPECT_EQ(journal(), before) << "the part that fitted was cut off again";
    // The next save tries again with both; the rewrite that a fold would make fails too.
    useLimits(1, 0);
    state.addItem(test::textItem(QStringLiteral("another")));
    saveNow();
    EXPECT_EQ(journal(), before);
    EXPECT_EQ(history(), file) << "a failed rewrite keeps the file";
  }
  useLimits(1 << 20, 60);
  // Space came back: the retry writes both records.
  clock.advance(PanelState::kSaveRetrySeconds);
  h.runSaves();
  EXPECT_EQ(h.storedItems(), state.items());
  EXPECT_EQ(relaunch()->items(), state.items());
}

TEST_F(HistoryJournalSaveTest, AFullDiskWhileRewritingKeepsTheFileAndTriesAgain) {
  startWithAFile();
  const QByteArray file = history();
  {
    const test::WriteLimit full(rlim_t(file.size() + 10));
    QList<ClipboardItem> many;
    for (int i = 0; i < 20; ++i) many.append(test::textItem(QStringLiteral("item %1").arg(i)));
    state.setItems(many);
    state.scheduleSave();
    saveNow();
    EXPECT_EQ(history(), file);
    EXPECT_TRUE(QDir(h.fake.context->paths->applicationSupport())
                    .entryList({QStringLiteral("history.json.*")}, QDir::Files | QDir::Hidden)
                    .isEmpty())
        << "no temporary file is left";
  }
  clock.advance(PanelState::kSaveRetrySeconds);
  h.runSaves();
  EXPECT_EQ(decodeItems(history()), state.items());
}

}  // namespace
}  // namespace qv
