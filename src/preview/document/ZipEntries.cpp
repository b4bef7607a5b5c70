#include "preview/document/ZipEntries.h"

#include <quazip.h>
#include <quazipfile.h>

#include <algorithm>

namespace qv {

namespace {
constexpr qint64 kReadPiece = 64 * 1024;
}

ZipEntries::ZipEntries(QByteArray archive) : archive_(std::move(archive)) {
  device_.setData(archive_);
  zip_ = std::make_unique<QuaZip>(&device_);
  open_ = zip_->open(QuaZip::mdUnzip);
}

ZipEntries::~ZipEntries() {
  if (open_) zip_->close();
}

bool ZipEntries::contains(const QString& name) const {
  return open_ && zip_->setCurrentFile(name, QuaZip::csSensitive);
}

std::optional<QByteArray> ZipEntries::read(const QString& name, qint64 cap, const DocumentReadOptions& options) {
  lastInflated_ = 0;
  if (!open_ || !zip_->setCurrentFile(name, QuaZip::csSensitive)) return std::nullopt;
  QuaZipFile file(zip_.get());
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  QByteArray bytes;
  // Room for what the entry says it holds, within the cap: a lie costs address space, never
  // memory (pages are taken as they are written), and an honest large entry is not copied over
  // and over while it grows.
  bytes.reserve(qsizetype(std::clamp<qint64>(file.usize(), 0, cap)));
  QByteArray piece(kReadPiece, Qt::Uninitialized);
  bool ok = true;
  for (;;) {
    if (options.isCancelled()) {
      ok = false;
      break;
    }
    const qint64 count = file.read(piece.data(), piece.size());
    if (count < 0) {
      ok = false;
      break;
    }
    if (count == 0) break;
    lastInflated_ += count;
    if (lastInflated_ > cap) {
      ok = false;
      break;
    }
    bytes.append(piece.constData(), count);
  }
  file.close();
  // Closing checks the checksum of an entry read to its end.
  if (!ok || file.getZipError() != UNZ_OK) return std::nullopt;
  return bytes;
}

}  // namespace qv
