#include "platform/SharedThumbnailCache.h"

#include "base/NativePath.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"

#include <sys/stat.h>
#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QtEndian>
#include <cmath>

namespace qv {

namespace {

constexpr char kUriKey[] = "Thumb::URI";
constexpr char kMTimeKey[] = "Thumb::MTime";
constexpr char kMimeKey[] = "Thumb::Mimetype";
constexpr char kSoftwareKey[] = "Software";
// Fast enough that a written entry costs little more than the picture's read, still small.
constexpr int kPngQuality = 50;

bool isKeptAsIs(char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  // The characters a file URI's path keeps unescaped where the desktop names thumbnails.
  static constexpr char kPathCharacters[] = "!$&'()*+,-./:=@_~";
  for (const char kept : kPathCharacters)
    if (kept != '\0' && kept == c) return true;
  return false;
}

std::optional<qint64> parseMTime(const QString& text) {
  bool ok = false;
  const qint64 whole = text.trimmed().toLongLong(&ok);
  if (ok) return whole;
  // Some writers keep fractions of a second; the whole seconds are what is compared.
  const double seconds = text.trimmed().toDouble(&ok);
  if (ok && std::isfinite(seconds)) return qint64(std::floor(seconds));
  return std::nullopt;
}

// The uncompressed text chunks before the picture data of a PNG: what an entry says about itself,
// known before anything is decoded. (The image reader's own text lookup cannot take keys with
// colons in them.)
QHash<QByteArray, QString> leadingTexts(const QByteArray& png) {
  QHash<QByteArray, QString> texts;
  constexpr qsizetype kSignature = 8;
  qsizetype at = kSignature;
  while (at + 12 <= png.size()) {
    const quint32 length = qFromBigEndian<quint32>(png.constData() + at);
    const QByteArray type = png.mid(at + 4, 4);
    if (type == "IDAT" || length > quint32(png.size() - at - 12)) break;
    const QByteArray data = png.mid(at + 8, qsizetype(length));
    const qsizetype nul = data.indexOf('\0');
    if (nul > 0 && type == "tEXt") {
      texts.insert(data.left(nul), QString::fromLatin1(data.mid(nul + 1)));
    } else if (nul > 0 && type == "iTXt" && nul + 2 < data.size() && data.at(nul + 1) == 0) {
      // Uncompressed international text: language and translated key, then UTF-8.
      const qsizetype language = data.indexOf('\0', nul + 3);
      const qsizetype translated = language < 0 ? -1 : data.indexOf('\0', language + 1);
      if (translated > 0) texts.insert(data.left(nul), QString::fromUtf8(data.mid(translated + 1)));
    }
    at += 12 + qsizetype(length);
  }
  return texts;
}

bool matches(const QString& uriText, const QString& mtimeText, const QByteArray& uri, qint64 mtime) {
  if (uriText.isEmpty() || mtimeText.isEmpty()) return false;
  if (uriText.toUtf8() != uri) return false;
  const std::optional<qint64> stored = parseMTime(mtimeText);
  return stored && *stored == mtime;
}

}  // namespace

SharedThumbnailCache::SharedThumbnailCache(QString root) : root_(QDir::cleanPath(std::move(root))) {}

QByteArray SharedThumbnailCache::fileUri(const QString& absolutePath) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const QByteArray bytes = nativePath(absolutePath);
  QByteArray uri("file://");
  uri.reserve(bytes.size() * 3 + 8);
  if (!bytes.startsWith('/')) uri.append('/');
  for (const char c : bytes) {
    if (isKeptAsIs(c)) {
      uri.append(c);
    } else {
      const auto byte = static_cast<unsigned char>(c);
      uri.append('%').append(kHex[byte >> 4]).append(kHex[byte & 15]);
    }
  }
  return uri;
}

QString SharedThumbnailCache::entryName(const QByteArray& uri) {
  return QString::fromLatin1(QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex()) + QStringLiteral(".png");
}

const SharedThumbnailCache::Size& SharedThumbnailCache::sizeCovering(QSize pixels) {
  const int longer = std::max(pixels.width(), pixels.height());
  for (const Size& size : kSizes)
    if (size.pixels >= longer) return size;
  return kSizes[std::size(kSizes) - 1];
}

