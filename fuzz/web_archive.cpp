// libFuzzer target for the web-archive page path of the document preview: the page rewriting
// that bounds what reaches the text document (depth, elements, length), and the text document
// over it. Input that starts "bplist00" is read as a whole archive, anything else as the page.
// The rewritten page must be well formed and within its bounds, whatever the markup.
// fuzz-link: Qt6::Gui
// fuzz-sources: src/preview/document/WebArchiveReader.cpp src/preview/document/BoundedHtml.cpp
// fuzz-sources: src/preview/document/PropertyList.cpp src/preview/document/DocumentText.cpp
#include "preview/document/BoundedHtml.h"
#include "preview/document/WebArchiveReader.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// Checks a piece of the rewritten page: tags close in the order they opened, never more than the
// depth limit open at once, never more elements than the limit.
void checkBounded(const QString& page) {
  static const QRegularExpression tag(QStringLiteral("<(/?)([a-z0-9]+)[^>]*>"));
  std::vector<QString> open;
  int elements = 0;
  bool inStyle = false;
  for (auto it = tag.globalMatch(page); it.hasNext();) {
    const QRegularExpressionMatch match = it.next();
    const QString name = match.captured(2);
    if (inStyle && !(match.captured(1) == u"/" && name == u"style")) continue;
    if (name == u"br" || name == u"hr") {
      ++elements;
      continue;
    }
    if (name == u"style") {
      inStyle = match.captured(1).isEmpty();
      continue;
    }
    if (match.captured(1).isEmpty()) {
      open.push_back(name);
      ++elements;
      if (int(open.size()) > qv::HtmlLimits::kMaxDepth) std::abort();
    } else {
      if (open.empty() || open.back() != name) std::abort();
      open.pop_back();
    }
  }
  if (!open.empty() || elements > qv::HtmlLimits::kMaxElements) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication application(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  std::optional<qv::AttributedText> text;
  if (bytes.startsWith("bplist00")) {
    text = qv::readWebArchive(bytes);
  } else {
    const QString page = QString::fromUtf8(bytes);
    const std::optional<QStringList> pieces = qv::boundedHtml(page);
    if (!pieces || pieces->isEmpty()) std::abort();  // never cancelled here
    for (const QString& piece : *pieces) checkBounded(piece);
    text = qv::readHtmlPage(page);
  }
  if (!text) return 0;
  if (text->text.size() > qv::DocumentLimits::kMaxTextLength) std::abort();
  for (const auto& range : text->formats)
    if (range.start < 0 || range.length < 0 || range.start + range.length > text->text.size()) std::abort();
  return 0;
}
