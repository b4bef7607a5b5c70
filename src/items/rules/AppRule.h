#pragma once
#include <QString>
#include "base/Url.h"

#include <QUrl>
#include <array>
#include <optional>

namespace qv {

// What happens to a copy from an application: recorded, recorded blurred, or dropped.
enum class AppRule { normal, blur, never };

inline constexpr std::array<AppRule, 3> kAllAppRules = {AppRule::normal, AppRule::blur, AppRule::never};

QString rawValue(AppRule rule);
std::optional<AppRule> appRuleFromRaw(QStringView raw);

// One stored rule, identified by its bundle identifier (a desktop-entry id here).
struct AppRuleEntry {
  QString bundleID;
  QString name;
  std::optional<Url> appURL;  // the desktop file, when the user picked the application
  AppRule rule = AppRule::never;
  bool operator==(const AppRuleEntry&) const = default;
};

}  // namespace qv
