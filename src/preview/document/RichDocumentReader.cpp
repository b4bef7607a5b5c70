#include "preview/document/RichDocumentReader.h"

#include "platform/RegularFile.h"
#include "preview/document/OdtReader.h"
#include "preview/document/RtfReader.h"
#include "preview/document/WebArchiveReader.h"
#include "preview/document/WordReader.h"
#include "preview/document/ZipEntries.h"

#include <QDir>
#include <QFileInfo>

namespace qv {

namespace {

// The bytes after a UTF-8 byte order mark and leading white space.
QByteArrayView content(const QByteArray& bytes) {
  QByteArrayView view(bytes);
  if (view.startsWith("\xEF\xBB\xBF")) view = view.sliced(3);
  while (!view.isEmpty() &&
         (view.front() == ' ' || view.front() == '\t' || view.front() == '\r' || view.front() == '\n'))
    view = view.sliced(1);
  return view;
}

std::optional<AttributedText> readZip(const QByteArray& bytes, const DocumentReadOptions& options) {
  ZipEntries zip(bytes);
  if (!zip.isOpen()) return std::nullopt;
  if (zip.contains(QStringLiteral("content.xml")) && !zip.contains(QStringLiteral("[Content_Types].xml")))
    return readOdt(zip, options);
  return readDocx(zip, options);
}

}  // namespace

std::optional<AttributedText> readRichDocumentBytes(const QByteArray& bytes, const DocumentReadOptions& options) {
  // Told by content, as a file's name may not say what it holds (Word saves RTF as .doc).
  std::optional<AttributedText> text;
  const QByteArrayView head = content(bytes);
  if (head.startsWith("{\\rtf")) text = readRtf(head, options);
  else if (bytes.startsWith("bplist00")) text = readWebArchive(bytes, options);
  else if (bytes.startsWith("PK\x03\x04")) text = readZip(bytes, options);
  else if (head.startsWith("<")) text = readWordMl(bytes, options);
  if (!text || text->text.isEmpty() || options.isCancelled()) return std::nullopt;
  adaptForegroundColors(*text);
  return text;
}

std::optional<AttributedText> readRichDocument(const QString& path, const DocumentReadOptions& options) {
  // An RTFD document is a folder: its text is TXT.rtf, beside the attachments.
  const QString file = QFileInfo(path).isDir() ? QDir(path).filePath(QStringLiteral("TXT.rtf")) : path;
  // Only a regular file, judged by what was opened: one swapped for a FIFO after the look at its
  // path cannot block the reading queue.
  const std::optional<QByteArray> bytes = readRegularFile(file, DocumentLimits::kMaxFileBytes);
  if (!bytes) return std::nullopt;
  return readRichDocumentBytes(*bytes, options);
}

}  // namespace qv
