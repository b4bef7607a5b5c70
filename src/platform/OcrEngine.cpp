#include "platform/OcrEngine.h"

#include "base/Log.h"

#include <QPainter>
#include <mutex>

#include <dlfcn.h>

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

namespace qv {

struct TesseractOcrEngine::Impl {
  std::mutex mutex;
  std::unique_ptr<tesseract::TessBaseAPI> api;
  bool initFailed = false;

  tesseract::TessBaseAPI* engine() {
    if (api || initFailed) return api.get();
    auto candidate = std::make_unique<tesseract::TessBaseAPI>();
    // Keep the engine's diagnostics out of the program's output.
    candidate->SetVariable("debug_file", "/dev/null");
    if (candidate->Init(nullptr, "eng", tesseract::OEM_DEFAULT) != 0) {
      qCInfo(lcItems) << "Text recognition unavailable: the English model could not be loaded";
      initFailed = true;
      return nullptr;
    }
    candidate->SetPageSegMode(tesseract::PSM_AUTO);
    api = std::move(candidate);
    return api.get();
  }
};

namespace {
// Tesseract's OpenMP workers spin while they wait; on a busy desktop that makes recognition
// several times slower and steals cores from the interface, so every parallel region runs on
// the calling thread alone. (Tesseract asks for explicit thread counts, which only a zero
// nesting limit overrides.) The runtime is looked up rather than linked because only the
// engine library brings it in.
void limitEngineThreads() {
  static std::once_flag once;
  std::call_once(once, [] {
    using SetLevels = void (*)(int);
    if (const auto setLevels = reinterpret_cast<SetLevels>(::dlsym(RTLD_DEFAULT, "omp_set_max_active_levels")))
      setLevels(0);
  });
}
}  // namespace

TesseractOcrEngine::TesseractOcrEngine() : impl_(std::make_unique<Impl>()) {}

TesseractOcrEngine::~TesseractOcrEngine() {
  if (impl_->api) impl_->api->End();
}

QStringList TesseractOcrEngine::recognizeLines(const QImage& image) {
  if (image.isNull() || image.width() <= 0 || image.height() <= 0) return {};
  std::lock_guard lock(impl_->mutex);
  limitEngineThreads();
  tesseract::TessBaseAPI* api = impl_->engine();
  if (!api) return {};

  // Transparent pixels read as white paper, not black.
  QImage page(image.size(), QImage::Format_RGB32);
  page.fill(Qt::white);
  {
    QPainter painter(&page);
    painter.drawImage(0, 0, image);
  }
  const QImage grey = page.convertToFormat(QImage::Format_Grayscale8);

  api->SetImage(grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
  api->SetSourceResolution(96);  // screen content
  QStringList lines;
  if (api->Recognize(nullptr) == 0) {
    std::unique_ptr<tesseract::ResultIterator> it(api->GetIterator());
    if (it) {
      do {
        std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_TEXTLINE));
        if (!text) continue;
        const QString line = QString::fromUtf8(text.get()).trimmed();
        if (!line.isEmpty()) lines.append(line);
      } while (it->Next(tesseract::RIL_TEXTLINE));
    }
  }
  api->Clear();
  return lines;
}

}  // namespace qv
