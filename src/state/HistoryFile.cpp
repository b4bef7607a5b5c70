#include "state/HistoryFile.h"

#include "base/Log.h"
#include "base/RoomAtFront.h"
#include "base/Uuid.h"
#include "items/ItemServices.h"
#include "items/link/OGImageCache.h"
#include "items/model/ItemJson.h"
#include "items/model/ItemJsonFast.h"
#include "items/model/ItemJsonLenient.h"
#include "items/ocr/ImageTextRecognizer.h"
#include "items/stores/FileBookmarkStore.h"
#include "items/stores/ImageStore.h"
#include "items/stores/RichTextStore.h"
#include "items/stores/SideFileFolder.h"
#include "items/thumbnails/ThumbnailCache.h"
#include "platform/PathWatcher.h"
#include "platform/Paths.h"
#include "state/SetAsideHistories.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <barrier>
#include <future>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace qv {

// What the save queue shares with the main thread. Items added after a snapshot are noted
// here so that a prune working from that snapshot keeps their side files.
struct HistoryFile::Shared {
  Shared(QString historyPath, QString journalPath) : writer(std::move(historyPath), std::move(journalPath)) {}
  // Kept as they come and turned into names on the save queue: a copy of many files notes
  // thousands at once on the main thread.
  struct Added {
    qint64 afterSnapshot;  // the item came after this snapshot
    QUuid id;
    std::optional<Url> fileUrl;  // a file item's file (its folder may be a promise folder)
  };
  std::mutex lock;
  qint64 snapshots = 0;  // main thread only
  std::vector<Added> added;
  // Set when an unreadable history could not be set aside: it must not be written over.
  std::atomic<bool> historyWriteBlocked = false;
  // Set when a history or journal was set aside: side files of items it held may be wanted again.
  std::atomic<bool> pruneSuspended = false;
  // Set while writes fail (a full disk): the failure is logged once, not at every retry.
  std::atomic<bool> writeFailing = false;
  // Save queue only: removals (and a prune) of saves that could not be written, whose side
  // files go with the first save that is.
  QSet<QString> removalsNotOnDisk;
  bool pruneNotDone = false;
  // Save queue only: the pictures that items hold in memory, by item id, as the saves' changes
  // (or, when they do not tell all, the snapshot) show them.
  QHash<QUuid, QImage> heldImages;
  // Save queue only: set while pictures cannot be written (logged once), and why the last save
  // did not put everything on disk.
  bool picturesFailing = false;
  QString failure;
  // Save queue only: the ids named by each set-aside history or journal, by path, with the size
  // they were read at (a set-aside file is read once, not at every prune).
  struct SetAside {
    qint64 size = -1;
    QSet<QString> ids;
  };
  QHash<QString, SetAside> setAside;
  // Save queue only: the writer's count of files set aside when the set-aside files were last bounded.
  int setAsideBounded = 0;
  // The save queue's writer of the file and the journal.
  HistoryWriter writer;
};

// Everything the save queue touches, held by value so that queued work outlives the state.
struct HistorySaveServices {
  QString historyPath;
  QString promiseFolder;
  std::shared_ptr<ImageStore> images;
  std::shared_ptr<ImageTextRecognizer> recognizer;
  std::shared_ptr<ThumbnailCache> thumbnails;
  std::shared_ptr<OGImageCache> ogImages;
  std::shared_ptr<RichTextStore> richText;
  std::shared_ptr<FileBookmarkStore> bookmarks;
};

