#pragma once
#include "platform/DesktopEntryIndex.h"
#include "platform/SharePicker.h"

#include <QObject>
#include <memory>
#include <optional>

namespace qv {

class DesktopEntries;
class Paths;
class Scheduler;
class SerialQueue;

// Sharing through the desktop's applications: the targets are the applications whose desktop
// entries open the items' MIME type (the default one from `xdg-mime` first) and a new e-mail
// through `xdg-email`. Texts and pictures are written as files (mode 0600) into a private
// folder (mode 0700) under the user's private runtime folder (else among the program's caches),
// which is removed at quit and, after a run that ended without one, at the next start.
// Commands start on their own, each input one whole argument, never through a shell. Files are
// written and commands started on a serial queue.
class DesktopSharePicker : public QObject, public SharePicker {
  Q_OBJECT
 public:
  // Asks the desktop for its default application of a MIME type; `answer` gets its desktop id
  // ("" for none) on the main thread.
  using DefaultQuery = std::function<void(const QString& mimeType, std::function<void(const QString&)> answer)>;
  // Starts one command on its own; false when it cannot start. Runs on the queue.
  using Start = std::function<bool(const QStringList& command)>;
  struct Options {
    DefaultQuery queryDefault;            // none: `xdg-mime query default`
    Start start;                          // none: a detached process with no streams of ours
    std::optional<bool> offersEmail;      // none: whether `xdg-email` is installed
    std::optional<QStringList> desktops;  // none: XDG_CURRENT_DESKTOP's names
  };

  // `makeQueue` gives the queue on the first share (no thread waits for a share never made).
  DesktopSharePicker(std::shared_ptr<DesktopEntries> entries, std::shared_ptr<Scheduler> scheduler,
                     std::function<std::shared_ptr<SerialQueue>()> makeQueue, QString folder, Options options = {});
  // Removes the shared files (after what is queued).
  ~DesktopSharePicker() override;

  void listTargets(const QList<ShareItem>& items, std::function<void(QList<ShareTarget>)> answer) override;
  void share(const ShareTarget& target, const QList<ShareItem>& items, std::function<void(bool)> done) override;

  const QString& folder() const { return folder_; }
  // Removes the folder of shared files with everything in it, once the queued shares are done.
  void removeSharedFiles();

  // The folder of shared files: under the runtime folder, named for this user, when that is a
  // private folder of the user's; else "Shared Files" in the program's caches.
  static QString folderIn(const Paths& paths);
  // The MIME type an item is offered as: text/plain for texts, image/png for pictures, the
  // scheme's handler type for addresses, the file's own type for files.
  static QString mimeTypeOf(const ShareItem& item);
  // The targets for items of these types among the applications of `index` (see listTargets),
  // for a session of `desktops`.
  static QList<ShareTarget> targetsFor(const QList<ShareItem>& items, const DesktopEntryIndex& index,
                                       const QString& defaultId, bool offersEmail, const QStringList& desktops = {});
  // Whether an application's entry opens all the items (their types and the way its Exec line
  // takes them).
  static bool opens(const DesktopEntry& entry, const QList<ShareItem>& items);
  // Whether an entry may be a target at all in a session of `desktops`: it runs without a
  // terminal (nothing would show it), its TryExec is installed, and it is meant for the desktop
  // (OnlyShowIn, NotShowIn). Hidden entries are not installed to begin with.
  static bool isOffered(const DesktopEntry& entry, const QStringList& desktops);
  // The e-mail command for inputs made ready to share: files attached, addresses in the body.
  static QStringList emailCommand(const QList<QUrl>& inputs);
  // The program that writes e-mail.
  static constexpr char kEmailProgram[] = "xdg-email";

 private:
  // Writes the items that need a file into `folder` and answers what each input is; none when
  // a file cannot be written. Runs on the queue.
  static std::optional<QList<QUrl>> prepareInputs(const QString& folder, const QList<ShareItem>& items);
  QStringList desktops() const { return options_.desktops.value_or(DesktopEntry::currentDesktops()); }

  std::shared_ptr<DesktopEntries> entries_;
  std::shared_ptr<Scheduler> scheduler_;
  std::function<std::shared_ptr<SerialQueue>()> makeQueue_;
  std::shared_ptr<SerialQueue> queue_;
  QString folder_;
  Options options_;
};

}  // namespace qv
