#pragma once
#include <QImage>
#include <QStringList>
#include <memory>

namespace qv {

// Text recognition in images. Slow: called only from the "ocr" queue.
class OcrEngine {
 public:
  virtual ~OcrEngine() = default;
  // The recognised lines of text, top to bottom as the engine orders them; empty when there is
  // no text or recognition fails.
  virtual QStringList recognizeLines(const QImage& image) = 0;
};

// Tesseract with the English model ("eng"), loaded on first use. One call at a time.
class TesseractOcrEngine : public OcrEngine {
 public:
  TesseractOcrEngine();
  ~TesseractOcrEngine() override;
  QStringList recognizeLines(const QImage& image) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace qv