namespace {

// The folder holding a file item's file, as the promise-folder pruning compares it.
QString fileFolder(const std::optional<Url>& url) {
  if (!url || !url->isLocalFile()) return {};
  return QFileInfo(QDir::cleanPath(url->toLocalFile())).path();
}

QString fileItemFolder(const ClipboardItem& item) {
  const auto* file = fieldsIf<FilePayload>(&item.payload);
  return file ? fileFolder(file->url) : QString();
}

// Side files of items that are gone: each store keeps the ids of the kinds that own such files.
// `extraIDs` and `extraFolders` belong to items added after the snapshot; their files stay.
void pruneOrphanFiles(const HistorySaveServices& services, const QList<ClipboardItem>& items,
                      const QSet<QString>& extraIDs, const QSet<QString>& extraFolders) {
  // Images and links are few; texts and files may be most of a long history, so their ids are
  // kept sorted rather than as sets of names.
  QSet<QString> images = extraIDs, links = extraIDs;
  KeptIds texts(extraIDs), files(extraIDs);
  QSet<QString> folders = extraFolders;
  for (const ClipboardItem& item : items) {
    switch (item.contentType) {
      case ContentType::image: images.insert(item.idString()); break;
      case ContentType::link: links.insert(item.idString()); break;
      // Code is classified from copied text and may keep its rich form too.
      case ContentType::text:
      case ContentType::code: texts.add(item.id); break;
      case ContentType::file: {
        files.add(item.id);
        const QString folder = fileItemFolder(item);
        if (!folder.isEmpty()) folders.insert(folder);
        break;
      }
      case ContentType::color: break;
    }
  }
  texts.seal();
  files.seal();
  services.images->removeOrphans(images);
  services.thumbnails->purgeThumbnails(images);
  services.recognizer->removeOrphans(images);
  services.ogImages->removeOrphans(links);
  services.richText->removeFilesNotKept(texts);
  services.bookmarks->removeFilesNotKept(files);

  QDir promises(services.promiseFolder);
  if (services.promiseFolder.isEmpty() || !promises.exists()) return;
  const QFileInfoList entries = promises.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                                                       QDir::System);
  for (const QFileInfo& entry : entries) {
    const QString path = QDir::cleanPath(entry.absoluteFilePath());
    if (folders.contains(path)) continue;
    if (entry.isDir() && !entry.isSymLink()) QDir(path).removeRecursively();
    else QFile::remove(path);
  }
}

// The side files of these items, whose removal is on disk: gone at once rather than at the next
// prune. (The thumbnail cache holds pictures in memory only, and drops them at the next prune.)
void removeSideFiles(const HistorySaveServices& services, const QSet<QString>& ids) {
  for (const QString& id : ids) {
    services.images->remove(id);
    QFile::remove(services.recognizer->directory() + u'/' + id + QStringLiteral(".txt"));
    QFile::remove(services.ogImages->filePath(id));
    services.richText->remove(id);
    services.bookmarks->remove(id);
  }
}

// The ids this save removes for good: removal records not followed by an add of the same id.
QSet<QString> removedIds(const QList<HistoryChange>& changes) {
  QSet<QUuid> removed;
  for (const HistoryChange& change : changes) {
    if (change.kind == HistoryChange::Kind::remove) removed.insert(change.id);
    else if (change.kind == HistoryChange::Kind::add) removed.remove(change.id);
  }
  QSet<QString> ids;
  for (const QUuid& id : std::as_const(removed)) ids.insert(uuidString(id));
  return ids;
}

// The ids that histories and journals set aside beside the history file still name: their side
// files stay, so that such a history can be read back one day with its images and rich text.
QSet<QString> idsOfSetAsideHistories(const QString& historyPath, HistoryFile::Shared& shared) {
  QSet<QString> ids;
  QHash<QString, HistoryFile::Shared::SetAside> seen;
  for (const QString& path : setAside::files(historyPath)) {
    const qint64 size = QFileInfo(path).size();
    HistoryFile::Shared::SetAside entry = shared.setAside.value(path);
    if (entry.size != size) {
      entry.ids.clear();
      setAside::collectIds(path, entry.ids);
      entry.size = size;
    }
    ids.unite(entry.ids);
    seen.insert(path, std::move(entry));
  }
  shared.setAside = std::move(seen);
  return ids;
}

// Side files of items that are neither in `items` (snapshot number `snapshotNumber`) nor added
// since, nor named by a history set aside: `ids` of removed items, or every orphan (`prune`).
void removeGoneSideFiles(const HistorySaveServices& services, HistoryFile::Shared& shared,
                         const QList<ClipboardItem>& items, qint64 snapshotNumber, QSet<QString> removed, bool prune) {
  QSet<QString> extraIDs, extraFolders;
  {
    std::lock_guard lock(shared.lock);
    // Later saves have later snapshots: what came before this one is in it or gone.
    std::erase_if(shared.added,
                  [&](const HistoryFile::Shared::Added& added) { return added.afterSnapshot < snapshotNumber; });
    for (const HistoryFile::Shared::Added& added : shared.added) {
      extraIDs.insert(uuidString(added.id));
      if (const QString folder = fileFolder(added.fileUrl); !folder.isEmpty()) extraFolders.insert(folder);
    }
  }
  if (!prune && removed.isEmpty()) return;
  if (shared.pruneSuspended) {
    qCInfo(lcState) << "Side files kept: a history file was set aside in this run";
    return;
  }
  extraIDs.unite(idsOfSetAsideHistories(services.historyPath, shared));
  if (prune) {
    pruneOrphanFiles(services, items, extraIDs, extraFolders);
    return;
  }
  removeSideFiles(services, removed.subtract(extraIDs));
}

