#pragma once
#include <QString>
#include <QStringView>
#include <vector>

// Where a long text is cut so that no step of the main thread handles more than a bounded part
// of it: into pieces that go into a document one per turn of the event loop, and its long lines
// into paragraphs of a bounded length.

namespace qv {

// Whether a line of `text` is longer than `limit` characters.
bool hasLineLongerThan(const QString& text, qsizetype limit);

// Where the long lines of `text` break into paragraphs of at most `chunk` characters: lines
// longer than `longestWhole`, and lines with a run of more than `chunk` characters without a
// space or tab (which cannot wrap at a word). A cut comes after the last space or tab in the
// last quarter of each chunk when there is one, else at the chunk's end, never inside a
// surrogate pair or before a combining mark.
std::vector<qsizetype> longLineBreaks(QStringView text, qsizetype chunk, qsizetype longestWhole);

// Where a piece starting at `start` that may reach `limit` ends: after the last line break in its
// second half when there is one, never inside a surrogate pair or a CR LF pair.
qsizetype pieceEnd(const QString& text, qsizetype start, qsizetype limit);

}  // namespace qv
