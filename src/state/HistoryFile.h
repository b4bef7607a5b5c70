#pragma once
#include "items/model/ClipboardItem.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

namespace qv {

struct ItemServices;
class SerialQueue;

// The history file and the side files beside it: reading it at start-up (migrating the legacy
// blob of the user defaults once), writing snapshots on the save queue, pruning side files of
// items that are gone, and never writing over a history that could not be read (it is set
// aside first, and while that fails nothing writes the file).
class HistoryFile {
 public:
  static constexpr char kFileName[] = "history.json";
  static constexpr char kLegacyStorageKey[] = "qv.clipboardHistory.v1";
  static constexpr char kSaveQueueSuffix[] = "save";  // "com.tarnwick.Quorvalen.save"
  static constexpr char kPromiseFolderName[] = "QuorvalenPromises";

  explicit HistoryFile(ItemServices& services);
  ~HistoryFile();
  HistoryFile(const HistoryFile&) = delete;
  HistoryFile& operator=(const HistoryFile&) = delete;

  // The file's path; its folder is made (private) on the way.
  QString path() const;
  // The stored history, or none when there is none or nothing of it decodes. An unreadable
  // file is set aside; as many items as decode are kept. `differsFromFile` tells whether what
  // was read is not what the file now holds (items skipped, or taken from the user defaults).
  std::optional<QList<ClipboardItem>> read(bool* differsFromFile = nullptr);
  // Writes a snapshot of the history on the save queue (and waits for it with `sync`); with
  // `prune`, then deletes side files of items that are in neither the snapshot nor added since.
  void write(const QList<ClipboardItem>& snapshot, bool prune, bool sync);
  // Called on the main thread after a write that failed (the file keeps what it held), so that
  // the owner tries again later.
  void setWriteFailedHandler(std::function<void()> handler) { writeFailed_ = std::move(handler); }
  // Returns once a write still under way on the save queue has finished.
  void waitForWrites();
  // An item was added after the last snapshot: a prune working from that snapshot keeps its files.
  void noteAdded(const QList<ClipboardItem>& items);
  // Resolves the bookmarks of the file items on the save queue (in order with the writes and
  // prunes that touch the same folders); `apply` gets the new locations by item id on the main
  // thread, unless nothing moved.
  void resolveFilesLater(const QList<ClipboardItem>& items,
                         std::function<void(const QHash<QString, QUrl>& resolved)> apply);

  // What the save queue shares with the main thread (opaque outside HistoryFile.cpp).
  struct Shared;

 private:
  bool setAsideUnreadable(const QString& filePath, const QString& reason);

  ItemServices& services_;
  std::shared_ptr<SerialQueue> queue_;
  // Shared with the save queue.
  std::shared_ptr<Shared> shared_;
  std::function<void()> writeFailed_;
};

}  // namespace qv
