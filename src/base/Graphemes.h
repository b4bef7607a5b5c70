#pragma once
#include <QString>

namespace qv {

// User-perceived characters (extended grapheme clusters), as the product counts text length.
qsizetype graphemeCount(const QString& text);
// The first `count` graphemes of `text` (all of it when shorter); never splits a cluster.
QString graphemePrefix(const QString& text, qsizetype count);

}  // namespace qv
