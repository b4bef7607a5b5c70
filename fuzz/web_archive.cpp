// libFuzzer target for the web-archive page path of the document preview: the archive's page
// found and decoded, and the rewriting that bounds what reaches the text document (depth,
// elements, length, pieces). Input that starts "bplist00" is read as a whole archive, anything
// else as the page. Every piece must be well formed and within its bounds, whatever the markup.
// (The text document over the pieces is fuzzed with the rich_document target.)
// fuzz-link: Qt6::Gui
// fuzz-sources: src/preview/document/WebArchiveReader.cpp src/preview/document/BoundedHtml.cpp
// fuzz-sources: src/preview/document/PropertyList.cpp src/preview/document/DocumentText.cpp
#include "preview/document/BoundedHtml.h"
#include "preview/document/WebArchiveReader.h"

#include <QRegularExpression>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// Checks a piece of the rewritten page: tags close in the order they opened, never more than the
// depth limit open at once, never more elements than the limit. Style sheets are raw text.
void checkBounded(QString piece) {
  for (qsizetype at = piece.indexOf(QLatin1String("<style>")); at >= 0;
       at = piece.indexOf(QLatin1String("<style>"), at)) {
    const qsizetype end = piece.indexOf(QLatin1String("</style>"), at);
    if (end < 0) std::abort();
    piece.remove(at, end + 8 - at);
  }
  static const QRegularExpression tag(QStringLiteral("<(/?)([a-z0-9]+)[^>]*>"));
  std::vector<QString> open;
  int elements = 0;
  for (auto it = tag.globalMatch(piece); it.hasNext();) {
    const QRegularExpressionMatch match = it.next();
    const QString name = match.captured(2);
    if (name == u"br" || name == u"hr") {
      ++elements;
    } else if (match.captured(1).isEmpty()) {
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

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  QString page;
  if (bytes.startsWith("bplist00")) {
    const std::optional<qv::WebPage> archived = qv::pageOfWebArchive(bytes);
    if (!archived) return 0;
    page = archived->text;
  } else {
    page = QString::fromUtf8(bytes);
  }
  const std::optional<QStringList> pieces = qv::boundedHtml(page);
  if (!pieces || pieces->isEmpty()) std::abort();  // never cancelled here
  qsizetype text = 0;
  for (const QString& piece : *pieces) {
    checkBounded(piece);
    text += piece.size();
  }
  volatile qsizetype sink = text;
  (void)sink;
  return 0;
}
