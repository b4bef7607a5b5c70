#include "state/HistoryWriter.h"

#include "base/ContentHash.h"
#include "base/Log.h"
#include "items/model/ItemJson.h"
#include "platform/Paths.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

namespace {

FileOnDisk fileOnDisk(const struct stat& status) {
  return {quint64(status.st_dev), quint64(status.st_ino), qint64(status.st_size), S_ISREG(status.st_mode),
          qint64(status.st_ctim.tv_sec) * 1'000'000'000 + status.st_ctim.tv_nsec};
}

bool holdsNothing(const std::optional<FileOnDisk>& file) { return file && file->regular && file->size == 0; }

// For the log: what became of the file this run wrote (`was`), as the path shows it `now`.
QString whatChanged(const std::optional<FileOnDisk>& now, const std::optional<FileOnDisk>& was, const QString& name) {
  if (!now) return name + QStringLiteral(" is gone");
  if (!was) return QStringLiteral("another file is where %1 goes").arg(name);
  if (!now->isSameFileAs(*was)) return name + QStringLiteral(" was replaced");
  if (now->size == 0) return name + QStringLiteral(" was emptied");
  return name + (now->size == was->size ? QStringLiteral(" was written over in place")
                                        : QStringLiteral(" was cut or written over"));
}

}  // namespace

std::optional<FileOnDisk> FileOnDisk::at(const QString& path) {
  const QByteArray native = QFile::encodeName(path);
  struct stat status {};
  if (::stat(native.constData(), &status) != 0 && ::lstat(native.constData(), &status) != 0) return std::nullopt;
  return fileOnDisk(status);
}

std::optional<FileOnDisk> FileOnDisk::of(int handle) {
  struct stat status {};
  if (handle < 0 || ::fstat(handle, &status) != 0) return std::nullopt;
  return fileOnDisk(status);
}

HistoryWriter::HistoryWriter(QString historyPath, QString journalPath)
    : historyPath_(std::move(historyPath)), journalPath_(std::move(journalPath)) {}

HistoryWriter::~HistoryWriter() { closeJournal(); }

void HistoryWriter::started(const Start& start) {
  closeJournal();
  file_ = start.file;
  fileOnDisk_ = start.fileOnDisk;
  journalLength_ = start.journalGoodLength;
  liveBytes_ = start.journalLiveBytes;
  journalOnDisk_ = start.journalOnDisk;
  journalUsable_ = start.journalUsable;
  journalChanged_ = fileBlocked_ = false;
  unwritten_.clear();
  mustRewrite_ = false;
}

// A stat of each path. Whatever another program put there is renamed aside (an empty file holds
// nothing to keep); what this run held in memory is all written again.
bool HistoryWriter::noticeChangesOnDisk(const QDateTime& wallTime) {
  QStringList said;
  bool repeated = false;
  const std::optional<FileOnDisk> file = FileOnDisk::at(historyPath_);
  // A copy of the same bytes put back (a restore) is the same history: the journal still extends it.
  if (file != fileOnDisk_ && file && file->regular && file_ && file->size == file_->size &&
      HistoryFileIdentity::ofFile(historyPath_) == file_)
    fileOnDisk_ = file;
  if (file != fileOnDisk_) {
    said << whatChanged(file, fileOnDisk_, QStringLiteral("the history file"));
    repeated = fileBlocked_;
    fileOnDisk_.reset();
    mustRewrite_ = true;
    fileBlocked_ = file && !holdsNothing(file) && !setAside(historyPath_, wallTime, said);
  }
  if (journalUsable_) {
    const std::optional<FileOnDisk> journal = FileOnDisk::at(journalPath_);
    // A new empty journal of someone else's is as good as one of ours.
    const bool same = journalOnDisk_ ? journal == journalOnDisk_ : !journal || holdsNothing(journal);
    if (journalChanged_ || !same) {
      closeJournal();
      said << whatChanged(journal, journalOnDisk_, QStringLiteral("the journal"));
      // A journal that cannot be set aside is left alone, as at start-up: every save then writes the whole file.
      if (journal && !holdsNothing(journal) && !setAside(journalPath_, wallTime, said)) journalUsable_ = false;
      journalOnDisk_.reset();
      journalChanged_ = false;
      journalLength_ = 0;
      // Records the file lacks are lost with the journal; records not yet appended go to a new one.
      if (liveBytes_ > 0) mustRewrite_ = true;
      liveBytes_ = 0;
    }
  }
  if (!said.isEmpty() && !repeated)
    qCWarning(lcState).noquote() << "History files changed by another program:" << said.join(QStringLiteral("; "))
                                 << (mustRewrite_ ? "- the whole history is written anew from memory"
                                                  : "- a new journal is started");
  return !said.isEmpty();
}

bool HistoryWriter::setAside(const QString& path, const QDateTime& wallTime, QStringList& said) {
  const QString target = asideName(path, QStringLiteral("replaced"), wallTime);
  if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(target).constData()) == 0) {
    said << QStringLiteral("kept it as ") + QFileInfo(target).fileName();
    ++setAsideCount_;
    return true;
  }
  said << QStringLiteral("it could not be set aside (%1) and is left alone")
              .arg(QString::fromLocal8Bit(std::strerror(errno)));
  return false;
}

