#pragma once
#include "items/model/ClipboardItem.h"
#include "platform/Scheduler.h"
#include "state/HistoryJournal.h"
#include "state/HistoryWriter.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace qv {

class PathWatcher;
struct HistorySaveServices;
struct ItemServices;
class SerialQueue;

// The history file, its journal and the side files beside it: reading them at start-up
// (migrating the legacy blob of the user defaults once, replaying the journal), writing saves on
// the save queue (HistoryWriter), pruning side files of items that are gone, and never writing
// over a history or journal that could not be read (it is set aside first, and while that fails
// nothing writes the file).
class HistoryFile {
 public:
  static constexpr char kFileName[] = "history.json";
  static constexpr char kJournalFileName[] = "history.journal";
  static constexpr char kLegacyStorageKey[] = "qv.clipboardHistory.v1";
  static constexpr char kSaveQueueSuffix[] = "save";  // "com.tarnwick.Quorvalen.save"
  static constexpr char kPromiseFolderName[] = "QuorvalenPromises";

  explicit HistoryFile(ItemServices& services);
  ~HistoryFile();
  HistoryFile(const HistoryFile&) = delete;
  HistoryFile& operator=(const HistoryFile&) = delete;

  // The file's path; its folder is made (private) on the way.
  QString path() const;
  QString journalPath() const;
  // The stored history: the file with the journal's records replayed, or none when there is no
  // file or nothing of it decodes. An unreadable file or journal is set aside; as many items as
  // decode are kept. `differsFromFile` tells whether what was read is not what the file and
  // journal now hold (items skipped, records that did not read, or taken from the user
  // defaults); `journalReplayed` that the journal held records, which a save folds in.
  std::optional<QList<ClipboardItem>> read(bool* differsFromFile = nullptr, bool* journalReplayed = nullptr);

  // One save: the history after the changes, the changes since the last save, and whether the
  // changes tell all (else the file is written whole).
  struct Save {
    QList<ClipboardItem> snapshot;
    QList<HistoryChange> changes;
    bool rewrite = false;
    // Then delete side files of items that are in neither the snapshot nor added since.
    bool prune = false;
    HistoryWriter::Moment moment = HistoryWriter::Moment::change;
    double now = 0;      // the scheduler's uptime
    QDateTime wallTime;  // the scheduler's time (filled in by write())
  };
  // Writes a save on the save queue (and waits for it with `sync`). False when a save waited for
  // could not be written, or left the picture of an image unwritten; `lastWriteFailure()` then
  // says why.
  bool write(Save save, bool sync);
  QString lastWriteFailure() const { return lastFailure_; }
  // Whether that save put the history on disk and only pictures failed.
  bool lastWriteFailedOnlyPictures() const { return lastFailureOnlyPictures_; }
  // Called on the main thread after a save that could not be written whole (a full disk: the
  // files keep what they held, and the writer what it could not write; or a picture that could
  // not be written), so that the owner tries again later.
  void setWriteFailedHandler(std::function<void()> handler) { writeFailed_ = std::move(handler); }
  void setJournalLimits(const JournalLimits& limits);
  // Deletes, on the save queue, the side files of every item that is neither in `snapshot` nor
  // added since (at start-up: those a crash or an earlier run left behind).
  void pruneLater(const QList<ClipboardItem>& snapshot);
  // Watches the data folder and the two files. When another program changes them (deletes,
  // replaces, writes in, moves the folder away), what it put there is set aside on the save
  // queue within kDiskCheckDelaySeconds and `changed` runs on the main thread, to save the history
  // anew at once. The program's own writes leave nothing to set aside and bring on nothing.
  void watchForChanges(std::function<void()> changed);
  static constexpr double kDiskCheckDelaySeconds = 0.25;
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
  // The history after the journal's records (read beside the file) are applied to the file's
  // items `parts`, read from the file with that identity; a journal that cannot be used is set
  // aside. Then tells the save queue where the journal stands.
  QList<ClipboardItem> replayJournal(std::vector<QList<ClipboardItem>> parts, std::optional<journal::Reading>& reading,
                                     HistoryWriter::Start start, bool* differsFromFile, bool* journalReplayed);
  bool setAsideJournal(const QString& kind, const QString& reason);
  void watchPaths();
  void checkOnDisk();
  qint64 nextSnapshot();
  HistorySaveServices saveServices() const;

  ItemServices& services_;
  std::shared_ptr<SerialQueue> queue_;
  // Shared with the save queue.
  std::shared_ptr<Shared> shared_;
  std::function<void()> writeFailed_;
  std::unique_ptr<PathWatcher> watcher_;
  std::function<void()> changedOnDisk_;
  WorkItem diskCheck_;
  QString lastFailure_;
  bool lastFailureOnlyPictures_ = false;
};

}  // namespace qv
