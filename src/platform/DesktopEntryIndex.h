#pragma once
#include "platform/DesktopEntries.h"

#include <QHash>
#include <QList>
#include <QUrl>
#include <memory>

namespace qv {

// Every application entry of the applications folders, read once. It never changes after it is
// built, so one index may be shared by any number of threads; a newer one replaces it whole.
class DesktopEntryIndex {
 public:
  // Reads the folders in order of precedence: the first folder that holds an id decides, and an
  // entry marked Hidden there hides the id. Only entries of type Application count.
  static std::shared_ptr<const DesktopEntryIndex> build(const QStringList& applicationFolders);
  // An index of the given entries (first one wins per id), without folders to watch.
  static std::shared_ptr<const DesktopEntryIndex> of(const QList<DesktopEntry>& entries);

  std::optional<DesktopEntry> entry(const QString& id) const;
  // The id of the entry stored at a path ("" when no indexed entry is stored there).
  QString idOfFile(const QString& path) const;
  // The id of a running program, known by the class of its window (WM_CLASS) and the path of its
  // executable: the entry whose StartupWMClass is the class, else the one whose Exec runs the
  // executable (by path, then by name), else one named after the class or the executable. ""
  // when none matches.
  QString idOfProgram(const QString& windowClass, const QString& executablePath) const;
  // What a person may choose from: every entry not marked NoDisplay, ordered by name.
  QList<DesktopEntry> applications() const;
  // Whether the folders still look as they did when the index was read (a few stat calls).
  bool isCurrent() const;

 private:
  struct Folder {
    QString path;
    qint64 modified = -1;  // nanoseconds since the epoch; -1 while the folder does not exist
  };
  void add(DesktopEntry entry);
  void addProgram(const DesktopEntry& entry);

  QHash<QString, DesktopEntry> entries_;
  QList<QString> order_;  // ids in the order they were read
  QHash<QString, QString> idByPath_;
  QHash<QString, QString> idByWindowClass_;
  QHash<QString, QString> idByFoldedWindowClass_;
  struct ProgramMatch {
    QString id;
    int rank = 0;  // lower wins: a plain launch of the program before one with options
  };
  QHash<QString, ProgramMatch> byProgramPath_;
  QHash<QString, ProgramMatch> byProgramName_;
  QList<Folder> folders_;
  bool settled_ = true;  // false when a folder changed so recently that a change may hide in its time stamp
};

// The words of an Exec line (desktop-entry quoting): inside double quotes a backslash keeps the
// next character. None when a quote is left open. Field codes are left as they stand.
std::optional<QStringList> parseExecWords(const QString& exec);
// The same, for a line that is to be run: also none when a field code stands inside double
// quotes (what it gives would become part of a string some program reads, a shell's command
// most of all), or in the text an interpreter runs as code (`sh -c %f`, `python3 -c …%u`,
// `perl -e`, `env -S`). Such a line is never run, whatever it would be given.
std::optional<QStringList> parseRunnableExecWords(const QString& exec);
// The program an Exec line runs: its first word, past an "env VAR=value" prefix; "" when there
// is none.
QString execProgram(const QString& exec, bool* hasOptions = nullptr);
// What an application is started with: what it is to open, and its entry's own values for the
// %i, %c and %k field codes.
struct LaunchInputs {
  QList<QUrl> urls;  // local files as file: URLs, or addresses
  QString iconName;
  QString name;
  QString desktopFile;
};

// How an Exec line takes what it opens: not at all, one local file (%f), several (%F), one URL
// (%u) or several (%U). `broken` for a line that must not be run (see launchCommands).
enum class ExecInputs { none, file, files, url, urls, broken };
ExecInputs execInputs(const QString& exec);

// The commands that start an application from its Exec line. Each input and each value of the
// entry becomes one whole argument, never split or read by a shell: %f and %F give local paths,
// %u and %U URLs (file: URLs for local files); %i gives "--icon" and the icon name, %c the name,
// %k the desktop file; deprecated codes are dropped and "%%" is a percent sign. A line that
// takes one input at a time gives one command per input. Empty for a broken line (an unclosed
// quote, no program, a field code in place of the program or inside quotes or in an
// interpreter's code (see parseRunnableExecWords), an unknown field code, %F, %U or %i inside a
// word, or codes for both files and URLs) and when an input cannot be given (an address to a
// line that takes only local files, a file by a path that is not absolute).
QList<QStringList> launchCommands(const QString& exec, const LaunchInputs& inputs);
// The command that starts an application from its Exec line with nothing to open. Empty when
// the line is broken.
QStringList launchCommand(const QString& exec);

}  // namespace qv
