#pragma once
#include <QImage>
#include <QSet>
#include <QString>

namespace qv {

class Paths;

// Link preview images on disk: "ogImages/<UUID>.png" under the program's Caches folder, one per
// link item, written once and never replaced. The system may empty Caches at any time, so a
// missing file simply reads as no image. Safe to use from any thread; file errors are
// swallowed.
class OGImageCache {
 public:
  explicit OGImageCache(const Paths& paths);

  QString directory() const { return directory_; }
  QString filePath(const QString& id) const;

  // The cached image, or a null image when there is no readable file.
  QImage load(const QString& id) const;
  // Writes the image as PNG unless a file for the id exists. True when the file exists
  // afterwards.
  bool save(const QImage& image, const QString& id) const;
  bool contains(const QString& id) const;
  // Deletes "<UUID>.png" files of ids not kept; files of any other name stay.
  void removeOrphans(const QSet<QString>& keepIDs) const;

  // The preview reference a link item stores once its image is cached.
  static QString cachedReference(const QString& id);

 private:
  QString directory_;
};

}  // namespace qv
