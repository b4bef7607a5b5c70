// Where durability faults hide: syncs that fail, a torn journal tail longer than the record
// written after it, junk right after a whole record, a kill on either side of a fold, a history
// named by its content (touched or copied back), and odd files at the program's own paths.
#include "items/model/ItemJson.h"
#include "state/HistoryJournal.h"
#include "support/CapturedLog.h"
#include "support/FifoWithDeadline.h"
#include "support/SyncFailure.h"
#include "support/state/StateTestSupport.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <utime.h>

namespace qv {
namespace {

// A history with a file and a journal, and what a relaunch reads back.
struct History {
  test::StateHarness h;
  FakeScheduler& clock = *h.fake.scheduler;

  void saveNow() {
    clock.advance(PanelState::kSaveDelaySeconds);
    h.runSaves();
  }
  void copy(const QString& text) { h.state->addItem(test::textItem(text)); }
  // A file with one copy and a journal with `inJournal` more.
  void startWithAFileAndAJournal(int inJournal = 2) {
    copy(QStringLiteral("in the file"));
    saveNow();
    for (int i = 0; i < inJournal; ++i) copy(QStringLiteral("in the journal %1").arg(i));
    saveNow();
    ASSERT_TRUE(inJournal == 0 || journal().size() > 0);
  }
  QString folder() const { return h.fake.context->paths->applicationSupport(); }
  QByteArray history() const { return readFile(h.historyPath()); }
  QByteArray journal() const { return readFile(h.journalPath()); }
  std::unique_ptr<PanelState> relaunch() { return h.relaunch(); }
  QStringList setAside() const {
    return QDir(folder()).entryList({QStringLiteral("*.unreadable-*"), QStringLiteral("*.unmatched-*")},
                                    QDir::AllEntries | QDir::System);
  }
  void foldAtEverySave() {
    JournalLimits limits;
    limits.smallestFold = limits.largestJournal = 1;
    limits.foldInterval = 0;
    h.state->setJournalLimits(limits);
  }
};

// A sync that fails is a write that failed: the journal and the file keep what they held, and
// the save goes through once syncing works again. (The stand-in makes fsync, fdatasync and
// syncfs fail.)
TEST(HistoryDurabilityTest, ASyncThatFailsLeavesTheFilesAsTheyWereUntilItWorksAgain) {
  for (const bool fold : {false, true}) {
    SCOPED_TRACE(fold ? "a fold (the whole file)" : "an append to the journal");
    History run;
    run.startWithAFileAndAJournal();
    if (fold) run.foldAtEverySave();
    const QByteArray file = run.history(), journal = run.journal();
    run.copy(QStringLiteral("copied while syncs fail"));
    {
      const test::SyncFailure failing;
      run.saveNow();
      EXPECT_GT(failing.failed(), 0);
      EXPECT_EQ(run.history(), file);
      EXPECT_EQ(run.journal(), journal);
    }
    run.clock.advance(PanelState::kSaveRetrySeconds);
    run.h.runSaves();
    EXPECT_EQ(run.h.storedItems(), run.h.state->items());
    EXPECT_EQ(run.relaunch()->items(), run.h.state->items());
  }
}

// A crash while appending left a long record cut short; the next record, shorter than that
// tail, must not leave the rest of the tail behind it.
TEST(HistoryDurabilityTest, ARecordAfterATornTailLongerThanItLeavesNoTailBehind) {
  History run;
  run.startWithAFileAndAJournal();
  QByteArray tail = "{\"add\":{\"id\":\"";
  tail.append(QByteArray(3000 - tail.size(), 'x'));
  ASSERT_TRUE(writeFileAtomically(run.h.journalPath(), run.journal() + tail));
  run.h.state = run.relaunch();
  run.copy(QStringLiteral("s"));
  run.saveNow();
  const QByteArray after = run.journal();
  EXPECT_TRUE(after.endsWith('\n')) << after.right(80).constData();
  const journal::Reading reading = journal::read(after, HistoryFileIdentity::ofFile(run.h.historyPath()));
  EXPECT_FALSE(reading.replay.torn);
  EXPECT_EQ(reading.replay.damaged, 0);
  EXPECT_EQ(run.relaunch()->items(), run.h.state->items());
  EXPECT_TRUE(run.setAside().isEmpty()) << run.setAside().join(u' ').toStdString();
}

// Junk written right after a whole record (before or after its comma, or a stray bracket):
// every whole record of the file is still read, in order.
TEST(HistoryDurabilityTest, JunkRightAfterAWholeRecordCostsNoRecord) {
  QList<ClipboardItem> items;
  for (int i = 0; i < 6; ++i) items.append(test::textItem(QStringLiteral("record %1").arg(i)));
  const QByteArray file = encodeItems(items);
  const qsizetype firstEnd = encodeItems(items.mid(0, 1)).size() - 1;  // just after record 0
  const struct {
    const char* where;
    qsizetype at;
    QByteArray junk;
  } cases[] = {{"before the comma", firstEnd, "\x01\x02junk"},
               {"after the comma", firstEnd + 1, "\x01\x02junk"},
               {"a closing bracket", firstEnd, "]junk"},
               {"a bracket and a comma", firstEnd + 1, "],"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.where);
    History run;
    ASSERT_TRUE(writeFileAtomically(run.h.historyPath(), QByteArray(file).insert(c.at, c.junk)));
    run.h.state->loadHistory();
    EXPECT_EQ(run.h.state->items(), items);
  }
}

// A kill on either side of a fold: before the new file took the old one's place (the journal
// names a file that never came), after it and before the journal was emptied, or after that.
// The relaunch has every change exactly once, sets nothing aside, and saves on.
TEST(HistoryDurabilityTest, AKillAroundAFoldLosesAndRepeatsNothing) {
  const struct {
    const char* when;
    bool newFile;
    bool journalEmptied;
  } cases[] = {
      {"before the rename", false, false}, {"after the rename", true, false}, {"after the emptying", true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.when);
    History run;
    run.startWithAFileAndAJournal();
    // A removal in the journal, so that replaying it twice or not at all shows.
    run.h.state->addItems({test::textItem(QStringLiteral("in the file"))});
    run.saveNow();
    const QByteArray oldFile = run.history(), oldJournal = run.journal();
    run.foldAtEverySave();
    run.copy(QStringLiteral("folded in"));
    run.saveNow();
    ASSERT_EQ(run.journal().size(), 0);
    const QByteArray newFile = run.history();
    QByteArray journal = oldJournal;
    journal::appendRecord(journal, HistoryChange::added(run.h.state->items().first()));
    journal::appendFolded(journal, *HistoryFileIdentity::ofFile(run.h.historyPath()));
    ASSERT_TRUE(writeFileAtomically(run.h.historyPath(), c.newFile ? newFile : oldFile));
    ASSERT_TRUE(writeFileAtomically(run.h.journalPath(), c.journalEmptied ? QByteArray() : journal));

    run.h.state = run.relaunch();
    EXPECT_EQ(run.h.state->items().size(), 4);
    EXPECT_EQ(run.h.state->items().first().plainText(), QStringLiteral("folded in"));
    EXPECT_TRUE(run.setAside().isEmpty()) << run.setAside().join(u' ').toStdString();
    run.copy(QStringLiteral("after the relaunch"));
    run.saveNow();
    EXPECT_EQ(run.relaunch()->items(), run.h.state->items());
  }
}

// The journal names its file by content: a touch, or a copy of the folder put back, leaves the
// journal in force; another file of the same size does not take it.
TEST(HistoryDurabilityTest, TheJournalFollowsItsFileThroughATouchAndACopyPutBack) {
  const struct {
    const char* what;
    std::function<void(History&)> act;
    bool replayed;
  } cases[] = {
      {"touched",
       [](History& run) {
         const utimbuf later{std::time(nullptr) + 100, std::time(nullptr) + 100};
         ASSERT_EQ(::utime(QFile::encodeName(run.h.historyPath()).constData(), &later), 0);
       },
       true},
      {"copied away and back",
       [](History& run) {
         QTemporaryDir away;
         for (const QString& path : {run.h.historyPath(), run.h.journalPath()}) {
           const QString copy = away.filePath(QFileInfo(path).fileName());
           ASSERT_TRUE(QFile::copy(path, copy));
           ASSERT_TRUE(QFile::remove(path));
           ASSERT_TRUE(QFile::copy(copy, path));
         }
       },
       true},
      {"another file of the same size",
       [](History& run) {
         QByteArray file = run.history();
         file.replace("in the file", "IN THE FILE");
         ASSERT_TRUE(writeFileAtomically(run.h.historyPath(), file));
       },
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    History run;
    run.startWithAFileAndAJournal();
    c.act(run);
    const std::unique_ptr<PanelState> relaunched = run.relaunch();
    EXPECT_EQ(relaunched->items().size(), c.replayed ? 3 : 1);
    EXPECT_EQ(run.setAside().size(), c.replayed ? 0 : 1);
  }
}

// A FIFO or a link to /dev/zero at the history's or the journal's path: the start neither blocks
// nor reads without end. The odd file is set aside (logged), and what else is there is read.
TEST(HistoryDurabilityTest, AFifoOrADeviceAtTheProgramsPathsIsSetAsideWithoutReadingIt) {
  const struct {
    const char* what;
    bool journal;
    bool fifo;
  } cases[] = {{"history.json a FIFO", false, true},
               {"history.json a link to /dev/zero", false, false},
               {"history.journal a FIFO", true, true},
               {"history.journal a link to /dev/zero", true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    History run;
    run.startWithAFileAndAJournal(0);
    const QString path = c.journal ? run.h.journalPath() : run.h.historyPath();
    QFile::remove(path);
    const QByteArray native = QFile::encodeName(path);
    std::optional<test::FifoWithDeadline> fifo;
    if (c.fifo) fifo.emplace(path);
    ASSERT_TRUE(c.fifo ? fifo->isMade() : ::symlink("/dev/zero", native.constData()) == 0);
    test::CapturedLog log;
    const std::unique_ptr<PanelState> relaunched = run.relaunch();
    EXPECT_EQ(relaunched->items().size(), c.journal ? 1 : 0);
    EXPECT_EQ(run.setAside().size(), 1) << run.setAside().join(u' ').toStdString();
    EXPECT_FALSE(log.texts().filter(QStringLiteral("not a regular file")).isEmpty())
        << log.texts().join(u'\n').toStdString();
    relaunched->addItem(test::textItem(QStringLiteral("after")));
    relaunched->flushSave();
    EXPECT_EQ(run.h.storedItems(), relaunched->items());
  }
}

}  // namespace
}  // namespace qv
