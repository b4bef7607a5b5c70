#include "preview/document/DocumentXml.h"

namespace qv::DocumentXml {

void prepare(QXmlStreamReader& reader) {
  reader.setNamespaceProcessing(true);
  reader.setEntityExpansionLimit(kEntityExpansionLimit);
}

bool isRefused(const QXmlStreamReader& reader) {
  return reader.tokenType() == QXmlStreamReader::DTD &&
         (!reader.entityDeclarations().isEmpty() || !reader.notationDeclarations().isEmpty());
}

std::optional<QColor> hexColor(QStringView text) {
  if (text.startsWith(u'#')) text = text.sliced(1);
  if (text.size() != 6) return std::nullopt;
  bool ok = false;
  const uint value = text.toUInt(&ok, 16);
  if (!ok) return std::nullopt;
  return QColor::fromRgb(QRgb(value));
}

}  // namespace qv::DocumentXml
