#pragma once
#include "base/NativePath.h"

#include <fcntl.h>
#include <unistd.h>
#include <QByteArray>
#include <QString>

namespace qv::test {

// The bytes of a file name that is not UTF-8 (Qt reads them as U+FFFD U+FFFD).
inline QByteArray nonUtf8Name() { return QByteArrayLiteral("bad\xff\xfe name.txt"); }

// Writes `content` into a file named `name` (bytes) in `folder`; the path as the program keeps
// it, or empty when it cannot be written.
inline QString writeFileNamedInBytes(const QString& folder, const QByteArray& content,
                                     const QByteArray& name = nonUtf8Name()) {
  const QByteArray path = nativePath(folder) + '/' + name;
  const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return {};
  const bool written = ::write(fd, content.constData(), size_t(content.size())) == content.size();
  ::close(fd);
  return written ? pathFromNative(path) : QString();
}

}  // namespace qv::test
