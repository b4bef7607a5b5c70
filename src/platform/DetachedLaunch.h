#pragma once
#include <QStringList>

namespace qv {

// Starts `command` (its program an absolute path or a name on PATH) on its own, in the home
// folder: no standard streams or open files of ours, a session of its own, never waited for.
// Each argument reaches it byte for byte (base/NativePath.h), so a path whose name is not UTF-8
// names its file (QProcess would hand over U+FFFD in its place). False when it cannot be run.
// Used for applications the user picks (share, switching to an application).
bool launchDetached(const QStringList& command);

}  // namespace qv
