#include "preview/PreviewSizing.h"

#include "base/Graphemes.h"
#include "base/Url.h"
#include "preview/CaptionText.h"
#include "preview/RichDocumentPreview.h"
#include "preview/TextFilePreview.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <tuple>

namespace qv::PreviewSizing {

namespace {

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

constexpr double kPlainLineHeight = 18;
constexpr double kMonospacedLineHeight = 17;

// Walks the lines of a text without copying it: each call gives the next line, none after the
// last. "\r\n" is one break.
class LineWalker {
 public:
  explicit LineWalker(QStringView text) : text_(text) {}
  bool next(QStringView& line) {
    if (done_) return false;
    const qsizetype size = text_.size();
    // Two searches rather than one loop: a megabyte line is walked in a fraction of a millisecond.
    const qsizetype newline = text_.indexOf(u'\n', position_);
    const qsizetype carriageReturn = text_.first(newline < 0 ? size : newline).indexOf(u'\r', position_);
    const qsizetype end = carriageReturn >= 0 ? carriageReturn : newline >= 0 ? newline : size;
    line = text_.mid(position_, end - position_);
    if (end == size) {
      done_ = true;
    } else {
      position_ = end + (text_[end] == u'\r' && end + 1 < size && text_[end + 1] == u'\n' ? 2 : 1);
    }
    return true;
  }