// The pictures of images held in memory that have no file: written by the save after their copy,
// and again by every save while that fails (a read-only or full folder) or once one went missing.
// The images are followed through the saves' changes: a look at every item at each copy would
// make a copy's cost grow with the history. False when one is not on disk; `failure` then says
// why.
bool writeMissingPictures(const HistorySaveServices& services, HistoryFile::Shared& shared,
                          const HistoryFile::Save& save, QString* failure) {
  QHash<QUuid, QImage>& held = shared.heldImages;
  const auto note = [&held](const ClipboardItem& item) {
    const auto* image = fieldsIf<ImagePayload>(&item.payload);
    if (image && image->width > 0 && !image->image.isNull()) held.insert(item.id, image->image);
    else held.remove(item.id);
  };
  if (save.rewrite) {
    held.clear();
    for (const ClipboardItem& item : save.snapshot) note(item);
  } else {
    for (const HistoryChange& change : save.changes) {
      if (change.kind == HistoryChange::Kind::remove) held.remove(change.id);
      else note(change.item);
    }
  }
  int unwritten = 0;
  QString reason, path;
  for (auto image = held.cbegin(); image != held.cend(); ++image) {
    const QString id = uuidString(image.key());
    if (services.images->save(image.value(), id, &reason)) continue;
    ++unwritten;
    path = services.images->filePath(id);
  }
  if (unwritten == 0) return true;
  *failure = (unwritten == 1 ? QStringLiteral("the picture of an image")
                             : QStringLiteral("the pictures of %1 images").arg(unwritten)) +
             QStringLiteral(" could not be written to %1 (%2)").arg(QFileInfo(path).path(), reason);
  return false;
}

// On the save queue: writes missing image side files and the history (its changes to the journal,
// now and then the whole file), then, once that is on disk, deletes the side files of the items
// it removed (or, when asked, of every item that is gone). False when the history or a picture
// could not be written (`shared.failure` says why).
bool writeHistory(const HistorySaveServices& services, HistoryFile::Shared& shared, const HistoryFile::Save& save,
                  qint64 snapshotNumber) {
  const QList<ClipboardItem>& items = save.snapshot;
  QString pictureFailure;
  const bool picturesWritten = writeMissingPictures(services, shared, save, &pictureFailure);
  if (!picturesWritten && !std::exchange(shared.picturesFailing, true))
    qCWarning(lcState).noquote() << "Images saved without their pictures:" << pictureFailure
                                 << "- written again at every save";
  else if (picturesWritten && std::exchange(shared.picturesFailing, false))
    qCInfo(lcState) << "Pictures written again after failed writes";

  bool written = true;
  if (shared.historyWriteBlocked) {
    qCInfo(lcState) << "History not written: the unreadable history file is still in place";
  } else {
    written = shared.writer.save(items, save.changes, save.rewrite, save.moment, save.now, save.wallTime);
    if (!written && !shared.writeFailing.exchange(true))
      qCWarning(lcState) << "History could not be written (" << shared.writer.failure()
                         << "); the files keep what they held and the write is tried again:" << services.historyPath;
    else if (written && shared.writeFailing.exchange(false))
      qCInfo(lcState) << "History written again after failed writes";
  }
  // What the writer set aside, beyond the newest few of each kind, goes (its side files with the next prune).
  if (const int count = shared.writer.setAsideCount(); count != shared.setAsideBounded) {
    shared.setAsideBounded = count;
    setAside::removeOldest(services.historyPath, QFileInfo(services.historyPath).size());
  }
  // While the history on disk still holds an item, so do its side files.
  shared.removalsNotOnDisk.unite(removedIds(save.changes));
  shared.pruneNotDone = shared.pruneNotDone || save.prune;
  if (written && !shared.historyWriteBlocked) {
    removeGoneSideFiles(services, shared, items, snapshotNumber, std::exchange(shared.removalsNotOnDisk, {}),
                        std::exchange(shared.pruneNotDone, false));
  } else {
    removeGoneSideFiles(services, shared, items, snapshotNumber, {}, false);
  }
  shared.failure = written ? pictureFailure : shared.writer.failure();
  return written && picturesWritten;
}

