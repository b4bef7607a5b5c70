#pragma once
// Files whose text comes as one enormous line, for the previews' tests and benchmarks: written by
// the caller into a folder of its own (never checked in).
#include <QByteArray>
#include <QFile>
#include <QString>

namespace qv::test {

enum class LongTextFile { oneLine, ffBytes, rtfEscapes, minifiedJson, sparse };

struct LongTextFileCase {
  LongTextFile kind;
  const char* label;
  const char* fileName;
};

inline constexpr LongTextFileCase kLongTextFiles[] = {
    {LongTextFile::oneLine, "one 1 MB line", "one-line.txt"},
    {LongTextFile::ffBytes, "1 MB of 0xFF bytes", "ff-bytes.txt"},
    {LongTextFile::rtfEscapes, "RTF of 500,000 \\u escapes", "escapes.rtf"},
    {LongTextFile::minifiedJson, "minified 700 KB JSON", "minified.json"},
    {LongTextFile::sparse, "2 GB sparse file", "sparse.txt"},
};

// Writes the file of `kind` at `path`; false when it cannot.
inline bool writeLongTextFile(LongTextFile kind, const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  constexpr qsizetype megabyte = 1 << 20;
  QByteArray bytes;
  switch (kind) {
    case LongTextFile::oneLine: {
      const QByteArray words = "the quick brown fox jumps over the lazy dog and runs away ";
      bytes.reserve(megabyte);
      while (bytes.size() < megabyte) bytes += words;
      bytes.truncate(megabyte);
      break;
    }
    case LongTextFile::ffBytes: bytes = QByteArray(megabyte, '\xFF'); break;
    case LongTextFile::rtfEscapes: {
      // Cyrillic letters without a space: no place to break a line.
      bytes = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Helvetica;}}\\f0\\fs24 ";
      bytes.reserve(4 * megabyte);
      for (int i = 0; i < 500'000; ++i) bytes += "\\u" + QByteArray::number(1040 + i % 32) + "?";
      bytes += "}";
      break;
    }
    case LongTextFile::minifiedJson: {
      bytes = "[";
      for (int i = 0; bytes.size() < 700 * 1024; ++i)
        bytes += "{\"id\":" + QByteArray::number(i) + ",\"name\":\"item " + QByteArray::number(i) +
                 "\",\"tags\":[\"red\",\"blue\"],\"price\":" + QByteArray::number(i % 997) + ".5,\"ok\":true},";
      bytes += "{}]";
      break;
    }
    case LongTextFile::sparse:
      // Two gigabytes of holes: every byte reads as zero.
      return file.resize(qint64(2048) * megabyte);
  }
  return file.write(bytes) == bytes.size();
}

}  // namespace qv::test
