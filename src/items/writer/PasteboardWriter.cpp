#include "items/writer/PasteboardWriter.h"

#include "items/stores/ImageStore.h"
#include "items/stores/RichTextStore.h"
#include "platform/Pasteboard.h"

#include <QColor>
#include <algorithm>

namespace qv {

namespace {
// Stored channels outside 0…255 would make an invalid colour; they are clamped.
QColor colorOf(const ColorPayload& color) {
  return QColor(std::clamp(color.r, 0, 255), std::clamp(color.g, 0, 255), std::clamp(color.b, 0, 255));
}
}  // namespace

PasteboardWriter::PasteboardWriter(std::shared_ptr<Pasteboard> pasteboard, std::shared_ptr<ImageStore> images,
                                   std::shared_ptr<RichTextStore> richText)
    : pasteboard_(std::move(pasteboard)), images_(std::move(images)), richText_(std::move(richText)) {}

std::optional<PasteboardWrite> PasteboardWriter::contentFor(const ClipboardItem& item, bool asPlainText,
                                                            std::optional<TextTransform> transform) const {
  PasteboardWrite content;
  // A transform or plain-text mode writes only text; an image has none and is written as is.
  if (const std::optional<QString> plain = item.plainText(); plain && (transform || asPlainText)) {
    content.text = transform ? transform->apply(*plain) : *plain;
    return content;
  }
  if (const auto* color = std::get_if<ColorPayload>(&item.payload)) {
    content.color = colorOf(*color);
    content.text = color->hex;
  } else if (std::holds_alternative<ImagePayload>(item.payload)) {
    const std::optional<QImage> image = item.image(*images_);
    if (!image) return std::nullopt;
    content.image = *image;
  } else if (const auto* link = fieldsIf<LinkPayload>(&item.payload)) {
    content.text = absoluteString(link->url);
    content.urls = {link->url};
  } else if (const auto* code = std::get_if<CodePayload>(&item.payload)) {
    content.text = code->source;
  } else if (const auto* text = std::get_if<TextPayload>(&item.payload)) {
    // The rich form goes back under its own type; a missing or unreadable side file leaves the
    // plain string.
    if (const auto rich = richText_->read(item.idString())) {
      if (rich->mimeType == QLatin1String(mime::kHtml)) content.html = rich->data;
      else if (rich->mimeType == QLatin1String(mime::kRtf)) content.rtf = rich->data;
    }
    content.text = text->text;
  } else if (const auto* file = fieldsIf<FilePayload>(&item.payload)) {
    if (file->url) content.urls = {*file->url};
    content.text = item.plainText();
  }
  return content;
}

bool PasteboardWriter::write(const ClipboardItem& item, bool asPlainText, std::optional<TextTransform> transform) {
  const std::optional<PasteboardWrite> content = contentFor(item, asPlainText, transform);
  if (!content) return false;
  commit(*content);
  return true;
}

void PasteboardWriter::writeText(const QString& text) {
  PasteboardWrite content;
  content.text = text;
  commit(content);
}

void PasteboardWriter::commit(const PasteboardWrite& content) {
  if (willWrite_) willWrite_();
  pasteboard_->write(content);
}

}  // namespace qv
