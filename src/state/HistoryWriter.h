#pragma once
#include "state/HistoryJournal.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace qv {

// When the journal is folded into the history file.
struct JournalLimits {
  // The journal is folded in once it holds a quarter of the file, but at least this much…
  qint64 smallestFold = 64 * 1024;
  // …and at most this much, which replays at start-up in a few milliseconds.
  qint64 largestJournal = 1024 * 1024;
  // Under steady copying a fold comes at most this often (seconds).
  double foldInterval = 60;
  // At quit the journal is folded in only when the file is no larger than this: a rewrite of
  // 4 MB (about 12,000 items) fits the quit budget; a larger history is folded at the next start.
  qint64 quitFoldBytes = 4 * 1024 * 1024;
};

// Where a file of the history lies, how long it is and when its inode last changed, as this run
// last read or wrote it. A stat of the path compared with it tells cheaply that something else
// deleted, replaced, cut, moved or wrote in (even at the same size) the file since.
struct FileOnDisk {
  quint64 device = 0;
  quint64 inode = 0;
  qint64 size = 0;
  bool regular = true;
  qint64 changedNs = 0;  // st_ctim: every write, truncation, rename or chmod moves it
  bool operator==(const FileOnDisk& other) const = default;
  // The same file (device and inode), whatever was done to it since.
  bool isSameFileAs(const FileOnDisk& other) const { return device == other.device && inode == other.inode; }
  // What the path names now (a link that leads nowhere counts as something); none when nothing.
  static std::optional<FileOnDisk> at(const QString& path);
  // The file open as `handle`.
  static std::optional<FileOnDisk> of(int handle);
};

// Writes the history on the save queue: each save appends its changes to the journal and syncs
// it; now and then (see JournalLimits) the whole history is written to the file of record and
// the journal starts over. Every step is checked, and a failed one leaves what is on disk as it
// was: a failed append is cut off again and its records are kept for the next try, and a failed
// rewrite never replaces the file. Before each save the files at the paths are compared with
// what this run last wrote: when another program deleted, cut, replaced or moved them (or the
// whole folder), what it put there is set aside and the whole history is written anew from
// memory, whatever its size. Used on one thread at a time (the save queue).
class HistoryWriter {
 public:
  enum class Moment {
    change,      // changes under way: fold when the journal has grown and the last fold is a while ago
    quit,        // the last save: fold a non-empty journal only when the rewrite fits the quit budget
    afterStart,  // the journal replayed at start-up is folded in
  };

  HistoryWriter(QString historyPath, QString journalPath);
  ~HistoryWriter();
  HistoryWriter(const HistoryWriter&) = delete;
  HistoryWriter& operator=(const HistoryWriter&) = delete;

  // What start-up found: the file the history was read from (none: no usable file, so the first
  // save writes it whole) and where it lay, how far the journal reads and where it lay (none:
  // there is none). With `journalUsable` false the journal is left alone (it could not be set
  // aside) and every save writes the whole file.
  struct Start {
    std::optional<HistoryFileIdentity> file;
    std::optional<FileOnDisk> fileOnDisk;
    qint64 journalGoodLength = 0;
    qint64 journalLiveBytes = 0;
    std::optional<FileOnDisk> journalOnDisk;
    bool journalUsable = true;
  };
  void started(const Start& start);
  void setLimits(const JournalLimits& limits) { limits_ = limits; }

  // Writes one save. `items` is the whole history after `changes`; with `rewrite` the changes do
  // not tell all (the history changed in other ways) and the file is written whole. `now` is
  // monotonic seconds, `wallTime` stamps what is set aside. True when everything is on disk.
  bool save(const QList<ClipboardItem>& items, const QList<HistoryChange>& changes, bool rewrite, Moment moment,
            double now, const QDateTime& wallTime);

  // Compares the files at the paths with what this run last wrote, as each save does first: what
  // another program put there is set aside and the next save writes the whole history. True when
  // something changed (the next save is then due at once).
  bool checkOnDisk(const QDateTime& wallTime) { return noticeChangesOnDisk(wallTime); }
  // How many files this writer set aside so far.
  int setAsideCount() const { return setAsideCount_; }
  // Tests: runs after the look at the files that starts each save, before anything is written.
  void setAfterLook(std::function<void()> work) { afterLook_ = std::move(work); }
  // Tests: runs while a fold's new file is complete but not yet in place.
  void setWhileFolding(std::function<void()> work) { whileFolding_ = std::move(work); }

  // Bytes of records in the journal that the file lacks (for tests and figures).
  qint64 journalBytes() const { return liveBytes_; }
  // Why the last write that failed did (the system's word for it).
  const QString& failure() const { return failure_; }

 private:
  // A fold writes the file in pieces of about this size.
  static constexpr qsizetype kFoldPieceBytes = 256 * 1024;
  bool noticeChangesOnDisk(const QDateTime& wallTime);
  bool setAside(const QString& path, const QDateTime& wallTime, QStringList& said);
  bool append(const QByteArray& records);
  bool fold(const QList<ClipboardItem>& items, double now, const QDateTime& wallTime);
  void keepWhatAnotherProgramPutThere(const QDateTime& wallTime);
  bool openJournal();
  void closeJournal();
  void noteJournalWritten(qint64 size);
  bool writeAt(qint64 offset, const QByteArray& bytes);
  qint64 foldThreshold() const;

  QString historyPath_;
  QString journalPath_;
  JournalLimits limits_;
  // The file of record as this run last read or wrote it; none when there is none yet.
  std::optional<HistoryFileIdentity> file_;
  // Where the file and the journal lay when this run last read or wrote them.
  std::optional<FileOnDisk> fileOnDisk_;
  std::optional<FileOnDisk> journalOnDisk_;
  // Set when the journal open was found not to be the one this run wrote.
  bool journalChanged_ = false;
  // Set while what another program put at the file's path could not be set aside.
  bool fileBlocked_ = false;
  int journal_ = -1;
  bool journalUsable_ = true;
  qint64 journalLength_ = 0;  // bytes up to the end of the last whole line
  qint64 liveBytes_ = 0;      // of records after the line naming the file
  QByteArray unwritten_;      // records whose append failed, kept for the next try
  bool mustRewrite_ = false;
  std::optional<double> lastFoldAt_;
  QString failure_;
  std::function<void()> whileFolding_;
  std::function<void()> afterLook_;
  int setAsideCount_ = 0;
};

}  // namespace qv
