#pragma once
#include <QImage>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <functional>
#include <memory>

namespace qv {

// A PDF document opened for drawing its pages, for the PDF preview and file thumbnails. Made and
// used on one worker thread only: the rendering library's documents must not be shared between
// threads, so every thread that renders opens its own. Nothing here touches the main thread.
class PdfDocument {
 public:
  ~PdfDocument();
  PdfDocument(const PdfDocument&) = delete;
  PdfDocument& operator=(const PdfDocument&) = delete;

  // Files larger than this are not opened.
  static constexpr qint64 kMaxFileBytes = 1LL << 30;
  // Opens the file at `path`. None when it is not a regular file (judged by what was opened,
  // opened without blocking: a FIFO or device never holds up the worker), is larger than
  // kMaxFileBytes, does not read as a PDF, has no pages or is locked by a password.
  static std::unique_ptr<PdfDocument> open(const QString& path);

  int pageCount() const;
  // Page `index`'s size in points as it is shown (its rotation applied); empty when out of range.
  QSizeF pageSize(int index) const;

  // Answers true once a render is no longer wanted; asked while the page is drawn.
  using Abandoned = std::function<bool()>;
  // Page `index` drawn on white paper at the largest size that fits `bounds` pixels with its
  // aspect kept, so that a huge page costs no more than one that fits. A null image when the
  // page is out of range or cannot be drawn, or when `abandoned` answered true.
  QImage renderPage(int index, QSize bounds, const Abandoned& abandoned = {}) const;

  // The pixel size of a page of `points` fitted into `bounds` (at least 1 by 1; empty when
  // either size is empty).
  static QSize fittedPixelSize(QSizeF points, QSize bounds);

 private:
  struct Impl;
  explicit PdfDocument(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace qv
