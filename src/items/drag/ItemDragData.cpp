#include "items/drag/ItemDragData.h"

#include "base/Log.h"
#include "items/drag/ItemDragProvider.h"
#include "items/stores/ImageStore.h"

namespace qv {

ItemDragData::ItemDragData(QString tempDir) : tempDir_(std::move(tempDir)) {}

void ItemDragData::registerText(const QString& text) {
  text_ = text;
  formats_.removeAll(QLatin1String(kMimeTextUtf8));
  formats_.removeAll(QLatin1String(kMimeText));
  formats_ << QLatin1String(kMimeTextUtf8) << QLatin1String(kMimeText);
}

void ItemDragData::registerPngData(const QImage& image) {
  pngSource_ = image;
  png_.reset();
  formats_.removeAll(QLatin1String(kMimePng));
  formats_ << QLatin1String(kMimePng);
}

void ItemDragData::registerImageObject(const QImage& image) {
  imageObject_ = image;
  formats_.removeAll(QLatin1String(kMimeImageObject));
  formats_ << QLatin1String(kMimeImageObject);
}

void ItemDragData::registerFile(const QUrl& fileUrl) {
  file_ = fileUrl;
  temporaryWriter_ = nullptr;
  formats_.removeAll(QLatin1String(kMimeUriList));
  formats_ << QLatin1String(kMimeUriList);
}

void ItemDragData::registerTemporaryFile(const QString& extension, FileWriter write) {
  file_.reset();
  temporaryExtension_ = extension;
  temporaryWriter_ = std::move(write);
  formats_.removeAll(QLatin1String(kMimeUriList));
  formats_ << QLatin1String(kMimeUriList);
}

QStringList ItemDragData::formats() const { return formats_; }

bool ItemDragData::hasFormat(const QString& mimeType) const { return formats_.contains(mimeType); }

QByteArray ItemDragData::pngBytes() const {
  if (!png_) {
    auto encoded = ImageStore::pngData(*pngSource_);
    if (!encoded) qCInfo(lcItems) << "Dragged image could not be encoded as PNG";
    png_ = encoded.value_or(QByteArray());
  }
  return *png_;
}

QByteArray ItemDragData::uriList() const {
  QUrl url;
  if (file_) {
    url = *file_;
  } else {
    QString error;
    const auto path = ItemDragProvider::makeTemporaryFile(tempDir_, suggestedName_, temporaryExtension_,
                                                          temporaryWriter_, &error);
    if (!path) {
      qCInfo(lcItems) << "Dragged item's file could not be written:" << error;
      return {};
    }
    url = QUrl::fromLocalFile(*path);
  }
  return url.toEncoded() + "\r\n";
}

QVariant ItemDragData::retrieveData(const QString& mimeType, QMetaType type) const {
  Q_UNUSED(type);  // byte arrays convert to the text, URL and image types QMimeData asks for
  if (!formats_.contains(mimeType)) return {};
  if (mimeType == QLatin1String(kMimeTextUtf8) || mimeType == QLatin1String(kMimeText)) return text_->toUtf8();
  if (mimeType == QLatin1String(kMimePng)) {
    QByteArray bytes = pngBytes();
    return bytes.isEmpty() ? QVariant() : QVariant(bytes);
  }
  if (mimeType == QLatin1String(kMimeImageObject)) return *imageObject_;
  if (mimeType == QLatin1String(kMimeUriList)) {
    QByteArray list = uriList();
    return list.isEmpty() ? QVariant() : QVariant(list);
  }
  return {};
}

}  // namespace qv
