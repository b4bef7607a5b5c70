#pragma once
#include <QString>
#include <QtGlobal>

namespace qv {

// File-size text in the decimal "file" style: "Zero KB", "1 byte", "12 bytes", "1 KB",
// "1.5 MB", "1.23 GB". Kilobytes show no fraction, megabytes one digit, larger units two;
// trailing zero digits are dropped.
QString byteCountText(qint64 bytes);

}  // namespace qv
