#pragma once
#include <QString>

namespace qv {

// User-perceived characters (extended grapheme clusters), as the product counts text length.
qsizetype graphemeCount(const QString& text);
// The first `count` graphemes of `text` (all of it when shorter); never splits a cluster.
QString graphemePrefix(const QString& text, qsizetype count);
// Whether the text shows anything: one character that is neither white space, a control or
// format character (zero-width spaces and joiners, direction marks) nor one of the letters that
// render blank (Hangul fillers, the blank braille pattern).
bool hasVisibleCharacter(const QString& text);

}  // namespace qv
