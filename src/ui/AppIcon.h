#pragma once
#include <QIcon>

namespace qv {

// The program's own icon: the one the icon theme has under the application id once installed,
// else the copy built into the program.
QIcon applicationIcon();

}  // namespace qv