std::optional<qint64> SharedThumbnailCache::modificationTime(const QString& path) {
  struct stat info {};
  if (::stat(nativePath(path).constData(), &info) != 0) return std::nullopt;
  return qint64(info.st_mtim.tv_sec);
}

QString SharedThumbnailCache::entryPath(const QByteArray& uri, const Size& size) const {
  return root_ + u'/' + QLatin1String(size.folder) + u'/' + entryName(uri);
}

bool SharedThumbnailCache::contains(const QString& path) const {
  const QString cleaned = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
  return cleaned.startsWith(root_ + u'/');
}

std::optional<QImage> SharedThumbnailCache::readEntry(const QString& entry, const QByteArray& uri, qint64 mtime,
                                                      int maximumSide) {
  // Any program may put anything in the shared cache: a FIFO there must not block.
  const std::optional<QByteArray> read = readRegularFile(entry, kMaximumFileBytes);
  if (!read || read->isEmpty()) return std::nullopt;
  const QByteArray& bytes = *read;
  if (!bytes.startsWith("\x89PNG\r\n\x1a\n")) return std::nullopt;
  // Keys written before the picture are known now; a stale entry is then not even decoded.
  const QHash<QByteArray, QString> texts = leadingTexts(bytes);
  const QString uriBefore = texts.value(kUriKey);
  const QString mtimeBefore = texts.value(kMTimeKey);
  const bool knownBefore = !uriBefore.isEmpty() && !mtimeBefore.isEmpty();
  if (knownBefore && !matches(uriBefore, mtimeBefore, uri, mtime)) return std::nullopt;
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "png");
  const QSize size = reader.size();
  if (!size.isValid() || size.isEmpty() || size.width() > maximumSide || size.height() > maximumSide)
    return std::nullopt;
  QImage picture = reader.read();
  if (picture.isNull()) return std::nullopt;
  if (!knownBefore &&
      !matches(picture.text(QLatin1String(kUriKey)), picture.text(QLatin1String(kMTimeKey)), uri, mtime))
    return std::nullopt;
  picture.setDevicePixelRatio(1.0);
  return picture;
}

std::optional<QImage> SharedThumbnailCache::find(const QByteArray& uri, qint64 mtime, const Size& smallest) const {
  bool reached = false;
  for (const Size& size : kSizes) {
    reached = reached || size.pixels >= smallest.pixels;
    if (!reached) continue;
    if (std::optional<QImage> picture = readEntry(entryPath(uri, size), uri, mtime, size.pixels)) return picture;
  }
  return std::nullopt;
}

bool SharedThumbnailCache::store(const QByteArray& uri, qint64 mtime, const QImage& picture, const Size& size,
                                 const QString& mimeType) const {
  if (picture.isNull()) return false;
  QImage kept = picture;
  if (kept.width() > size.pixels || kept.height() > size.pixels)
    kept = kept.scaled(size.pixels, size.pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  // Only the keys this entry stands for: a picture read from elsewhere may carry others. The
  // bare pixels (no copy) carry none.
  QImage entry(kept.constBits(), kept.width(), kept.height(), kept.bytesPerLine(), kept.format());
  if (kept.format() == QImage::Format_Indexed8 || kept.format() == QImage::Format_Mono ||
      kept.format() == QImage::Format_MonoLSB)
    entry.setColorTable(kept.colorTable());
  entry.setText(QLatin1String(kUriKey), QString::fromLatin1(uri));
  entry.setText(QLatin1String(kMTimeKey), QString::number(mtime));
  if (!mimeType.isEmpty()) entry.setText(QLatin1String(kMimeKey), mimeType);
  entry.setText(QLatin1String(kSoftwareKey), QLatin1String(kSoftware));
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "png");
  writer.setQuality(kPngQuality);
  if (!writer.write(entry)) return false;
  const QString folder = root_ + u'/' + QLatin1String(size.folder);
  if (!ensurePrivateFolder(folder)) return false;
  return writeFileAtomically(entryPath(uri, size), png);
}

}  // namespace qv