// A long history is read and decoded on several threads, each taking a piece of the file cut
// between two items: otherwise this is most of a launch. A cut goes where a comma is followed by
// an object ('{' and a quote), which never happens inside a string (a quote there is escaped).
// A cut that falls inside an item leaves pieces that do not decode on their own; then, as for a
// file in any other form, the whole file is read and decoded at once.
constexpr qint64 kMinPieceBytes = 1 << 20;
constexpr qint64 kCutSearchBytes = 1 << 18;
constexpr int kMaxDecodeThreads = 4;

bool isJsonSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

// Where the first element starting after `from` starts: {its comma, its opening brace}, or none
// near `from`.
std::optional<std::pair<qint64, qint64>> nextCut(const RegularFile& file, qint64 from) {
  const qint64 length = std::min(kCutSearchBytes, file.size() - from);
  if (length <= 0) return std::nullopt;
  QByteArray window(length, Qt::Uninitialized);
  if (!file.readAt(from, window.data(), length)) return std::nullopt;
  for (qsizetype brace = window.indexOf("{\"", 1); brace > 0; brace = window.indexOf("{\"", brace + 1)) {
    qsizetype before = brace - 1;
    while (before > 0 && isJsonSpace(window[before])) --before;
    if (window[before] == ',') return std::pair(from + before, from + brace);
  }
  return std::nullopt;
}

// Bytes [begin, end) of the file, with an opening and a closing bracket when asked.
std::optional<QByteArray> readPiece(const RegularFile& file, qint64 begin, qint64 end, bool open, bool close) {
  QByteArray piece(end - begin + (open ? 1 : 0) + (close ? 1 : 0), Qt::Uninitialized);
  char* const data = piece.data();
  if (open) data[0] = '[';
  if (!file.readAt(begin, data + (open ? 1 : 0), end - begin)) return std::nullopt;
  if (close) data[piece.size() - 1] = ']';
  return piece;
}

// While a long history decodes, the heaps of the decoding threads grow by large steps: grown by
// the page, as they are by default, each step is a call that takes the process's memory map for
// itself and holds up the page faults of the other threads (at a million items, tens of
// thousands of them, a sixth of the load). The usual steps come back once the items are in, so
// that what is freed later still goes back to the system.
class LargeHeapSteps {
 public:
  LargeHeapSteps() { setStep(kDecodingStep); }
  ~LargeHeapSteps() { setStep(kUsualStep); }
  LargeHeapSteps(const LargeHeapSteps&) = delete;
  LargeHeapSteps& operator=(const LargeHeapSteps&) = delete;

 private:
  static constexpr int kDecodingStep = 4 << 20;
  static constexpr int kUsualStep = 128 << 10;  // the C library's own
  static void setStep([[maybe_unused]] int bytes) {
#ifdef __GLIBC__
    mallopt(M_TOP_PAD, bytes);
    // The room a step left unused beyond the usual stays with the heaps, touched once (some
    // megabytes for each thread): it goes back now.
    if (bytes == kUsualStep) malloc_trim(0);
#endif
  }
};

