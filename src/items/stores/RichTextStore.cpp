#include "items/stores/RichTextStore.h"

#include "platform/Paths.h"

#include <QFile>
#include <algorithm>

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
    // A file larger than capture ever writes is not ours to hand to the clipboard (nor is
    // anything but a regular file: a FIFO there must not block a paste).
    bool ok = false;
    QByteArray data = readFile(folder_.filePath(id, QLatin1String(format.extension)), &ok, nullptr, kMaximumSize);
    if (!ok || data.isEmpty()) continue;
    return Stored{QLatin1String(format.mimeType), std::move(data)};
  }
  return std::nullopt;
}

void RichTextStore::remove(const QString& id) const {
  for (const Format& format : kFormats) QFile::remove(folder_.filePath(id, QLatin1String(format.extension)));
}

void RichTextStore::removeFilesNotKept(const KeptIds& kept) const {
  folder_.removeEntries([&](const QString& name) {
    return std::any_of(std::begin(kFormats), std::end(kFormats),
                       [&](const Format& format) { return kept.keepsFile(name, QLatin1StringView(format.extension)); });
  });
}

}  // namespace qv
