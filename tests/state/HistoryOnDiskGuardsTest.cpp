// Changes another program makes to the history's files that a look at their size alone misses
// (a write in place at the same size, a file of the same size put there, a journal cut or
// extended), a file put in place while the history is rewritten, a change noticed as it happens,
// and what is kept aside staying bounded.
#include "items/model/ItemJson.h"
#include "items/stores/ImageStore.h"
#include "platform/Paths.h"
#include "state/HistoryJournal.h"
#include "state/HistoryWriter.h"
#include "state/SetAsideHistories.h"
#include "support/CapturedLog.h"
#include "support/FifoWithDeadline.h"
#include "support/state/StateTestSupport.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <ctime>

#include <sys/stat.h>
#include <unistd.h>

namespace qv {
namespace {

struct Folder {
  QString data, history, journal;
};

// Waits until a change now gives the files another change time than their last one (the
// kernel stamps changes with a clock that moves a few milliseconds at a time).
void waitForNewChangeTime(const QStringList& paths) {
  const QDeadlineTimer deadline(2000);
  for (const QString& path : paths) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) continue;
    timespec now{};
    do {
      ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
    } while ((now.tv_sec < status.st_ctim.tv_sec ||
              (now.tv_sec == status.st_ctim.tv_sec && now.tv_nsec <= status.st_ctim.tv_nsec)) &&
             !deadline.hasExpired());
  }
}

// Writes `bytes` over the start of the file, in place: no truncation, no new inode.
bool writeOverInPlace(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::ReadWrite) && file.write(bytes) == bytes.size();
}

bool replaceByRename(const QString& path, const QByteArray& bytes) {
  const QString next = path + QStringLiteral(".theirs");
  return writeFileAtomically(next, bytes) &&
         ::rename(QFile::encodeName(next).constData(), QFile::encodeName(path).constData()) == 0;
}

// The same bytes with one character of the first copy's text changed.
QByteArray oneCharacterChanged(QByteArray bytes) {
  const qsizetype at = bytes.indexOf("copy 0");
  if (at >= 0) bytes[at + 5] = 'X';
  return bytes;
}

// A journal of another history, exactly `length` bytes long.
QByteArray anotherHistorysJournal(qsizetype length) {
  const auto make = [](qsizetype textLength) {
    QByteArray bytes;
    journal::appendHeader(bytes, HistoryFileIdentity{12345, 0xabcdef, 0, 0});
    journal::appendRecord(bytes, HistoryChange::added(test::textItem(QString(textLength, u'y'))));
    return bytes;
  };
  const QByteArray shortest = make(1);
  return length > shortest.size() ? make(1 + length - shortest.size()) : shortest;
}

struct Change {
  const char* name;
  bool foldFirst;  // the journal folded in (and emptied) before the change
  // What the other program does; returns what it left at one of the paths, to be kept aside.
  std::function<QByteArray(const Folder&)> change;
};

const Change kChanges[] = {
    {"history.json written over in place at its own size", false,
     [](const Folder& f) {
       const QByteArray edited = oneCharacterChanged(readFile(f.history));
       return writeOverInPlace(f.history, edited) ? edited : "failed";
     }},
    {"history.json replaced by another file of the same size", false,
     [](const Folder& f) {
       const QByteArray edited = oneCharacterChanged(readFile(f.history));
       return replaceByRename(f.history, edited) ? edited : "failed";
     }},
    {"the journal written over in place by another history's of the same length", false,
     [](const Folder& f) {
       const QByteArray theirs = anotherHistorysJournal(QFileInfo(f.journal).size());
       const bool sameLength = theirs.size() == QFileInfo(f.journal).size();
       return sameLength && writeOverInPlace(f.journal, theirs) ? theirs : "failed";
     }},
    {"the journal replaced by another history's of the same length", false,
     [](const Folder& f) {
       const QByteArray theirs = anotherHistorysJournal(QFileInfo(f.journal).size());
       const bool sameLength = theirs.size() == QFileInfo(f.journal).size();
       return sameLength && replaceByRename(f.journal, theirs) ? theirs : "failed";
     }},
    {"the journal cut to half", false,
     [](const Folder& f) {
       const QByteArray half = readFile(f.journal).left(QFileInfo(f.journal).size() / 2);
       return ::truncate(QFile::encodeName(f.journal).constData(), half.size()) == 0 ? half : "failed";
     }},
    {"bytes appended to the journal by another program", false,
     [](const Folder& f) {
       QFile file(f.journal);
       const bool done = file.open(QIODevice::Append) && file.write("{\"theirs\":1}\n") > 0;
       file.close();
       return done ? readFile(f.journal) : "failed";
     }},
    {"the journal deleted after a fold, then another history's put there", true,
     [](const Folder& f) {
       const QByteArray theirs = anotherHistorysJournal(0);
       return QFile::remove(f.journal) && writeFileAtomically(f.journal, theirs) ? theirs : "failed";
     }},
};

