#pragma once
#include "preview/document/RichDocumentReader.h"
#include "support/PeakMemory.h"
#include "ui/text/AttributedText.h"

#include <QByteArray>
#include <QColor>
#include <QString>
#include <QtEndian>
#include <array>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace qv::test {

// The format of the character at `position`; an empty format where no run covers it.
inline QTextCharFormat formatAt(const AttributedText& text, qsizetype position) {
  for (const auto& range : text.formats)
    if (position >= range.start && position < range.start + range.length) return range.format;
  return {};
}

// The format of the first character of `needle` in the text (the test fails to find a run when
// the needle is missing: an empty format).
inline QTextCharFormat formatOf(const AttributedText& text, const QString& needle) {
  const qsizetype at = text.text.indexOf(needle);
  return at < 0 ? QTextCharFormat() : formatAt(text, at);
}

// `levels` elements, each inside the one before.
inline QByteArray nestedElements(const QByteArray& open, const QByteArray& close, int levels) {
  QByteArray xml;
  xml.reserve((open.size() + close.size()) * qsizetype(levels));
  for (int i = 0; i < levels; ++i) xml += open;
  for (int i = 0; i < levels; ++i) xml += close;
  return xml;
}

// A document built to hurt a reader, and the text the reader makes of it (none: unreadable).
struct HostileDocument {
  const char* name;
  std::function<QByteArray()> bytes;
  std::optional<QString> text;
};

// What the preview's reader makes of `bytes` (none: unreadable), and how far resident memory
// rose meanwhile (none where that cannot be measured).
struct MeasuredRead {
  std::optional<QString> text;
  std::optional<qint64> growth;
};
inline MeasuredRead readMeasured(const QByteArray& bytes) {
  const PeakMemory memory;
  const std::optional<AttributedText> read = readRichDocumentBytes(bytes);
  return {read ? std::optional<QString>(read->text) : std::nullopt,
          memory.isAvailable() ? std::optional<qint64>(memory.growthBytes()) : std::nullopt};
}

inline std::optional<QColor> colorOf(const QTextCharFormat& format) {
  if (!format.hasProperty(QTextFormat::ForegroundBrush)) return std::nullopt;
  return format.foreground().color();
}

