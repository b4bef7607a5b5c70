#include "items/rules/AppRule.h"

namespace qv {

QString rawValue(AppRule rule) {
  switch (rule) {
    case AppRule::normal: return QStringLiteral("normal");
    case AppRule::blur: return QStringLiteral("blur");
    case AppRule::never: return QStringLiteral("never");
  }
  return {};
}

std::optional<AppRule> appRuleFromRaw(QStringView raw) {
  for (AppRule rule : kAllAppRules)
    if (raw == rawValue(rule)) return rule;
  return std::nullopt;
}

}  // namespace qv
