#include "preview/ShareItems.h"

#include "items/model/ClipboardItem.h"
#include "items/stores/ImageStore.h"

#include <QFileInfo>

namespace qv {

QList<ShareItem> shareItems(const ClipboardItem& item, const ImageStore& images) {
  if (const auto* color = std::get_if<ColorPayload>(&item.payload)) return {ShareItem::ofText(color->hex)};
  if (const auto* text = std::get_if<TextPayload>(&item.payload)) return {ShareItem::ofText(text->text)};
  if (const auto* code = std::get_if<CodePayload>(&item.payload)) return {ShareItem::ofText(code->source)};
  if (const auto* link = fieldsIf<LinkPayload>(&item.payload)) return {ShareItem::ofLink(link->url)};
  if (const auto* file = fieldsIf<FilePayload>(&item.payload)) {
    if (file->url) return {ShareItem::ofFile(*file->url)};
    return {ShareItem::ofText(file->name)};
  }
  if (const auto* image = fieldsIf<ImagePayload>(&item.payload)) {
    // The stored PNG is copied as it is when shared; reading it here would decode it on the
    // main thread.
    const QString stored = images.filePath(item.idString());
    const bool hasFile = QFileInfo(stored).isFile();
    if (image->image.width() > 0) return {ShareItem::ofImage(image->image, hasFile ? stored : QString())};
    if (hasFile) return {ShareItem::ofImage(QImage(), stored)};
  }
  return {};
}

}  // namespace qv
