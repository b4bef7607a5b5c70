#include "base/NativePath.h"

#include <sys/stat.h>
#include <QFile>
#include <QStringDecoder>

namespace qv {

namespace {

constexpr char16_t kKeptByte = 0xDC00;

bool isKeptByte(const QString& path, qsizetype i) {
  const char16_t c = path.at(i).unicode();
  if (c < 0xDC80 || c > 0xDCFF) return false;
  // The low half of a pair is a character of its own.
  return i == 0 || !QChar::isHighSurrogate(path.at(i - 1).unicode());
}

// The length of the well-formed UTF-8 character at `at` (RFC 3629: no overlong forms, no
// surrogates, nothing past U+10FFFF), or 0.
int characterLength(const QByteArray& bytes, qsizetype at) {
  const auto byte = [&bytes](qsizetype i) { return i < bytes.size() ? uchar(bytes.at(i)) : 0; };
  const auto follows = [&byte](qsizetype i) { return (byte(i) & 0xC0) == 0x80; };
  const uchar lead = byte(at);
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return follows(at + 1) ? 2 : 0;
  if (lead >= 0xE0 && lead <= 0xEF) {
    const uchar second = byte(at + 1);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F)) return 0;
    return follows(at + 1) && follows(at + 2) ? 3 : 0;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    const uchar second = byte(at + 1);
    if ((lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F)) return 0;
    return follows(at + 1) && follows(at + 2) && follows(at + 3) ? 4 : 0;
  }
  return 0;
}

}  // namespace

QString pathFromNative(const QByteArray& bytes) {
  QStringDecoder strict(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
  QString decoded = strict.decode(bytes);
  if (!strict.hasError()) return decoded;
  QString path;
  path.reserve(bytes.size());
  for (qsizetype at = 0; at < bytes.size();) {
    const int length = characterLength(bytes, at);
    if (length == 0) {
      path.append(QChar(char16_t(kKeptByte | uchar(bytes.at(at)))));
      ++at;
    } else {
      path.append(QString::fromUtf8(bytes.constData() + at, length));
      at += length;
    }
  }
  return path;
}

bool hasNativeBytes(const QString& path) {
  for (qsizetype i = 0; i < path.size(); ++i)
    if (isKeptByte(path, i)) return true;
  return false;
}

QByteArray nativePath(const QString& path) {
  if (!hasNativeBytes(path)) return QFile::encodeName(path);
  QByteArray bytes;
  bytes.reserve(path.size() * 3);
  qsizetype run = 0;  // where the characters not yet written start
  for (qsizetype i = 0; i <= path.size(); ++i) {
    if (i < path.size() && !isKeptByte(path, i)) continue;
    bytes.append(QStringView(path).sliced(run, i - run).toUtf8());
    if (i < path.size()) bytes.append(char(path.at(i).unicode() & 0xFF));
    run = i + 1;
  }
  return bytes;
}

QString shownPath(const QString& path) {
  if (!hasNativeBytes(path)) return path;
  QString shown = path;
  for (qsizetype i = 0; i < shown.size(); ++i)
    if (isKeptByte(path, i)) shown[i] = QChar::ReplacementCharacter;
  return shown;
}

QString localFilePath(const QUrl& url) {
  if (!url.isLocalFile()) return {};
  const QString path = pathFromNative(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
  // As QUrl::toLocalFile: a host names a share ("//server/path").
  const QString host = url.host();
  return host.isEmpty() ? path : QStringLiteral("//") + host + path;
}

QUrl localFileUrl(const QString& path) {
  if (!hasNativeBytes(path) || !path.startsWith(u'/')) return QUrl::fromLocalFile(path);
  return QUrl::fromEncoded("file://" + nativePath(path).toPercentEncoding("/"), QUrl::StrictMode);
}

PathKind pathKind(const QString& path) {
  struct stat info {};
  if (path.isEmpty() || ::stat(nativePath(path).constData(), &info) != 0) return PathKind::none;
  if (S_ISREG(info.st_mode)) return PathKind::file;
  if (S_ISDIR(info.st_mode)) return PathKind::folder;
  return PathKind::other;
}

}  // namespace qv
