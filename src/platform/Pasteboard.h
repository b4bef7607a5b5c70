#pragma once
#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <optional>

namespace qv {

// The general pasteboard is the CLIPBOARD selection. Types are MIME types; this table names the
// ones the program reads and writes. Marker types (transient, concealed, source, …) pass through
// under their own names. X11 bookkeeping targets (TARGETS, MULTIPLE, TIMESTAMP, SAVE_TARGETS) are
// never types.
namespace mime {
inline constexpr char kPlainText[] = "text/plain;charset=utf-8";             // the string
inline constexpr char kHtml[] = "text/html";                                 // the rich slot (stored as .html)
inline constexpr char kRtf[] = "text/rtf";                                   // RTF
inline constexpr char kPng[] = "image/png";                                  // the preferred image type
inline constexpr char kUriList[] = "text/uri-list";                          // URLs, one per line
inline constexpr char kGnomeCopiedFiles[] = "x-special/gnome-copied-files";  // "copy\nfile://…"
inline constexpr char kColor[] = "application/x-color";                      // four 16-bit RGBA values
inline constexpr char kPasswordManagerHint[] = "x-kde-passwordManagerHint";  // "secret" = concealed
}  // namespace mime

// The marker a copy carries when its owner says it is a secret. A password manager's
// `x-kde-passwordManagerHint: secret` is reported as this type.
inline constexpr char kConcealedMarkerType[] = "org.nspasteboard.ConcealedType";

// How long a read on the main thread may wait for the clipboard's owner before it gives up.
inline constexpr int kPasteboardReadBoundMs = 300;

// What the history keeps of a copy at most: the first this many graphemes of its text, and its
// rich form (HTML or RTF) only when that holds at most this many bytes.
inline constexpr qsizetype kKeptTextLength = 256000;
inline constexpr qsizetype kKeptRichTextBytes = 4 * 1024 * 1024;

// One item of a copy: its representations by type, in the owner's order. A copy usually has
// one item; a fake (and a future platform) may present several.
struct PasteboardItem {
  QStringList types;
  QHash<QString, QByteArray> data;  // types without data (markers) may be missing here
  QImage image;                     // decoded image representation, when the reader made one

  QByteArray value(const QString& type) const { return data.value(type); }
  bool operator==(const PasteboardItem& other) const {
    return types == other.types && data == other.data && image == other.image;
  }
};

// Files that the copying application writes only when asked. The X11 clipboard has none; the
// fake presents them. `receive` writes the files into `folder` and calls `onFile` once per file
// with its path, or with an empty path and an error text. It may call from any thread.
struct FilePromise {
  using FileHandler = std::function<void(const QString& path, const QString& error)>;
  std::function<void(const QString& folder, const FileHandler& onFile)> receive;
};

// What the pasteboard held at one change, read once as a whole.
struct PasteboardContent {
  qint64 changeCount = 0;
  // False when the owner did not answer within the bound (or vanished): the capture of this
  // change is dropped, nothing in `items` is to be trusted.
  bool complete = false;
  QList<PasteboardItem> items;
  QList<FilePromise> promises;

  // Every type of every item, first occurrence first.
  QStringList types() const;
  bool hasType(const QString& type) const { return types().contains(type); }
  // The first item's value for `type`, as UTF-8 text; nullopt when no item has the type.
  std::optional<QString> string(const QString& type = QLatin1String(mime::kPlainText)) const;
  // The first item's raw value for `type` (empty when none).
  QByteArray data(const QString& type) const;
  // File URLs of all items (text/uri-list, else x-special/gnome-copied-files), in order. URLs
  // of other schemes are left out.
  QList<QUrl> fileUrls() const;
  // One image per item that has an image representation, in item order. Undecodable data gives
  // a null image in its place so the caller can tell "two images, one broken" from "one".
  QList<QImage> images() const;
  // The colour object (application/x-color), when there is one.
  std::optional<QColor> color() const;
};

// Everything one item puts on the pasteboard, written in one go so it is exactly one change.
struct PasteboardWrite {
  std::optional<QString> text;              // text/plain (all of X11's text aliases)
  QByteArray html;                          // text/html
  QByteArray rtf;                           // text/rtf
  QImage image;                             // image/png and the other image types, encoded on request
  std::optional<QColor> color;              // application/x-color
  QList<QUrl> urls;                         // text/uri-list (+ gnome-copied-files when all are files)
  QList<QPair<QString, QByteArray>> extra;  // further types by name

