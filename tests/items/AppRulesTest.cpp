#include "items/ItemServices.h"
#include "items/rules/AppRulesManager.h"
#include "support/items/FakeItemContext.h"

#include <gtest/gtest.h>
#include <QJsonDocument>
#include <QSignalSpy>

namespace qv {
namespace {

AppRuleEntry entry(const char* id, AppRule rule = AppRule::never, const char* name = "App") {
  return AppRuleEntry{QString::fromLatin1(id), QString::fromLatin1(name), std::nullopt, rule};
}

struct Rules {
  FakeItemContext fake;
  SettingsStore& settings() { return *fake.context->settings; }
  std::unique_ptr<AppRulesManager> open() { return std::make_unique<AppRulesManager>(settings()); }
  void store(const QByteArray& json) { settings().setData(QString::fromLatin1(AppRulesManager::kStorageKey), json); }
  QByteArray stored() {
    return settings().dataValue(QString::fromLatin1(AppRulesManager::kStorageKey)).value_or("<none>");
  }
};

TEST(AppRules, PrecedenceForIdentifiersThatExtendARule) {
  Rules r;
  auto rules = r.open();
  EXPECT_EQ(rules->rule(QStringLiteral("org.any.App")), AppRule::normal);
  rules->setApps({entry("org.a", AppRule::blur), entry("org.a.Private", AppRule::never)});
  EXPECT_EQ(rules->rule(QStringLiteral("org.a.Private")), AppRule::never);
  EXPECT_EQ(rules->rule(QStringLiteral("org.a.Private.Helper")), AppRule::never);
  EXPECT_EQ(rules->rule(QStringLiteral("org.a")), AppRule::blur);
  EXPECT_EQ(rules->rule(QStringLiteral("org.a.Other")), AppRule::blur);
  EXPECT_EQ(rules->rule(QStringLiteral("org.ab")), AppRule::normal);
  EXPECT_EQ(rules->rule(QStringLiteral("ORG.A")), AppRule::normal);
  EXPECT_EQ(rules->rule(QString()), AppRule::normal);
}

TEST(AppRules, SettingRules) {
  Rules r;
  auto rules = r.open();
  QSignalSpy changed(rules.get(), &AppRulesManager::appsChanged);
  AppRuleEntry picked = entry("org.keepassxc.KeePassXC", AppRule::never, "KeePassXC");
  picked.appURL = *parseStrictUrl(QStringLiteral("file:///usr/share/applications/org.keepassxc.KeePassXC.desktop"));
  rules->setRule(AppRule::never, picked);
  // From a card: no location, another name; the stored entry keeps both.
  rules->setRule(AppRule::blur, entry("org.keepassxc.KeePassXC", AppRule::normal, "Other"));
  ASSERT_EQ(rules->apps().size(), 1);
  EXPECT_EQ(rules->apps()[0].name, QStringLiteral("KeePassXC"));
  EXPECT_EQ(rules->apps()[0].appURL, picked.appURL);
  EXPECT_EQ(rules->apps()[0].rule, AppRule::blur);
  EXPECT_EQ(changed.count(), 2);

  // Duplicates: blur changes the first only; normal removes them all but not dotted children.
  rules->setApps({entry("d", AppRule::never), entry("d.child", AppRule::never), entry("d", AppRule::never)});
  rules->setRule(AppRule::blur, entry("d"));
  EXPECT_EQ(rules->apps()[0].rule, AppRule::blur);
  EXPECT_EQ(rules->apps()[2].rule, AppRule::never);
  rules->setRule(AppRule::normal, entry("d"));
  EXPECT_EQ(rules->apps(), QList<AppRuleEntry>{entry("d.child", AppRule::never)});

  // An empty identifier never gets a rule (it would otherwise cover ".anything").
  const QByteArray before = r.stored();
  rules->setRule(AppRule::never, entry(""));
  EXPECT_EQ(rules->apps().size(), 1);
  EXPECT_EQ(r.stored(), before);

  EXPECT_EQ(rules->removeEntries(QStringLiteral("d.child")), 1);
  EXPECT_TRUE(rules->apps().isEmpty());
}

TEST(AppRules, StoredFormRoundTrips) {
  Rules r;
  {
    auto rules = r.open();
    AppRuleEntry a = entry("org.a", AppRule::blur, "A \"quoted\"");
    a.appURL = *parseStrictUrl(QStringLiteral("file:///usr/share/applications/org.a.desktop"));
    rules->setRule(AppRule::blur, a);
    rules->setRule(AppRule::never, entry("com.apple.universalclipboard.handoff", AppRule::never, "Nearby Device"));
  }
  EXPECT_EQ(
      r.stored(),
      QByteArray(
          R"([{"bundleID":"org.a","name":"A \"quoted\"","appURL":"file:///usr/share/applications/org.a.desktop","rule":"blur"},)"
          R"({"bundleID":"com.apple.universalclipboard.handoff","name":"Nearby Device","rule":"never"}])"));
  auto reopened = r.open();
  ASSERT_EQ(reopened->apps().size(), 2);
  EXPECT_FALSE(reopened->apps()[1].appURL);

