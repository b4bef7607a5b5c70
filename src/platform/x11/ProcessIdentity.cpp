#include "platform/x11/ProcessIdentity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <unistd.h>

namespace qv::x11 {

namespace {

QByteArray readSmallFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.read(1 << 20);
}

QString desktopIdFromFileName(const QString& path) {
  QString name = QFileInfo(path).fileName();
  if (name.endsWith(QLatin1String(".desktop"))) name.chop(8);
  return name;
}

// Folders that hold many unrelated programs; an executable there is no application folder.
bool isSharedProgramFolder(const QString& folder) {
  static const QStringList shared = {
      QStringLiteral("/"),        QStringLiteral("/bin"),           QStringLiteral("/sbin"),
      QStringLiteral("/usr/bin"), QStringLiteral("/usr/sbin"),      QStringLiteral("/usr/local/bin"),
      QStringLiteral("/usr/lib"), QStringLiteral("/usr/libexec"),   QStringLiteral("/usr/local/lib"),
      QStringLiteral("/usr/lib/x86_64-linux-gnu"), QStringLiteral("/usr/lib/aarch64-linux-gnu"),
      QStringLiteral("/opt"),     QStringLiteral("/usr/games"),     QDir::homePath() + QStringLiteral("/.local/bin")};
  return folder.isEmpty() || shared.contains(folder);
}

QStringList applicationFolders() {
  QStringList folders;
  const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME", QDir::homePath() + QStringLiteral("/.local/share"));
  folders.append(dataHome + QStringLiteral("/applications"));
  const QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"));
  for (const QString& folder : dataDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts))
    folders.append(folder + QStringLiteral("/applications"));
  return folders;
}

}  // namespace

ProcessIdentity::ProcessIdentity(DesktopIdResolver resolver, DesktopFileLocator locator, QString procRoot)
    : resolver_(resolver ? std::move(resolver) : DesktopIdResolver(&ProcessIdentity::fallbackDesktopId)),
      locator_(locator ? std::move(locator) : DesktopFileLocator(&ProcessIdentity::fallbackDesktopFile)),
      procRoot_(std::move(procRoot)) {}

std::optional<ProcessFacts> ProcessIdentity::facts(qint64 pid) const {
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

  const QByteArray flatpakInfo = readSmallFile(base + QStringLiteral("/root/.flatpak-info"));
  if (!flatpakInfo.isEmpty()) {
    bool inApplication = false;
    for (const QByteArray& raw : flatpakInfo.split('\n')) {
      const QByteArray line = raw.trimmed();
      if (line.startsWith('[')) inApplication = line == "[Application]";
      else if (inApplication && line.startsWith("name=")) facts.flatpakId = QString::fromUtf8(line.mid(5));
    }
  }
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
  QString launchedFile;
  for (const QByteArray& entry : readSmallFile(base + QStringLiteral("/environ")).split('\0')) {
    if (entry.startsWith("GIO_LAUNCHED_DESKTOP_FILE=")) launchedFile = QString::fromUtf8(entry.mid(26));
    if (entry.startsWith("GIO_LAUNCHED_DESKTOP_FILE_PID=")) facts.launchedDesktopPid = entry.mid(30).toLongLong();
  }
  if (!launchedFile.isEmpty()) facts.launchedDesktopId = desktopIdFromFileName(launchedFile);
  return facts;
}

QString ProcessIdentity::desktopIdOf(const ProcessFacts& facts, const QString& windowClass) const {
  if (!facts.flatpakId.isEmpty()) return facts.flatpakId;
  if (!facts.snapDesktopId.isEmpty()) return facts.snapDesktopId;
  // The launcher's note is inherited by children; it names this process only when it was the
  // one launched.
  if (!facts.launchedDesktopId.isEmpty() && facts.launchedDesktopPid == facts.pid) return facts.launchedDesktopId;
  return resolver_(windowClass, facts.executable);
}

std::optional<RunningApp> ProcessIdentity::application(qint64 pid, const QString& windowClass) const {
  const auto processFacts = facts(pid);
  if (!processFacts) return std::nullopt;
  RunningApp app;
  app.pid = pid;
  app.windowClass = windowClass;
  app.executable = processFacts->executable;
  app.desktopId = desktopIdOf(*processFacts, windowClass);
  if (!app.desktopId.isEmpty()) app.desktopFile = locator_(app.desktopId);
  return app;
}

std::optional<QString> ProcessIdentity::containingApplicationId(qint64 pid) const {
  const auto start = facts(pid);
  if (!start || start->executable.isEmpty()) return std::nullopt;
  const QString folder = QFileInfo(start->executable).absolutePath();
  std::optional<ProcessFacts> outermost;
  qint64 next = start->parentPid;
  for (int depth = 0; depth < 64 && next > 1; ++depth) {
    const auto parent = facts(next);
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
  const QString id = desktopIdOf(*outermost, {});
  if (id.isEmpty()) return std::nullopt;
  return id;
}

QString ProcessIdentity::fallbackDesktopId(const QString& windowClass, const QString& executablePath) {
  const QString program = QFileInfo(executablePath).fileName();
  QStringList candidates;
  for (const QString& name : {windowClass, windowClass.toLower(), program, program.toLower()})
    if (!name.isEmpty() && !candidates.contains(name)) candidates.append(name);
  for (const QString& name : candidates)
    if (!fallbackDesktopFile(name).isEmpty()) return name;
  return windowClass.isEmpty() ? program : windowClass.toLower();
}

QString ProcessIdentity::fallbackDesktopFile(const QString& desktopId) {
  if (desktopId.isEmpty() || desktopId.contains(QLatin1Char('/'))) return {};
  for (const QString& folder : applicationFolders()) {
    const QString path = folder + QLatin1Char('/') + desktopId + QStringLiteral(".desktop");
    if (QFileInfo(path).isFile()) return path;
  }
  return {};
}

}  // namespace qv::x11
