#include "platform/DesktopEntries.h"

#include "platform/DesktopEntryIndex.h"
#include "platform/ImageDecoder.h"
#include "platform/RegularFile.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPixmap>
#include <QProcess>
#include <QStyle>
#include <QTimer>
#include <algorithm>

namespace qv {

namespace {

// xdg-mime answers at once; one that hangs must not leave anyone waiting.
constexpr int kDefaultQueryTimeoutMs = 3000;

// An icon given by its path is read at most this large (a vector one is drawn at this size).
constexpr int kIconSide = 256;

QIcon styleIcon(QStyle::StandardPixmap which) {
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
    QIcon icon = app->style()->standardIcon(which);
    if (!icon.isNull()) return icon;
  }
  // Without a widget style, a plain rounded square still shows that there is an icon here.
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(QColor(128, 128, 128));
  painter.setPen(Qt::NoPen);
  painter.drawRoundedRect(QRectF(3, 3, 26, 26), 6, 6);
  painter.end();
  return QIcon(pixmap);
}

QString unescape(const QString& value) {
  QString out;
  out.reserve(value.size());
  for (qsizetype i = 0; i < value.size(); ++i) {
    const QChar c = value.at(i);
    if (c != u'\\' || i + 1 >= value.size()) {
      out.append(c);
      continue;
    }
    const QChar next = value.at(++i);
    switch (next.unicode()) {
      case 's': out.append(u' '); break;
      case 'n': out.append(u'\n'); break;
      case 't': out.append(u'\t'); break;
      case 'r': out.append(u'\r'); break;
      default: out.append(next); break;
    }
  }
  return out;
}

}  // namespace

bool DesktopEntry::showsIn(const QStringList& desktops) const {
  const auto listed = [&desktops](const QStringList& names) {
    return std::any_of(desktops.cbegin(), desktops.cend(),
                       [&names](const QString& desktop) { return names.contains(desktop, Qt::CaseInsensitive); });
  };
  if (listed(notShowIn)) return false;
  return onlyShowIn.isEmpty() || listed(onlyShowIn);
}

QStringList DesktopEntry::currentDesktops() {
  return qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts);
}

bool DesktopEntry::isInstalled() const { return tryExec.isEmpty() || !installedProgram(tryExec).isEmpty(); }

QString installedProgram(const QString& program) {
  if (program.isEmpty()) return {};
  if (program.contains(u'/')) {
    const QFileInfo info(program);
    return info.isAbsolute() && info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
  }
  for (const QString& folder : qEnvironmentVariable("PATH").split(u':', Qt::SkipEmptyParts)) {
    const QFileInfo candidate(folder + u'/' + program);
    if (candidate.isFile() && candidate.isExecutable()) return candidate.absoluteFilePath();
  }
  return {};
}

std::optional<DesktopEntry> parseDesktopEntry(const QByteArray& contents, bool* hidden) {
  bool inGroup = false;
  bool sawGroup = false;
  bool isHidden = false;
  DesktopEntry entry;
  for (const QByteArray& rawLine : contents.split('\n')) {
    const QByteArray line = rawLine.trimmed();
    if (line.isEmpty() || line.startsWith('#')) continue;
    if (line.startsWith('[')) {
      inGroup = line == "[Desktop Entry]";
      if (inGroup) sawGroup = true;
      continue;
    }
    if (!inGroup) continue;
    const qsizetype equals = line.indexOf('=');
    if (equals <= 0) continue;
    const QByteArray key = line.left(equals).trimmed();
    const QString value = unescape(QString::fromUtf8(line.mid(equals + 1).trimmed()));
    if (key == "Name") entry.name = value;
    else if (key == "Icon") entry.iconName = value;
    else if (key == "StartupWMClass") entry.startupWMClass = value;
    else if (key == "Exec") entry.exec = value;
    else if (key == "Type") entry.type = value;
    else if (key == "NoDisplay") entry.noDisplay = value == QStringLiteral("true");
    else if (key == "MimeType") entry.mimeTypes = value.split(u';', Qt::SkipEmptyParts);
    else if (key == "Hidden") isHidden = value == QStringLiteral("true");
    else if (key == "Terminal") entry.terminal = value == QStringLiteral("true");
    else if (key == "TryExec") entry.tryExec = value;
    else if (key == "OnlyShowIn") entry.onlyShowIn = value.split(u';', Qt::SkipEmptyParts);
    else if (key == "NotShowIn") entry.notShowIn = value.split(u';', Qt::SkipEmptyParts);
  }
  if (hidden) *hidden = isHidden;
  if (!sawGroup) return std::nullopt;
  return entry;
}

