#pragma once
#include "preview/document/DocumentText.h"

#include <QByteArrayView>
#include <QString>
#include <optional>

namespace qv {

// Reads the document at `path` for the preview, on a worker: the file (an RTFD package's
// TXT.rtf), told by its content ("{\rtf"; a zip holding a WordprocessingML or an OpenDocument
// text; XML, for WordML; a binary property list, for a web archive), read by that format's reader
// and recoloured for both schemes (adaptForegroundColors). A legacy Word file has no reader. None when the file cannot
// be read, is not a regular file (a FIFO or device never blocks the read: RegularFile), is larger than
// DocumentLimits::kMaxFileBytes, is of no known format, fails its reader, holds no text, or the read is cancelled.
std::optional<AttributedText> readRichDocument(const QString& path, const DocumentReadOptions& options = {});

// The same from bytes already read.
std::optional<AttributedText> readRichDocumentBytes(const QByteArray& bytes, const DocumentReadOptions& options = {});

}  // namespace qv
