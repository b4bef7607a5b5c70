#pragma once
#include "preview/document/DocumentText.h"

#include <QByteArrayView>
#include <optional>

namespace qv {

// The RTF reader of the rich-document preview (RTF files and an RTFD package's TXT.rtf): the
// text with its fonts, sizes, bold, italic, underline, strike-through and colours; paragraphs,
// line breaks, tabs and table cells as text. 8-bit text is decoded in the code page the document
// or the run's font names (Windows-1252 when none is), consecutive bytes together, so double-byte
// code pages read right; \uN characters skip their \ucN fallbacks. Pictures, objects, binary
// data, fields' instructions and unknown "\*" destinations are skipped.
//
// None for input that is not RTF, is malformed (unbalanced groups, a \bin past the end), nests
// groups deeper than kMaxGroupDepth, or is cancelled.
std::optional<AttributedText> readRtf(QByteArrayView data, const DocumentReadOptions& options = {});

namespace RtfLimits {
// Real documents nest a few dozen groups deep.
inline constexpr int kMaxGroupDepth = 512;
inline constexpr int kMaxFonts = 4096;
inline constexpr int kMaxColors = 4096;
}  // namespace RtfLimits

// The name of a Windows code page for QStringDecoder ("windows-1252", "Shift_JIS"), or an empty
// string when there is no decoder for it.
QByteArray codePageName(int codePage);

}  // namespace qv
