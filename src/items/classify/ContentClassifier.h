#pragma once
#include "items/model/ClipboardPayload.h"

#include <QDir>
#include <QString>
#include <optional>

namespace qv {

// Pure questions the capture asks about copied text; safe on any thread. The capture passes
// text already trimmed.
namespace ContentClassifier {

// A link payload when the whole text is a link. `homePath` shortens local file folders to "~".
std::optional<LinkPayload> linkPayload(const QString& text, const QString& homePath = QDir::homePath());

// A colour written as "#abc", "#aabbcc", "rgb(r, g, b)" or an opaque "rgba(r, g, b, 1)".
std::optional<ColorPayload> color(const QString& text);

// Two or more lines with at least two code markers.
bool looksLikeCode(const QString& text);

// "Shell", "Python", "JavaScript", "PHP", "HTML", "Swift", or "" when none is recognised.
QString detectLanguage(const QString& text);

}  // namespace ContentClassifier

}  // namespace qv
