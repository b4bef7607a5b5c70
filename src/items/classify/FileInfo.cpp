#include "items/classify/FileInfo.h"

#include "base/ByteCountText.h"

#include <QFileInfo>

namespace qv::FileInfo {

QString sizeText(const QUrl& url) {
  const QFileInfo info(url.toLocalFile());
  const qint64 bytes = info.isFile() ? info.size() : 0;
  return byteCountText(bytes);
}

}  // namespace qv::FileInfo
