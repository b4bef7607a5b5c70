#include "preview/document/RichDocumentReader.h"

#include "preview/document/OdtReader.h"
#include "preview/document/RtfReader.h"
#include "preview/document/WebArchiveReader.h"
#include "preview/document/WordReader.h"
#include "preview/document/ZipEntries.h"

#include <QDir>
#include <QFile>
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
  QFileInfo info(path);
  // An RTFD document is a folder: its text is TXT.rtf, beside the attachments.
  if (info.isDir()) info = QFileInfo(QDir(path).filePath(QStringLiteral("TXT.rtf")));
  if (!info.isFile() || info.size() > DocumentLimits::kMaxFileBytes) return std::nullopt;
  QFile file(info.filePath());
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray bytes = file.read(DocumentLimits::kMaxFileBytes + 1);
  if (bytes.size() > DocumentLimits::kMaxFileBytes) return std::nullopt;  // grew while being read
  return readRichDocumentBytes(bytes, options);
}

}  // namespace qv
