#pragma once
#include "items/model/ItemJson.h"

#include <QImage>

namespace qv {

// The two decoders behind decodeItems. The direct (fast) decoder reads the bytes with JsonReader and builds the
// items without a document tree; it answers none for anything it does not take (a syntax error,
// a bad record, duplicate keys, a lone surrogate escape...), and the caller then uses the
// document decoder, which gives the exact error or the lenient result. The direct decoder never
// accepts text the document decoder rejects, and never decodes it to a different value.
std::optional<QList<ClipboardItem>> decodeItemsDirect(const QByteArray& json);
std::optional<QList<ClipboardItem>> decodeItemsThroughDocument(const QByteArray& json,
                                                               ItemDecodeError* error = nullptr);

// The legacy inline picture ("imageData", base64): a null image for anything that is not one.
QImage legacyInlineImage(const QString& base64);

}  // namespace qv