class HistoryOnDiskGuardsTest : public ::testing::Test {
 protected:
  test::StateHarness h;
  FakeScheduler& clock = *h.fake.scheduler;
  Folder folder() const { return {h.fake.context->paths->applicationSupport(), h.historyPath(), h.journalPath()}; }

  void copyAndSave(const QString& text) {
    h.state->addItem(test::textItem(text));
    clock.advance(PanelState::kSaveDelaySeconds);
    h.runSaves();
  }
  // The journal is folded in only at a quit.
  void foldOnlyAtQuit() {
    JournalLimits limits;
    limits.smallestFold = limits.largestJournal = 1 << 30;
    limits.foldInterval = 1e9;
    h.state->setJournalLimits(limits);
  }
  // A new state on an empty data folder, its journal folded in only at a quit, with three copies saved.
  void startAnewWithThreeCopies() {
    h.state.reset();
    h.fake.drain();
    QDir(folder().data).removeRecursively();
    h.state = h.makeState();
    h.state->loadHistory();
    foldOnlyAtQuit();
    for (int i = 0; i < 3; ++i) copyAndSave(QStringLiteral("copy %1").arg(i));
  }
  QStringList setAside() const {
    return QDir(folder().data).entryList({QStringLiteral("history.*.replaced-*")}, QDir::Files | QDir::Hidden);
  }
};

// Whatever the other program did, a kill after the next copies loses none of them, and what it
// left there is kept aside.
TEST_F(HistoryOnDiskGuardsTest, AChangeTheSizeDoesNotShowIsNoticedAtTheNextSave) {
  for (const Change& c : kChanges) {
    SCOPED_TRACE(c.name);
    startAnewWithThreeCopies();
    if (c.foldFirst) {
      ASSERT_TRUE(h.state->flushSave());
    }
    ASSERT_TRUE(QFileInfo::exists(folder().journal));
    waitForNewChangeTime({folder().history, folder().journal});

    const test::CapturedLog log;
    const QByteArray leftThere = c.change(folder());
    ASSERT_NE(leftThere, "failed");
    for (int i = 3; i < 5; ++i) copyAndSave(QStringLiteral("copy %1").arg(i));
    const QList<ClipboardItem> held = h.state->items();
    ASSERT_EQ(held.size(), 5);
    EXPECT_EQ(h.storedItems(), held) << "a kill now loses nothing";
    EXPECT_EQ(h.relaunch()->items(), held);
    EXPECT_EQ(log.texts().filter(QStringLiteral("changed by another program")).size(), 1);
    const QStringList aside = setAside();
    EXPECT_EQ(aside.size(), 1) << aside.join(u' ').toStdString();
    EXPECT_EQ(aside.isEmpty() ? QByteArray() : readFile(folder().data + u'/' + aside.first()), leftThere);
  }
}

// What another program puts at the history's path while a rewrite is under way is set aside
// before the new file takes its place, and said.
TEST(HistoryRewriteTest, AFilePutInPlaceDuringTheRewriteIsSetAside) {
  struct Row {
    const char* name;
    std::function<bool(const QString& history, const QByteArray& theirs)> put;
  };
  const Row rows[] = {
      {"renamed over it", replaceByRename},
      {"written over it in place at its size", writeOverInPlace},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    QTemporaryDir dir;
    const QString history = dir.filePath(QStringLiteral("history.json"));
    HistoryWriter writer(history, dir.filePath(QStringLiteral("history.journal")));
    writer.started({});
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QList<ClipboardItem> first{test::textItem(QStringLiteral("first"))};
    ASSERT_TRUE(writer.save(first, {}, true, HistoryWriter::Moment::change, 0, now));
    waitForNewChangeTime({history});

    const QByteArray marker = "[{\"marker\":\"theirs\",";
    const QByteArray theirs = marker + QByteArray(readFile(history).size() - marker.size() - 2, ' ') + "}]";
    ASSERT_EQ(theirs.size(), readFile(history).size());
    writer.setWhileFolding([&] { ASSERT_TRUE(row.put(history, theirs)); });
    const test::CapturedLog log;
    const QList<ClipboardItem> second{test::textItem(QStringLiteral("second")), first[0]};
    ASSERT_TRUE(writer.save(second, {}, true, HistoryWriter::Moment::change, 100, now));

    EXPECT_EQ(decodeItems(readFile(history)), second);
    const QStringList aside = QDir(dir.path()).entryList({QStringLiteral("history.json.replaced-*")}, QDir::Files);
    EXPECT_EQ(aside.size(), 1);
    EXPECT_EQ(aside.isEmpty() ? QByteArray() : readFile(dir.filePath(aside.first())), theirs);
    EXPECT_EQ(log.texts().filter(QStringLiteral("while it was rewritten")).size(), 1);
  }
}

