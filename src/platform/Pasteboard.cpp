#include "platform/Pasteboard.h"

#include <QBuffer>
#include <QImageReader>
#include <cstring>

namespace qv {

namespace pasteboard {

QList<QUrl> parseUriList(const QByteArray& body) {
  QList<QUrl> urls;
  for (QByteArray line : body.split('\n')) {
    line = line.trimmed();
    while (line.endsWith('\0')) line.chop(1);
    if (line.isEmpty() || line.startsWith('#')) continue;
    const QUrl url = QUrl::fromEncoded(line, QUrl::StrictMode);
    if (url.isValid() && !url.scheme().isEmpty()) urls.append(url);
  }
  return urls;
}

QList<QUrl> parseGnomeCopiedFiles(const QByteArray& body) {
  const int firstBreak = body.indexOf('\n');
  if (firstBreak < 0) return {};
  const QByteArray action = body.left(firstBreak).trimmed();
  if (action != "copy" && action != "cut") return {};
  return parseUriList(body.mid(firstBreak + 1));
}

std::optional<QColor> parseColor(const QByteArray& body) {
  if (body.size() != 8) return std::nullopt;
  quint16 values[4];
  std::memcpy(values, body.constData(), sizeof values);
  QColor color;
  color.setRgba64(QRgba64::fromRgba64(values[0], values[1], values[2], values[3]));
  return color;
}

QByteArray encodeColor(const QColor& color) {
  const QRgba64 rgba = color.rgba64();
  const quint16 values[4] = {rgba.red(), rgba.green(), rgba.blue(), rgba.alpha()};
  return QByteArray(reinterpret_cast<const char*>(values), sizeof values);
}

QString decodeText(const QByteArray& body) {
  qsizetype size = body.size();
  while (size > 0 && body.at(size - 1) == '\0') --size;
  return QString::fromUtf8(body.constData(), size);
}

bool isImageType(const QString& type) { return type.startsWith(QLatin1String("image/")); }

QImage decodeImage(const QByteArray& bytes, const QString& type) {
  QBuffer buffer;
  buffer.setData(bytes);
  QImageReader reader(&buffer, type.mid(6).toLatin1());
  reader.setAutoTransform(true);
  QImage image = reader.read();
  if (image.isNull()) {
    // The declared type can be wrong; let the reader sniff the format.
    buffer.seek(0);
    QImageReader sniffing(&buffer);
    image = sniffing.read();
  }
  return image;
}

}  // namespace pasteboard

QList<PasteboardChange> Pasteboard::changesSince(qint64 count) {
  const PasteboardChange change = currentChange();
  if (change.count == count) return {};
  return {change};
}

QStringList PasteboardContent::types() const {
  QStringList all;
  for (const PasteboardItem& item : items)
    for (const QString& type : item.types)
      if (!all.contains(type)) all.append(type);
  return all;
}

std::optional<QString> PasteboardContent::string(const QString& type) const {
  for (const PasteboardItem& item : items)
    if (item.types.contains(type)) return pasteboard::decodeText(item.value(type));
  return std::nullopt;
}

QByteArray PasteboardContent::data(const QString& type) const {
  for (const PasteboardItem& item : items)
    if (item.types.contains(type)) return item.value(type);
  return {};
}

QList<QUrl> PasteboardContent::fileUrls() const {
  QList<QUrl> files;
  for (const PasteboardItem& item : items) {
    QList<QUrl> urls;
    if (item.types.contains(QLatin1String(mime::kUriList)))
      urls = pasteboard::parseUriList(item.value(QLatin1String(mime::kUriList)));
    if (urls.isEmpty() && item.types.contains(QLatin1String(mime::kGnomeCopiedFiles)))
      urls = pasteboard::parseGnomeCopiedFiles(item.value(QLatin1String(mime::kGnomeCopiedFiles)));
    for (const QUrl& url : urls)
      if (url.isLocalFile()) files.append(url);
  }
  return files;
}

QList<QImage> PasteboardContent::images() const {
  QList<QImage> images;
  for (const PasteboardItem& item : items) {
    if (!item.image.isNull()) {
      images.append(item.image);
      continue;
    }
    QString imageType;
    if (item.types.contains(QLatin1String(mime::kPng)) && item.data.contains(QLatin1String(mime::kPng))) {
      imageType = QLatin1String(mime::kPng);
    } else {
      for (const QString& type : item.types)
        if (pasteboard::isImageType(type) && item.data.contains(type)) {
          imageType = type;
          break;
        }
    }
    if (!imageType.isEmpty()) images.append(pasteboard::decodeImage(item.value(imageType), imageType));
  }
  return images;
}

std::optional<QColor> PasteboardContent::color() const {
  for (const PasteboardItem& item : items)
    if (item.types.contains(QLatin1String(mime::kColor)))
      return pasteboard::parseColor(item.value(QLatin1String(mime::kColor)));
  return std::nullopt;
}

PasteboardItem PasteboardWrite::toItem() const {
  PasteboardItem item;
  auto add = [&item](const QString& type, const QByteArray& value) {
    if (!item.types.contains(type)) item.types.append(type);
    item.data.insert(type, value);
  };
  if (!html.isEmpty()) add(QLatin1String(mime::kHtml), html);
  if (!rtf.isEmpty()) add(QLatin1String(mime::kRtf), rtf);
  if (!image.isNull()) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    add(QLatin1String(mime::kPng), png);
    item.image = image;
  }
  if (color) add(QLatin1String(mime::kColor), pasteboard::encodeColor(*color));
  if (!urls.isEmpty()) {
    QByteArray list;
    bool allFiles = true;
    for (const QUrl& url : urls) {
      list += url.toEncoded() + "\r\n";
      allFiles = allFiles && url.isLocalFile();
    }
    add(QLatin1String(mime::kUriList), list);
    if (allFiles) {
      QByteArray copied = "copy";
      for (const QUrl& url : urls) copied += '\n' + url.toEncoded();
      add(QLatin1String(mime::kGnomeCopiedFiles), copied);
    }
  }
  for (const auto& [type, value] : extra) add(type, value);
  if (text) add(QLatin1String(mime::kPlainText), text->toUtf8());
  return item;
}

}  // namespace qv
