#pragma once
#include "preview/document/DocumentText.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

namespace qv {

// Bounds on what of a page reaches the text document (whose parser and layout cannot be stopped
// once started, and cost far more than linear time on deep nesting and nested tables).
namespace HtmlLimits {
// Elements open at once; a deeper element's tags are left out, its text kept.
inline constexpr int kMaxDepth = 48;
// Elements kept; the page is cut at the next one.
inline constexpr int kMaxElements = 60'000;
// Items of one list: a longer list goes on as another list of the same kind (the document lays
// out each item in time that grows with the length of its list).
inline constexpr int kMaxListItems = 256;
// Characters of text (entities as written) kept; the page is cut after them.
inline constexpr qsizetype kMaxText = DocumentLimits::kMaxTextLength + DocumentLimits::kMaxTextLength / 4;
// What one piece of the page holds at most (before the block that passes it): elements, and
// characters of text. Each piece is laid out on its own, so a read given up ends within one.
inline constexpr int kPieceElements = 4096;
inline constexpr qsizetype kPieceText = 128 * 1024;
// Characters of style sheets, and of attribute values, kept over the whole page.
inline constexpr qsizetype kMaxStyleSheets = 32 * 1024;
inline constexpr qsizetype kMaxAttributes = 1024 * 1024;
// One attribute value longer than this is left out.
inline constexpr qsizetype kMaxAttributeValue = 2048;
}  // namespace HtmlLimits

// A page rewritten for the text document, in one linear pass that never keeps more than
// HtmlLimits::kMaxDepth open elements: only the elements the document draws text with (the text
// formatting, paragraphs, headings, lists, block quotes, preformatted text, links, line breaks
// and rules) and their styling attributes are kept; a table's rows and cells, and HTML5's
// sections, become plain blocks, a header cell a bold one; scripts, frames, embedded objects,
// forms' lists, pictures and whatever else draws no text are left out with what they hold. The
// result is well formed (every element closed in order, the way browsers close what a page
// leaves open) and within the limits above, in pieces of its own (each well formed, with the
// page's style sheets, and the containers still open at a cut opened again in the next piece:
// laid out one after the other they read as the whole). None when the read is cancelled.
std::optional<QStringList> boundedHtml(QStringView html, const DocumentReadOptions& options = {});

}  // namespace qv
