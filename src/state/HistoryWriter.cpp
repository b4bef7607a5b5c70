#include "state/HistoryWriter.h"

#include "base/ContentHash.h"
#include "base/Log.h"
#include "items/model/ItemJson.h"
#include "platform/Paths.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

HistoryWriter::HistoryWriter(QString historyPath, QString journalPath)
    : historyPath_(std::move(historyPath)), journalPath_(std::move(journalPath)) {}

HistoryWriter::~HistoryWriter() { closeJournal(); }

void HistoryWriter::started(const std::optional<HistoryFileIdentity>& file, qint64 journalGoodLength,
                            qint64 journalLiveBytes, bool journalUsable) {
  closeJournal();
  file_ = file;
  journalLength_ = journalGoodLength;
  liveBytes_ = journalLiveBytes;
  journalUsable_ = journalUsable;
  unwritten_.clear();
  mustRewrite_ = false;
}

qint64 HistoryWriter::foldThreshold() const {
  const qint64 quarter = file_ ? file_->size / 4 : 0;
  return std::min(limits_.largestJournal, std::max(limits_.smallestFold, quarter));
}

bool HistoryWriter::save(const QList<ClipboardItem>& items, const QList<HistoryChange>& changes, bool rewrite,
                         Moment moment, double now) {
  // The journal can only extend a file this run knows.
  mustRewrite_ = mustRewrite_ || rewrite || !file_ || !journalUsable_;
  bool saved = true;
  if (!mustRewrite_ && (!changes.isEmpty() || !unwritten_.isEmpty())) {
    QByteArray records;
    for (const HistoryChange& change : changes) journal::appendRecord(records, change);
    saved = append(records);
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
  return fold(items, now) || (saved && !mustRewrite_);
}

bool HistoryWriter::fold(const QList<ClipboardItem>& items, double now) {
  lastFoldAt_ = now;
  bool folded = false;
  std::optional<HistoryFileIdentity> written;
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
    struct stat status {};
    if (::fstat(handle, &status) != 0) return;
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
  if (replaced && !written) written = HistoryFileIdentity::ofFile(historyPath_);
  if (!replaced || !written) return false;
  file_ = *written;
  mustRewrite_ = false;
  unwritten_.clear();
  liveBytes_ = 0;
  if (!journalUsable_ || (journalLength_ == 0 && !QFileInfo::exists(journalPath_))) return true;
  // The journal starts over. Emptying it needs no room on the disk; when even that fails and no
  // line names the new file, the journal goes (everything in it is in the file now).
  if (openJournal() && ::ftruncate(journal_, 0) == 0 && ::fdatasync(journal_) == 0) {
    journalLength_ = 0;
    return true;
  }
  if (folded) return true;  // appending goes on after the line naming the new file
  closeJournal();
  if (QFile::remove(journalPath_) || !QFileInfo::exists(journalPath_)) {
    journalLength_ = 0;
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
  journal_ = ::open(native.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  if (journal_ < 0) return false;
  // A record cut short by a crash is dropped: the next one starts where the last whole one ends.
  struct stat status {};
  if (::fstat(journal_, &status) != 0 ||
      (status.st_size > journalLength_ && ::ftruncate(journal_, journalLength_) != 0)) {
    closeJournal();
    return false;
  }
  return true;
}

void HistoryWriter::closeJournal() {
  if (journal_ >= 0) ::close(journal_);
  journal_ = -1;
}

// Writes all of `bytes` at `offset` and syncs them; on any failure cuts the journal back to
// `offset`, so that no partial record stays in front of the next one.
bool HistoryWriter::writeAt(qint64 offset, const QByteArray& bytes) {
  qint64 done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::pwrite(journal_, bytes.constData() + done, size_t(bytes.size() - done), offset + done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  if (done == bytes.size() && ::fdatasync(journal_) == 0) return true;
  if (::ftruncate(journal_, offset) != 0) {
    // The cut-off record stays at the end; the next append starts at `offset` all the same, and
    // reopening the journal cuts it off first.
    closeJournal();
  }
  return false;
}

}  // namespace qv
