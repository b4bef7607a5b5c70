#include "platform/PdfRenderer.h"

#include "base/Log.h"
#include "platform/RegularFile.h"
#include "platform/pdf/PdfModule.h"

#include <dlfcn.h>
#include <cmath>
#include <filesystem>
#include <mutex>

namespace qv {

namespace {

// The module beside the program: "<bin>/../<libdir>/quorvalen/" in the build tree and once
// installed. Opened once, never closed; null when it is missing (PDFs then show nothing).
const pdf::Module* module() {
  static const pdf::Module* loaded = nullptr;
  static std::once_flag once;
  std::call_once(once, [] {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path path = program.parent_path() / QV_PDF_MODULE_FROM_BINDIR;
    void* handle = error ? nullptr : ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      qCInfo(lcPlatform) << "PDF rendering unavailable:"
                         << (error ? QString::fromStdString(error.message()) : QString::fromLocal8Bit(::dlerror()));
      return;
    }
    const auto entry = reinterpret_cast<pdf::EntryPoint>(::dlsym(handle, pdf::kEntryPoint));
    const pdf::Module* candidate = entry ? entry() : nullptr;
    if (!candidate || candidate->version != pdf::Module::kVersion || !candidate->open) {
      qCInfo(lcPlatform) << "PDF rendering unavailable: the module at" << path.c_str() << "does not match";
      return;
    }
    loaded = candidate;
  });
  return loaded;
}

}  // namespace

struct PdfDocument::Impl {
  std::unique_ptr<pdf::ModuleDocument> document;
  int pageCount = 0;
};

PdfDocument::PdfDocument(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
PdfDocument::~PdfDocument() = default;

std::unique_ptr<PdfDocument> PdfDocument::open(const QString& path) {
  // Judged by what was opened, without blocking: a FIFO put at the path (even after a look at
  // it) never reaches the library, which would wait on it forever.
  const RegularFile file = RegularFile::open(path, kMaxFileBytes);
  if (!file.isOpen()) return nullptr;
  const pdf::Module* renderer = module();
  if (!renderer) return nullptr;
  auto impl = std::make_unique<Impl>();
  // The library opens the file itself: it is given the file opened here, by descriptor.
  impl->document.reset(renderer->open(file.pathOfOpenedFile().value_or(path)));
  if (!impl->document) return nullptr;
  impl->pageCount = impl->document->pageCount();
  if (impl->pageCount <= 0) return nullptr;
  return std::unique_ptr<PdfDocument>(new PdfDocument(std::move(impl)));
}

int PdfDocument::pageCount() const { return impl_->pageCount; }

QSizeF PdfDocument::pageSize(int index) const {
  if (index < 0 || index >= impl_->pageCount) return {};
  return impl_->document->pageSize(index);
}

QSize PdfDocument::fittedPixelSize(QSizeF points, QSize bounds) {
  if (!(points.width() > 0 && points.height() > 0) || bounds.isEmpty()) return {};
  const double scale = std::min(bounds.width() / points.width(), bounds.height() / points.height());
  return QSize(std::clamp(int(std::lround(points.width() * scale)), 1, bounds.width()),
               std::clamp(int(std::lround(points.height() * scale)), 1, bounds.height()));
}

QImage PdfDocument::renderPage(int index, QSize bounds, const Abandoned& abandoned) const {
  if (index < 0 || index >= impl_->pageCount || bounds.isEmpty()) return {};
  if (abandoned && abandoned()) return {};
  const QSize pixels = fittedPixelSize(impl_->document->pageSize(index), bounds);
  if (pixels.isEmpty()) return {};
  QImage image = impl_->document->render(index, pixels, abandoned);
  if (image.isNull() || (abandoned && abandoned())) return {};
  return image;
}

}  // namespace qv
