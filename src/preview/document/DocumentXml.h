#pragma once
#include <QColor>
#include <QStringView>
#include <QXmlStreamReader>
#include <optional>

namespace qv {

// What the XML document readers (WordML, DOCX, ODT) share.
namespace DocumentXml {

// No entity of the document's own may expand to more characters than this.
inline constexpr int kEntityExpansionLimit = 1024;
// Elements nested deeper than this make the document unreadable.
inline constexpr int kMaxElementDepth = 512;

// A reader over `xml` with the entity expansion limit set.
void prepare(QXmlStreamReader& reader);
// Whether the token just read is one a document may not contain: a DTD that declares entities
// (word processors write none; declared entities are what entity bombs are made of).
bool isRefused(const QXmlStreamReader& reader);
// "FF8000" or "#FF8000" as a colour; none for anything else ("auto" included).
std::optional<QColor> hexColor(QStringView text);

}  // namespace DocumentXml

}  // namespace qv