// A FIFO put at the journal's path after three saves, just before a rewrite opens the journal
// again (a later run's first fold): the save neither waits on it nor writes into it.
TEST(HistoryRewriteTest, AFifoAtTheJournalsPathDoesNotHoldUpTheSave) {
  QTemporaryDir dir;
  const QString history = dir.filePath(QStringLiteral("history.json"));
  const QString journalPath = dir.filePath(QStringLiteral("history.journal"));
  const QDateTime now = QDateTime::currentDateTimeUtc();
  QList<ClipboardItem> items;
  {
    HistoryWriter writer(history, journalPath);
    writer.started({});
    for (int i = 0; i < 3; ++i) {
      items.prepend(test::textItem(QStringLiteral("copy %1").arg(i)));
      ASSERT_TRUE(
          writer.save(items, {HistoryChange::added(items.first())}, false, HistoryWriter::Moment::change, i, now));
    }
  }
  ASSERT_GT(QFileInfo(journalPath).size(), 0);
  // The next run, as its start found the files.
  HistoryWriter writer(history, journalPath);
  const qint64 journalLength = QFileInfo(journalPath).size();
  writer.started({HistoryFileIdentity::ofFile(history), FileOnDisk::at(history), journalLength, journalLength,
                  FileOnDisk::at(journalPath), true});
  std::optional<test::FifoWithDeadline> fifo;
  writer.setWhileFolding([&] {
    ASSERT_TRUE(QFile::remove(journalPath));
    fifo.emplace(journalPath);
    ASSERT_TRUE(fifo->isMade());
  });
  items.prepend(test::textItem(QStringLiteral("copy 3")));
  writer.save(items, {HistoryChange::added(items.first())}, true, HistoryWriter::Moment::change, 100, now);
  EXPECT_EQ(decodeItems(readFile(history)), items);
  fifo.reset();  // fails the test when the save waited on it
}

// What a start would read from the files in `dir`: the history file with the journal's records.
QList<ClipboardItem> storedIn(const QTemporaryDir& dir) {
  QList<ClipboardItem> items =
      decodeItems(readFile(dir.filePath(QStringLiteral("history.json")))).value_or(QList<ClipboardItem>());
  journal::replay(readFile(dir.filePath(QStringLiteral("history.journal"))),
                  HistoryFileIdentity::ofFile(dir.filePath(QStringLiteral("history.json"))), items);
  return items;
}