qint64 HistoryWriter::foldThreshold() const {
  const qint64 quarter = file_ ? file_->size / 4 : 0;
  return std::min(limits_.largestJournal, std::max(limits_.smallestFold, quarter));
}

bool HistoryWriter::save(const QList<ClipboardItem>& items, const QList<HistoryChange>& changes, bool rewrite,
                         Moment moment, double now, const QDateTime& wallTime) {
  noticeChangesOnDisk(wallTime);
  if (afterLook_) afterLook_();
  // The journal can only extend a file this run knows.
  mustRewrite_ = mustRewrite_ || rewrite || !file_ || !journalUsable_;
  bool saved = true;
  if (!mustRewrite_ && (!changes.isEmpty() || !unwritten_.isEmpty())) {
    QByteArray records;
    for (const HistoryChange& change : changes) journal::appendRecord(records, change);
    saved = append(records);
    // Changed between the look and the write.
    if (!saved && journalChanged_) {
      noticeChangesOnDisk(wallTime);
      if (!mustRewrite_ && journalUsable_) saved = append({});
    }
  }

  const qint64 pending = liveBytes_ + unwritten_.size();
  bool foldNow = mustRewrite_;
  switch (moment) {
    case Moment::change:
      foldNow = foldNow || (pending >= foldThreshold() && (!lastFoldAt_ || now - *lastFoldAt_ >= limits_.foldInterval));
      break;
    case Moment::quit: foldNow = foldNow || (pending > 0 && file_ && file_->size <= limits_.quitFoldBytes); break;
    case Moment::afterStart: foldNow = foldNow || pending > 0; break;
  }
  if (!foldNow) return saved;
  // A failed fold leaves the journal in force: what it holds is still saved.
  return fold(items, now, wallTime) || (saved && !mustRewrite_);
}

// Just before the new file takes the path: what stands there must be what this run left (or
// nothing). A file another program put there while the new one was written is set aside.
void HistoryWriter::keepWhatAnotherProgramPutThere(const QDateTime& wallTime) {
  const std::optional<FileOnDisk> there = FileOnDisk::at(historyPath_);
  if (there == fileOnDisk_ || (!fileOnDisk_ && holdsNothing(there))) return;
  if (fileOnDisk_ && there && there->regular && fileOnDisk_->isSameFileAs(*there) && fileOnDisk_->size == there->size &&
      file_ && HistoryFileIdentity::ofFile(historyPath_) == file_)
    return;  // touched, not changed
  QStringList said{whatChanged(there, fileOnDisk_, QStringLiteral("the history file"))};
  if (!holdsNothing(there)) setAside(historyPath_, wallTime, said);
  qCWarning(lcState).noquote() << "History file changed by another program while it was rewritten:"
                               << said.join(QStringLiteral("; "));
}

