#pragma once
#include <QString>
#include <QStringList>

namespace qv {

// The preview of a word-processing or web-archive file: the document's formatted text.
class RichDocumentPreview {
 public:
  // The lower-cased file extensions this preview takes: "doc", "docx", "odt", "rtf", "rtfd",
  // "webarchive", "wordml". The file-preview switch and the sizing rules send a file here by them.
  static const QStringList& documentExtensions();
  // Whether `filename`'s extension, lower-cased, is one of documentExtensions() ("Report.DOCX" is).
  static bool takes(const QString& filename);
};

}  // namespace qv