// Another program changes the journal between the look that starts a save and the save's write:
// the write notices, what the program left there is set aside, and every item is on disk.
TEST(HistoryRewriteTest, AJournalChangedBetweenTheLookAndTheWriteIsNoticed) {
  struct Row {
    const char* name;
    bool foldAndDeleteFirst;  // the journal folded in, then deleted (and the deletion seen)
    std::function<QByteArray(const QString& journal)> change;  // returns what it left there
  };
  const Row rows[] = {
      {"the journal cut to half", false,
       [](const QString& journal) {
         const QByteArray half = readFile(journal).left(QFileInfo(journal).size() / 2);
         return ::truncate(QFile::encodeName(journal).constData(), half.size()) == 0 ? half : "failed";
       }},
      {"bytes appended to the journal", false,
       [](const QString& journal) {
         QFile file(journal);
         const bool done = file.open(QIODevice::Append) && file.write("{\"theirs\":1}\n") > 0;
         file.close();
         return done ? readFile(journal) : "failed";
       }},
      {"another history's journal of the same length renamed over it", false,
       [](const QString& journal) {
         const QByteArray theirs = anotherHistorysJournal(QFileInfo(journal).size());
         return replaceByRename(journal, theirs) ? theirs : "failed";
       }},
      {"another history's journal put where none was", true,
       [](const QString& journal) {
         const QByteArray theirs = anotherHistorysJournal(0);
         return writeFileAtomically(journal, theirs) ? theirs : "failed";
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    QTemporaryDir dir;
    const QString journalPath = dir.filePath(QStringLiteral("history.journal"));
    HistoryWriter writer(dir.filePath(QStringLiteral("history.json")), journalPath);
    writer.started({});
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QList<ClipboardItem> items;
    const auto copy = [&](int i) {
      items.prepend(test::textItem(QStringLiteral("copy %1").arg(i)));
      return writer.save(items, {HistoryChange::added(items.first())}, false, HistoryWriter::Moment::change, i, now);
    };
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(copy(i));
    if (row.foldAndDeleteFirst) {
      ASSERT_TRUE(writer.save(items, {}, true, HistoryWriter::Moment::change, 10, now));
      ASSERT_TRUE(QFile::remove(journalPath));
      ASSERT_TRUE(writer.save(items, {}, false, HistoryWriter::Moment::change, 11, now));
      ASSERT_FALSE(QFileInfo::exists(journalPath));
    }
    QByteArray leftThere;
    bool changed = false;
    writer.setAfterLook([&] {
      if (!std::exchange(changed, true)) leftThere = row.change(journalPath);
    });
    EXPECT_TRUE(copy(3));
    ASSERT_NE(leftThere, "failed");
    EXPECT_EQ(storedIn(dir), items) << "a kill now loses nothing";
    const QStringList aside = QDir(dir.path()).entryList({QStringLiteral("history.journal.replaced-*")}, QDir::Files);
    EXPECT_EQ(aside.size(), 1);
    EXPECT_EQ(aside.isEmpty() ? QByteArray() : readFile(dir.filePath(aside.first())), leftThere);
  }
}

// A change to the data folder is saved over as it happens, not at the next copy: a kill a
// moment later loses nothing. The program's own writes bring on no rewrite.
TEST_F(HistoryOnDiskGuardsTest, AChangeIsSavedOverWithinASecondWithoutACopy) {
  struct Row {
    const char* name;
    std::function<bool(const Folder&)> change;
  };
  const Row rows[] = {
      {"the data folder removed", [](const Folder& f) { return QDir(f.data).removeRecursively(); }},
      {"history.json deleted", [](const Folder& f) { return QFile::remove(f.history); }},
      {"the journal deleted", [](const Folder& f) { return QFile::remove(f.journal); }},
      {"history.json written over in place",
       [](const Folder& f) { return writeOverInPlace(f.history, oneCharacterChanged(readFile(f.history))); }},
  };
  // Runs what the watch brings on: the inotify events (already queued by the kernel), the check
  // a moment later in virtual time, the save it asks for.
  const auto settle = [&] {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    clock.advance(HistoryFile::kDiskCheckDelaySeconds);
    h.runSaves();
    h.runSaves();
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    startAnewWithThreeCopies();
    settle();
    const test::CapturedLog ownWrites;
    const auto fileBefore = FileOnDisk::at(folder().history);
    settle();
    EXPECT_EQ(FileOnDisk::at(folder().history), fileBefore) << "the program's own writes bring on no rewrite";
    EXPECT_EQ(ownWrites.texts().filter(QStringLiteral("another program")), QStringList());
    waitForNewChangeTime({folder().history, folder().journal});

    ASSERT_TRUE(row.change(folder()));
    const double changedAt = clock.uptime();
    settle();
    EXPECT_LE(clock.uptime() - changedAt, 1.0);
    EXPECT_EQ(h.storedItems(), h.state->items()) << "a kill now loses nothing";
  }
}

// Histories put back by a backup tool again and again leave only the newest few aside, and the
// pictures only older ones named go with the next prune.
TEST_F(HistoryOnDiskGuardsTest, WhatIsSetAsideStaysBounded) {
  h.state->loadHistory();
  ImageStore& images = *h.fake.context->imageStore;
  QStringList namedOnlyAside;
  for (int i = 0; i < 6; ++i) {
    copyAndSave(QStringLiteral("copy %1").arg(i));
    const ClipboardItem old = test::imageItem(test::testImage(), QStringLiteral("org.example.Paint"), h.now());
    ASSERT_TRUE(images.save(test::testImage(), old.idString()));
    namedOnlyAside << old.idString();
    ASSERT_TRUE(replaceByRename(folder().history, encodeItems({old})));
  }
  const test::CapturedLog log;
  copyAndSave(QStringLiteral("the last copy"));
  EXPECT_EQ(setAside().size(), setAside::kMostPerKind);
  EXPECT_EQ(log.texts().filter(QStringLiteral("Removed the oldest histories set aside")).size(), 1);

  auto relaunched = h.relaunch();
  clock.advance(PanelState::kStartFoldDelaySeconds);
  h.runSaves();
  for (int i = 0; i < namedOnlyAside.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(QFileInfo::exists(images.filePath(namedOnlyAside[i])), i >= 6 - setAside::kMostPerKind);
  }
}

}  // namespace
}  // namespace qv
