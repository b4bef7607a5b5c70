#pragma once
#include "preview/document/DocumentText.h"

#include <QBuffer>
#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

class QuaZip;

namespace qv {

// A zip archive held in memory, read entry by entry for the document readers (DOCX, ODT). Sizes
// that the archive declares are never trusted: an entry is inflated in pieces and given up as
// soon as more than the cap has come out, so a small file that inflates to gigabytes costs at
// most the cap.
class ZipEntries {
 public:
  // Each entry a reader asks for is at most this large once inflated.
  static constexpr qint64 kMaxInflatedBytes = 64LL << 20;

  explicit ZipEntries(QByteArray archive);
  ~ZipEntries();
  ZipEntries(const ZipEntries&) = delete;
  ZipEntries& operator=(const ZipEntries&) = delete;

  // Whether the bytes are a zip archive whose directory could be read.
  bool isOpen() const { return open_; }
  bool contains(const QString& name) const;
  // The inflated bytes of the entry `name` (case-sensitive); none when there is no such entry,
  // when it is damaged (a bad checksum, a stream that ends early, an encrypted entry), when it
  // inflates to more than `cap` bytes, or when the read is cancelled.
  std::optional<QByteArray> read(const QString& name, qint64 cap = kMaxInflatedBytes,
                                 const DocumentReadOptions& options = {});
  // How many bytes the last read inflated before it finished or gave up.
  qint64 lastInflatedBytes() const { return lastInflated_; }

 private:
  QByteArray archive_;
  QBuffer device_;
  std::unique_ptr<QuaZip> zip_;
  bool open_ = false;
  qint64 lastInflated_ = 0;
};

}  // namespace qv
