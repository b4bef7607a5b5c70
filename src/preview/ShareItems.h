#pragma once
#include "platform/SharePicker.h"

#include <QList>

namespace qv {

struct ClipboardItem;
class ImageStore;

// What the share control of the preview pane and of the library's detail pane hands to the share
// picker for an item: a colour's hex text, a text, a code's source, an image's picture (from
// memory, else its stored PNG, which is never decoded for this), a link's address, a file's URL
// (its name as text when it has none). An image with no picture at all gives an empty list.
QList<ShareItem> shareItems(const ClipboardItem& item, const ImageStore& images);

}  // namespace qv
