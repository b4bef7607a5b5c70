#include "items/stores/RichTextStore.h"

#include "platform/Paths.h"

#include <QFile>

namespace qv {

RichTextStore::RichTextStore(const Paths& paths) : folder_(paths.applicationSupport(), QStringLiteral("richtext")) {}

QString RichTextStore::directory() const { return folder_.ensure(); }

bool RichTextStore::capture(const DataSource& source, const QString& id) const {
  if (!source) return false;
  for (const Format& format : kFormats) {
    const std::optional<QByteArray> data = source(QLatin1String(format.mimeType));
    if (!data || data->isEmpty() || data->size() > kMaximumSize) continue;
    if (directory().isEmpty()) return false;
    return writeFileAtomically(folder_.filePath(id, QLatin1String(format.extension)), *data);
  }
  return false;
}

std::optional<RichTextStore::Stored> RichTextStore::read(const QString& id) const {
  for (const Format& format : kFormats) {
    QFile file(folder_.filePath(id, QLatin1String(format.extension)));
    // A file larger than capture ever writes is not ours to hand to the clipboard.
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0 || file.size() > kMaximumSize) continue;
    QByteArray data = file.readAll();
    if (data.isEmpty()) continue;
    return Stored{QLatin1String(format.mimeType), std::move(data)};
  }
  return std::nullopt;
}

void RichTextStore::remove(const QString& id) const {
  for (const Format& format : kFormats) QFile::remove(folder_.filePath(id, QLatin1String(format.extension)));
}

void RichTextStore::removeOrphans(const QSet<QString>& keepIDs) const {
  folder_.removeEntries([&](const QString& name) { return isSideFileOf(name, keepIDs, {"html", "rtf"}); });
}

}  // namespace qv
