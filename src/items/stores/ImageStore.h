#pragma once
#include <QByteArray>
#include <QImage>
#include <QSet>
#include <QString>
#include <optional>

#include "items/stores/SideFileFolder.h"

namespace qv {

class Paths;

// The PNG side file of each image item: "images/<UUID>.png" under application support.
// Every file-system error is swallowed: reads give nothing, writes give false. Used from the
// main thread and the save queue.
class ImageStore {
 public:
  explicit ImageStore(const Paths& paths);

  // The images folder, created on first use (empty when it cannot be created).
  QString directory() const;
  QString filePath(const QString& id) const;

  // The stored image, or a null image when there is no readable file.
  QImage load(const QString& id) const;
  // True when the file exists afterwards. An existing file is never replaced. `error` tells why
  // one could not be written.
  bool save(const QImage& image, const QString& id, QString* error = nullptr) const;
  // PNG data of the image; nothing for a null or empty image.
  static std::optional<QByteArray> pngData(const QImage& image);
  // Removes every entry of the folder whose name is not "<kept id>.png".
  void removeOrphans(const QSet<QString>& keepIDs) const { removeFilesNotKept(KeptIds(keepIDs)); }
  void removeFilesNotKept(const KeptIds& kept) const;
  // Removes the item's picture (the item is gone).
  void remove(const QString& id) const;

 private:
  SideFileFolder folder_;
};

}  // namespace qv
