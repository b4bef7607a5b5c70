#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

namespace qv {

// The preview of a plain-text or source file: its first 512 KB as text. The statics say which
// files it takes (the preview's content switch and the sizing rules ask them), how they are
// labelled and how they are read (on a worker).
class TextFilePreview {
 public:
  // The 39 lower-cased extensions that count as text when the name gives no type.
  static const QStringList& textExtensions();

  // The language label of a lower-cased extension ("py" → "Python"); "" for plain text.
  static QString languageLabel(const QString& extension);

  // Whether the file is previewed as text, by its name alone (nothing is read): the name's MIME
  // type when it has one (RTF and images never, even where they inherit text; then plain text,
  // JSON and XML and what inherits them), else (no type, or the generic binary type, as for a
  // ".swift" file) whether its extension is in `textExtensions`.
  static bool canPreview(const QUrl& url);

  // How much of a file is read (512 KB).
  static constexpr qint64 kReadLimit = 524288;

  // The first 512 KB of the regular file at `url` as text, with the truncation note when the
  // file is longer. None when it is not a regular file (a FIFO or device is never opened for
  // reading: it would block the worker), cannot be read, or is empty. Safe on any thread.
  static std::optional<QString> load(const QUrl& url);

  // The text of `bytes`, the start of a file of `fileSize` bytes (negative: unknown): UTF-16
  // when it starts with a byte-order mark, UTF-8 when it is valid (a character cut by the read
  // limit is dropped first), UTF-16 when every other byte is NUL, else ISO Latin-1, which takes
  // every byte. None for no bytes.
  static std::optional<QString> decode(const QByteArray& bytes, qint64 fileSize);

  // "\n\n… truncated — showing the first 512 KB of <size / 1024> KB".
  static QString truncationNote(qint64 fileSize);
};

}  // namespace qv
