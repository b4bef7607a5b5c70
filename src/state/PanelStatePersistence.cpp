// The history's persistence as the state drives it (saves after changes, loading at start-up),
// the text-recognition backfill and link metadata.
#include "base/Log.h"
#include "base/Uuid.h"
#include "items/ItemServices.h"
#include "items/link/LinkMetadataFetcher.h"
#include "items/ocr/ImageTextRecognizer.h"
#include "platform/SettingsStore.h"
#include "state/HistoryFile.h"
#include "state/PanelState.h"
#include "state/PanelStateInternal.h"

#include <QDir>
#include <QPointer>
#include <algorithm>
#include <utility>

namespace qv {

QString PanelState::historyFilePath() const { return historyFile_->path(); }

void PanelState::scheduleSave() {
  const double now = context_.scheduler->uptime();
  if (!unsavedSince_) unsavedSince_ = now;
  // Measured from the oldest unsaved change, not the latest: steady changes never hold it off.
  const double delay = std::clamp(*unsavedSince_ + kSaveDelaySeconds - now, 0.0, kSaveDelaySeconds);
  saveWork_.cancel();
  saveWork_ = context_.scheduler->after(
      delay, [this] { save(false); }, Guard(this));
}

void PanelState::retryFailedSave() {
  if (!unsavedSince_) unsavedSince_ = context_.scheduler->uptime();
  if (saveWork_.isPending()) return;  // a save for a later change is on its way
  saveWork_ = context_.scheduler->after(
      kSaveRetrySeconds, [this] { save(false); }, Guard(this));
}

bool PanelState::flushSave() {
  saveWork_.cancel();
  saveWork_ = WorkItem();
  // Also with nothing unsaved: a journal that fits the quit budget is folded in.
  return save(true, HistoryWriter::Moment::quit);
}

QString PanelState::lastWriteFailure() const { return historyFile_->lastWriteFailure(); }

bool PanelState::lastWriteFailedOnlyPictures() const { return historyFile_->lastWriteFailedOnlyPictures(); }

void PanelState::setJournalLimits(const JournalLimits& limits) { historyFile_->setJournalLimits(limits); }

void PanelState::recordChange(HistoryChange change) {
  if (unrecordedChange_) return;  // the file is written whole anyway
  if (recordedChanges_.size() >= kMostRecordedChanges) {
    recordedChanges_.clear();
    unrecordedChange_ = true;
    return;
  }
  recordedChanges_.append(std::move(change));
}

bool PanelState::save(bool sync, HistoryWriter::Moment moment) {
  const bool changed = unsavedSince_.has_value();
  unsavedSince_.reset();
  HistoryFile::Save save;
  save.snapshot = items_;  // shares the data; the queue never sees changes
  save.changes = std::exchange(recordedChanges_, {});
  save.rewrite = std::exchange(unrecordedChange_, false);
  // The journal's removals take their items' side files with them. What it does not tell (a
  // removal by the user, clearing, an edit) may have left side files of items that are gone: a
  // save that writes the file whole deletes every orphan, as the start does. A copy prunes
  // nothing: that would cost a pass over the history and its folders. Without the stored
  // retention and marks (pins, categories), a prune could not tell which side files are still
  // wanted.
  save.prune = changed && save.rewrite && !storedValuesLost();
  save.moment = moment;
  save.now = context_.scheduler->uptime();
  return historyFile_->write(std::move(save), sync);
}

bool PanelState::retentionHeld() const {
  const SettingsStore& settings = *context_.settings;
  const QString key = QLatin1String(kHistoryRetentionKey);
  const bool held = settings.valuesWereLost() || (settings.hasStoredValue(key) && !settings.stringValue(key));
  if (held && !reportedHeldRetention_) {
    reportedHeldRetention_ = true;
    qCWarning(lcState) << "Stored settings were lost and no retention was chosen since: the history is kept whole "
                          "until one is chosen in Settings";
  }
  return held;
}

void PanelState::setAsideUnreadableRetention() {
  SettingsStore& settings = *context_.settings;
  const QString key = QLatin1String(kHistoryRetentionKey);
  if (!settings.hasStoredValue(key) || settings.stringValue(key)) return;
  qCWarning(lcState) << "Stored" << key << "is no choice; set aside as" << settings.setAsideUnreadable(key);
}

bool PanelState::storedValuesLost() const {
  if (!context_.settings->lostStoredValues()) return false;
  if (!reportedLostValues_) {
    reportedLostValues_ = true;
    qCWarning(lcState) << "Stored settings or marks could not be read: nothing is pruned in this run";
  }
  return true;
}

void PanelState::loadHistory() {
  // Only a history that differs from the file needs a save: one that was set aside or came from
  // the user defaults, or one that retention shortened.
  bool differsFromFile = false;
  bool journalReplayed = false;
  std::optional<QList<ClipboardItem>> stored = historyFile_->read(&differsFromFile, &journalReplayed);
  // Another program's change to the files is saved over at once, not at the next copy.
  historyFile_->watchForChanges([this] { save(false); });
  const auto loadMarks = [this] {
    setAsideUnreadableRetention();
    loadPinned();
    loadCategories();
    loadSensitive();
    loadCollapsedGroups();
  };
  if (!stored) {
    loadMarks();
    return;
  }

  setItems(std::move(*stored));
  // What was read is what is on disk, unless the read says otherwise.
  recordedChanges_.clear();
  unrecordedChange_ = differsFromFile;

  loadMarks();
  if (applyRetention()) differsFromFile = true;
  // One pass over what was kept, for the work the launch hands on: whether any item is a file,
  // and the images (at a million items, each pass is ten milliseconds of the launch).
  bool anyFiles = false;
  QList<QUuid> images;
  for (const ClipboardItem& item : std::as_const(items_)) {
    anyFiles = anyFiles || std::holds_alternative<FilePayload>(item.payload);
    if (item.contentType == ContentType::image) images.append(item.id);
  }
  // File items follow their files when they were renamed or moved. Reading and resolving every
  // bookmark takes long for a large history, so it runs on the save queue and the new names
  // arrive a moment later. Even listing the file items is left to the queue: the launch only
  // checks that there are any.
  if (anyFiles) {
    historyFile_->resolveFilesLater(items_, [self = QPointer<PanelState>(this)](const QHash<QString, QUrl>& resolved) {
      if (self) self->applyResolvedFiles(resolved);
    });
  }
  if (journalReplayed) {
    // The next start would replay the same records again: they are folded into the file once the
    // launch is done, with whatever else the load changed. A change before then saves as usual.
    saveWork_ = context_.scheduler->after(
        kStartFoldDelaySeconds, [this] { save(false, HistoryWriter::Moment::afterStart); }, Guard(this));
  } else if (differsFromFile) {
    scheduleSave();
  }
  // Side files of items that are gone (a crash between a removal and the prune that follows it
  // left them): deleted once the launch is done.
  if (!storedValuesLost()) {
    startPruneWork_ = context_.scheduler->after(
        kStartFoldDelaySeconds, [this] { historyFile_->pruneLater(items_); }, Guard(this));
  }
  backfillImageText(std::move(images));
  settleAside();
}

void PanelState::applyResolvedFiles(const QHash<QString, QUrl>& resolved) {
  const RecordedChange recorded(*this);
  bool changed = false;
  QSet<QString> seen;
  // Read through a const view: writing through the list would copy all of it while the
  // filtered list or a save still shares it, even when no file moved.
  for (qsizetype i = 0, n = items_.size(); i < n; ++i) {
    const auto* file = fieldsIf<FilePayload>(&items_.at(i).payload);
    if (!file) continue;
    const QString id = items_.at(i).idString();
    const auto found = resolved.constFind(id);
    if (found == resolved.constEnd() || seen.contains(id)) continue;
    seen.insert(id);  // the first item with the id, as ids are unique
    const QString name = found->fileName();
    FilePayload moved{name.isEmpty() ? file->name : name, file->size, Url::fromQUrl(*found)};
    if (!changed) letGoOfHeldItems();
    items_[i].payload = std::move(moved);
    recordChange(HistoryChange::updated(items_.at(i)));
    changed = true;
  }
  if (!changed) return;
  Q_EMIT itemsChanged();
  scheduleSave();
}

void PanelState::backfillImageText(QList<QUuid> images) {
  // The images are the ones loaded; which of them lack text is looked up once the launch is
  // done, with one listing of the recognised-text folder instead of a file test per image.
  if (images.isEmpty()) return;
  auto pending = std::make_shared<QList<QUuid>>(std::move(images));
  backfillWork_ = context_.scheduler->after(
      0,
      [this, pending] {
        const QStringList names = QDir(context_.imageTextRecognizer->directory()).entryList(QDir::Files);
        const QSet<QString> stored(names.cbegin(), names.cend());
        pending->removeIf(
            [&stored](const QUuid& id) { return stored.contains(uuidString(id) + QStringLiteral(".txt")); });
        // Started 0.4 s apart so that a large history does not start every recognition at once;
        // one timer at a time rather than one per image.
        if (!pending->isEmpty()) runBackfillStep(pending, 0);
      },
      Guard(this));
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
      url, item.idString(), [this, id](const LinkMetadata& metadata) { applyLinkMetadata(metadata, id); }, Guard(this));
}

void PanelState::applyLinkMetadata(const LinkMetadata& metadata, const QUuid& itemID) {
  // The fetcher has already put the image in the preview-image cache.
  const std::optional<QString> reference = metadata.previewReference.isEmpty()
                                               ? std::nullopt
                                               : std::optional<QString>(metadata.previewReference);
  const auto found = std::find_if(items_.cbegin(), items_.cend(),
                                  [&](const ClipboardItem& item) { return item.id == itemID; });
  if (found == items_.cend()) return;
  const auto* link = fieldsIf<LinkPayload>(&found->payload);
  if (!link) return;
  ClipboardItem item = *found;
  item.payload = LinkPayload{link->url, link->domain, metadata.title, std::nullopt, reference};
  if (item == *found) return;
  const RecordedChange recorded(*this);
  recordChange(HistoryChange::updated(item));
  // Changed in place: a copy of the list for each link fetched would copy the whole history.
  const qsizetype index = found - items_.cbegin();
  letGoOfHeldItems();
  items_[index] = std::move(item);
  Q_EMIT itemsChanged();
  scheduleSave();
}

}  // namespace qv
