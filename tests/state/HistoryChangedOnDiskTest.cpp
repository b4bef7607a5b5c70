// Another program changes the data folder while the program runs (a clean-up, a restore, a sync
// tool): whatever it did, every item held in memory is on disk after the next save and after the
// quit, with a history small enough for the quit to rewrite it and one whose quit relies on the
// journal, and what the other program put there is kept beside it.
#include "items/model/ItemJson.h"
#include "items/stores/ImageStore.h"
#include "state/HistoryJournal.h"
#include "support/CapturedLog.h"
#include "support/state/StateTestSupport.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace qv {
namespace {

bool writeInPlace(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

bool replaceByRename(const QString& path, const QByteArray& bytes) {
  return writeFileAtomically(path + QStringLiteral(".new"), bytes) &&
         ::rename(QFile::encodeName(path + QStringLiteral(".new")).constData(), QFile::encodeName(path).constData()) ==
             0;
}

struct Folder {
  QString data, history, journal;
  QString moved() const { return data + QStringLiteral(".moved"); }
};

struct Change {
  const char* name;
  // What the other program does; returns what it put at one of the program's paths (kept beside it).
  std::function<QByteArray(const Folder&)> change;
  // What it does after the copies that follow (before the quit).
  std::function<void(const Folder&)> later;
  // The folder moved out of the program's way, which its saves must not touch.
  bool movesFolder = false;
};

QByteArray anotherHistorysJournal() {
  static const QByteArray journal = [] {
    QByteArray bytes;
    journal::appendHeader(bytes, HistoryFileIdentity{12345, 0xabcdef, 0, 0});
    journal::appendRecord(bytes, HistoryChange::added(test::textItem(QStringLiteral("another history's copy"))));
    return bytes;
  }();
  return journal;
}

const Change kChanges[] = {
    {"the journal deleted", [](const Folder& f) { return QFile::remove(f.journal) ? QByteArray() : "failed"; }, {}},
    {"the journal truncated to 0",
     [](const Folder& f) { return writeInPlace(f.journal, {}) ? QByteArray() : "failed"; },
     {}},
    {"the journal replaced by another history's",
     [](const Folder& f) {
       return replaceByRename(f.journal, anotherHistorysJournal()) ? anotherHistorysJournal() : "";
     },
     {}},
    {"the journal overwritten in place by another history's",
     [](const Folder& f) { return writeInPlace(f.journal, anotherHistorysJournal()) ? anotherHistorysJournal() : ""; },
     {}},
    {"history.json replaced by an older backup",
     [](const Folder& f) {
       const QByteArray backup = encodeItems({test::textItem(QStringLiteral("an old backup's copy"))});
       return replaceByRename(f.history, backup) ? backup : "";
     },
     {}},
    {"history.json overwritten with junk JSON",
     [](const Folder& f) {
       const QByteArray junk = "{\"not\": [\"a history\"";
       return writeInPlace(f.history, junk) ? junk : "";
     },
     {}},
    {"the data folder removed",
     [](const Folder& f) { return QDir(f.data).removeRecursively() ? QByteArray() : "failed"; },
     {}},
    {"the data folder renamed away",
     [](const Folder& f) { return QDir().rename(f.data, f.moved()) ? QByteArray() : "failed"; },
     {},
     true},
    {"the data folder renamed away and back (into the one made again)",
     [](const Folder& f) { return QDir().rename(f.data, f.moved()) ? QByteArray() : "failed"; },
     [](const Folder& f) { ASSERT_TRUE(QDir().rename(f.moved(), f.data + QStringLiteral("/Quorvalen.moved"))); }, true},
    {"the data folder moved aside for a link to an empty folder",
     [](const Folder& f) {
       const QString empty = f.data + QStringLiteral(".empty");
       const bool done = QDir().rename(f.data, f.moved()) && QDir().mkdir(empty) && QFile::link(empty, f.data);
       return done ? QByteArray() : "failed";
     },
     {},
     true},
};

// The files under `folder`, by path, with what they hold.
QHash<QString, QByteArray> filesUnder(const QString& folder) {
  QHash<QString, QByteArray> files;
  for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
    const QString path = it.next();
    files.insert(path, readFile(path));
  }
  return files;
}

class HistoryChangedOnDiskTest : public ::testing::TestWithParam<bool> {
 protected:
  test::StateHarness h;
  FakeScheduler& clock = *h.fake.scheduler;