// The file's items, decoded in pieces on threads of their own and joined there, with room at the
// front of the list for the copies to come.
std::optional<QList<ClipboardItem>> decodeFileInPieces(const RegularFile& file) {
  const qint64 size = file.size();
  const qint64 wanted = std::min<qint64>(std::min(QThread::idealThreadCount(), kMaxDecodeThreads),
                                         size / kMinPieceBytes);
  if (wanted < 2) return std::nullopt;
  // Piece k runs from starts[k] up to (not including) ends[k].
  std::vector<qint64> starts{0}, ends;
  for (qint64 k = 1; k < wanted; ++k) {
    const auto cut = nextCut(file, std::max(size * k / wanted, starts.back() + 1));
    if (!cut) break;
    ends.push_back(cut->first);
    starts.push_back(cut->second);
  }
  ends.push_back(size);
  const size_t count = starts.size();
  if (count < 2) return std::nullopt;

  const LargeHeapSteps largeSteps;
  std::vector<std::optional<QList<ClipboardItem>>> decoded(count);
  // Once every piece is in, the history's block is made and each piece is moved into its place
  // by the thread that decoded it: the pages of the block fill on all the threads at once.
  QList<ClipboardItem> history;
  std::vector<qsizetype> offsets(count, -1);
  qsizetype total = 0;
  const auto makeBlock = [&]() noexcept {
    for (const std::optional<QList<ClipboardItem>>& piece : decoded)
      if (!piece) return;  // none moves: the pieces go as they are
    for (size_t k = 0; k < count; ++k) {
      offsets[k] = total;
      total += decoded[k]->size();
    }
    history = listWithRoomAtFront<ClipboardItem>(total, historyRoomAtFront(total));
  };
  std::barrier allDecoded(std::ptrdiff_t(count), makeBlock);
  const auto decodePiece = [&](size_t k) {
    if (const std::optional<QByteArray> piece = readPiece(file, starts[k], ends[k], k > 0, k + 1 < count))
      decoded[k] = decodeItemsDirect(*piece);
    allDecoded.arrive_and_wait();
    if (offsets[k] >= 0) moveIntoRoomAfterEnd(history, offsets[k], *decoded[k]);
  };
  std::vector<std::thread> threads;
  for (size_t k = 1; k < count; ++k) threads.emplace_back(decodePiece, k);
  decodePiece(0);
  for (std::thread& thread : threads) thread.join();
  if (offsets.front() < 0) return std::nullopt;
  setSizeAfterMoves(history, total);
  return history;
}

// On threads of their own, while the file decodes: the history file's identity (a hash of all of
// it) and the journal, read and its records decoded (they wait for the hash only at the end).
class JournalReading {
 public:
  // `history` (none when there is no readable file) must outlive the reading.
  JournalReading(const QString& path, const RegularFile* history) {
    identity_ = std::async(std::launch::async, [history] {
                  return history ? HistoryFileIdentity::of(*history) : std::nullopt;
                }).share();
    thread_ = std::thread([this, path, identity = identity_] {
      if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink()) return;
      QString error;
      const RegularFile file = RegularFile::open(path, kMaximumReadBytes, &error);
      std::optional<QByteArray> bytes = file.readAll();
      if (!bytes) {
        readError_ = error.isEmpty() ? QStringLiteral("cut short while read") : error;
        return;
      }
      onDisk_ = FileOnDisk::of(file.handle());
      if (onDisk_) onDisk_->size = bytes->size();
      reading_ = journal::read(std::move(*bytes), [&identity] { return identity.get(); });
    });
  }
  ~JournalReading() { wait(); }
  JournalReading(const JournalReading&) = delete;
  JournalReading& operator=(const JournalReading&) = delete;
  // None when there is no journal; an unreadable outcome when it could not be read.
  std::optional<journal::Reading>& result() {
    wait();
    if (readError_) {
      qCInfo(lcState) << "History journal could not be read:" << *readError_;
      reading_.emplace().replay.outcome = journal::Replay::Outcome::unreadable;
    }
    readError_.reset();
    return reading_;
  }
  // Where the journal read lay.
  std::optional<FileOnDisk> onDisk() {
    wait();
    return onDisk_;
  }
  // The history file's identity; none when it could not be read whole.
  std::optional<HistoryFileIdentity> identity() {
    wait();
    return identity_.get();
  }

 private:
  void wait() {
    if (thread_.joinable()) thread_.join();
    identity_.wait();
  }
  std::shared_future<std::optional<HistoryFileIdentity>> identity_;
  std::thread thread_;
  std::optional<journal::Reading> reading_;
  std::optional<FileOnDisk> onDisk_;
  std::optional<QString> readError_;
};

// A rewrite killed between naming its new file and moving it into place leaves it behind
// ("history.json.XXXXXX", as large as the history). Only this instance writes there.
void removeUnfinishedWrites(const QString& historyPath) {
  const QFileInfo history(historyPath);
  const QString prefix = history.fileName() + u'.';
  const QFileInfoList entries = history.dir().entryInfoList({prefix + QStringLiteral("??????")},
                                                            QDir::Files | QDir::Hidden);
  for (const QFileInfo& entry : entries) {
    const QString name = entry.fileName();  // the view below must not outlive it
    const QStringView suffix = QStringView(name).mid(prefix.size());
    if (std::all_of(suffix.begin(), suffix.end(), [](QChar c) { return c.isLetterOrNumber() && c.unicode() < 128; }) &&
        QFile::remove(entry.absoluteFilePath()))
      qCInfo(lcState) << "Removed an unfinished history write:" << entry.fileName();
  }
}

}  // namespace

