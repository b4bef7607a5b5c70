#pragma once
#include "preview/document/DocumentText.h"
#include "preview/document/PropertyList.h"

#include <QByteArray>
#include <QString>
#include <QTextDocument>
#include <QUrl>
#include <QVariant>
#include <optional>

namespace qv {

// One resource of a web archive.
struct WebResource {
  QByteArray data;
  QString mimeType;
  QString textEncoding;  // the charset the archive names; may be empty
  QString url;
};

// The main resource of a web archive's property list (WebMainResource), or none when the root
// is not a web archive.
std::optional<WebResource> mainResourceOf(const PropertyListValue& root);

// The main resource of a web archive as text: its page (decoded in its named encoding, else the
// one the page declares; the first 16 MB of it at most) or its plain text. None when the bytes
// are not a web archive or its main resource is neither.
struct WebPage {
  QString text;
  bool isHtml = false;
};
std::optional<WebPage> pageOfWebArchive(QByteArrayView bytes);

// The web-archive reader of the rich-document preview: the main resource's page (HTML in its
// named encoding, else the one the page declares) or plain text, as attributed text. Nothing
// outside the archive is ever loaded: no image, style sheet or frame, whether local or remote.
// None when the file is not a web archive, its main resource is neither HTML nor text, or the
// read is cancelled.
std::optional<AttributedText> readWebArchive(QByteArrayView bytes, const DocumentReadOptions& options = {});

// An HTML page as attributed text: paragraphs become lines, list items get their marks, runs
// keep bold, italic, underline, strike-through, colour, size and font; images are left out.
std::optional<AttributedText> readHtmlPage(const QString& html, const DocumentReadOptions& options = {});

// A text document that loads nothing: QTextDocument's own loader reads local files (an
// <img src="file:…">, a style sheet) by name. Counts what it was asked for.
class ContainedTextDocument : public QTextDocument {
 public:
  using QTextDocument::QTextDocument;
  int refusedLoads() const { return refusedLoads_; }

 protected:
  QVariant loadResource(int type, const QUrl& name) override;

 private:
  int refusedLoads_ = 0;
};

}  // namespace qv
