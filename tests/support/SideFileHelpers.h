#pragma once
#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

namespace qv::test {

// Writes a file (and its folder); false on any error.
bool writeTestFile(const QString& path, const QByteArray& data = QByteArray("x"));
// The names in a folder, sorted, without "." and "..".
QStringList folderEntries(const QString& folder);
// Puts a plain file where a store expects its folder, so the folder cannot be created.
bool blockFolder(const QString& path);

}  // namespace qv::test

namespace qv::test {

// The image encoded as PNG, as a clipboard or a web server would hand it over.
QByteArray pngBytes(const QImage& image);
// A 20,000 by 20,000 one-bit PNG (small on disk, 1.6 GB once decoded at full depth).
bool writeHugePng(const QString& path);

}  // namespace qv::test
