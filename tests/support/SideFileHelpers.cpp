#include "support/SideFileHelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace qv::test {

bool writeTestFile(const QString& path, const QByteArray& data) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  return file.write(data) == data.size();
}

QStringList folderEntries(const QString& folder) {
  QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
  names.sort();
  return names;
}

bool blockFolder(const QString& path) {
  QDir(path).removeRecursively();
  return writeTestFile(path, "not a folder");
}

}  // namespace qv::test

#include <QBuffer>
#include <QImage>

namespace qv::test {

bool writeHugePng(const QString& path) {
  QImage image(20000, 20000, QImage::Format_Mono);
  if (image.isNull()) return false;
  image.fill(1);
  QDir().mkpath(QFileInfo(path).absolutePath());
  return image.save(path, "PNG");
}

QByteArray pngBytes(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

}  // namespace qv::test
