#pragma once
#include <QHash>
#include <QIcon>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QObject;

namespace qv {

// One application's desktop entry ("org.gnome.TextEditor" for
// ".../applications/org.gnome.TextEditor.desktop").
struct DesktopEntry {
  QString id;
  QString path;      // the desktop file: an application's "URL"
  QString name;      // the untranslated Name; empty when the entry has none
  QString iconName;  // a theme icon name or an absolute path; may be empty
  QString startupWMClass;
  QString exec;
  QString type;                           // "Application" for applications; empty when the entry says none
  bool noDisplay = false;                 // an application that is not offered for choosing
  QStringList mimeTypes{};                // the types it opens (MimeType=), as listed
  bool terminal = false;                  // runs in a terminal emulator (Terminal=true)
  QString tryExec{};                      // a program that must be installed for the entry to count
  QStringList onlyShowIn{}, notShowIn{};  // desktops (XDG_CURRENT_DESKTOP names) it is meant for, or not
  bool operator==(const DesktopEntry&) const = default;

  // Whether it is meant for a session of `desktops` (XDG_CURRENT_DESKTOP's names): none of them
  // in NotShowIn, and one of them in OnlyShowIn when the entry has that list.
  bool showsIn(const QStringList& desktops) const;
  // The names in XDG_CURRENT_DESKTOP.
  static QStringList currentDesktops();
  // Whether its TryExec, when it has one, names an installed program (a path that is an
  // executable file, or a name found on PATH).
  bool isInstalled() const;
};

// Where a program named by a desktop file lives: the path itself when it is an absolute path
// to an executable file, else the first executable of that name on PATH; "" when there is none.
QString installedProgram(const QString& program);

class DesktopEntryIndex;

// The installed applications, as desktop entries. The index and the entries may be used from
// any thread; icons only on the main thread.
class DesktopEntries {
 public:
  virtual ~DesktopEntries() = default;
  // All applications as they are installed now; keep it for a while or pass it to other threads.
  virtual std::shared_ptr<const DesktopEntryIndex> index() = 0;
  // The index as it was last made, without reading anything: none until the first `index()`
  // has finished. For the main thread, which never waits on the disk.
  virtual std::shared_ptr<const DesktopEntryIndex> builtIndex() = 0;
  // The entry with this desktop-entry id; nothing when no application has it.
  virtual std::optional<DesktopEntry> entry(const QString& id) = 0;
  // The entry stored in one desktop file; nothing when it cannot be read or is not one.
  virtual std::optional<DesktopEntry> entryAt(const QString& path) = 0;
  // An icon by theme name or absolute path; a null icon when neither gives one.
  virtual QIcon icon(const QString& iconName) = 0;
  // The desktop id of the installed application the desktop opens `mimeType` with
  // ("inode/directory": its file manager); "" when none is installed.
  virtual QString defaultApplication(const QString& mimeType) = 0;
  // The desktop's file manager icon: what an unknown application is shown with. Never null.
  virtual QIcon fileManagerIcon() = 0;
  // The icon an application without a usable icon of its own is shown with. Never null.
  virtual QIcon genericApplicationIcon() = 0;
};

// Desktop files from $XDG_DATA_HOME/applications, then each $XDG_DATA_DIRS/applications (the
// first folder holding an id wins); an entry marked Hidden counts as not installed. The folders
// are read once into an index, and read again when one of them has changed.
class XdgDesktopEntries : public DesktopEntries {
 public:
  // The applications folders in order of precedence.
  explicit XdgDesktopEntries(QStringList applicationFolders);
  ~XdgDesktopEntries() override;
  static QStringList applicationFoldersFromEnvironment();

  std::shared_ptr<const DesktopEntryIndex> index() override;
  std::shared_ptr<const DesktopEntryIndex> builtIndex() override { return index_.load(); }
  std::optional<DesktopEntry> entry(const QString& id) override;
  std::optional<DesktopEntry> entryAt(const QString& path) override;
  QString defaultApplication(const QString& mimeType) override;
  // The association lists (mimeapps.list) in order of precedence: for each configuration folder
  // and then each applications folder, the current desktops' own lists before the plain one.
  static QStringList mimeAppsListsFromEnvironment();
  QIcon icon(const QString& iconName) override;
  QIcon fileManagerIcon() override;
  QIcon genericApplicationIcon() override;

 private:
  QStringList folders_;
  std::atomic<std::shared_ptr<const DesktopEntryIndex>> index_;
  std::mutex rebuilding_;
};

// The application that opens `mimeType` by the association lists `mimeAppsLists` (contents, in
// order of precedence): the first installed entry a [Default Applications] line names, else the
// first installed entry of the index that declares the type. "" when none is installed.
QString defaultApplicationFor(const QString& mimeType, const QList<QByteArray>& mimeAppsLists,
                              const DesktopEntryIndex& index);

// A desktop id from a desktop file's name ("org.gnome.TextEditor" for
// "org.gnome.TextEditor.desktop"), surrounding white space dropped.
QString desktopIdOfFileName(QString fileName);
// Asks `xdg-mime query default` for the application the desktop opens `mimeType` with (a scheme
// handler for "x-scheme-handler/<scheme>"), without blocking: `answer` gets its desktop id, or ""
// when the query fails, cannot start, or has not answered within a few seconds (it is then
// ended). The query runs as a child of `owner`.
void queryDefaultApplication(QObject* owner, const QString& mimeType, std::function<void(const QString&)> answer);

// Parses the [Desktop Entry] group of a desktop file; nothing when there is no such group.
std::optional<DesktopEntry> parseDesktopEntry(const QByteArray& contents, bool* hidden = nullptr);

// The keys and values of one group ("[Thumbnailer Entry]") of a file in the desktop-entry format,
// values unescaped (\s, \n, \t, \r, \\); later keys win. Nothing when the group is missing.
std::optional<QHash<QByteArray, QString>> parseDesktopGroup(const QByteArray& contents, const QByteArray& group);

}  // namespace qv