HistoryFile::HistoryFile(ItemServices& services)
    : services_(services),
      queue_(services.queue(QLatin1String(kSaveQueueSuffix))),
      shared_(std::make_shared<Shared>(services.paths->applicationSupport() + u'/' + QLatin1String(kFileName),
                                       services.paths->applicationSupport() + u'/' + QLatin1String(kJournalFileName))) {
}

HistoryFile::~HistoryFile() = default;

QString HistoryFile::path() const {
  const QString folder = services_.paths->applicationSupport();
  ensurePrivateFolder(folder);  // a failure shows up as a failed write
  return folder + u'/' + QLatin1String(kFileName);
}

QString HistoryFile::journalPath() const {
  return services_.paths->applicationSupport() + u'/' + QLatin1String(kJournalFileName);
}

void HistoryFile::noteAdded(const QList<ClipboardItem>& items) {
  std::lock_guard lock(shared_->lock);
  for (const ClipboardItem& item : items) {
    const auto* file = fieldsIf<FilePayload>(&item.payload);
    shared_->added.push_back({shared_->snapshots, item.id, file ? file->url : std::nullopt});
  }
}

qint64 HistoryFile::nextSnapshot() {
  std::lock_guard lock(shared_->lock);
  return ++shared_->snapshots;
}

HistorySaveServices HistoryFile::saveServices() const {
  return {path(),
          QDir::cleanPath(services_.paths->temp() + u'/' + QLatin1String(kPromiseFolderName)),
          services_.imageStore,
          services_.imageTextRecognizer,
          services_.thumbnails,
          services_.ogImageCache,
          services_.richTextStore,
          services_.fileBookmarkStore};
}

void HistoryFile::pruneLater(const QList<ClipboardItem>& snapshot) {
  queue_->async([sideFiles = saveServices(), shared = shared_, snapshot, number = nextSnapshot()] {
    setAside::removeOldest(sideFiles.historyPath, QFileInfo(sideFiles.historyPath).size());
    removeGoneSideFiles(sideFiles, *shared, snapshot, number, {}, true);
  });
}

bool HistoryFile::write(Save save, bool sync) {
  const qint64 number = nextSnapshot();
  save.wallTime = services_.scheduler->now();
  HistorySaveServices sideFiles = saveServices();
  // Known only when the write is waited for.
  struct Outcome {
    bool written = true;
    bool historyWritten = true;
    QString failure;
  } outcome;
  auto job = [sideFiles = std::move(sideFiles), shared = shared_, save = std::move(save), number,
              scheduler = services_.scheduler, failed = writeFailed_, outcome = sync ? &outcome : nullptr, file = this,
              watching = watcher_ != nullptr, rewatch = Guard(watcher_.get())] {
    const bool written = writeHistory(sideFiles, *shared, save, number);
    if (outcome) {
      outcome->written = written && !shared->historyWriteBlocked;
      outcome->historyWritten = !shared->historyWriteBlocked && !shared->writeFailing;
      outcome->failure = shared->historyWriteBlocked
                             ? QStringLiteral("the history file could not be read nor set aside")
                             : shared->failure;
    }
    if (!written && failed) scheduler->post(failed);
    // A save makes the files (and the folder) again when they were gone: they are watched anew.
    if (watching) scheduler->post([file] { file->watchPaths(); }, rewatch);
  };
  if (!sync) {
    queue_->async(std::move(job));
    return true;
  }
  queue_->sync(std::move(job));
  if (!outcome.written) {
    lastFailure_ = outcome.failure;
    lastFailureOnlyPictures_ = outcome.historyWritten;
  }
  return outcome.written;
}

void HistoryFile::setJournalLimits(const JournalLimits& limits) {
  queue_->async([shared = shared_, limits] { shared->writer.setLimits(limits); });
}

bool HistoryFile::setAsideUnreadable(const QString& path, const QString& reason) {
  // Nothing the program writes may replace data it could not read.
  shared_->pruneSuspended = true;
  const QString target = unreadableAsideName(path, services_.scheduler->now());
  if (QFile::rename(path, target)) {
    qCInfo(lcState) << "History file could not be read (" << reason << "); set aside as" << target;
    return true;
  }
  shared_->historyWriteBlocked = true;
  qCInfo(lcState) << "History file could not be read (" << reason
                  << ") nor set aside; it will not be written in this run:" << path;
  return false;
}