inline quint32 crc32Of(const QByteArray& bytes) {
  static const std::array<quint32, 256> table = [] {
    std::array<quint32, 256> entries{};
    for (quint32 i = 0; i < 256; ++i) {
      quint32 c = i;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      entries[i] = c;
    }
    return entries;
  }();
  quint32 crc = 0xFFFFFFFFu;
  for (char byte : bytes) crc = table[(crc ^ uchar(byte)) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

// Raw deflate data (zlib's stream without its header and checksum).
inline QByteArray deflated(const QByteArray& bytes) {
  const QByteArray wrapped = qCompress(bytes, 9);  // 4-byte length, 2-byte zlib header, data, Adler-32
  return wrapped.mid(6, wrapped.size() - 10);
}

// Writes zip archives for the document tests, with sizes and checksums that may lie.
class ZipWriter {
 public:
  struct Entry {
    QString name;
    QByteArray content;
    bool deflate = true;
    std::optional<quint32> declaredSize{};  // the uncompressed size written in the headers
    std::optional<quint32> declaredCrc{};
  };

  void add(Entry entry) { entries_.push_back(std::move(entry)); }
  void add(const QString& name, const QByteArray& content) { add(Entry{name, content}); }

  QByteArray bytes() const {
    QByteArray out, directory;
    for (const Entry& entry : entries_) {
      const QByteArray name = entry.name.toUtf8();
      const QByteArray data = entry.deflate ? deflated(entry.content) : entry.content;
      const quint32 size = entry.declaredSize.value_or(quint32(entry.content.size()));
      const quint32 crc = entry.declaredCrc.value_or(crc32Of(entry.content));
      const quint32 offset = quint32(out.size());
      auto header = [&](QByteArray& to, bool central) {
        put32(to, central ? 0x02014b50 : 0x04034b50);
        if (central) put16(to, 20);  // made by
        put16(to, 20);               // needed to extract
        put16(to, 0);                // flags
        put16(to, entry.deflate ? 8 : 0);
        put16(to, 0);     // time
        put16(to, 0x21);  // date
        put32(to, crc);
        put32(to, quint32(data.size()));
        put32(to, size);
        put16(to, quint16(name.size()));
        put16(to, 0);  // extra
        if (central) {
          put16(to, 0);  // comment
          put16(to, 0);  // disk
          put16(to, 0);  // internal attributes
          put32(to, 0);  // external attributes
          put32(to, offset);
        }
        to += name;
      };
      header(out, false);
      out += data;
      header(directory, true);
    }
    const quint32 directoryOffset = quint32(out.size());
    out += directory;
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, quint16(entries_.size()));
    put16(out, quint16(entries_.size()));
    put32(out, quint32(directory.size()));
    put32(out, directoryOffset);
    put16(out, 0);
    return out;
  }

 private:
  static void put16(QByteArray& to, quint16 value) {
    to.append(char(value & 0xFF));
    to.append(char(value >> 8));
  }
  static void put32(QByteArray& to, quint32 value) {
    put16(to, quint16(value & 0xFFFF));
    put16(to, quint16(value >> 16));
  }
  std::vector<Entry> entries_;
};

// Writes binary property lists ("bplist00") for the web-archive tests. Objects are added one by
// one and refer to each other by index, so a test can make any shape, cycles included.
class PlistWriter {
 public:
  // References of `referenceSize` bytes: 2 reach 65,536 objects, 3 some sixteen million.
  explicit PlistWriter(int referenceSize = 2) : referenceSize_(referenceSize) {}

  int string(const QString& text) {
    QByteArray object;
    const bool ascii = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
    marker(object, ascii ? 0x5 : 0x6, text.size());
    if (ascii) {
      object += text.toLatin1();
    } else {
      for (QChar c : text) {
        object.append(char(c.unicode() >> 8));
        object.append(char(c.unicode() & 0xFF));
      }
    }
    return add(object);
  }
  int data(const QByteArray& bytes) {
    QByteArray object;
    marker(object, 0x4, bytes.size());
    return add(object + bytes);
  }
  int integer(qint64 value) {
    QByteArray object(1, char(0x13));
    for (int shift = 56; shift >= 0; shift -= 8) object.append(char((value >> shift) & 0xFF));
    return add(object);
  }
  int array(const std::vector<int>& members) {
    QByteArray object;
    marker(object, 0xA, qsizetype(members.size()));
    for (int member : members) reference(object, member);
    return add(object);
  }
  int dictionary(const std::vector<std::pair<int, int>>& entries) {
    QByteArray object;
    marker(object, 0xD, qsizetype(entries.size()));
    for (const auto& entry : entries) reference(object, entry.first);
    for (const auto& entry : entries) reference(object, entry.second);
    return add(object);
  }
  // Replaces an object already added (to make one refer to a later one).
  void replace(int index, int with) { objects_[index] = objects_[with]; }
  // Another object whose offset is that of `index`: one stored object under two numbers.
  int sameAs(int index) {
    aliases_[int(objects_.size())] = index;
    return add(QByteArray());
  }

  QByteArray bytes(int top) const {
    QByteArray out("bplist00");
    std::vector<quint32> offsets;
    for (qsizetype i = 0; i < qsizetype(objects_.size()); ++i) {
      if (const auto alias = aliases_.find(int(i)); alias != aliases_.end()) {
        offsets.push_back(offsets[alias->second]);
        continue;
      }
      offsets.push_back(quint32(out.size()));
      out += objects_[i];
    }
    const quint64 tableOffset = quint64(out.size());
    for (quint32 offset : offsets)
      for (int shift = 24; shift >= 0; shift -= 8) out.append(char((offset >> shift) & 0xFF));
    QByteArray trailer(32, '\0');
    trailer[6] = 4;  // offset size
    trailer[7] = char(referenceSize_);
    auto put64 = [&](int at, quint64 value) {
      for (int i = 0; i < 8; ++i) trailer[at + i] = char((value >> (56 - 8 * i)) & 0xFF);
    };
    put64(8, objects_.size());
    put64(16, quint64(top));
    put64(24, tableOffset);
    return out + trailer;
  }

  // A web archive whose main resource is `data` of `mimeType` in `encoding`.
  static QByteArray webArchive(const QByteArray& data, const QString& mimeType = QStringLiteral("text/html"),
                               const QString& encoding = QStringLiteral("UTF-8")) {
    PlistWriter plist;
    const int resource = plist.dictionary({
        {plist.string(QStringLiteral("WebResourceData")), plist.data(data)},
        {plist.string(QStringLiteral("WebResourceMIMEType")), plist.string(mimeType)},
        {plist.string(QStringLiteral("WebResourceTextEncodingName")), plist.string(encoding)},
        {plist.string(QStringLiteral("WebResourceURL")), plist.string(QStringLiteral("https://example.com/"))},
    });
    const int root = plist.dictionary({{plist.string(QStringLiteral("WebMainResource")), resource}});
    return plist.bytes(root);
  }

 private:
  int add(const QByteArray& object) {
    objects_.push_back(object);
    return int(objects_.size()) - 1;
  }
  static void marker(QByteArray& to, int kind, qsizetype count) {
    if (count < 15) {
      to.append(char((kind << 4) | int(count)));
      return;
    }
    to.append(char((kind << 4) | 0xF));
    to.append(char(0x12));  // a 4-byte integer follows
    for (int shift = 24; shift >= 0; shift -= 8) to.append(char((count >> shift) & 0xFF));
  }
  void reference(QByteArray& to, int index) const {
    for (int shift = 8 * (referenceSize_ - 1); shift >= 0; shift -= 8) to.append(char((index >> shift) & 0xFF));
  }
  int referenceSize_ = 2;
  std::vector<QByteArray> objects_;
  std::map<int, int> aliases_;  // an object number to the number whose offset it takes
};

}  // namespace qv::test
