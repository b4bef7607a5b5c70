#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

namespace qv {

// What a web page says about itself, read by a tolerant scan of its tags. Every value is as the
// page wrote it (entities decoded); URLs are not resolved yet.
struct HtmlMetadata {
  struct Icon {
    QString href;
    int rank = 0;  // higher is better: touch icons, then larger declared sizes
  };

  QString ogTitle;
  QString title;  // the document's <title>, whitespace collapsed
  QString ogImage;
  QString twitterImage;
  QList<Icon> icons;
  QString baseHref;
  QByteArray charset;  // from <meta charset> or <meta http-equiv="content-type">

  // og:title, else <title>; nothing when both are blank.
  std::optional<QString> pageTitle() const;
  // The preview image candidates, best first: og:image, twitter:image, then the page's icons.
  QStringList imageReferences() const;
};

HtmlMetadata parseHtmlMetadata(QStringView html);

// Decodes a page body: byte-order mark, then the charset of the Content-Type header, then a
// <meta> declaration near the top, else UTF-8 when the bytes are valid UTF-8, else
// windows-1252.
QString decodeHtmlBody(const QByteArray& body, const QByteArray& contentType);

// Replaces character references (&amp;, &#39;, &#x2014;, and the common named ones).
QString decodeHtmlEntities(QStringView text);

}  // namespace qv
