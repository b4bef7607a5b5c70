#pragma once
#include "items/model/ClipboardItem.h"

#include <QString>
#include <QStringView>

namespace qv {

// How big a preview is, from its item alone, in points: a wide text gets a wide pane, a portrait
// image a narrow one, a text file a tall one. The panel's preview pane takes the preferred width
// and height; the library's detail pane the preferred height, the expanded width and the tall
// layout. Pure: nothing is read from disk, nothing kept, nothing fails.
//
// Characters are what the user sees (grapheme clusters). Lines are the pieces of a text between
// its line breaks ("\n", "\r\n" or "\r"), empty pieces kept: an empty text is one empty line, and
// a text that ends with a break has an empty last line.
namespace PreviewSizing {

// 340, 420 or 560.
double preferredWidth(const ClipboardItem& item);
// A text with long lines (89 characters or more): one among up to three lines, two among up to
// seven, else three among the first 60.
bool isWideText(QStringView text);
// The height a text takes at `width`, in rows of 18 points (17 monospaced) plus 32, counted until
// the rows pass 620 points.
double estimatedTextHeight(QStringView text, bool monospaced, double width);
double preferredHeight(const ClipboardItem& item, double width);
// A larger size for a larger host: 480, 640 or 820.
double expandedWidth(const ClipboardItem& item);
// Files and portrait images (height / width above 1.1) lay out tall.
bool prefersTallLayout(const ClipboardItem& item);

// What a file's extension (its URL's last path component's, lower-cased) sends it to. A file
// without a URL is `other`.
enum class FileSizeClass { pdf, text, document, other };
// Tested in the order pdf, text, document.
FileSizeClass fileSizeClass(const FilePayload& file);
// The lower-cased extension of the file's URL; empty without a URL or extension.
QString fileExtension(const FilePayload& file);

inline constexpr double kLongLineCharacters = 89;
inline constexpr double kTextHeightLimit = 620;
inline constexpr double kTextPadding = 32;

}  // namespace PreviewSizing

}  // namespace qv
