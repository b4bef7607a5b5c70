#pragma once
#include "items/drag/ItemDragData.h"
#include "items/model/ClipboardItem.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <memory>
#include <optional>

namespace qv {

struct ItemServices;
class ImageStore;

// Builds what a drag of history items out of the program offers to other applications:
// their text, an image as PNG data, and a file (written on request into a fresh
// "QuorvalenDrag-<UUID>" folder of the temporary directory, or a file item's own file).
// Keeps no state.
namespace ItemDragProvider {

inline constexpr char kDragFolderPrefix[] = "QuorvalenDrag-";

// The entry point for the card list and the library: the data for dragging `items` (in the
// order given). Hand it to DragStarter::startDrag.
std::unique_ptr<ItemDragData> makeItemProvider(const QList<ClipboardItem>& items, const ItemServices& context);
std::unique_ptr<ItemDragData> makeItemProvider(const QList<ClipboardItem>& items, const ImageStore& images,
                                               const QString& tempDir);

// The suggested name and file representation of one item. `image` is the item's image when it
// was already obtained (image items).
void registerRepresentations(const ClipboardItem& item, const std::optional<QImage>& image, ItemDragData& data);

// The text an item contributes to a drag; none for images.
std::optional<QString> textPiece(const ClipboardItem& item);

// Writes one temporary file: a new folder "<tempDir>/QuorvalenDrag-<UUID>", then the safe file
// name for `suggestedName` and `extension` in it. Returns the file's path, or none with
// `error` set when the folder or the file could not be written.
std::optional<QString> makeTemporaryFile(const QString& tempDir, const QString& suggestedName, const QString& extension,
                                         const ItemDragData::FileWriter& write, QString* error = nullptr);

// One safe path component "<name>.<extension>": "/" and control characters (NUL included)
// replaced, no leading dots or spaces, at most 255 bytes in UTF-8 (cut between characters),
// "Untitled" for a name that ends up empty.
QString safeFileName(const QString& suggestedName, const QString& extension);

// The writers of the temporary files.
bool writeText(const QString& text, const QString& path);
bool writeColorText(const QString& hex, int red, int green, int blue, const QString& path);
// A freedesktop link file ("Type=Link"), which file managers open in the browser.
bool writeLinkFile(const QString& url, const QString& name, const QString& path);
bool writePNG(const std::optional<QImage>& image, const QString& path);

// The extension of a code snippet's file by its language (letter case ignored); "txt" for
// anything not in the table.
QString codeFileExtension(const QString& language);
bool isFileItem(const ClipboardItem* item);

// Removes the drag folders of the temporary directory last changed more than a day before
// `now` (only real folders named "QuorvalenDrag-<UUID>" owned by this user). Called at launch.
// Returns how many were removed.
int removeStaleDragFolders(const QString& tempDir, const QDateTime& now);

}  // namespace ItemDragProvider
}  // namespace qv