 private:
  QStringView text_;
  qsizetype position_ = 0;
  bool done_ = false;
};

bool isPlainAscii(QStringView text) {
  // Without an early exit per character, so that the compiler can take many at a time.
  constexpr qsizetype kBlock = 4096;
  for (qsizetype start = 0; start < text.size(); start += kBlock) {
    char16_t highest = 0;
    for (const QChar c : text.sliced(start, std::min(kBlock, text.size() - start)))
      highest = std::max(highest, c.unicode());
    if (highest >= 0x7F) return false;
  }
  return true;
}

// The characters of one line; a line of plain ASCII is counted by its length. A line longer
// than 64K code units is estimated from its start: sizes are asked for on every layout, and
// counting a megabyte line each time would hold the main thread for a frame and more.
qsizetype characters(QStringView line) {
  constexpr qsizetype kCounted = 65536;
  const QStringView head = line.first(std::min(line.size(), kCounted));
  const qsizetype counted = isPlainAscii(head) ? head.size() : graphemeCount(head.toString());
  return head.size() == line.size() ? counted : qsizetype(double(counted) * double(line.size()) / double(kCounted));
}

// Whether a line has at least `count` characters; no line with fewer code units can have them.
bool hasAtLeast(QStringView line, qsizetype count) {
  if (line.size() < count) return false;
  return characters(line) >= count;
}

struct ImageSize {
  double width = 0;
  double height = 0;
  bool isEmpty() const { return !(width > 0) || !(height > 0); }
};

ImageSize imageSize(const ImagePayload& image) {
  if (image->width > 0 && image->height > 0) return {double(image->width), double(image->height)};
  const QSizeF size = image->image.deviceIndependentSize();
  return {size.width(), size.height()};
}

}  // namespace

QString fileExtension(const FilePayload& file) {
  if (!file->url) return {};
  return CaptionText::pathExtension(lastPathComponent(file->url->qurl())).toLower();
}

FileSizeClass fileSizeClass(const FilePayload& file) {
  const QString extension = fileExtension(file);
  if (extension.isEmpty()) return FileSizeClass::other;
  if (extension == QLatin1String("pdf")) return FileSizeClass::pdf;
  if (TextFilePreview::textExtensions().contains(extension)) return FileSizeClass::text;
  if (RichDocumentPreview::documentExtensions().contains(extension)) return FileSizeClass::document;
  return FileSizeClass::other;
}

bool isWideTextOnce(QStringView text);
double estimatedTextHeightOnce(QStringView text, bool monospaced, double width);

// The last answer for a long text, by where its characters lie: the panes ask for their sizes on
// every layout, and even a quick walk of a megabyte each time adds up to frames. A text is
// immutable while it is shown (its item holds it), so the same address and length are the same
// text.
template <typename Key, typename Value>
struct LastAnswer {
  std::optional<std::pair<Key, Value>> entry;
  template <typename Compute>
  Value operator()(const Key& key, Compute compute) {
    if (entry && entry->first == key) return entry->second;
    const Value value = compute();
    entry.emplace(key, value);
    return value;
  }
};
constexpr qsizetype kRememberedFrom = 65536;

bool isWideText(QStringView text) {
  if (text.size() >= kRememberedFrom) {
    thread_local LastAnswer<std::pair<const QChar*, qsizetype>, bool> last;
    return last({text.data(), text.size()}, [&] { return isWideTextOnce(text); });
  }
  return isWideTextOnce(text);
}

double estimatedTextHeight(QStringView text, bool monospaced, double width) {
  if (text.size() >= kRememberedFrom) {
    thread_local LastAnswer<std::tuple<const QChar*, qsizetype, bool, double>, double> last;
    return last({text.data(), text.size(), monospaced, width},
                [&] { return estimatedTextHeightOnce(text, monospaced, width); });
  }
  return estimatedTextHeightOnce(text, monospaced, width);
}

bool isWideTextOnce(QStringView text) {
  constexpr int kLinesLooked = 60;
  constexpr double kShare = 0.25;
  LineWalker lines(text);
  QStringView line;
  int count = 0;
  int seen = 0;
  while (lines.next(line)) {
    ++seen;
    if (hasAtLeast(line, qsizetype(kLongLineCharacters))) {
      if (count == 2) return true;
      ++count;
    }
    if (seen == kLinesLooked) return double(count) / kLinesLooked > kShare;
  }
  if (seen == 0) return false;
  return double(count) / seen > kShare;
}

double estimatedTextHeightOnce(QStringView text, bool monospaced, double width) {
  const double perCharacter = monospaced ? 7.8 : 6.7;
  const double perLine = std::max<double>(std::floor(std::max(width - 32, 40.0) / perCharacter), 16);
  const double lineHeight = monospaced ? kMonospacedLineHeight : kPlainLineHeight;
  LineWalker lines(text);
  QStringView line;
  double rows = 0;
  bool any = false;
  while (lines.next(line)) {
    any = true;
    rows += std::max(1.0, std::ceil(double(characters(line)) / perLine));
    if (rows * lineHeight > kTextHeightLimit) break;
  }
  if (!any) return kTextPadding;
  return rows * lineHeight + kTextPadding;
}

double preferredWidth(const ClipboardItem& item) {
  return std::visit(
      Overloaded{
          [](const ColorPayload&) { return 340.0; },
          [](const ImagePayload& image) {
            const ImageSize size = imageSize(image);
            if (size.isEmpty()) return 420.0;
            const double ratio = size.width / size.height;
            if (ratio > 1.4) return 560.0;
            if (ratio < 0.75) return 340.0;
            return 420.0;
          },
          [](const LinkPayload&) { return 420.0; },
          [](const CodePayload&) { return 560.0; },
          [](const TextPayload& text) { return isWideText(text.text) ? 560.0 : 420.0; },
          [](const FilePayload& file) { return fileSizeClass(file) == FileSizeClass::other ? 340.0 : 560.0; },
      },
      item.payload);
}

double preferredHeight(const ClipboardItem& item, double width) {
  return std::visit(Overloaded{
                        [](const ColorPayload&) { return 260.0; },
                        [width](const ImagePayload& image) {
                          const ImageSize size = imageSize(image);
                          if (size.isEmpty()) return 320.0;
                          return (width - 24) * size.height / size.width + 24;
                        },
                        [](const LinkPayload&) { return 320.0; },
                        [width](const CodePayload& code) { return estimatedTextHeight(code.source, true, width); },
                        [width](const TextPayload& text) { return estimatedTextHeight(text.text, false, width); },
                        [width](const FilePayload& file) {
                          switch (fileSizeClass(file)) {
                            case FileSizeClass::text:
                            case FileSizeClass::document: return 620.0;
                            case FileSizeClass::pdf: return width * 1.25;
                            case FileSizeClass::other: break;
                          }
                          // Room for a name that wraps past two lines: 19 for each further line.
                          const double room = std::max(width - 48, 1.0);
                          const double lines = std::max(1.0, std::ceil(double(graphemeCount(file->name)) * 6.7 / room));
                          return 320 + std::max(0.0, 19 * lines - 38);
                        },
                    },
                    item.payload);
}

double expandedWidth(const ClipboardItem& item) {
  if (const auto* file = std::get_if<FilePayload>(&item.payload); file && (*file)->url) {
    switch (fileSizeClass(*file)) {
      case FileSizeClass::text: return 820;
      case FileSizeClass::pdf:
      case FileSizeClass::document: return 640;
      case FileSizeClass::other: return 480;
    }
  }
  const double preferred = preferredWidth(item);
  if (preferred == 340) return 480;
  if (preferred == 560) return 820;
  return 640;
}

bool prefersTallLayout(const ClipboardItem& item) {
  if (std::holds_alternative<FilePayload>(item.payload)) return true;
  if (const auto* image = std::get_if<ImagePayload>(&item.payload)) {
    const ImageSize size = imageSize(*image);
    return !size.isEmpty() && size.height / size.width > 1.1;
  }
  return false;
}

}  // namespace qv::PreviewSizing
