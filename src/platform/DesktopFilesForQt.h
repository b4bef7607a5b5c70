#pragma once
#include <QString>
#include <QStringList>

namespace qv {

// Files of the desktop that Qt opens itself when the program asks for a themed icon or a file
// type: the icon themes' index.theme and icon-theme.cache, and the type database's mime.cache.
// Qt opens them blocking (a FIFO there holds up the main thread) and maps the caches, so each is
// looked at first without opening it, and one that is no regular file is kept from Qt.

// The icon theme folders of `folders` in which every file Qt would read for `themes` (and the
// themes they inherit, "hicolor" always among them) is a regular file within its bound; the
// others are left out, each in `left` with why.
QStringList iconThemeFoldersThatCannotBlock(const QStringList& folders, const QStringList& themes,
                                            QStringList* left = nullptr);

// The `mime` folders under `dataFolders` whose mime.cache is there but no regular file.
QStringList mimeCachesThatAreNoFiles(const QStringList& dataFolders);

// Applies both to this process before Qt reads any of them: the icon theme search path loses
// the folders left out, and the type database reads its XML sources instead of a cache that is
// no file. A file turned into a FIFO after this is met by Qt alone (it opens its caches again
// once they change).
void keepQtDesktopReadsFromBlocking();

}  // namespace qv
