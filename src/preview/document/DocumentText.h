#pragma once
#include "ui/text/AttributedText.h"

#include <QColor>
#include <QString>
#include <QTextCharFormat>
#include <atomic>
#include <optional>

namespace qv {

// Bounds every document reader keeps, whatever the file claims.
namespace DocumentLimits {
// A file (or, for an RTFD package, its TXT.rtf) larger than this is not read.
inline constexpr qint64 kMaxFileBytes = 64LL << 20;
// Text beyond this many characters is cut: a preview of a longer document shows its beginning.
// Some 400 pages; shown, such a document takes some 15 MB (bench_document, BM_ShowDocument).
inline constexpr qsizetype kMaxTextLength = 1'000'000;
}  // namespace DocumentLimits

// How a document is read: the size of one of the document's points in font points of the
// screen it is shown on (1 point = 1 pixel), and a flag that stops an abandoned read early.
struct DocumentReadOptions {
  double fontPointsPerPoint = 0.75;  // 72 / the screen's logical DPI
  const std::atomic<bool>* cancelled = nullptr;
  bool isCancelled() const { return cancelled && cancelled->load(std::memory_order_relaxed); }
};

// The look of a run of text as documents describe it: the common ground of RTF, WordML, ODF
// and HTML that the preview keeps.
struct RunStyle {
  QString family;    // empty: the interface font
  double size = 12;  // points
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  std::optional<QColor> color;  // none: the text's label colour
  bool operator==(const RunStyle&) const = default;
};

// Collects a document's text run by run for the readers: joins neighbouring runs of one style,
// drops control characters (tabs, paragraph and line breaks stay), stops taking text at
// DocumentLimits::kMaxTextLength and mends lone UTF-16 surrogates when finished.
class AttributedTextBuilder {
 public:
  explicit AttributedTextBuilder(const DocumentReadOptions& options) : options_(options) {}

  void append(QStringView text, const RunStyle& style);
  void append(QChar character, const RunStyle& style) { append(QStringView(&character, 1), style); }
  // The text has reached the length limit; readers stop.
  bool isFull() const { return full_; }
  qsizetype length() const { return text_.text.size(); }
  // The text's last character, or none.
  QChar last() const { return text_.text.isEmpty() ? QChar() : text_.text.back(); }
  AttributedText finish();

  QTextCharFormat formatOf(const RunStyle& style) const;

 private:
  DocumentReadOptions options_;
  AttributedText text_;
  std::optional<RunStyle> lastStyle_;
  bool full_ = false;
};

// The HSB brightness of a colour: its largest RGB component, 0 … 1.
double brightnessOf(const QColor& color);
// Text in a colour at most this bright is drawn in the label colour instead: dark text would
// vanish on a dark background.
inline constexpr double kOwnColorMinimumBrightness = 0.35;

// Makes a document readable in both schemes: a run keeps its foreground colour only when it is
// a plain colour brighter than kOwnColorMinimumBrightness; every other run (no colour, a
// gradient or pattern, a dark colour) loses it and so follows the label colour, which changes
// with the scheme.
void adaptForegroundColors(AttributedText& text);

}  // namespace qv