bool HistoryWriter::fold(const QList<ClipboardItem>& items, double now, const QDateTime& wallTime) {
  lastFoldAt_ = now;
  if (fileBlocked_) {
    failure_ = QStringLiteral("another program's file is where the history file goes and could not be set aside");
    return false;
  }
  bool folded = false;
  std::optional<HistoryFileIdentity> written;
  std::optional<FileOnDisk> writtenOnDisk;
  // Encoded and written in pieces, and named by the hash of what was written: the history is
  // never held twice in memory (a whole encoding of 100,000 items was 25 MB more at every fold).
  ContentHash hash;
  const auto encode = [&items, &hash](const PieceWriter& write) {
    QByteArray piece;
    piece.reserve(kFoldPieceBytes + 4096);
    piece.append('[');
    for (qsizetype i = 0; i < items.size(); ++i) {
      if (i) piece.append(',');
      appendItemJson(piece, items.at(i));
      if (piece.size() < kFoldPieceBytes) continue;
      hash.add(piece);
      if (!write(piece)) return false;
      piece.resize(0);
    }
    piece.append(']');
    hash.add(piece);
    return write(piece);
  };
  const bool replaced = writeFileAtomically(historyPath_, encode, &failure_, [&](int handle) {
    if (whileFolding_) whileFolding_();
    keepWhatAnotherProgramPutThere(wallTime);
    struct stat status {};
    if (::fstat(handle, &status) != 0) return;
    writtenOnDisk = fileOnDisk(status);  // the rename keeps it
    written = HistoryFileIdentity{hash.size(), hash.result(),
                                  qint64(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec, 0};
    // Said before the new file takes the old one's place, so that a crash on either side of
    // it replays exactly what the file on disk lacks.
    if (!journalUsable_ || journalLength_ == 0 || !openJournal()) return;
    QByteArray line;
    journal::appendFolded(line, *written);
    if (writeAt(journalLength_, line)) {
      journalLength_ += line.size();
      folded = true;
    }
  });
  // The new file's status could not be read before the rename (it always can): read it in place.
  if (replaced && !written) {
    written = HistoryFileIdentity::ofFile(historyPath_);
    writtenOnDisk = FileOnDisk::at(historyPath_);
  }
  if (!replaced || !written) return false;
  // The rename moved the new file's change time: it is read again in place, unless another file
  // stands there already (the next save sets that aside).
  if (const std::optional<FileOnDisk> inPlace = FileOnDisk::at(historyPath_);
      inPlace && writtenOnDisk && inPlace->isSameFileAs(*writtenOnDisk))
    writtenOnDisk = inPlace;
  file_ = *written;
  fileOnDisk_ = writtenOnDisk;
  mustRewrite_ = false;
  unwritten_.clear();
  liveBytes_ = 0;
  if (!journalUsable_ || (journalLength_ == 0 && !QFileInfo::exists(journalPath_))) return true;
  // The journal starts over. Emptying it needs no room on the disk; when even that fails and no
  // line names the new file, the journal goes (everything in it is in the file now).
  if (openJournal() && ::ftruncate(journal_, 0) == 0 && ::fdatasync(journal_) == 0) {
    journalLength_ = 0;
    noteJournalWritten(0);
    return true;
  }
  if (folded) return true;  // appending goes on after the line naming the new file
  closeJournal();
  if (journalChanged_) return true;  // another program's: the next save sets it aside
  if (QFile::remove(journalPath_) || !QFileInfo::exists(journalPath_)) {
    journalLength_ = 0;
    journalOnDisk_.reset();
  } else {
    qCInfo(lcState) << "History journal could neither be emptied nor removed; the file is written whole from now on";
    journalUsable_ = false;
  }
  return true;
}

bool HistoryWriter::append(const QByteArray& records) {
  QByteArray bytes;
  if (journalLength_ == 0) journal::appendHeader(bytes, *file_);
  bytes += unwritten_;
  bytes += records;
  if (!openJournal() || !writeAt(journalLength_, bytes)) {
    unwritten_ += records;
    failure_ = QString::fromLocal8Bit(std::strerror(errno));
    return false;
  }
  journalLength_ += bytes.size();
  liveBytes_ += unwritten_.size() + records.size();
  unwritten_.clear();
  return true;
}

bool HistoryWriter::openJournal() {
  if (journal_ >= 0) return true;
  if (!ensurePrivateFolder(QFileInfo(journalPath_).absolutePath())) return false;
  const QByteArray native = QFile::encodeName(journalPath_);
  // Only ever appended to: no write lands past the end, even of a journal cut short meanwhile.
  journal_ = ::open(native.constData(), O_WRONLY | O_CREAT | O_APPEND | O_NONBLOCK | O_CLOEXEC, 0600);
  if (journal_ < 0) return false;
  const std::optional<FileOnDisk> opened = FileOnDisk::of(journal_);
  if (!opened) {
    closeJournal();
    return false;
  }
  // Only the journal this run last wrote, or a new empty one, is written to.
  const bool ours = opened->regular && opened->size >= journalLength_ &&
                    (journalOnDisk_ ? *opened == *journalOnDisk_ : opened->size == 0);
  if (!ours) {
    closeJournal();
    journalChanged_ = true;
    errno = ESTALE;
    return false;
  }
  journalOnDisk_ = opened;
  // A record cut short by a crash is dropped: the next one starts where the last whole one ends.
  if (opened->size > journalLength_) {
    if (::ftruncate(journal_, journalLength_) != 0) {
      closeJournal();
      return false;
    }
    noteJournalWritten(journalLength_);
  }
  return true;
}

// After a write of this run to the open journal: its length is the one this run made (a write of
// another program meanwhile shows as a length of its own), its change time the one it has now.
void HistoryWriter::noteJournalWritten(qint64 size) {
  if (const std::optional<FileOnDisk> now = FileOnDisk::of(journal_)) journalOnDisk_ = now;
  if (journalOnDisk_) journalOnDisk_->size = size;
}

void HistoryWriter::closeJournal() {
  if (journal_ >= 0) ::close(journal_);
  journal_ = -1;
}

// Appends all of `bytes` to the journal, which ends at `offset`, and syncs them; on any failure
// cuts the journal back to `offset`, so that no partial record stays in front of the next one.
bool HistoryWriter::writeAt(qint64 offset, const QByteArray& bytes) {
  // A journal that no longer ends where this run left it was changed by something else.
  const std::optional<FileOnDisk> before = FileOnDisk::of(journal_);
  if (!before || before->size != offset) {
    closeJournal();
    journalChanged_ = true;
    errno = ESTALE;
    return false;
  }
  qint64 done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(journal_, bytes.constData() + done, size_t(bytes.size() - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  if (done == bytes.size() && ::fdatasync(journal_) == 0) {
    noteJournalWritten(offset + bytes.size());
    // Renamed over or deleted meanwhile, the records went to a file no one will read.
    const std::optional<FileOnDisk> there = FileOnDisk::at(journalPath_);
    if (there && there->isSameFileAs(*journalOnDisk_)) return true;
    closeJournal();
    journalChanged_ = true;
    errno = ESTALE;
    return false;
  }
  const int error = errno;
  // Never cut to a length past the end: that would leave zero bytes.
  const std::optional<FileOnDisk> after = FileOnDisk::of(journal_);
  if (after && (after->size == offset || (after->size > offset && ::ftruncate(journal_, offset) == 0))) {
    noteJournalWritten(offset);
  } else {
    // The cut-off record stays at the end; the next append starts at `offset` all the same, and
    // reopening the journal cuts it off first.
    if (after) noteJournalWritten(after->size);
    closeJournal();
  }
  errno = error;
  return false;
}

}  // namespace qv