void HistoryFile::watchForChanges(std::function<void()> changed) {
  changedOnDisk_ = std::move(changed);
  watcher_ = std::make_unique<PathWatcher>();
  QObject::connect(watcher_.get(), &PathWatcher::changed, watcher_.get(), [this] {
    watchPaths();
    if (!diskCheck_.isPending())
      diskCheck_ = services_.scheduler->after(
          kDiskCheckDelaySeconds, [this] { checkOnDisk(); }, watcher_.get());
  });
  watchPaths();
}

void HistoryFile::watchPaths() {
  const QString folder = services_.paths->applicationSupport();
  if (watcher_) watcher_->watch({folder, folder + u'/' + QLatin1String(kFileName), journalPath()});
}

void HistoryFile::checkOnDisk() {
  queue_->async(
      [shared = shared_, scheduler = services_.scheduler, changed = changedOnDisk_, guard = Guard(watcher_.get())] {
        if (!shared->historyWriteBlocked && shared->writer.checkOnDisk(scheduler->now()))
          scheduler->post(changed, guard);
      });
}

void HistoryFile::waitForWrites() {
  queue_->sync([] {});
}

bool HistoryFile::setAsideJournal(const QString& kind, const QString& reason) {
  // Its records may name items whose side files are still wanted.
  shared_->pruneSuspended = true;
  const QString path = journalPath();
  const QString target = asideName(path, kind, services_.scheduler->now());
  if (QFile::rename(path, target)) {
    qCInfo(lcState) << "History journal" << reason << "; set aside as" << target;
    return true;
  }
  qCInfo(lcState) << "History journal" << reason << "and could not be set aside; it is left alone in this run:" << path;
  return false;
}

QList<ClipboardItem> HistoryFile::replayJournal(std::vector<QList<ClipboardItem>> parts,
                                                std::optional<journal::Reading>& reading, HistoryWriter::Start start,
                                                bool* differsFromFile, bool* journalReplayed) {
  journal::Replay replay;
  bool usable = true;
  QList<ClipboardItem> items;
  if (reading) replay = reading->replay;
  switch (replay.outcome) {
    case journal::Replay::Outcome::empty: break;
    case journal::Replay::Outcome::unreadable:
      usable = setAsideJournal(QStringLiteral("unreadable"), QStringLiteral("could not be read"));
      replay = {};
      break;
    case journal::Replay::Outcome::unmatched:
      usable = setAsideJournal(QStringLiteral("unmatched"), QStringLiteral("extends another history file"));
      replay = {};
      break;
    case journal::Replay::Outcome::replayed:
      items = journal::apply(*reading, std::move(parts));
      replay = reading->replay;
      if (replay.applied > 0 || replay.skipped > 0 || replay.damaged > 0)
        qCInfo(lcState) << "History journal replayed:" << replay.applied << "records applied," << replay.skipped
                        << "skipped," << replay.damaged << "unreadable"
                        << (replay.torn ? "; the last one was cut short" : "");
      if (replay.damaged > 0) {
        // What did read is in the history now; the journal is kept as it was, and the next save
        // writes the file whole.
        usable = setAsideJournal(QStringLiteral("unreadable"), QStringLiteral("holds records that do not read"));
        if (differsFromFile) *differsFromFile = true;
        replay.goodLength = replay.liveBytes = 0;
      }
      break;
  }
  if (replay.outcome != journal::Replay::Outcome::replayed) {
    items = joinWithRoomAtFront(std::move(parts));
  }
  if (journalReplayed) *journalReplayed = replay.liveBytes > 0;
  start.journalGoodLength = replay.goodLength;
  start.journalLiveBytes = replay.liveBytes;
  start.journalUsable = usable;
  // A journal set aside is no longer there.
  if (!QFileInfo::exists(journalPath())) start.journalOnDisk.reset();
  queue_->async([shared = shared_, start] { shared->writer.started(start); });
  return items;
}

