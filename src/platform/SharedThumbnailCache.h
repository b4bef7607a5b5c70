#pragma once
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <optional>

namespace qv {

// The desktop's shared thumbnail cache (freedesktop thumbnail managing standard): PNG files
// named by the MD5 of the file's URI in one folder per size, each carrying the URI and the
// modification time of the file it shows. File managers and this program read and write the
// same entries. Safe on any thread; it keeps nothing in memory.
class SharedThumbnailCache {
 public:
  // A size folder and the longest side its pictures may have.
  struct Size {
    const char* folder;
    int pixels;
  };
  static constexpr Size kSizes[] = {{"normal", 128}, {"large", 256}, {"x-large", 512}, {"xx-large", 1024}};
  // A cached file larger than this is no thumbnail (a 1024-pixel PNG stays well below).
  static constexpr qint64 kMaximumFileBytes = 8 * 1024 * 1024;
  static constexpr char kSoftware[] = "Quorvalen";

  // `root` is $XDG_CACHE_HOME/thumbnails.
  explicit SharedThumbnailCache(QString root);
  const QString& root() const { return root_; }

  // The file: URI of a local file as thumbnails are named by: its absolute path's bytes, with
  // every byte percent-encoded (upper-case hex) except letters, digits and !$&'()*+,-./:=@_~.
  static QByteArray fileUri(const QString& absolutePath);
  // The entry's file name: the lower-case hex MD5 of the URI, then ".png".
  static QString entryName(const QByteArray& uri);
  // The smallest size whose pictures cover `pixels` (their longer side), else the largest.
  static const Size& sizeCovering(QSize pixels);
  // The file's modification time in whole seconds, as Thumb::MTime holds it; none when the
  // file cannot be looked at.
  static std::optional<qint64> modificationTime(const QString& path);

  QString entryPath(const QByteArray& uri, const Size& size) const;
  // Whether `path` lies inside the cache: thumbnails of thumbnails are neither made nor kept.
  bool contains(const QString& path) const;

  // The file's thumbnail from the folder of `smallest` or a larger one (in that order), taken
  // only when its Thumb::URI is `uri` and its Thumb::MTime is `mtime`. A stale entry, another
  // file's, a corrupt one or one larger than its folder allows is passed over.
  std::optional<QImage> find(const QByteArray& uri, qint64 mtime, const Size& smallest) const;
  // One entry, under the same checks.
  static std::optional<QImage> readEntry(const QString& entry, const QByteArray& uri, qint64 mtime, int maximumSide);

  // Keeps `picture` (brought down to the size's pixels when larger) as the thumbnail of the file:
  // a PNG carrying Thumb::URI, Thumb::MTime, Thumb::Mimetype (when known) and Software, written
  // atomically with mode 0600 in folders of mode 0700. False on any error; an entry already
  // there is then left as it was.
  bool store(const QByteArray& uri, qint64 mtime, const QImage& picture, const Size& size,
             const QString& mimeType = {}) const;

 private:
  QString root_;
};

}  // namespace qv
