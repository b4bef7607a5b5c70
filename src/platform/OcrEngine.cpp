#include "platform/OcrEngine.h"

#include "base/Log.h"

#include <QPainter>
#include <atomic>
#include <mutex>
#include <optional>

#include <dlfcn.h>

#include <tesseract/capi.h>

namespace qv {

namespace {

// The engine's C interface, from its library opened on first use. Linked, the library and the
// many it brings in (image codecs, archive and network libraries) would add a good part to every
// start-up, while most sessions never recognise any text.
struct TesseractLibrary {
  decltype(&TessBaseAPICreate) create = nullptr;
  decltype(&TessBaseAPIDelete) destroy = nullptr;
  decltype(&TessBaseAPISetVariable) setVariable = nullptr;
  decltype(&TessBaseAPIInit2) init = nullptr;
  decltype(&TessBaseAPISetPageSegMode) setPageSegMode = nullptr;
  decltype(&TessBaseAPISetImage) setImage = nullptr;
  decltype(&TessBaseAPISetSourceResolution) setSourceResolution = nullptr;
  decltype(&TessBaseAPIRecognize) recognize = nullptr;
  decltype(&TessBaseAPIGetIterator) getIterator = nullptr;
  decltype(&TessResultIteratorGetUTF8Text) iteratorText = nullptr;
  decltype(&TessResultIteratorNext) iteratorNext = nullptr;
  decltype(&TessResultIteratorDelete) iteratorDelete = nullptr;
  decltype(&TessDeleteText) deleteText = nullptr;
  decltype(&TessBaseAPIClear) clear = nullptr;
  decltype(&TessMonitorCreate) createMonitor = nullptr;
  decltype(&TessMonitorDelete) deleteMonitor = nullptr;
  decltype(&TessMonitorSetCancelFunc) setCancelFunction = nullptr;
  decltype(&TessMonitorSetCancelThis) setCancelArgument = nullptr;
  decltype(&TessMonitorSetDeadlineMSecs) setDeadline = nullptr;

  // Null when the library or one of its functions is missing. Opened once; never closed.
  static const TesseractLibrary* shared() {
    static const std::optional<TesseractLibrary> library = open();
    return library ? &*library : nullptr;
  }

 private:
  static std::optional<TesseractLibrary> open() {
    void* handle = ::dlopen(QV_TESSERACT_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      qCInfo(lcItems) << "Text recognition unavailable:" << ::dlerror();
      return std::nullopt;
    }
    limitEngineThreads(handle);
    TesseractLibrary library;
    const bool complete = resolveAll(
        handle, "TessBaseAPICreate", library.create, "TessBaseAPIDelete", library.destroy, "TessBaseAPISetVariable",
        library.setVariable, "TessBaseAPIInit2", library.init, "TessBaseAPISetPageSegMode", library.setPageSegMode,
        "TessBaseAPISetImage", library.setImage, "TessBaseAPISetSourceResolution", library.setSourceResolution,
        "TessBaseAPIRecognize", library.recognize, "TessBaseAPIGetIterator", library.getIterator,
        "TessResultIteratorGetUTF8Text", library.iteratorText, "TessResultIteratorNext", library.iteratorNext,
        "TessResultIteratorDelete", library.iteratorDelete, "TessDeleteText", library.deleteText, "TessBaseAPIClear",
        library.clear, "TessMonitorCreate", library.createMonitor, "TessMonitorDelete", library.deleteMonitor,
        "TessMonitorSetCancelFunc", library.setCancelFunction, "TessMonitorSetCancelThis", library.setCancelArgument,
        "TessMonitorSetDeadlineMSecs", library.setDeadline);
    if (!complete) {
      qCInfo(lcItems) << "Text recognition unavailable: the engine's library lacks a function";
      return std::nullopt;
    }
    return library;
  }

  // Looks up each function by its name; false when one is missing.
  static bool resolveAll(void*) { return true; }
  template <typename Function, typename... Rest>
  static bool resolveAll(void* handle, const char* name, Function& function, Rest&&... rest) {
    function = reinterpret_cast<Function>(::dlsym(handle, name));
    return function && resolveAll(handle, std::forward<Rest>(rest)...);
  }