  void copyAndSave(const QString& text) {
    h.state->addItem(test::textItem(text));
    clock.advance(PanelState::kSaveDelaySeconds);
    h.runSaves();
  }
  // A history whose quit rewrites the file (false) or relies on the journal (true); the journal
  // is never folded in between.
  void useQuitThreshold(bool quitReliesOnJournal) {
    JournalLimits limits;
    limits.smallestFold = limits.largestJournal = 1 << 30;
    limits.foldInterval = 1e9;
    limits.quitFoldBytes = quitReliesOnJournal ? 1 : 1 << 30;
    h.state->setJournalLimits(limits);
  }
  // 3 copies, the change, 2 copies (each saved), a quit and a relaunch.
  void runCase(const Change& c) {
    const Folder folder{h.fake.context->paths->applicationSupport(), h.historyPath(), h.journalPath()};
    // Each case starts from nothing.
    h.state.reset();
    h.fake.drain();
    QFile::remove(folder.data);  // a link
    for (const QString& path : {folder.data, folder.moved(), folder.data + QStringLiteral(".empty")})
      QDir(path).removeRecursively();
    h.state = h.makeState();
    h.state->loadHistory();
    useQuitThreshold(GetParam());
    for (int i = 0; i < 3; ++i) copyAndSave(QStringLiteral("before %1").arg(i));
    ASSERT_GT(QFileInfo(folder.journal).size(), 0);

    const test::CapturedLog log;
    const QByteArray putThere = c.change(folder);
    ASSERT_NE(putThere, "failed");
    const QHash<QString, QByteArray> movedAway = filesUnder(folder.moved());
    for (int i = 0; i < 2; ++i) copyAndSave(QStringLiteral("after %1").arg(i));
    const QList<ClipboardItem> held = h.state->items();
    ASSERT_EQ(held.size(), 5);
    EXPECT_EQ(h.storedItems(), held) << "a kill now loses nothing";
    EXPECT_FALSE(readFile(folder.journal).contains('\0'));
    if (c.later) c.later(folder);

    EXPECT_TRUE(h.state->flushSave());
    EXPECT_EQ(h.relaunch()->items(), held);
    const QStringList said = log.texts().filter(QStringLiteral("changed by another program"));
    EXPECT_EQ(said.size(), 1) << said.join(u'\n').toStdString();
    if (!putThere.isEmpty()) {
      const QStringList aside =
          QDir(folder.data).entryList({QStringLiteral("history.*.replaced-*")}, QDir::Files | QDir::Hidden);
      ASSERT_EQ(aside.size(), 1) << aside.join(u' ').toStdString();
      EXPECT_EQ(readFile(folder.data + u'/' + aside.first()), putThere);
    }
    // The folder moved away keeps what it held then, wherever it went.
    if (c.movesFolder) {
      const QString now = c.later ? folder.data + QStringLiteral("/Quorvalen.moved") : folder.moved();
      QHash<QString, QByteArray> there;
      for (auto [path, bytes] : filesUnder(now).asKeyValueRange())
        there.insert(folder.moved() + path.mid(now.size()), bytes);
      EXPECT_EQ(there, movedAway);
    }
  }
};

TEST_P(HistoryChangedOnDiskTest, EveryItemHeldIsOnDiskAfterTheNextSaveAndAfterTheQuit) {
  for (const Change& c : kChanges) {
    SCOPED_TRACE(c.name);
    runCase(c);
  }
}

INSTANTIATE_TEST_SUITE_P(QuitRewritesOrReliesOnTheJournal, HistoryChangedOnDiskTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& param) {
                           return param.param ? "QuitReliesOnTheJournal" : "QuitRewrites";
                         });

// The pictures folder removed under the running program is made again by the next save, with the
// pictures of every image held.
TEST(SideFileFolderRemovedTest, TheNextSaveMakesThePicturesFolderAgain) {
  test::StateHarness h;
  h.state->loadHistory();
  const auto copyAndSave = [&](const QImage& image) {
    h.state->addItem(test::imageItem(image, QStringLiteral("org.example.Paint"), h.now()));
    h.fake.scheduler->advance(PanelState::kSaveDelaySeconds);
    h.runSaves();
  };
  copyAndSave(test::testImage(8, 6));
  const QString folder = QFileInfo(h.fake.context->imageStore->filePath(h.state->items()[0].idString())).path();
  ASSERT_TRUE(QFileInfo::exists(h.fake.context->imageStore->filePath(h.state->items()[0].idString())));
  ASSERT_TRUE(QDir(folder).removeRecursively());
  copyAndSave(test::testImage(5, 4));
  for (const ClipboardItem& item : h.state->items())
    EXPECT_TRUE(QFileInfo::exists(h.fake.context->imageStore->filePath(item.idString())));
  EXPECT_EQ(QFileInfo(folder).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup), 0);
  EXPECT_TRUE(h.state->flushSave()) << h.state->lastWriteFailure().toStdString();
}

}  // namespace
}  // namespace qv
