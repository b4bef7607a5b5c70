#include "base/Log.h"

Q_LOGGING_CATEGORY(lcApp, "com.tarnwick.quorvalen.app", QtInfoMsg)
Q_LOGGING_CATEGORY(lcPanel, "com.tarnwick.quorvalen.panel", QtInfoMsg)
Q_LOGGING_CATEGORY(lcEdge, "com.tarnwick.quorvalen.edge", QtInfoMsg)
Q_LOGGING_CATEGORY(lcHotKey, "com.tarnwick.quorvalen.hotkey", QtInfoMsg)
Q_LOGGING_CATEGORY(lcMonitor, "com.tarnwick.quorvalen.monitor", QtInfoMsg)
Q_LOGGING_CATEGORY(lcState, "com.tarnwick.quorvalen.state", QtInfoMsg)
Q_LOGGING_CATEGORY(lcItems, "com.tarnwick.quorvalen.items", QtInfoMsg)
Q_LOGGING_CATEGORY(lcPlatform, "com.tarnwick.quorvalen.platform", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSettings, "com.tarnwick.quorvalen.settings", QtInfoMsg)
Q_LOGGING_CATEGORY(lcUi, "com.tarnwick.quorvalen.ui", QtInfoMsg)
