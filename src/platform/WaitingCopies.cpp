#include "platform/WaitingCopies.h"

#include "base/Log.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>
#include <utility>

namespace qv {

namespace {

// The size of a picture once decoded, read from its header; its encoded size when the header
// does not tell.
qsizetype decodedSize(const QByteArray& bytes, const QString& type) {
  QBuffer buffer;
  buffer.setData(bytes);
  QImageReader reader(&buffer, type.mid(6).toLatin1());
  const QSize size = reader.size();
  if (!size.isValid()) return bytes.size();
  return WaitingCopies::keptPictureBytes(size);
}

}  // namespace

qsizetype WaitingCopies::keptBytes(const PasteboardContent& content) {
  qsizetype bytes = 0;
  for (const PasteboardItem& item : content.items) {
    bool pictureCounted = !item.image.isNull();
    if (pictureCounted) bytes += keptPictureBytes(item.image.size());
    for (auto value = item.data.cbegin(); value != item.data.cend(); ++value) {
      const QString& type = value.key();
      const qsizetype size = value->size();
      if (pasteboard::isImageType(type)) {
        // One picture per item is kept, decoded; the data it came from is not.
        if (!std::exchange(pictureCounted, true)) bytes += decodedSize(*value, type);
      } else if (type == QLatin1String(mime::kPlainText)) {
        bytes += std::min(size, 4 * kKeptTextLength);
      } else if (type == QLatin1String(mime::kHtml) || type == QLatin1String(mime::kRtf)) {
        bytes += size <= kKeptRichTextBytes ? size : 0;
      } else {
        bytes += size;
      }
    }
  }
  return bytes;
}

qsizetype WaitingCopies::heldBytes(const PasteboardContent& content) {
  qsizetype bytes = 0;
  for (const PasteboardItem& item : content.items) {
    for (const QByteArray& value : item.data) bytes += value.size();
    bytes += item.image.sizeInBytes();
  }
  return bytes;
}

void WaitingCopies::push(Copy copy) {
  const qsizetype kept = keptBytes(copy.content), held = heldBytes(copy.content);
  keptBytes_ += kept;
  heldBytes_ += held;
  copies_.push_back({std::move(copy), kept, held});
  keepWithinBounds();
}

bool WaitingCopies::settle(qint64 count, PasteboardContent content) {
  const auto waiting = std::find_if(copies_.begin(), copies_.end(),
                                    [count](const Waiting& copy) { return copy.copy.change.count == count; });
  if (waiting == copies_.end()) return false;
  keptBytes_ -= waiting->kept;
  heldBytes_ -= waiting->held;
  waiting->kept = keptBytes(content);
  waiting->held = heldBytes(content);
  waiting->copy.content = std::move(content);
  keptBytes_ += waiting->kept;
  heldBytes_ += waiting->held;
  keepWithinBounds();
  return true;
}

void WaitingCopies::keepWithinBounds() {
  while (copies_.size() > 1 && (size() > kMaxCopies || keptBytes_ > kMaxKeptBytes || heldBytes_ > kMaxHeldBytes)) {
    qCInfo(lcPlatform).nospace() << "Too many copies wait for the main thread (" << size() << " copies, " << keptBytes_
                                 << " bytes to keep); dropping change " << copies_.front().copy.change.count;
    dropOldest();
  }
}

void WaitingCopies::dropOldest() {
  keptBytes_ -= copies_.front().kept;
  heldBytes_ -= copies_.front().held;
  copies_.pop_front();
}

void WaitingCopies::forgetBefore(qint64 count) {
  while (!copies_.empty() && copies_.front().copy.change.count < count) dropOldest();
}

const PasteboardContent* WaitingCopies::content(qint64 count) const {
  for (const Waiting& waiting : copies_)
    if (waiting.copy.change.count == count) return &waiting.copy.content;
  return nullptr;
}

const PasteboardChange* WaitingCopies::change(qint64 count) const {
  for (const Waiting& waiting : copies_)
    if (waiting.copy.change.count == count) return &waiting.copy.change;
  return nullptr;
}

QList<PasteboardChange> WaitingCopies::changesAfter(qint64 count, double now) const {
  QList<PasteboardChange> changes;
  for (const Waiting& waiting : copies_) {
    if (waiting.copy.change.count <= count) continue;
    changes.append(waiting.copy.change);
    changes.back().age = now - waiting.copy.madeAt;
  }
  return changes;
}

QList<qint64> WaitingCopies::counts() const {
  QList<qint64> counts;
  for (const Waiting& waiting : copies_) counts.append(waiting.copy.change.count);
  return counts;
}

}  // namespace qv
