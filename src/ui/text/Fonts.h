#pragma once
#include <QFont>

namespace qv {

// The desktop's interface font and its fixed-width font at `size` points (1 point = 1
// device-independent pixel). Fractional sizes (12.5) are kept.
QFont systemFont(double size, QFont::Weight weight = QFont::Normal);
QFont monospacedFont(double size, QFont::Weight weight = QFont::Normal);

}  // namespace qv
