#pragma once
// Shared between the implementation files of PanelState; not for views.
#include "state/PanelState.h"

#include <QSet>
#include <QString>
#include <atomic>
#include <mutex>
#include <optional>
#include <vector>

namespace qv {

class FileBookmarkStore;
class ImageStore;
class ImageTextRecognizer;
class OGImageCache;
class RichTextStore;
class ThumbnailCache;

// What the save queue shares with the main thread. Items added after a snapshot are noted
// here so that a prune working from that snapshot keeps their side files.
struct HistorySaveShared {
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

// A copy of a stored id set or map without `id`; none when `id` was not in it, so that the
// caller assigns (and observers hear of) real changes only.
template <typename IdContainer>
std::optional<IdContainer> without(const IdContainer& ids, const QUuid& id) {
  if (!ids.contains(id)) return std::nullopt;
  IdContainer rest = ids;
  rest.remove(id);
  return rest;
}

// The folder holding a file item's file, as the promise-folder pruning compares it.
QString fileItemFolder(const ClipboardItem& item);

// On the save queue: writes missing image side files and the history file, then (when asked)
// deletes side files of items that are gone.
void writeHistory(const HistorySaveServices& services, HistorySaveShared& shared,
                  const QList<ClipboardItem>& items, bool prune, qint64 snapshotNumber);

}  // namespace qv
