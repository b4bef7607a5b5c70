// The PDF module: Poppler behind the interface of PdfModule.h, built as its own shared object
// (not part of the platform library) and opened by PdfDocument on first use.
#include "platform/pdf/PdfModule.h"

#include <poppler-qt6.h>
#include <QVariant>
#include <memory>
#include <mutex>

namespace qv::pdf {

namespace {

// The library reports every flaw of a damaged file on stderr; they are expected here.
void quietLibraryErrors() {
  static std::once_flag once;
  std::call_once(once, [] { Poppler::setDebugErrorFunction([](const QString&, const QVariant&) {}, QVariant()); });
}

bool shouldAbort(const QVariant& closure) {
  const auto* abandoned = reinterpret_cast<const std::function<bool()>*>(closure.value<quintptr>());
  return abandoned && *abandoned && (*abandoned)();
}

class PopplerDocument : public ModuleDocument {
 public:
  explicit PopplerDocument(std::unique_ptr<Poppler::Document> document) : document_(std::move(document)) {
    pageCount_ = std::max(0, document_->numPages());
  }

  int pageCount() const override { return pageCount_; }

  QSizeF pageSize(int index) const override {
    if (index < 0 || index >= pageCount_) return {};
    const std::unique_ptr<Poppler::Page> page = document_->page(index);
    return page ? page->pageSizeF() : QSizeF();
  }

  QImage render(int index, QSize pixels, const std::function<bool()>& abandoned) const override {
    if (index < 0 || index >= pageCount_ || pixels.isEmpty()) return {};
    const std::unique_ptr<Poppler::Page> page = document_->page(index);
    if (!page) return {};
    const QSizeF points = page->pageSizeF();
    if (!(points.width() > 0 && points.height() > 0)) return {};
    // Dots per inch that make the page exactly `pixels` (a point is 1/72 inch).
    const double xres = 72.0 * pixels.width() / points.width();
    const double yres = 72.0 * pixels.height() / points.height();
    QImage image = page->renderToImage(xres, yres, 0, 0, pixels.width(), pixels.height(), Poppler::Page::Rotate0,
                                       nullptr, nullptr, shouldAbort,
                                       QVariant::fromValue(reinterpret_cast<quintptr>(&abandoned)));
    if (abandoned && abandoned()) return {};
    return image;
  }

 private:
  std::unique_ptr<Poppler::Document> document_;
  int pageCount_ = 0;
};

ModuleDocument* open(const QString& path) {
  quietLibraryErrors();
  std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
  if (!document || document->isLocked() || document->numPages() <= 0) return nullptr;
  document->setRenderHint(Poppler::Document::Antialiasing);
  document->setRenderHint(Poppler::Document::TextAntialiasing);
  document->setPaperColor(Qt::white);
  return new PopplerDocument(std::move(document));
}

}  // namespace

}  // namespace qv::pdf

extern "C" __attribute__((visibility("default"))) const qv::pdf::Module* qvPdfModule() {
  static const qv::pdf::Module module{qv::pdf::Module::kVersion, &qv::pdf::open};
  return &module;
}
