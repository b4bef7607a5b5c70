#pragma once
#include <QImage>
#include <QSize>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

namespace qv {

struct PlatformServices;
class SerialQueue;

// The pages of one PDF for a view. The document is opened and its pages drawn on the
// "pdfRendering" queue, where it stays open for the next page (it is never touched by another
// thread); only the answer to the latest request comes back, on the main thread. A request
// that is no longer the latest is skipped when the queue reaches it, and a page being drawn for
// it is abandoned. A file that did not open is opened again only once it has changed (its size
// or modification time): a document still being written shows once it is whole.
class PdfPageLoader {
 public:
  struct Page {
    int pageCount = 0;  // 0: the file did not open (damaged, empty, locked, not a regular file)
    int index = 0;      // the page drawn: the one asked for, or the first when it lies beyond the end
    QImage image;       // null when nothing was drawn (no document, or no room to draw in)
  };
  using Answer = std::function<void(const Page&)>;

  static constexpr char kQueueName[] = "pdfRendering";

  PdfPageLoader(PlatformServices& context, Answer onAnswer);
  ~PdfPageLoader();
  PdfPageLoader(const PdfPageLoader&) = delete;
  PdfPageLoader& operator=(const PdfPageLoader&) = delete;

  // Page `index` of the file at `path`, fitted into `pixels` (empty: only the page count). The
  // file is opened when it is not the one opened last.
  void request(const QString& path, int index, QSize pixels);
  // Forgets every request: nothing answers until the next one.
  void cancel();
  bool isPending() const { return pending_; }
  // How many times a file was opened (or tried), on the queue.
  int openAttempts() const;

 private:
  struct Session;

  PlatformServices& context_;
  Answer onAnswer_;
  std::shared_ptr<SerialQueue> queue_;
  std::shared_ptr<Session> session_;
  std::shared_ptr<std::atomic<quint64>> latest_ = std::make_shared<std::atomic<quint64>>(0);
  std::shared_ptr<int> life_ = std::make_shared<int>(0);
  bool pending_ = false;
};

}  // namespace qv
