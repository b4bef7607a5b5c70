#pragma once
#include "preview/document/DocumentText.h"

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

namespace qv {

class ZipEntries;

// The WordprocessingML readers of the rich-document preview: DOCX (Office Open XML, in a zip)
// and WordML (Word 2003's single XML file) share one mapping. Paragraphs become lines; runs keep
// bold, italic, underline, strike-through, colour, size and font, from their own properties over
// their character style over their paragraph's style over the document defaults (styles follow
// their "based on" chain); tabs and breaks are text. Hidden, deleted and field-instruction text,
// drawings, pictures and objects are left out. None when the input is not such a document, is
// malformed, declares entities, or is cancelled.
std::optional<AttributedText> readDocx(const QByteArray& archive, const DocumentReadOptions& options = {});
std::optional<AttributedText> readDocx(ZipEntries& archive, const DocumentReadOptions& options = {});
std::optional<AttributedText> readWordMl(QByteArrayView xml, const DocumentReadOptions& options = {});

// The mapping on its own: a main document part (document.xml, or a whole WordML file) with the
// styles part (styles.xml; may be empty).
std::optional<AttributedText> readWordprocessingXml(QByteArrayView document, QByteArrayView styles,
                                                    const DocumentReadOptions& options = {});

}  // namespace qv
