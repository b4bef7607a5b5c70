#pragma once
#include "items/model/ClipboardItem.h"
#include "items/transform/TextTransform.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace qv {

class ImageStore;
class Pasteboard;
class RichTextStore;
struct PasteboardWrite;

// Puts history items back on the clipboard: the one way every surface writes one. Each write is
// one complete clipboard change, announced just before it through the own-write hook so the
// clipboard monitor skips it. Main thread only.
class PasteboardWriter {
 public:
  PasteboardWriter(std::shared_ptr<Pasteboard> pasteboard, std::shared_ptr<ImageStore> images,
                   std::shared_ptr<RichTextStore> richText);

  // Runs just before every write (the monitor raises its own-write counter by one).
  using OwnWriteHook = std::function<void()>;
  void setOwnWriteHook(OwnWriteHook willWrite) { willWrite_ = std::move(willWrite); }

  // Writes the item; with a transform or in plain-text mode only its (transformed) plain text.
  // False only when an image item has no image in memory or on disk: then nothing is written
  // and the hook is not called.
  bool write(const ClipboardItem& item, bool asPlainText = false,
             std::optional<TextTransform> transform = std::nullopt);
  // Writes a bare text (the joined text of a multi-selection).
  void writeText(const QString& text);

  // What `write` puts on the clipboard for the item; nothing when an image has no image.
  std::optional<PasteboardWrite> contentFor(const ClipboardItem& item, bool asPlainText,
                                            std::optional<TextTransform> transform) const;

 private:
  void commit(const PasteboardWrite& content);

  std::shared_ptr<Pasteboard> pasteboard_;
  std::shared_ptr<ImageStore> images_;
  std::shared_ptr<RichTextStore> richText_;
  OwnWriteHook willWrite_;
};

}  // namespace qv