  // A missing or unknown rule reads as never, and is written back as such.
  r.store(R"([{"name":"B","bundleID":"org.b"},{"bundleID":"org.c","name":"C","rule":"sometimes","appURL":null}])");
  auto loaded = r.open();
  EXPECT_EQ(loaded->apps(),
            (QList<AppRuleEntry>{entry("org.b", AppRule::never, "B"), entry("org.c", AppRule::never, "C")}));
  loaded->save();
  EXPECT_EQ(
      r.stored(),
      QByteArray(R"([{"bundleID":"org.b","name":"B","rule":"never"},{"bundleID":"org.c","name":"C","rule":"never"}])"));
  EXPECT_FALSE(r.settings().hasStoredValue(QString::fromLatin1(AppRulesManager::kBackupKey)));
}

TEST(AppRules, UnreadableStoredListIsKeptAsideNotOverwritten) {
  Rules r;
  const QByteArray raw =
      R"([{"bundleID":"org.keepassxc.KeePassXC","rule":"never"},{"name":"no id","rule":"blur"},)"
      R"({"bundleID":"","name":"empty","rule":"blur"},{"bundleID":"org.b","name":"B","appURL":7,"rule":"blur"}])";
  r.store(raw);
  auto rules = r.open();
  // The password manager stays ignored (its name falls back to its id); the others that can
  // be read keep their rules.
  EXPECT_EQ(rules->apps(),
            (QList<AppRuleEntry>{entry("org.keepassxc.KeePassXC", AppRule::never, "org.keepassxc.KeePassXC"),
                                 entry("org.b", AppRule::blur, "B")}));
  EXPECT_EQ(rules->rule(QStringLiteral("org.keepassxc.KeePassXC")), AppRule::never);
  const QString backup = QString::fromLatin1(AppRulesManager::kBackupKey);
  EXPECT_EQ(r.settings().dataValue(backup), raw);
  EXPECT_EQ(AppRulesManager::decode(r.stored()).entries, rules->apps());

  // A second bad value gets a second backup; the same value is kept once.
  r.store("not json");
  r.open();
  r.store("not json");
  auto again = r.open();
  EXPECT_TRUE(again->apps().isEmpty());
  EXPECT_EQ(r.settings().dataValue(backup), raw);
  EXPECT_EQ(r.settings().dataValue(backup + QStringLiteral(".2")), QByteArray("not json"));
  EXPECT_FALSE(r.settings().hasStoredValue(backup + QStringLiteral(".3")));

  // A value of the wrong kind is kept too.
  r.settings().set(QString::fromLatin1(AppRulesManager::kStorageKey), QStringLiteral("oops"));
  r.open();
  EXPECT_EQ(r.settings().stringValue(backup + QStringLiteral(".3")), QStringLiteral("oops"));
  EXPECT_EQ(r.stored(), QByteArray("[]"));
}

// A stored list with junk after it, in it, or cut short keeps every whole rule: a password
// manager marked "never record" is not recorded again.
TEST(AppRules, DamagedStoredTextKeepsEveryWholeRule) {
  const QByteArray rules = R"([{"bundleID":"org.keepassxc.KeePassXC","name":"KeePassXC","rule":"never"},)"
                           R"({"bundleID":"org.b","name":"B","rule":"blur"})";
  const QByteArray damaged[] = {rules + "]trailing garbage", rules + ",\x01\x02{{]",
                                rules + R"(,{"bundleID":"org.c","na)", "\x05##" + rules.mid(1) + "]"};
  for (const QByteArray& raw : damaged) {
    SCOPED_TRACE(raw.constData());
    Rules r;
    r.store(raw);
    auto opened = r.open();
    EXPECT_EQ(opened->apps(), (QList<AppRuleEntry>{entry("org.keepassxc.KeePassXC", AppRule::never, "KeePassXC"),
                                                   entry("org.b", AppRule::blur, "B")}));
    EXPECT_EQ(r.settings().dataValue(QString::fromLatin1(AppRulesManager::kBackupKey)), raw);
    EXPECT_EQ(AppRulesManager::decode(r.stored()).entries, opened->apps());
    EXPECT_TRUE(r.settings().lostStoredValues());
  }
}

TEST(AppRules, RegisteredAsAService) {
  FakeItemContext fake;
  fake.context->settings->setData(QStringLiteral("qv.ignoredApps"), R"([{"bundleID":"x","name":"X","rule":"blur"}])");
  installItemServices(*fake.context);
  ASSERT_TRUE(fake.context->appRules);
  EXPECT_EQ(fake.context->appRules->rule(QStringLiteral("x.y")), AppRule::blur);
}

}  // namespace
}  // namespace qv
