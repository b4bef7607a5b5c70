#include "base/Log.h"
#include "base/Uuid.h"
#include "items/link/LinkMetadataFetcher.h"
#include "items/link/OGImageCache.h"
#include "items/model/ItemJson.h"
#include "items/model/ItemJsonLenient.h"
#include "items/ocr/ImageTextRecognizer.h"
#include "items/stores/FileBookmarkStore.h"
#include "items/stores/ImageStore.h"
#include "items/stores/RichTextStore.h"
#include "items/thumbnails/ThumbnailCache.h"
#include "platform/AppContext.h"
#include "state/PanelState.h"
#include "state/PanelStateInternal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <algorithm>
#include <utility>

namespace qv {

QString fileItemFolder(const ClipboardItem& item) {
  const auto* file = std::get_if<FilePayload>(&item.payload);
  if (!file || !file->url || !file->url->isLocalFile()) return {};
  return QFileInfo(QDir::cleanPath(file->url->toLocalFile())).path();
}

namespace {

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
  const QFileInfoList entries =
      promises.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
  for (const QFileInfo& entry : entries) {
    const QString path = QDir::cleanPath(entry.absoluteFilePath());
    if (folders.contains(path)) continue;
    if (entry.isDir() && !entry.isSymLink()) QDir(path).removeRecursively();
    else QFile::remove(path);
  }
}

}  // namespace

HistorySaveServices PanelState::sideFileServices() const {
  return HistorySaveServices{historyFilePath(),
                              QDir::cleanPath(context_.paths->temp() + u'/' + QLatin1String(kPromiseFolderName)),
                              context_.imageStore,
                              context_.imageTextRecognizer,
                              context_.thumbnails,
                              context_.ogImageCache,
                              context_.richTextStore,
                              context_.fileBookmarkStore};
}

QString PanelState::historyFilePath() const {
  const QString folder = context_.paths->applicationSupport();
  ensurePrivateFolder(folder);  // a failure shows up as a failed write
  return folder + u'/' + QLatin1String(kHistoryFileName);
}

void PanelState::noteAddedItem(const ClipboardItem& item) {
  std::lock_guard lock(saveShared_->lock);
  saveShared_->added.push_back({saveShared_->snapshots, item.idString(), fileItemFolder(item)});
}

void PanelState::scheduleSave() {
  const double now = context_.scheduler->uptime();
  if (!unsavedSince_) unsavedSince_ = now;
  const double delay = std::clamp(*unsavedSince_ + kLongestUnsavedSeconds - now, 0.0, kSaveDelaySeconds);
  saveWork_.cancel();
  saveWork_ = context_.scheduler->after(delay, [this] { save(false); }, Guard(this));
}

void PanelState::flushSave() {
  saveWork_.cancel();
  saveWork_ = WorkItem();
  if (unsavedSince_) {
    save(true);
    return;
  }
  // The file already holds the history: only wait for a write still under way.
  saveQueue_->sync([] {});
}

void PanelState::save(bool sync) {
  unsavedSince_.reset();
  int count = savesSinceLastPrune_ + 1;
  const bool prune = count >= kSavesPerPrune;
  if (prune) count = 0;
  setSavesSinceLastPrune(count);

  const QList<ClipboardItem> snapshot = items_;  // shares the data; the queue never sees changes
  qint64 number = 0;
  {
    std::lock_guard lock(saveShared_->lock);
    number = ++saveShared_->snapshots;
  }
  auto job = [services = sideFileServices(), shared = saveShared_, snapshot, prune, number] {
    writeHistory(services, *shared, snapshot, prune, number);
  };
  if (sync) saveQueue_->sync(std::move(job));
  else saveQueue_->async(std::move(job));
}

