#pragma once
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <functional>

namespace qv::test {

// The folder of the built executables, and the source tree (for fixtures).
QString binDir();
QString sourceDir();

// Waits for `condition` while the event loop runs, up to `timeoutMs`. Never a fixed sleep.
bool waitFor(const std::function<bool()>& condition, int timeoutMs);

}  // namespace qv::test
