#pragma once
#include "items/stores/SideFileFolder.h"

#include <QHash>
#include <QImage>
#include <QSet>
#include <QString>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace qv {

class ImageStore;
class OcrEngine;
class Paths;
class Scheduler;
class SerialQueue;

// Makes copied images searchable: recognises the text of an image item's stored PNG on the
// "ocr" queue, keeps it in "imagetext/<UUID>.txt" (UTF-8, lines joined by "\n"; an empty file
// means the image has no readable text) and serves it from a cache that any thread may read.
// Held by a shared_ptr (queued work refers to it weakly).
class ImageTextRecognizer : public std::enable_shared_from_this<ImageTextRecognizer> {
 public:
  ImageTextRecognizer(const Paths& paths, std::shared_ptr<ImageStore> images, std::shared_ptr<OcrEngine> engine,
                      std::shared_ptr<SerialQueue> queue, std::shared_ptr<Scheduler> scheduler);

  // Main thread. Recognises the item's image unless its text file exists (then the completion
  // is never called). The completion runs on the main thread once recognition has finished.
  // A `captured` image is recognised as it is held in memory: a new capture's picture file is
  // written later, by the save.
  void schedule(const QString& id, std::function<void()> completion = {}, const QImage& captured = {});
  // Any thread. The stored text (possibly empty), or nothing while there is none.
  std::optional<QString> text(const QString& id);
  bool hasStoredText(const QString& id) const;
  // Runs on the queue only. A missing image file writes nothing, so a later schedule retries;
  // an image that cannot be decoded gets an empty text and is not tried again. A recognition
  // stopped at quit writes nothing and calls no completion: the next run tries again.
  void recognize(const QString& imagePath, const QString& id, std::function<void()> completion);
  void recognize(const QImage& captured, const QString& id, std::function<void()> completion);
  // Removes every text file that is not "<kept id>.txt" and trims the cache to the kept ids.
  void removeOrphans(const QSet<QString>& keepIDs);

  QString directory() const;

  // Larger images are scaled down to this many pixels on the longer side before recognition
  // (and to at most kMaximumPixels in all) so that a huge image cannot exhaust memory.
  static constexpr int kMaximumSide = 8192;
  static constexpr qint64 kMaximumPixels = 40'000'000;
  // Reads an image for recognition: nothing when it cannot be decoded.
  static std::optional<QImage> readImage(const QString& path);
  // The size an image of `size` is recognised at.
  static QSize recognitionSize(const QSize& size);

 private:
  QString textPath(const QString& id) const;
  void store(const QString& id, const QString& text, std::function<void()> completion);

  SideFileFolder folder_;
  std::shared_ptr<ImageStore> images_;
  std::shared_ptr<OcrEngine> engine_;
  // Not owned: the context owns the queue and finishes its work before the recognizer goes.
  std::weak_ptr<SerialQueue> queue_;
  std::shared_ptr<Scheduler> scheduler_;
  std::mutex cacheLock_;
  QHash<QString, QString> cache_;
};

}  // namespace qv
