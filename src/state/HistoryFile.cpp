#include "state/HistoryFile.h"

#include "base/Log.h"
#include "items/ItemServices.h"
#include "items/link/OGImageCache.h"
#include "items/model/ItemJson.h"
#include "items/model/ItemJsonLenient.h"
#include "items/ocr/ImageTextRecognizer.h"
#include "items/stores/FileBookmarkStore.h"
#include "items/stores/ImageStore.h"
#include "items/stores/RichTextStore.h"
#include "items/thumbnails/ThumbnailCache.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

namespace qv {

// What the save queue shares with the main thread. Items added after a snapshot are noted
// here so that a prune working from that snapshot keeps their side files.
struct HistoryFile::Shared {
  struct Added {
    qint64 afterSnapshot;  // the item came after this snapshot
    QString id;
    QString folder;  // a file item's folder (for the promise folder), else empty
  };
  std::mutex lock;
  qint64 snapshots = 0;  // main thread only
  std::vector<Added> added;
  // Set when an unreadable history could not be set aside: it must not be written over.
  std::atomic<bool> historyWriteBlocked = false;
  // Set when a history was set aside: side files of items it held may be wanted again.
  std::atomic<bool> pruneSuspended = false;
};

namespace {

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

// The folder holding a file item's file, as the promise-folder pruning compares it.
QString fileItemFolder(const ClipboardItem& item) {
  const auto* file = std::get_if<FilePayload>(&item.payload);
  if (!file || !file->url || !file->url->isLocalFile()) return {};
  return QFileInfo(QDir::cleanPath(file->url->toLocalFile())).path();
}

// Side files of items that are gone: each store keeps the ids of the kinds that own such files.
// `extraIDs` and `extraFolders` belong to items added after the snapshot; their files stay.
void pruneOrphanFiles(const HistorySaveServices& services, const QList<ClipboardItem>& items,
                      const QSet<QString>& extraIDs, const QSet<QString>& extraFolders) {
  QSet<QString> images = extraIDs, links = extraIDs, texts = extraIDs, files = extraIDs;
  QSet<QString> folders = extraFolders;
  for (const ClipboardItem& item : items) {
    switch (item.contentType) {
      case ContentType::image: images.insert(item.idString()); break;
      case ContentType::link: links.insert(item.idString()); break;
      // Code is classified from copied text and may keep its rich form too.
      case ContentType::text:
      case ContentType::code: texts.insert(item.idString()); break;
      case ContentType::file: {
        files.insert(item.idString());
        const QString folder = fileItemFolder(item);
        if (!folder.isEmpty()) folders.insert(folder);
        break;
      }
      case ContentType::color: break;
    }
  }
  services.images->removeOrphans(images);
  services.thumbnails->purgeThumbnails(images);
  services.recognizer->removeOrphans(images);
  services.ogImages->removeOrphans(links);
  services.richText->removeOrphans(texts);
  services.bookmarks->removeOrphans(files);

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

// On the save queue: writes missing image side files and the history file, then (when asked)
// deletes side files of items that are gone.
void writeHistory(const HistorySaveServices& services, HistoryFile::Shared& shared, const QList<ClipboardItem>& items,
                  bool prune, qint64 snapshotNumber) {
  // Repair image side files that went missing, for images still held in memory.
  for (const ClipboardItem& item : items) {
    const auto* image = std::get_if<ImagePayload>(&item.payload);
    if (image && image->width > 0 && !image->image.isNull()) services.images->save(image->image, item.idString());
  }

  if (shared.historyWriteBlocked) {
    qCInfo(lcState) << "History not written: the unreadable history file is still in place";
  } else if (!writeFileAtomically(services.historyPath, encodeItems(items))) {
    qCInfo(lcState) << "History write failed:" << services.historyPath;
  }

  QSet<QString> extraIDs, extraFolders;
  {
    std::lock_guard lock(shared.lock);
    // Later saves have later snapshots: what came before this one is in it or gone.
    std::erase_if(shared.added,
                  [&](const HistoryFile::Shared::Added& added) { return added.afterSnapshot < snapshotNumber; });
    for (const HistoryFile::Shared::Added& added : shared.added) {
      extraIDs.insert(added.id);
      if (!added.folder.isEmpty()) extraFolders.insert(added.folder);
    }
  }
  if (!prune) return;
  if (shared.pruneSuspended) {
    qCInfo(lcState) << "Side files kept: a history file was set aside in this run";
    return;
  }
  pruneOrphanFiles(services, items, extraIDs, extraFolders);
}

}  // namespace

HistoryFile::HistoryFile(ItemServices& services)
    : services_(services),
      queue_(services.queue(QLatin1String(kSaveQueueSuffix))),
      shared_(std::make_shared<Shared>()) {}

HistoryFile::~HistoryFile() = default;

QString HistoryFile::path() const {
  const QString folder = services_.paths->applicationSupport();
  ensurePrivateFolder(folder);  // a failure shows up as a failed write
  return folder + u'/' + QLatin1String(kFileName);
}

void HistoryFile::noteAdded(const ClipboardItem& item) {
  std::lock_guard lock(shared_->lock);
  shared_->added.push_back({shared_->snapshots, item.idString(), fileItemFolder(item)});
}

void HistoryFile::write(const QList<ClipboardItem>& snapshot, bool prune, bool sync) {
  qint64 number = 0;
  {
    std::lock_guard lock(shared_->lock);
    number = ++shared_->snapshots;
  }
  HistorySaveServices sideFiles{path(),
                                QDir::cleanPath(services_.paths->temp() + u'/' + QLatin1String(kPromiseFolderName)),
                                services_.imageStore,
                                services_.imageTextRecognizer,
                                services_.thumbnails,
                                services_.ogImageCache,
                                services_.richTextStore,
                                services_.fileBookmarkStore};
  auto job = [sideFiles = std::move(sideFiles), shared = shared_, snapshot, prune, number] {
    writeHistory(sideFiles, *shared, snapshot, prune, number);
  };
  if (sync) queue_->sync(std::move(job));
  else queue_->async(std::move(job));
}

bool HistoryFile::setAsideUnreadable(const QString& path, const QString& reason) {
  // Nothing the program writes may replace data it could not read.
  shared_->pruneSuspended = true;
  const QString stamp = services_.scheduler->now().toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss"));
  QString target = path + QStringLiteral(".unreadable-") + stamp;
  for (int n = 2; QFileInfo::exists(target); ++n)
    target = path + QStringLiteral(".unreadable-") + stamp + u'-' + QString::number(n);
  if (QFile::rename(path, target)) {
    qCInfo(lcState) << "History file could not be read (" << reason << "); set aside as" << target;
    return true;
  }
  shared_->historyWriteBlocked = true;
  qCInfo(lcState) << "History file could not be read (" << reason
                  << ") nor set aside; it will not be written in this run:" << path;
  return false;
}

void HistoryFile::waitForWrites() {
  queue_->sync([] {});
}

std::optional<QList<ClipboardItem>> HistoryFile::read(bool* differsFromFile) {
  SettingsStore& settings = *services_.settings;
  const QString path = this->path();

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

  bool fromFile = false;
  if (!data) {
    if (!QFileInfo::exists(path)) return std::nullopt;
    bool ok = false;
    QByteArray bytes = readFile(path, &ok);
    if (!ok) {
      setAsideUnreadable(path, QStringLiteral("read error"));
      return std::nullopt;
    }
    data = std::move(bytes);
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
    if (!decoded) return std::nullopt;
    qCInfo(lcState) << "Loaded" << decoded->size() << "history items; skipped" << skipped << "that did not decode"
                    << (cut ? "; the file breaks off after them" : "");
  }
  return decoded;
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
        if (const auto* file = std::get_if<FilePayload>(&item.payload))
          files.append({item.idString(), file->url ? QUrl(*file->url) : QUrl()});
      }
    }
    QHash<QString, QUrl> resolved = store->resolveAll(files);
    if (resolved.isEmpty()) return;
    scheduler->post([apply = std::move(apply), resolved = std::move(resolved)] { apply(resolved); });
  });
}

}  // namespace qv
