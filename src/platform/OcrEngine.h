#pragma once
#include <QImage>
#include <QStringList>
#include <memory>
#include <optional>

namespace qv {

// Text recognition in images. Slow: called only from the "ocr" queue.
class OcrEngine {
 public:
  virtual ~OcrEngine() = default;
  // The recognised lines of text, top to bottom as the engine orders them; empty when there is
  // no text, recognition fails or runs past its deadline. Nothing once the engine is stopped:
  // the image was not read, and may be tried again by a later run of the program.
  virtual std::optional<QStringList> recognizeLines(const QImage& image) = 0;
  // Any thread. Ends the recognition in progress within a moment and every later one at once,
  // so that quit never waits for text recognition.
  virtual void stop() = 0;
};

// Tesseract with the English model ("eng"), loaded on first use. One call at a time.
class TesseractOcrEngine : public OcrEngine {
 public:
  TesseractOcrEngine();
  ~TesseractOcrEngine() override;
  std::optional<QStringList> recognizeLines(const QImage& image) override;
  void stop() override;

  // One image never holds the queue longer than this.
  static constexpr int kDeadlineMs = 60'000;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace qv
