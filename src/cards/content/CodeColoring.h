#pragma once
#include "cards/content/VisibleTextLayout.h"

#include <QColor>
#include <QFont>
#include <QString>

namespace qv {

// How the code card colours its source: the highlighter's font, its token colours as format
// ranges over `text`, and the colour of text outside any token.
QFont codeCardFont();
VisibleTextLayout::Formats codeCardFormats(const QString& text, const QString& language, bool dark);
QColor codeCardPlainColor(bool dark);

}  // namespace qv