std::optional<QList<ClipboardItem>> HistoryFile::read(bool* differsFromFile, bool* journalReplayed) {
  if (journalReplayed) *journalReplayed = false;
  SettingsStore& settings = *services_.settings;
  const QString path = this->path();
  removeUnfinishedWrites(path);

  std::optional<QByteArray> data;
  if (!QFileInfo::exists(path)) {
    if (std::optional<QByteArray> legacy = settings.dataValue(QLatin1String(kLegacyStorageKey))) {
      // The key goes only once the file holds its data; otherwise a later launch tries again.
      if (writeFileAtomically(path, *legacy)) {
        settings.remove(QLatin1String(kLegacyStorageKey));
        qCInfo(lcState) << "Migrated the history from the user defaults";
      } else {
        qCInfo(lcState) << "History migration could not write" << path << "- kept the legacy key";
        data = std::move(*legacy);
      }
    }
  }

  // The journal extends the file that is read here; a file that is missing or cannot be read
  // leaves nothing for it to extend (it is then set aside). Only a regular file is read: a FIFO
  // there would block the start, a link to a device fill the memory.
  const bool present = !data && (QFileInfo::exists(path) || QFileInfo(path).isSymLink());
  QString openError;
  const RegularFile file = present ? RegularFile::open(path, kMaximumReadBytes, &openError) : RegularFile();
  JournalReading journal(journalPath(), file.isOpen() ? &file : nullptr);
  // Where the history file read lies, while it is still there.
  const auto readFrom = [&](std::optional<HistoryFileIdentity> identity) {
    HistoryWriter::Start start{std::move(identity), FileOnDisk::of(file.handle()), 0, 0, journal.onDisk(), true};
    if (start.fileOnDisk) start.fileOnDisk->size = file.size();
    if (!file.isOpen() || !QFileInfo::exists(path)) start.fileOnDisk.reset();
    return start;
  };
  const auto noHistory = [&] {
    replayJournal({}, journal.result(), readFrom(std::nullopt), nullptr, nullptr);
    return std::nullopt;
  };
  bool fromFile = false;
  if (!data) {
    if (!present) return noHistory();
    if (!file.isOpen()) {
      setAsideUnreadable(path, openError);
      return noHistory();
    }
    if (std::optional<QList<ClipboardItem>> decoded = decodeFileInPieces(file)) {
      if (differsFromFile) *differsFromFile = false;
      std::vector<QList<ClipboardItem>> parts;
      parts.push_back(std::move(*decoded));
      return replayJournal(std::move(parts), journal.result(), readFrom(journal.identity()), differsFromFile,
                           journalReplayed);
    }
    std::optional<QByteArray> bytes = file.readAll();
    if (!bytes) {
      setAsideUnreadable(path, QStringLiteral("read error"));
      return noHistory();
    }
    data = std::move(*bytes);
    fromFile = true;
  }

  ItemDecodeError error;
  std::optional<QList<ClipboardItem>> decoded = decodeItems(*data, &error);
  if (differsFromFile) *differsFromFile = !fromFile || !decoded;
  if (!decoded) {
    int skipped = 0;
    bool cut = false;
    decoded = decodeItemsSkippingBad(*data, &skipped, nullptr, &cut);
    if (fromFile) setAsideUnreadable(path, error.toString());
    if (!decoded) return noHistory();
    qCInfo(lcState) << "Loaded" << decoded->size() << "history items; skipped" << skipped << "that did not decode"
                    << (cut ? "; the file breaks off after them" : "");
  }
  // The journal's records name the items of the file as it was, also of one set aside.
  std::vector<QList<ClipboardItem>> parts;
  parts.push_back(std::move(*decoded));
  return replayJournal(std::move(parts), journal.result(), readFrom(fromFile ? journal.identity() : std::nullopt),
                       differsFromFile, journalReplayed);
}

void HistoryFile::resolveFilesLater(const QList<ClipboardItem>& items,
                                    std::function<void(const QHash<QString, QUrl>& resolved)> apply) {
  queue_->async([store = services_.fileBookmarkStore, scheduler = services_.scheduler, loaded = items,
                 apply = std::move(apply)]() mutable {
    QList<FileBookmarkStore::StoredFile> files;
    {
      // Let go of the shared list at once, so that a change on the main thread need not copy it.
      const QList<ClipboardItem> held = std::exchange(loaded, {});
      for (const ClipboardItem& item : held) {
        if (const auto* file = fieldsIf<FilePayload>(&item.payload))
          files.append({item.idString(), file->url ? QUrl(*file->url) : QUrl()});
      }
    }
    QHash<QString, QUrl> resolved = store->resolveAll(files);
    if (resolved.isEmpty()) return;
    scheduler->post([apply = std::move(apply), resolved = std::move(resolved)] { apply(resolved); });
  });
}

}  // namespace qv
