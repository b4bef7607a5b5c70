#pragma once
#include <QLoggingCategory>

// One logging category per component, all under the subsystem "com.tarnwick.quorvalen".
// Lines are short info messages; only failures that the product reports at error level use
// qCCritical.
Q_DECLARE_LOGGING_CATEGORY(lcApp)
Q_DECLARE_LOGGING_CATEGORY(lcPanel)
Q_DECLARE_LOGGING_CATEGORY(lcEdge)
Q_DECLARE_LOGGING_CATEGORY(lcHotKey)
Q_DECLARE_LOGGING_CATEGORY(lcMonitor)
Q_DECLARE_LOGGING_CATEGORY(lcState)
Q_DECLARE_LOGGING_CATEGORY(lcItems)
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
Q_DECLARE_LOGGING_CATEGORY(lcUi)

namespace qv {
inline constexpr char kLogSubsystem[] = "com.tarnwick.quorvalen";
}
