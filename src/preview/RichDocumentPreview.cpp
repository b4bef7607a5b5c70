#include "preview/RichDocumentPreview.h"

#include "cards/content/FileIcons.h"

namespace qv {

const QStringList& RichDocumentPreview::documentExtensions() {
  static const QStringList extensions = {QStringLiteral("doc"),   QStringLiteral("docx"), QStringLiteral("odt"),
                                         QStringLiteral("rtf"),   QStringLiteral("rtfd"), QStringLiteral("webarchive"),
                                         QStringLiteral("wordml")};
  return extensions;
}

bool RichDocumentPreview::takes(const QString& filename) {
  // A folder's final slash is not part of its name (an RTFD package is a folder).
  return documentExtensions().contains(FileIcons::pathExtension(filename).toLower());
}

}  // namespace qv