std::optional<QHash<QByteArray, QString>> parseDesktopGroup(const QByteArray& contents, const QByteArray& group) {
  const QByteArray header = '[' + group + ']';
  bool inGroup = false, sawGroup = false;
  QHash<QByteArray, QString> values;
  for (const QByteArray& rawLine : contents.split('\n')) {
    const QByteArray line = rawLine.trimmed();
    if (line.isEmpty() || line.startsWith('#')) continue;
    if (line.startsWith('[')) {
      inGroup = line == header;
      sawGroup = sawGroup || inGroup;
      continue;
    }
    if (!inGroup) continue;
    const qsizetype equals = line.indexOf('=');
    if (equals <= 0) continue;
    values.insert(line.left(equals).trimmed(), unescape(QString::fromUtf8(line.mid(equals + 1).trimmed())));
  }
  if (!sawGroup) return std::nullopt;
  return values;
}

QString defaultApplicationFor(const QString& mimeType, const QList<QByteArray>& mimeAppsLists,
                              const DesktopEntryIndex& index) {
  for (const QByteArray& list : mimeAppsLists) {
    const auto defaults = parseDesktopGroup(list, "Default Applications");
    if (!defaults) continue;
    for (const QString& named : defaults->value(mimeType.toUtf8()).split(u';', Qt::SkipEmptyParts)) {
      QString id = named.trimmed();
      if (id.endsWith(QLatin1String(".desktop"))) id.chop(8);
      if (index.entry(id)) return id;
    }
  }
  for (const DesktopEntry& entry : index.applications())
    if (entry.mimeTypes.contains(mimeType)) return entry.id;
  return {};
}

QString desktopIdOfFileName(QString answer) {
  answer = answer.trimmed();
  if (answer.endsWith(QLatin1String(".desktop"))) answer.chop(int(qstrlen(".desktop")));
  return answer;
}

void queryDefaultApplication(QObject* owner, const QString& mimeType, std::function<void(const QString&)> answer) {
  auto* query = new QProcess(owner);
  auto answered = std::make_shared<bool>(false);
  auto reply = [query, answered, answer = std::move(answer)](const QString& desktopId) {
    if (*answered) return;
    *answered = true;
    query->deleteLater();
    if (answer) answer(desktopId);
  };
  QObject::connect(query, &QProcess::finished, query, [query, reply](int code, QProcess::ExitStatus status) {
    const QString id = QString::fromUtf8(query->readAllStandardOutput());
    reply(status == QProcess::NormalExit && code == 0 ? desktopIdOfFileName(id) : QString());
  });
  QObject::connect(query, &QProcess::errorOccurred, query, [query, reply](QProcess::ProcessError error) {
    if (error == QProcess::FailedToStart) reply(QString());
    else if (error == QProcess::Timedout) query->kill();
  });
  // A query that hangs answers "no default" and is ended.
  QTimer* limit = new QTimer(query);
  limit->setSingleShot(true);
  QObject::connect(limit, &QTimer::timeout, query, [query, reply] {
    reply(QString());
    query->kill();
  });
  limit->start(kDefaultQueryTimeoutMs);
  query->start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), mimeType});
}

XdgDesktopEntries::XdgDesktopEntries(QStringList applicationFolders) : folders_(std::move(applicationFolders)) {}

