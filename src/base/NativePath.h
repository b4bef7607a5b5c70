#pragma once
#include <QByteArray>
#include <QString>
#include <QUrl>

namespace qv {

// File names are bytes. Qt reads them as UTF-8 and turns every byte that is not part of a
// character into U+FFFD (under any locale), so a QString it decoded from "bad\xFF\xFE.txt"
// names a file that does not exist. The paths of copied files go through these instead: a byte
// that is not UTF-8 is kept in the string as a lone low surrogate U+DC80 + byte (which no
// decoded name can hold), and turned back into that byte wherever the path reaches the system.
// For a path that is all UTF-8 they are QFile::decodeName and QFile::encodeName.
QString pathFromNative(const QByteArray& bytes);
QByteArray nativePath(const QString& path);
// Whether the path holds a byte kept that way (Qt's own file classes cannot reach it).
bool hasNativeBytes(const QString& path);
// The path for showing: every kept byte as U+FFFD.
QString shownPath(const QString& path);

// The local path of a file URL with every byte its escapes name ("file:///a/b%FF" →
// "/a/b" + U+DCFF); empty for any other URL. QUrl::toLocalFile loses such bytes.
QString localFilePath(const QUrl& url);
// The file URL of a path, its kept bytes escaped as themselves (%FF); QUrl::fromLocalFile
// otherwise.
QUrl localFileUrl(const QString& path);

// What lies at a path, links followed: nothing (or nothing that can be looked at), a regular
// file, a folder, or something else (a FIFO, a device, a socket).
enum class PathKind { none, file, folder, other };
PathKind pathKind(const QString& path);

}  // namespace qv
