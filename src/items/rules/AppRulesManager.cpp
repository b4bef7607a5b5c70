#include "items/rules/AppRulesManager.h"

#include "base/Log.h"
#include "base/Url.h"
#include "items/model/JsonSalvage.h"
#include "items/model/JsonText.h"
#include "platform/SettingsStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace qv {

AppRulesManager::AppRulesManager(SettingsStore& settings, QObject* parent) : QObject(parent), settings_(settings) {
  load();
}

void AppRulesManager::setApps(QList<AppRuleEntry> apps) {
  if (apps == apps_) return;
  apps_ = std::move(apps);
  Q_EMIT appsChanged();
}

void AppRulesManager::load() {
  const QString key = QString::fromLatin1(kStorageKey);
  if (!settings_.hasStoredValue(key)) return;
  const std::optional<QByteArray> data = settings_.dataValue(key);
  const Decoded decoded = data ? decode(*data) : Decoded{{}, false};
  if (decoded.complete) {
    setApps(decoded.entries);
    return;
  }
  // Keep the raw value before anything writes the key again, then store what could be read:
  // an application the user set to "never" must not quietly start being recorded.
  setAside(settings_.value(key));
  settings_.noteUnreadable(key);
  setApps(decoded.entries);
  save();
}

void AppRulesManager::setAside(const QJsonValue& raw) {
  const QString base = QString::fromLatin1(kBackupKey);
  for (int n = 1; n < 1000; ++n) {
    const QString candidate = n == 1 ? base : base + u'.' + QString::number(n);
    if (settings_.hasStoredValue(candidate)) {
      if (settings_.value(candidate) == raw) return;  // already kept
      continue;
    }
    settings_.set(candidate, raw);
    qCInfo(lcItems) << "App rules: unreadable stored list kept under" << candidate;
    return;
  }
}

void AppRulesManager::save() { settings_.setData(QString::fromLatin1(kStorageKey), encode(apps_)); }

AppRule AppRulesManager::rule(const QString& bundleID) const {
  if (bundleID.isEmpty()) return AppRule::normal;
  bool blur = false;
  for (const AppRuleEntry& entry : apps_) {
    if (entry.bundleID.isEmpty()) continue;
    const bool applies = bundleID == entry.bundleID ||
                         (bundleID.size() > entry.bundleID.size() && bundleID.startsWith(entry.bundleID) &&
                          bundleID.at(entry.bundleID.size()) == u'.');
    if (!applies) continue;
    if (entry.rule == AppRule::never) return AppRule::never;
    if (entry.rule == AppRule::blur) blur = true;
  }
  return blur ? AppRule::blur : AppRule::normal;
}

void AppRulesManager::setRule(AppRule rule, const AppRuleEntry& entry) {
  if (entry.bundleID.isEmpty()) return;
  QList<AppRuleEntry> apps = apps_;
  if (rule == AppRule::normal) {
    apps.removeIf([&](const AppRuleEntry& e) { return e.bundleID == entry.bundleID; });
  } else {
    auto found = std::find_if(apps.begin(), apps.end(),
                              [&](const AppRuleEntry& e) { return e.bundleID == entry.bundleID; });
    if (found != apps.end()) {
      found->rule = rule;
    } else {
      AppRuleEntry added = entry;
      added.rule = rule;
      apps.append(added);
    }
  }
  setApps(std::move(apps));
  save();
}

int AppRulesManager::removeEntries(const QString& bundleID) {
  QList<AppRuleEntry> apps = apps_;
  const auto removed = apps.removeIf([&](const AppRuleEntry& e) { return e.bundleID == bundleID; });
  setApps(std::move(apps));
  return static_cast<int>(removed);
}

AppRulesManager::Decoded AppRulesManager::decode(const QByteArray& data) {
  Decoded result;
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(data, &error);
  QJsonArray array;
  if (error.error == QJsonParseError::NoError && document.isArray()) {
    array = document.array();
  } else {
    // Damaged text (junk, a cut): every whole rule in it is still read, so that an application
    // set to "never" is not recorded again.
    result.complete = false;
    const auto object = [](QByteArrayView text) { return QJsonDocument::fromJson(text.toByteArray()).object(); };
    const std::optional<SalvagedArray> salvaged = salvageJsonArray(data, [&](QByteArrayView text) {
      const QJsonValue bundleID = object(text).value(QLatin1StringView("bundleID"));
      return bundleID.isString() && !bundleID.toString().isEmpty();
    });
    if (!salvaged) return result;
    for (const QByteArrayView element : salvaged->elements) {
      const QJsonDocument one = QJsonDocument::fromJson(element.toByteArray());
      array.append(one.isObject() ? QJsonValue(one.object()) : QJsonValue());
    }
  }
  for (const QJsonValue& value : std::as_const(array)) {
    const QJsonObject object = value.toObject();
    const QJsonValue bundleID = object.value(QLatin1StringView("bundleID"));
    if (!value.isObject() || !bundleID.isString() || bundleID.toString().isEmpty()) {
      result.complete = false;
      continue;
    }
    AppRuleEntry entry;
    entry.bundleID = bundleID.toString();
    const QJsonValue name = object.value(QLatin1StringView("name"));
    if (name.isString()) {
      entry.name = name.toString();
    } else {
      entry.name = entry.bundleID;
      result.complete = false;
    }
    const QJsonValue appURL = object.value(QLatin1StringView("appURL"));
    if (appURL.isString()) entry.appURL = parseStrictUrl(appURL.toString());
    if (!(appURL.isUndefined() || appURL.isNull() || entry.appURL)) result.complete = false;
    entry.rule = appRuleFromRaw(object.value(QLatin1StringView("rule")).toString()).value_or(AppRule::never);
    result.entries.append(entry);
  }
  return result;
}

QByteArray AppRulesManager::encode(const QList<AppRuleEntry>& apps) {
  QByteArray out = "[";
  for (qsizetype i = 0; i < apps.size(); ++i) {
    const AppRuleEntry& entry = apps.at(i);
    if (i) out.append(',');
    out.append('{');
    appendJsonKey(out, "bundleID", true);
    appendJsonString(out, entry.bundleID);
    appendJsonKey(out, "name");
    appendJsonString(out, entry.name);
    if (entry.appURL) {
      appendJsonKey(out, "appURL");
      appendJsonString(out, absoluteString(*entry.appURL));
    }
    appendJsonKey(out, "rule");
    appendJsonString(out, rawValue(entry.rule));
    out.append('}');
  }
  out.append(']');
  return out;
}

}  // namespace qv