  // The same content as one readable item (what a reader of this write sees).
  PasteboardItem toItem() const;
};

// What is known about the current change without reading the content.
struct PasteboardChange {
  qint64 count = 0;
  // This process's own write produced the content (its clipboard window owns the selection).
  bool ownWrite = false;
  // Process of the selection owner when the change happened; 0 when unknown or no owner.
  qint64 ownerPid = 0;
  // The owner went away (its window was destroyed or its program closed): the selection is
  // empty now. Not a copy; the content of the change before it is gone with the owner.
  bool ownerGone = false;
  // With `ownerGone`: another program holds the clipboard-manager selection and keeps content
  // when owners quit, so it is not ours to keep.
  bool otherClipboardManager = false;
  // Seconds from the change to the moment it was reported (changes the main thread learns of
  // late, because it was busy, are reported with their age).
  double age = 0;
  bool operator==(const PasteboardChange&) const = default;
};

// The general pasteboard. Every call is made on the main thread.
class Pasteboard : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  ~Pasteboard() override = default;

  // The change count moves by one per observed ownership change of the selection.
  virtual PasteboardChange currentChange() const = 0;
  // True when `changed` is emitted for every change (X11 announces each new owner); otherwise
  // the change count must be polled.
  virtual bool announcesChanges() const { return false; }
  qint64 changeCount() const { return currentChange().count; }
  // The changes after `count`, oldest first, the current one last; empty when the count has not
  // moved. A pasteboard that reads each copy as it is made keeps the changes made while the main
  // thread was busy (up to a bound, see the reader) with their contents; others know only the
  // current change. Changes before `count` are forgotten.
  virtual QList<PasteboardChange> changesSince(qint64 count);
  // The content of a change before the current one, as read when it was made; incomplete when it
  // was not read or is no longer kept.
  virtual PasteboardContent keptContent(qint64 count) { return {count, false, {}, {}}; }

  // The content of the current change. Waits for a slow owner at most kPasteboardReadBoundMs;
  // past that the content comes back with `complete` false.
  virtual PasteboardContent read() = 0;
  // The same without blocking: `done` runs on the main thread once the content of the change
  // current now is read, or has failed (then `complete` is false).
  virtual void readAsync(std::function<void(const PasteboardContent&)> done) = 0;

  // Replaces the clipboard with one item (exactly one change).
  virtual void write(const PasteboardWrite& item) = 0;

 Q_SIGNALS:
  // The change count moved (main thread). Pollers may ignore it; it is reliable only when
  // `announcesChanges()`.
  void changed();
};

// Helpers shared by the readers.
namespace pasteboard {
// The URLs of a text/uri-list body (comments and blank lines skipped).
QList<QUrl> parseUriList(const QByteArray& body);
// The URLs of an x-special/gnome-copied-files body ("copy" or "cut", then one URL a line).
QList<QUrl> parseGnomeCopiedFiles(const QByteArray& body);
// application/x-color: four unsigned 16-bit values (red, green, blue, alpha) in the host's
// byte order as X11 delivers 16-bit properties. Anything else is no colour.
std::optional<QColor> parseColor(const QByteArray& body);
QByteArray encodeColor(const QColor& color);
// Text of a text representation: UTF-8, without a trailing NUL some owners add.
QString decodeText(const QByteArray& body);
bool isImageType(const QString& type);
// Decodes image data of a declared type, sniffing the format when the type is wrong.
QImage decodeImage(const QByteArray& bytes, const QString& type);
}  // namespace pasteboard

}  // namespace qv