void writeHistory(const HistorySaveServices& services, HistorySaveShared& shared,
                              const QList<ClipboardItem>& items, bool prune, qint64 snapshotNumber) {
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
    std::erase_if(shared.added, [&](const HistorySaveShared::Added& added) { return added.afterSnapshot < snapshotNumber; });
    for (const HistorySaveShared::Added& added : shared.added) {
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

bool PanelState::setAsideUnreadableHistory(const QString& path, const QString& reason) {
  // Nothing the program writes may replace data it could not read.
  saveShared_->pruneSuspended = true;
  const QString stamp = context_.scheduler->now().toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss"));
  QString target = path + QStringLiteral(".unreadable-") + stamp;
  for (int n = 2; QFileInfo::exists(target); ++n)
    target = path + QStringLiteral(".unreadable-") + stamp + u'-' + QString::number(n);
  if (QFile::rename(path, target)) {
    qCInfo(lcState) << "History file could not be read (" << reason << "); set aside as" << target;
    return true;
  }
  saveShared_->historyWriteBlocked = true;
  qCInfo(lcState) << "History file could not be read (" << reason
                  << ") nor set aside; it will not be written in this run:" << path;
  return false;
}

void PanelState::loadHistory() {
  SettingsStore& settings = *context_.settings;
  const QString path = historyFilePath();

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

  const auto loadMarks = [this] {
    loadPinned();
    loadCategories();
    loadSensitive();
    loadCollapsedGroups();
  };

  bool fromFile = false;
  if (!data) {
    if (!QFileInfo::exists(path)) {
      loadMarks();
      return;
    }
    bool ok = false;
    QByteArray bytes = readFile(path, &ok);
    if (!ok) {
      setAsideUnreadableHistory(path, QStringLiteral("read error"));
      loadMarks();
      return;
    }
    data = std::move(bytes);
    fromFile = true;
  }

  ItemDecodeError error;
  std::optional<QList<ClipboardItem>> decoded = decodeItems(*data, &error);
  // The history as read is what the file holds; only a history that differs from the file
  // needs a save (one that was set aside or came from the user defaults, or retention ran).
  bool differsFromFile = !fromFile;
  if (!decoded) {
    differsFromFile = true;
    int skipped = 0;
    decoded = decodeItemsSkippingBad(*data, &skipped);
    if (fromFile) setAsideUnreadableHistory(path, error.toString());
    if (!decoded) {
      loadMarks();
      return;
    }
    qCInfo(lcState) << "Loaded" << decoded->size() << "history items; skipped" << skipped << "that did not decode";
  }

  // File items follow their files when they were renamed or moved. Reading and resolving every
  // bookmark takes long for a large history, so it runs on the save queue (in order with the
  // writes and prunes that touch the same folder) and the new names arrive a moment later.
  // Even listing the file items is left to the queue: the launch only checks that there are any.
  const bool anyFiles = std::any_of(decoded->cbegin(), decoded->cend(), [](const ClipboardItem& item) {
    return std::holds_alternative<FilePayload>(item.payload);
  });
  if (anyFiles) {
    saveQueue_->async([store = context_.fileBookmarkStore, scheduler = context_.scheduler, loaded = *decoded,
                       self = QPointer<PanelState>(this)]() mutable {
      QList<FileBookmarkStore::StoredFile> files;
      {
        // Let go of the shared list at once, so that a change on the main thread need not copy it.
        const QList<ClipboardItem> items = std::exchange(loaded, {});
        for (const ClipboardItem& item : items) {
          if (const auto* file = std::get_if<FilePayload>(&item.payload))
            files.append({item.idString(), file->url ? QUrl(*file->url) : QUrl()});
        }
      }
      QHash<QString, QUrl> resolved = store->resolveAll(files);
      if (resolved.isEmpty()) return;
      scheduler->post([self, resolved = std::move(resolved)] {
        if (self) self->applyResolvedFiles(resolved);
      });
    });
  }
  setItems(std::move(*decoded));

  loadMarks();
  if (applyRetention()) differsFromFile = true;
  if (differsFromFile) scheduleSave();
  backfillImageText();
}

void PanelState::applyResolvedFiles(const QHash<QString, QUrl>& resolved) {
  bool changed = false;
  QSet<QString> seen;
  // Read through a const view: writing through the list would copy all of it while the
  // filtered list or a save still shares it, even when no file moved.
  for (qsizetype i = 0, n = items_.size(); i < n; ++i) {
    const auto* file = std::get_if<FilePayload>(&items_.at(i).payload);
    if (!file) continue;
    const QString id = items_.at(i).idString();
    const auto found = resolved.constFind(id);
    if (found == resolved.constEnd() || seen.contains(id)) continue;
    seen.insert(id);  // the first item with the id, as ids are unique
    const QString name = found->fileName();
    FilePayload moved{name.isEmpty() ? file->name : name, file->size, Url::fromQUrl(*found)};
    items_[i].payload = std::move(moved);
    changed = true;
  }
  if (!changed) return;
  Q_EMIT itemsChanged();
  scheduleSave();
}

void PanelState::backfillImageText() {
  // The images are the ones loaded; which of them lack text is looked up once the launch is
  // done, with one listing of the recognised-text folder instead of a file test per image.
  auto pending = std::make_shared<QList<QUuid>>();
  for (const ClipboardItem& item : std::as_const(items_))
    if (item.contentType == ContentType::image) pending->append(item.id);
  if (pending->isEmpty()) return;
  backfillWork_ = context_.scheduler->after(0, [this, pending] {
    const QStringList names = QDir(context_.imageTextRecognizer->directory()).entryList(QDir::Files);
    const QSet<QString> stored(names.cbegin(), names.cend());
    pending->removeIf([&stored](const QUuid& id) { return stored.contains(uuidString(id) + QStringLiteral(".txt")); });
    // Started 0.4 s apart so that a large history does not start every recognition at once;
    // one timer at a time rather than one per image.
    if (!pending->isEmpty()) runBackfillStep(pending, 0);
  }, Guard(this));
}

void PanelState::runBackfillStep(std::shared_ptr<QList<QUuid>> pending, qsizetype index) {
  startTextRecognition(pending->at(index));
  if (index + 1 >= pending->size()) return;
  backfillWork_ = context_.scheduler->after(
      kBackfillSpacingSeconds, [this, pending, index] { runBackfillStep(pending, index + 1); }, Guard(this));
}

void PanelState::fetchLinkMetadata(const ClipboardItem& item, const QUrl& url) {
  const QUuid id = item.id;
  context_.linkMetadataFetcher->fetch(
      url, item.idString(), [this, id](const LinkMetadata& metadata) { applyLinkMetadata(metadata, id); },
      Guard(this));
}

void PanelState::applyLinkMetadata(const LinkMetadata& metadata, const QUuid& itemID) {
  // The fetcher has already put the image in the preview-image cache.
  const std::optional<QString> reference =
      metadata.previewReference.isEmpty() ? std::nullopt : std::optional<QString>(metadata.previewReference);
  const auto found =
      std::find_if(items_.cbegin(), items_.cend(), [&](const ClipboardItem& item) { return item.id == itemID; });
  if (found == items_.cend()) return;
  const auto* link = std::get_if<LinkPayload>(&found->payload);
  if (!link) return;
  QList<ClipboardItem> next = items_;
  ClipboardItem& item = next[found - items_.cbegin()];
  item.payload = LinkPayload{link->url, link->domain, metadata.title, std::nullopt, reference};
  setItems(std::move(next));
  scheduleSave();
}

}  // namespace qv
