#pragma once
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace qv {

// One installed thumbnailer: a program that writes a PNG thumbnail of files of some types, as
// its "*.thumbnailer" file under a data folder's "thumbnailers" folder declares it.
struct Thumbnailer {
  QString file;  // the .thumbnailer file it was read from
  QString tryExec;
  QString exec;
  QStringList mimeTypes;
  bool operator==(const Thumbnailer&) const = default;
};

// The folders thumbnailers are read from, in order of precedence: $XDG_DATA_HOME/thumbnailers,
// then the "thumbnailers" folder of each $XDG_DATA_DIRS entry.
QStringList thumbnailerFoldersFromEnvironment();
// The [Thumbnailer Entry] group of a file; nothing without the group, an Exec line or a type.
std::optional<Thumbnailer> parseThumbnailer(const QByteArray& contents, const QString& file = {});
// Every "*.thumbnailer" file of the folders; a file name read from an earlier folder hides the
// same name in later ones. Unreadable or oversized files are skipped.
QList<Thumbnailer> readThumbnailers(const QStringList& folders);
// Whether the thumbnailer's TryExec (when it has one) names an installed program.
bool isInstalled(const Thumbnailer& thumbnailer);
// The thumbnailer for a MIME type: the first installed one that lists the type (or an alias of
// it), else the first for its nearest parent type, and so on up its ancestry.
std::optional<Thumbnailer> thumbnailerFor(const QList<Thumbnailer>& thumbnailers, const QString& mimeType);

// The command of an Exec line: words split by desktop-entry quoting; %i becomes the input's
// path, %u its URI, %o the output path, %s the size and %% a percent sign. Each substitution
// stays inside its word, so every value is part of one argument and nothing is ever read by a
// shell. Empty for a line that must not run: an unclosed quote, an unknown field code, a code
// in place of the program, inside double quotes or in an interpreter's code (`sh -c "… %i"`:
// parseRunnableExecWords), no %o (it would write nowhere we read) or no program; and for an
// input path that is not absolute.
QStringList thumbnailerCommand(const QString& exec, const QString& inputPath, const QByteArray& inputUri,
                               const QString& outputPath, int size);

// How a thumbnailer is held in check.
struct ThumbnailerLimits {
  // A thumbnailer still running after this long is killed with everything it started.
  double seconds = 10;
  // Output larger than this, or wider or taller than this many pixels, is not read.
  qint64 maximumOutputBytes = 32 * 1024 * 1024;
  int maximumOutputSide = 4096;
};

// How a thumbnailer's run ended. Only a run that ended by itself says anything about the file:
// one killed at the time limit (on a loaded machine), cancelled, or that could not be started
// may well give a picture the next time.
struct ThumbnailerRun {
  enum class End {
    wrote,       // a picture within the limits
    failed,      // it ended by itself and left nothing usable, or its Exec line cannot run
    outOfTime,   // killed at the time limit
    cancelled,   // killed because it was no longer wanted
    notStarted,  // no private folder or no process could be made
  };
  std::optional<QImage> picture;
  End end = End::failed;
};

// Runs the thumbnailer for the file (its path and URI) at `size` pixels, on the calling thread:
// under a guard that ends everything it started when it ends (GuardedProcess), with no shell, no
// input and no output streams of ours, writing into
// a private folder (mode 0700) made under `temporaryFolder` and removed afterwards. The picture
// it wrote, brought down to `size` when larger; no picture when it cannot start, fails, runs out
// of time, is cancelled (`cancelled` is asked while it runs) or writes nothing readable within
// the limits, and `end` tells which.
ThumbnailerRun runThumbnailer(const Thumbnailer& thumbnailer, const QString& inputPath, const QByteArray& inputUri,
                              int size, const QString& temporaryFolder, const ThumbnailerLimits& limits = {},
                              const std::function<bool()>& cancelled = {});

}  // namespace qv
