#pragma once
#include "preview/document/DocumentText.h"

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

namespace qv {

class ZipEntries;

// The OpenDocument text reader of the rich-document preview (.odt, a zip). Paragraphs and
// headings become lines; spans keep bold, italic, underline, strike-through, colour, size and
// font from their automatic and named styles (parent chains followed, relative sizes applied);
// spaces, tabs and line breaks are text, other white space collapses as ODF says. Notes,
// annotations, drawings and frames are left out. None when the input is not such a document,
// is malformed, declares entities, or is cancelled.
std::optional<AttributedText> readOdt(const QByteArray& archive, const DocumentReadOptions& options = {});
std::optional<AttributedText> readOdt(ZipEntries& archive, const DocumentReadOptions& options = {});

// The mapping on its own: content.xml with styles.xml (may be empty).
std::optional<AttributedText> readOdfXml(QByteArrayView content, QByteArrayView styles,
                                         const DocumentReadOptions& options = {});

}  // namespace qv