QStringList XdgDesktopEntries::mimeAppsListsFromEnvironment() {
  QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (configHome.isEmpty()) configHome = QDir::homePath() + QStringLiteral("/.config");
  QString configDirs = qEnvironmentVariable("XDG_CONFIG_DIRS");
  if (configDirs.isEmpty()) configDirs = QStringLiteral("/etc/xdg");
  QStringList folders{configHome};
  for (const QString& dir : configDirs.split(u':', Qt::SkipEmptyParts)) folders.append(QDir::cleanPath(dir));
  folders += applicationFoldersFromEnvironment();
  QStringList names;
  for (const QString& desktop : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts))
    names.append(desktop.toLower() + QStringLiteral("-mimeapps.list"));
  names.append(QStringLiteral("mimeapps.list"));
  QStringList lists;
  for (const QString& folder : std::as_const(folders))
    for (const QString& name : std::as_const(names)) lists.append(folder + u'/' + name);
  lists.removeDuplicates();
  return lists;
}

QString XdgDesktopEntries::defaultApplication(const QString& mimeType) {
  QList<QByteArray> lists;
  for (const QString& path : mimeAppsListsFromEnvironment()) {
    if (std::optional<QByteArray> list = readRegularFile(path, readLimit::kMimeAppsListBytes))
      lists.append(std::move(*list));
  }
  return defaultApplicationFor(mimeType, lists, *index());
}

XdgDesktopEntries::~XdgDesktopEntries() = default;

QStringList XdgDesktopEntries::applicationFoldersFromEnvironment() {
  QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
  if (dataHome.isEmpty()) dataHome = QDir::homePath() + QStringLiteral("/.local/share");
  QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
  if (dataDirs.isEmpty()) dataDirs = QStringLiteral("/usr/local/share/:/usr/share/");
  QStringList folders{dataHome + QStringLiteral("/applications")};
  for (const QString& dir : dataDirs.split(u':', Qt::SkipEmptyParts))
    folders.append(QDir::cleanPath(dir) + QStringLiteral("/applications"));
  folders.removeDuplicates();
  return folders;
}

std::shared_ptr<const DesktopEntryIndex> XdgDesktopEntries::index() {
  std::shared_ptr<const DesktopEntryIndex> current = index_.load();
  if (current && current->isCurrent()) return current;
  // One thread reads the folders; the others wait for its index rather than read them too.
  std::lock_guard lock(rebuilding_);
  current = index_.load();
  if (current && current->isCurrent()) return current;
  current = DesktopEntryIndex::build(folders_);
  index_.store(current);
  return current;
}

std::optional<DesktopEntry> XdgDesktopEntries::entryAt(const QString& path) {
  const std::optional<QByteArray> contents = readRegularFile(path, readLimit::kDesktopEntryBytes);
  if (!contents) return std::nullopt;
  bool hidden = false;
  auto entry = parseDesktopEntry(*contents, &hidden);
  if (!entry || hidden) return std::nullopt;
  entry->path = QFileInfo(path).absoluteFilePath();
  return entry;
}

std::optional<DesktopEntry> XdgDesktopEntries::entry(const QString& id) { return index()->entry(id); }

QIcon XdgDesktopEntries::icon(const QString& iconName) {
  if (iconName.isEmpty()) return {};
  if (QDir::isAbsolutePath(iconName)) {
    // Read here through the bounded reader, not by QIcon from the path: a FIFO or a device named
    // as an icon must neither block nor fill the memory.
    PictureFile file(iconName, readLimit::kIconBytes);
    QImageReader& reader = file.reader();
    const QSize size = reader.size();
    if (size.isValid() && !size.isEmpty() &&
        (reader.format().startsWith("svg") || size.width() > kIconSide || size.height() > kIconSide))
      reader.setScaledSize(size.scaled(kIconSide, kIconSide, Qt::KeepAspectRatio));
    const QImage image = reader.read();
    return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
  }
  return QIcon::fromTheme(iconName);
}

QIcon XdgDesktopEntries::fileManagerIcon() {
  QIcon icon = QIcon::fromTheme(QStringLiteral("system-file-manager"));
  if (icon.isNull()) icon = QIcon::fromTheme(QStringLiteral("folder"));
  return icon.isNull() ? styleIcon(QStyle::SP_DirIcon) : icon;
}

QIcon XdgDesktopEntries::genericApplicationIcon() {
  QIcon icon = QIcon::fromTheme(QStringLiteral("application-x-executable"));
  return icon.isNull() ? styleIcon(QStyle::SP_FileIcon) : icon;
}

}  // namespace qv
