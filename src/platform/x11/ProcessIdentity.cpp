#include "platform/x11/ProcessIdentity.h"

#include "platform/DesktopEntries.h"
#include "platform/DesktopEntryIndex.h"

#include <fcntl.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>

namespace qv::x11 {

namespace {

// Up to 1 MiB of a file under /proc, whose size is not known before it is read. Read in small
// pieces: a buffer of the whole limit, asked for on every copy, cost more than what it held.
QByteArray readSmallFile(const QString& path) {
  constexpr qsizetype kLimit = 1 << 20;
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  QByteArray content;
  char piece[4096];
  while (content.size() < kLimit) {
    const ssize_t got = ::read(fd, piece, size_t(std::min<qsizetype>(sizeof piece, kLimit - content.size())));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    content.append(piece, got);
  }
  ::close(fd);
  return content;
}

QString desktopIdFromFileName(const QString& path) {
  QString name = QFileInfo(path).fileName();
  if (name.endsWith(QLatin1String(".desktop"))) name.chop(8);
  return name;
}

// Folders that hold many unrelated programs; an executable there is no application folder.
bool isSharedProgramFolder(const QString& folder) {
  static const QStringList shared = {QStringLiteral("/"),
                                     QStringLiteral("/bin"),
                                     QStringLiteral("/sbin"),
                                     QStringLiteral("/usr/bin"),
                                     QStringLiteral("/usr/sbin"),
                                     QStringLiteral("/usr/local/bin"),
                                     QStringLiteral("/usr/lib"),
                                     QStringLiteral("/usr/libexec"),
                                     QStringLiteral("/usr/local/lib"),
                                     QStringLiteral("/usr/lib/x86_64-linux-gnu"),
                                     QStringLiteral("/usr/lib/aarch64-linux-gnu"),
                                     QStringLiteral("/opt"),
                                     QStringLiteral("/usr/games"),
                                     QDir::homePath() + QStringLiteral("/.local/bin")};
  return folder.isEmpty() || shared.contains(folder);
}

// The environment of a process as NAME=value entries.
QList<QByteArray> environmentOf(const QString& processFolder) {
  return readSmallFile(processFolder + QStringLiteral("/environ")).split('\0');
}

QByteArray environmentValue(const QList<QByteArray>& environment, const QByteArray& name) {
  for (const QByteArray& entry : environment)
    if (entry.size() > name.size() && entry.startsWith(name) && entry.at(name.size()) == '=')
      return entry.mid(name.size() + 1);
  return {};
}

// The last resort for a program no entry names: its window class, else its executable's name.
QString bareProgramId(const QString& windowClass, const QString& executable) {
  return windowClass.isEmpty() ? QFileInfo(executable).fileName() : windowClass.toLower();
}

}  // namespace

ProcessIdentity::ProcessIdentity(std::shared_ptr<DesktopEntries> entries, QString procRoot)
    : entries_(entries ? std::move(entries)
                       : std::make_shared<XdgDesktopEntries>(XdgDesktopEntries::applicationFoldersFromEnvironment())),
      procRoot_(std::move(procRoot)) {}

std::optional<ProcessFacts> ProcessIdentity::lineage(qint64 pid, bool withSandbox) const {
  if (pid <= 0) return std::nullopt;
  const QString base = procRoot_ + QLatin1Char('/') + QString::number(pid);
  const QByteArray status = readSmallFile(base + QStringLiteral("/status"));
  if (status.isEmpty()) return std::nullopt;
  ProcessFacts facts;
  facts.pid = pid;
  for (const QByteArray& line : status.split('\n')) {
    if (line.startsWith("PPid:")) facts.parentPid = line.mid(5).trimmed().toLongLong();
    if (line.startsWith("Uid:")) facts.uid = line.mid(4).trimmed().split('\t').value(0).toUInt();
  }
  facts.executable = QFileInfo(base + QStringLiteral("/exe")).symLinkTarget();
  if (facts.executable.endsWith(QLatin1String(" (deleted)"))) facts.executable.chop(10);
  if (!withSandbox) return facts;

  const QByteArray flatpakInfo = readSmallFile(base + QStringLiteral("/root/.flatpak-info"));
  if (!flatpakInfo.isEmpty()) {
    bool inApplication = false;
    for (const QByteArray& raw : flatpakInfo.split('\n')) {
      const QByteArray line = raw.trimmed();
      if (line.startsWith('[')) inApplication = line == "[Application]";
      else if (inApplication && line.startsWith("name=")) facts.flatpakId = QString::fromUtf8(line.mid(5));
    }
  }
  return facts;
}

namespace {
// How long facts just read stand for the process: far shorter than a process takes to exit and
// its pid to be handed out again.
constexpr std::chrono::milliseconds kFactsFresh(50);
}  // namespace

std::optional<ProcessFacts> ProcessIdentity::facts(qint64 pid) const {
  std::optional<ProcessFacts> found = readFacts(pid);
  std::lock_guard lock(lastMutex_);
  last_ = found;
  lastReadAt_ = std::chrono::steady_clock::now();
  return found;
}

std::optional<ProcessFacts> ProcessIdentity::readFacts(qint64 pid) const {
  std::optional<ProcessFacts> found = lineage(pid, true);
  if (!found) return std::nullopt;
  ProcessFacts& facts = *found;
  const QString base = procRoot_ + QLatin1Char('/') + QString::number(pid);
  for (const QByteArray& line : readSmallFile(base + QStringLiteral("/cgroup")).split('\n')) {
    // e.g. 0::/user.slice/…/snap.firefox.firefox-1234.scope
    const int at = line.indexOf("/snap.");
    if (at < 0) continue;
    const QList<QByteArray> parts = line.mid(at + 6).split('.');
    if (parts.size() >= 2) {
      QByteArray app = parts[1];
      if (const int dash = app.lastIndexOf('-'); dash > 0 && parts.size() >= 3 && parts[2] == "scope")
        app = app.left(dash);  // snap.<name>.<app>-<uuid>.scope
      facts.snapDesktopId = QString::fromUtf8(parts[0] + '_' + app);
      break;
    }
  }
  // A launcher's note is inherited by the children of the process it started: it names this
  // process only when the note says its pid, or, without a pid, when the parent lacks the note.
  const QList<QByteArray> environment = environmentOf(base);
  for (const QByteArray& name :
       {QByteArrayLiteral("GIO_LAUNCHED_DESKTOP_FILE"), QByteArrayLiteral("BAMF_DESKTOP_FILE_HINT")}) {
    const QByteArray file = environmentValue(environment, name);
    if (file.isEmpty()) continue;
    const QByteArray notedPid = environmentValue(environment, name + "_PID");
    const bool own = notedPid.isEmpty()
                         ? environmentValue(environmentOf(procRoot_ + u'/' + QString::number(facts.parentPid)), name) !=
                               file
                         : notedPid.toLongLong() == pid;
    if (own) facts.launchedDesktopFile = QString::fromUtf8(file);
    break;
  }
  return found;
}

QString ProcessIdentity::desktopIdOf(const ProcessFacts& facts, const QString& windowClass,
                                     const DesktopEntryIndex& index) const {
  if (!facts.flatpakId.isEmpty()) return facts.flatpakId;
  if (!facts.snapDesktopId.isEmpty()) return facts.snapDesktopId;
  if (!facts.launchedDesktopFile.isEmpty()) {
    const QString id = index.idOfFile(facts.launchedDesktopFile);
    return id.isEmpty() ? desktopIdFromFileName(facts.launchedDesktopFile) : id;
  }
  const QString id = index.idOfProgram(windowClass, facts.executable);
  return id.isEmpty() ? bareProgramId(windowClass, facts.executable) : id;
}

QString ProcessIdentity::desktopIdOfWindowClass(const QString& windowClass) const {
  if (windowClass.isEmpty()) return {};
  const QString id = entries_->index()->idOfProgram(windowClass, {});
  return id.isEmpty() ? bareProgramId(windowClass, {}) : id;
}

std::optional<RunningApp> ProcessIdentity::application(qint64 pid, const QString& windowClass) const {
  const auto processFacts = facts(pid);
  if (!processFacts) return std::nullopt;
  RunningApp app;
  app.pid = pid;
  app.windowClass = windowClass;
  app.executable = processFacts->executable;
  const std::shared_ptr<const DesktopEntryIndex> index = entries_->index();
  app.desktopId = desktopIdOf(*processFacts, windowClass, *index);
  if (const auto entry = index->entry(app.desktopId)) app.desktopFile = entry->path;
  return app;
}

std::optional<QString> ProcessIdentity::containingApplicationId(qint64 pid) const {
  // Most processes are started by a shell or a launcher that holds nothing: the walk reads of
  // each parent only what it compares, and all of the outermost one found.
  std::optional<ProcessFacts> start;
  {
    std::lock_guard lock(lastMutex_);
    if (last_ && last_->pid == pid && std::chrono::steady_clock::now() - lastReadAt_ < kFactsFresh) start = last_;
  }
  if (!start) start = lineage(pid, true);
  if (!start || start->executable.isEmpty()) return std::nullopt;
  const QString folder = QFileInfo(start->executable).absolutePath();
  std::optional<ProcessFacts> outermost;
  qint64 next = start->parentPid;
  for (int depth = 0; depth < 64 && next > 1; ++depth) {
    const auto parent = lineage(next, !start->flatpakId.isEmpty());
    if (!parent || parent->uid != start->uid || parent->executable.isEmpty()) break;
    const QString parentFolder = QFileInfo(parent->executable).absolutePath();
    const bool sameSandbox = !start->flatpakId.isEmpty() && parent->flatpakId == start->flatpakId;
    const bool holdsIt = !isSharedProgramFolder(parentFolder) &&
                         (folder == parentFolder || folder.startsWith(parentFolder + QLatin1Char('/')));
    if (!sameSandbox && !holdsIt) break;
    outermost = parent;
    next = parent->parentPid;
  }
  if (!outermost) return std::nullopt;
  if (std::optional<ProcessFacts> all = facts(outermost->pid)) outermost = std::move(all);
  const QString id = desktopIdOf(*outermost, {}, *entries_->index());
  if (id.isEmpty()) return std::nullopt;
  return id;
}

}  // namespace qv::x11
