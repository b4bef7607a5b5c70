#include "platform/DesktopFilesForQt.h"

#include "base/Log.h"
#include "base/NativePath.h"
#include "platform/RegularFile.h"

#include <sys/stat.h>
#include <QIcon>
#include <QRegularExpression>
#include <QStandardPaths>

namespace qv {

namespace {

// An index.theme holds a few hundred lines; Qt reads the whole of it.
constexpr qint64 kThemeIndexBytes = 1024 * 1024;
constexpr int kMostInheritedThemes = 32;

enum class Presence { absent, regular, other };

// Looked at through stat, which neither opens the file nor waits on a FIFO.
Presence presenceOf(const QString& path) {
  struct stat status {};
  if (::stat(nativePath(path).constData(), &status) != 0) return errno == ENOENT ? Presence::absent : Presence::other;
  return S_ISREG(status.st_mode) ? Presence::regular : Presence::other;
}

QStringList inheritedThemes(const QByteArray& index) {
  static const QRegularExpression line(QStringLiteral(R"(^\s*Inherits\s*=\s*(.*?)\s*$)"),
                                       QRegularExpression::MultilineOption);
  const QRegularExpressionMatch match = line.match(QString::fromUtf8(index));
  if (!match.hasMatch()) return {};
  QStringList themes = match.captured(1).split(u',', Qt::SkipEmptyParts);
  for (QString& theme : themes) theme = theme.trimmed();
  themes.removeAll(QString());
  return themes;
}

}  // namespace

QStringList iconThemeFoldersThatCannotBlock(const QStringList& folders, const QStringList& themes, QStringList* left) {
  QStringList kept;
  for (const QString& folder : folders) {
    // Resources and other folders Qt reads itself in memory are nobody else's to change.
    if (folder.startsWith(u':')) {
      kept.append(folder);
      continue;
    }
    QStringList pending = themes;
    pending.append(QStringLiteral("hicolor"));
    QStringList seen;
    QString why;
    while (!pending.isEmpty() && why.isEmpty() && seen.size() < kMostInheritedThemes) {
      const QString theme = pending.takeFirst();
      if (theme.isEmpty() || seen.contains(theme) || theme.contains(u'/')) continue;
      seen.append(theme);
      const QString themeFolder = folder + u'/' + theme;
      const QString index = themeFolder + QStringLiteral("/index.theme");
      const QString cache = themeFolder + QStringLiteral("/icon-theme.cache");
      if (presenceOf(cache) == Presence::other) why = cache + QStringLiteral(": not a regular file");
      const Presence indexPresence = presenceOf(index);
      if (indexPresence == Presence::absent || !why.isEmpty()) continue;
      QString error;
      const std::optional<QByteArray> contents = RegularFile::open(index, kThemeIndexBytes, &error).readAll();
      if (!contents) why = index + QStringLiteral(": ") + (error.isEmpty() ? QStringLiteral("cut short") : error);
      else pending.append(inheritedThemes(*contents));
    }
    if (why.isEmpty()) kept.append(folder);
    else if (left) left->append(why);
  }
  return kept;
}

QStringList mimeCachesThatAreNoFiles(const QStringList& dataFolders) {
  QStringList found;
  for (const QString& folder : dataFolders) {
    const QString mime = folder + QStringLiteral("/mime");
    if (presenceOf(mime + QStringLiteral("/mime.cache")) == Presence::other) found.append(mime);
  }
  return found;
}

void keepQtDesktopReadsFromBlocking() {
  QStringList left;
  const QStringList folders = QIcon::themeSearchPaths();
  const QStringList kept = iconThemeFoldersThatCannotBlock(folders, {QIcon::themeName(), QIcon::fallbackThemeName()},
                                                           &left);
  if (kept != folders) {
    QIcon::setThemeSearchPaths(kept);
    qCWarning(lcPlatform).noquote() << "Icon theme folders left out, their files are no regular files:"
                                    << left.join(QStringLiteral("; "));
  }
  const QStringList caches = mimeCachesThatAreNoFiles(
      QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation));
  if (!caches.isEmpty()) {
    qputenv("QT_NO_MIME_CACHE", "1");
    qCWarning(lcPlatform).noquote() << "File types read without their caches, which are no regular files:"
                                    << caches.join(QStringLiteral("; "));
  }
}

}  // namespace qv
