#include "preview/FileDisplay.h"

#include "base/HomePath.h"

#include <QFileInfo>
#include <QMimeDatabase>

namespace qv {

namespace {

QString localName(const QUrl& url) { return url.isLocalFile() ? url.toLocalFile() : url.path(); }

}  // namespace

bool isPDF(const QUrl& url) {
  const QString name = localName(url);
  const QMimeType type = QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension);
  if (type.isValid() && !type.isDefault()) return type.inherits(QStringLiteral("application/pdf"));
  return QFileInfo(name).suffix().compare(QLatin1StringView("pdf"), Qt::CaseInsensitive) == 0;
}

QString abbreviatedPath(const Url& url, const QString& homePath) {
  if (!url.isLocalFile()) return absoluteString(url);
  return homeRelativePath(url.path(QUrl::FullyDecoded), homePath);
}

QString abbreviatedPath(const QUrl& url, const QString& homePath) {
  if (!url.isLocalFile()) return absoluteString(url);
  return homeRelativePath(url.path(QUrl::FullyDecoded), homePath);
}

}  // namespace qv
