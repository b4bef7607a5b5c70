#pragma once
#include <QString>
#include <QUrl>

namespace qv::FileInfo {

// The file's size as display text ("1.5 MB"); "Zero KB" for a file that cannot be read and for
// folders, whose size is not the size of what they hold.
QString sizeText(const QUrl& url);

}  // namespace qv::FileInfo