  // Tesseract's OpenMP workers spin while they wait; on a busy desktop that makes recognition
  // several times slower and steals cores from the interface, so every parallel region runs on
  // the calling thread alone. (Tesseract asks for explicit thread counts, which only a zero
  // nesting limit overrides.) The runtime comes in with the engine's library.
  static void limitEngineThreads(void* handle) {
    using SetLevels = void (*)(int);
    if (const auto setLevels = reinterpret_cast<SetLevels>(::dlsym(handle, "omp_set_max_active_levels"))) setLevels(0);
  }
};

}  // namespace

struct TesseractOcrEngine::Impl {
  // Set by stop(); the engine asks it (through the monitor) word by word while it works.
  std::atomic<bool> stopped = false;
  std::mutex mutex;
  const TesseractLibrary* library = nullptr;
  TessBaseAPI* api = nullptr;
  bool initFailed = false;

  TessBaseAPI* engine() {
    if (api || initFailed) return api;
    library = TesseractLibrary::shared();
    if (!library) {
      initFailed = true;
      return nullptr;
    }
    TessBaseAPI* candidate = library->create();
    // Keep the engine's diagnostics out of the program's output.
    library->setVariable(candidate, "debug_file", "/dev/null");
    if (library->init(candidate, nullptr, "eng", tesseract::OEM_DEFAULT) != 0) {
      qCInfo(lcItems) << "Text recognition unavailable: the English model could not be loaded";
      library->destroy(candidate);
      initFailed = true;
      return nullptr;
    }
    library->setPageSegMode(candidate, tesseract::PSM_AUTO);
    api = candidate;
    return api;
  }

  static bool cancelled(void* stopped, int /*words*/) { return static_cast<std::atomic<bool>*>(stopped)->load(); }

  // True when the engine finished; false when it was stopped or ran past its deadline.
  bool recognize(TessBaseAPI* handle) {
    ETEXT_DESC* monitor = library->createMonitor();
    library->setCancelFunction(monitor, &Impl::cancelled);
    library->setCancelArgument(monitor, &stopped);
    library->setDeadline(monitor, kDeadlineMs);
    const bool finished = library->recognize(handle, monitor) == 0;
    library->deleteMonitor(monitor);
    return finished;
  }
};

TesseractOcrEngine::TesseractOcrEngine() : impl_(std::make_unique<Impl>()) {}

TesseractOcrEngine::~TesseractOcrEngine() {
  if (impl_->api) impl_->library->destroy(impl_->api);  // ends the engine first
}

void TesseractOcrEngine::stop() { impl_->stopped = true; }

std::optional<QStringList> TesseractOcrEngine::recognizeLines(const QImage& image) {
  if (impl_->stopped) return std::nullopt;
  if (image.isNull() || image.width() <= 0 || image.height() <= 0) return QStringList();
  std::lock_guard lock(impl_->mutex);
  if (impl_->stopped) return std::nullopt;
  TessBaseAPI* api = impl_->engine();
  if (!api) return QStringList();
  const TesseractLibrary& library = *impl_->library;

  // Transparent pixels read as white paper, not black.
  QImage page(image.size(), QImage::Format_RGB32);
  page.fill(Qt::white);
  {
    QPainter painter(&page);
    painter.drawImage(0, 0, image);
  }
  const QImage grey = page.convertToFormat(QImage::Format_Grayscale8);

  library.setImage(api, grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
  library.setSourceResolution(api, 96);  // screen content
  QStringList lines;
  const bool finished = impl_->recognize(api);
  if (finished) {
    if (TessResultIterator* it = library.getIterator(api)) {
      do {
        char* text = library.iteratorText(it, tesseract::RIL_TEXTLINE);
        if (!text) continue;
        const QString line = QString::fromUtf8(text).trimmed();
        library.deleteText(text);
        if (!line.isEmpty()) lines.append(line);
      } while (library.iteratorNext(it, tesseract::RIL_TEXTLINE));
      library.iteratorDelete(it);
    }
  }
  library.clear(api);
  if (finished) return lines;
  if (impl_->stopped) return std::nullopt;
  qCInfo(lcItems) << "Text recognition gave up on a" << image.size() << "image at its deadline";
  return QStringList();
}

}  // namespace qv
