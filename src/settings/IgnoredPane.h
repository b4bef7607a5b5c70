#pragma once
#include <QString>
#include <functional>

namespace qv {

// The App Rules pane's two questions about the history, answered by the application (set at
// launch): how many saved clips an application has, and removing them (the number removed).
// Unset, the pane treats both as 0.
struct IgnoredPane {
  static inline std::function<int(const QString& bundleID)> clipCountForApp;
  static inline std::function<int(const QString& bundleID)> removeClipsForApp;
};

}  // namespace qv
