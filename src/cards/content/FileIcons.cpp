#include "cards/content/FileIcons.h"

#include "cards/ViewServices.h"
#include "platform/DesktopEntries.h"

#include <QMimeDatabase>
#include <cmath>

namespace qv {

namespace {
constexpr char kDesktopSuffix[] = ".desktop";

FileIcons::Resolved themeIcon(const QMimeType& type) {
  for (const QString& name : {type.iconName(), type.genericIconName()}) {
    if (!name.isEmpty() && QIcon::hasThemeIcon(name)) return {QIcon::fromTheme(name), name};
  }
  return {};
}

FileIcons::Resolved dataIcon() {
  FileIcons::Resolved result = themeIcon(QMimeDatabase().mimeTypeForName(QStringLiteral("application/octet-stream")));
  if (result.icon.isNull())
    result = {QIcon::fromTheme(QStringLiteral("text-x-generic")), QStringLiteral("text-x-generic")};
  return result;
}
}  // namespace

FileIcons::FileIcons(std::shared_ptr<DesktopEntries> applications) : applications_(std::move(applications)) {}

FileIcons& FileIcons::shared(ViewServices& context) {
  if (!context.fileIcons) context.fileIcons = std::make_shared<FileIcons>(context.desktopEntries);
  return *context.fileIcons;
}

QString FileIcons::key(const QString& filename, bool isDirectory) {
  // A file's key has a prefix too: a file named "dir:Photos" is not the folder Photos.
  return (isDirectory ? QStringLiteral("dir:") : QStringLiteral("file:")) + filename;
}

QString FileIcons::pathExtension(const QString& filename) {
  QString name = filename;
  while (name.endsWith(QLatin1Char('/'))) name.chop(1);
  name = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  if (dot <= 0 || dot == name.size() - 1) return {};
  return name.mid(dot + 1);
}

FileIcons::Resolved FileIcons::resolve(const QString& filename, bool isDirectory) const {
  const QMimeDatabase mimes;
  if (isDirectory) {
    Resolved folder = themeIcon(mimes.mimeTypeForName(QStringLiteral("inode/directory")));
    if (!folder.icon.isNull()) return folder;
  }
  // An application is its desktop file, found by name among the installed applications.
  if (applications_ && filename.endsWith(QLatin1String(kDesktopSuffix))) {
    const QString id = filename.chopped(qsizetype(sizeof(kDesktopSuffix) - 1));
    if (const auto entry = applications_->entry(id)) {
      QIcon icon = entry->iconName.isEmpty() ? QIcon() : applications_->icon(entry->iconName);
      if (icon.isNull()) icon = applications_->genericApplicationIcon();
      return {icon, QStringLiteral("desktop:") + id};
    }
  }
  const QString extension = pathExtension(filename);
  if (!extension.isEmpty()) {
    // The type of the extension alone: "archive.tar.gz" is a gz file here.
    const QMimeType type = mimes.mimeTypeForFile(QStringLiteral("file.") + extension, QMimeDatabase::MatchExtension);
    if (type.isValid() && !type.isDefault() && !type.name().startsWith(QLatin1String("inode/"))) {
      Resolved typed = themeIcon(type);
      if (!typed.icon.isNull()) return typed;
    }
  }
  return dataIcon();
}

const FileIcons::Resolved& FileIcons::icon(const QString& filename, bool isDirectory) {
  const QString k = key(filename, isDirectory);
  auto it = icons_.find(k);
  if (it == icons_.end()) {
    ++lookups_;
    it = icons_.insert(k, resolve(filename, isDirectory));
  }
  return *it;
}

QImage FileIcons::image(const QString& filename, bool isDirectory, double size, double devicePixelRatio) {
  const int pixels = std::max(1, int(std::lround(size * devicePixelRatio)));
  const QString imageKey = key(filename, isDirectory) + QLatin1Char('@') + QString::number(pixels);
  auto it = images_.find(imageKey);
  if (it != images_.end()) return *it;
  const QIcon& themed = icon(filename, isDirectory).icon;
  QImage result = themed.isNull() ? QImage() : themed.pixmap(QSize(pixels, pixels), 1.0).toImage();
  if (!result.isNull()) {
    // Small themes may hand back a smaller pixmap: it is scaled up when painted.
    result.setDevicePixelRatio(double(result.width()) / size);
  }
  images_.insert(imageKey, result);
  return result;
}

}  // namespace qv
