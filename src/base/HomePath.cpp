#include "base/HomePath.h"

namespace qv {

QString homeRelativePath(const QString& path, const QString& homePath) {
  QStringView home(homePath);
  while (home.endsWith(u'/')) home.chop(1);
  if (home.isEmpty()) return path;
  if (path == home) return QStringLiteral("~");
  if (path.size() > home.size() && path.startsWith(home) && path.at(home.size()) == u'/')
    return u'~' + path.mid(home.size());
  return path;
}

}  // namespace qv
