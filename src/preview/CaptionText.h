#pragma once
#include "items/model/ClipboardPayload.h"

#include <QLocale>
#include <QString>

namespace qv {

// The texts of a preview caption, made from an item's payload. Pure and main-thread free; the
// caption makes them once per change of its item, never per paint.
namespace CaptionText {

// What a text is made of: user-perceived characters, words (runs between white space) and
// lines (ended by "\n", "\r", "\r\n", U+0085, U+2028 or U+2029; a final break starts no further
// line; an empty text has none).
struct TextCounts {
  qsizetype characters = 0;
  qsizetype words = 0;
  qsizetype lines = 0;
  bool operator==(const TextCounts&) const = default;
};
TextCounts countText(const QString& text);
qsizetype lineCount(const QString& text);

// "1 line", "0 lines", "1,204 characters": the number in the locale's integer format with its
// group separator, a space, the unit, and "s" unless the number is exactly 1.
QString countPhrase(qsizetype count, const QString& unit, const QLocale& locale = QLocale());

// The kind label of the first line: "Color", "Image", "Link", the code's language ("Code"
// without one), "Text", or a file's last extension upper-cased ("File" without one).
QString kindLabel(const ClipboardPayload& payload);
// The kind-specific detail line (dimensions, counts, size, domain), parts joined by "  ·  ".
QString detailText(const ClipboardPayload& payload, const QLocale& locale = QLocale());
// The extension of a file name after its last dot; "" for none, for a leading dot only
// (".bashrc") and for a trailing dot.
QString pathExtension(const QString& fileName);

inline constexpr char16_t kPartSeparator[] = u"  \u00B7  ";

}  // namespace CaptionText

}  // namespace qv
