#pragma once
#include "platform/RegularFile.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QSize>
#include <QString>
#include <functional>
#include <optional>

namespace qv {

// Decoding one picture may take this much memory (Qt's default rejects full-page screenshots);
// a larger one counts as unreadable rather than exhausting memory. Qt keeps one limit for every
// reader of the process, so it is set once, before any reader runs (two threads setting it
// while others read it was a data race): `useImageAllocationLimit()` sets it the first time and
// does nothing after. The program calls it at start; every reader of ours calls it too.
inline constexpr int kImageAllocationLimitMB = 512;
void useImageAllocationLimit();

// A copied image file as the history keeps it: its picture, read at most `kLargestCopiedPixels`
// in size (a larger one is scaled down while it is decoded, which a JPEG does at a fraction of
// the cost), with its stored orientation applied (a photo tagged "rotate 90°" comes back
// upright), and the size of the picture in the file.
struct DecodedImageFile {
  QImage image;
  QSize fileSize;  // before scaling, after orientation
};
inline constexpr qint64 kLargestCopiedPixels = 4096 * 4096;
// None when the file holds no picture at least 1 pixel wide that can be read within the
// allocation limit (a 20,000² PNG cannot be read in part). Reads the file; safe on any thread.
// A file above `readLimit::kPictureFileBytes`, or one cut short while it is read, holds none.
std::optional<DecodedImageFile> decodeImageFile(const QString& path, qint64 largestPixels = kLargestCopiedPixels);
// The same, with `opened` run once the file is open and before it is read.
std::optional<DecodedImageFile> decodeImageFile(const QString& path, qint64 largestPixels,
                                                const std::function<void()>& opened);

// A reader of the picture in the regular file at `path` (see RegularFile): it reads through the
// descriptor opened without blocking, and judges the format as a reader given the path would
// (content, with the name's extension as a hint), so that a FIFO at the path, or put there after a look at it,
// holds up no queue. No file (the reader reads nothing) when the path is not a regular file.
class PictureFile {
 public:
  explicit PictureFile(const QString& path, qint64 maximumBytes = kMaximumReadBytes);
  PictureFile(const PictureFile&) = delete;
  PictureFile& operator=(const PictureFile&) = delete;
  bool isOpen() const { return device_.isOpen(); }
  QImageReader& reader() { return reader_; }

 private:
  RegularFile file_;
  QFile device_;
  QImageReader reader_;
};

}  // namespace qv
