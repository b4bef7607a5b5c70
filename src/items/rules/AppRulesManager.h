#pragma once
#include "items/rules/AppRule.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

namespace qv {

class SettingsStore;

// The per-application capture rules, kept in the settings store under "qv.ignoredApps" as a
// JSON array. Main thread only. The list in memory is the truth once loaded.
class AppRulesManager : public QObject {
  Q_OBJECT
 public:
  static constexpr char kStorageKey[] = "qv.ignoredApps";
  // A stored list that does not read back whole is kept here (then ".2", ".3", …) before the
  // key is written again, so no rule is lost unseen.
  static constexpr char kBackupKey[] = "qv.ignoredApps.unreadable";

  // Loads the stored list.
  explicit AppRulesManager(SettingsStore& settings, QObject* parent = nullptr);

  const QList<AppRuleEntry>& apps() const { return apps_; }
  // Replaces the list (no save); observers hear of real changes only.
  void setApps(QList<AppRuleEntry> apps);

  void load();
  void save();

  // Never over blur over normal, among the entries whose id is the given one or a dotted
  // prefix of it. An empty identifier is always normal.
  AppRule rule(const QString& bundleID) const;
  // Normal removes the exact entries; blur and never change the first exact entry's rule or
  // append the entry. Then saves. An entry without an identifier is ignored.
  void setRule(AppRule rule, const AppRuleEntry& entry);
  // Removes every exact entry and answers how many; the caller saves.
  int removeEntries(const QString& bundleID);

  struct Decoded {
    QList<AppRuleEntry> entries;
    bool complete = true;  // false when anything had to be dropped or repaired
  };
  // Reads what can be read: an entry keeps its place when its identifier is a non-empty
  // string (a missing name becomes the identifier, an unreadable application location is
  // left out, an unknown rule reads as never).
  static Decoded decode(const QByteArray& data);
  static QByteArray encode(const QList<AppRuleEntry>& apps);

 Q_SIGNALS:
  void appsChanged();

 private:
  void setAside(const QJsonValue& raw);

  SettingsStore& settings_;
  QList<AppRuleEntry> apps_;
};

}  // namespace qv
