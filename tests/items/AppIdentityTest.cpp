#include "items/ItemServices.h"
#include "items/identity/AppIdentity.h"
#include "support/items/FakeItemContext.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

DesktopEntry app(const QString& id, const QString& name = {}, const QString& iconName = {}) {
  DesktopEntry entry;
  entry.id = id;
  entry.name = name;
  entry.iconName = iconName;
  return entry;
}

QColor iconColor(const QIcon& icon) { return icon.pixmap(16, 16).toImage().pixelColor(8, 8); }

struct AppIdentityTest : ::testing::Test {
  FakeItemContext fake;
  AppIdentity& identity() { return *fake.context->appIdentity; }
  void SetUp() override {
    installItemServices(*fake.context);
    fake.desktopEntries->install(app(QStringLiteral("org.gnome.TextEditor"), QStringLiteral("Text Editor"),
                                     QStringLiteral("org.gnome.TextEditor")));
    fake.desktopEntries->addIcon(QStringLiteral("org.gnome.TextEditor"), Qt::green);
  }
};

TEST_F(AppIdentityTest, InstalledApplicationGivesItsNameAndIcon) {
  EXPECT_EQ(identity().appName(QStringLiteral("org.gnome.TextEditor")), QStringLiteral("Text Editor"));
  EXPECT_EQ(iconColor(identity().appIcon(QStringLiteral("org.gnome.TextEditor"))), QColor(Qt::green));
}

TEST_F(AppIdentityTest, UnknownIdentifiersFallBackToFileManagerIconAndLastComponent) {
  EXPECT_EQ(identity().appName(QStringLiteral("com.example.Tool")), QStringLiteral("Tool"));
  EXPECT_EQ(identity().appName(QStringLiteral("com.example.")), QString());
  EXPECT_EQ(identity().appName(QStringLiteral("standalone")), QStringLiteral("standalone"));
  EXPECT_EQ(identity().appName(QString()), QString());
  // The nearby-device source is looked up like any other id; callers show "Nearby Device".
  EXPECT_EQ(identity().appName(QStringLiteral("com.apple.universalclipboard.handoff")), QStringLiteral("handoff"));
  EXPECT_EQ(iconColor(identity().appIcon(QStringLiteral("com.example.Tool"))), QColor(Qt::blue));
}

TEST_F(AppIdentityTest, EntryWithoutNameOrIconUsesTheFallbacks) {
  fake.desktopEntries->install(app(QStringLiteral("org.example.Bare"), {}, QStringLiteral("not-in-theme")));
  EXPECT_EQ(identity().appName(QStringLiteral("org.example.Bare")), QStringLiteral("Bare"));
  EXPECT_EQ(iconColor(identity().appIcon(QStringLiteral("org.example.Bare"))), QColor(Qt::gray));
}

TEST_F(AppIdentityTest, EachIdentifierIsLookedUpOncePerProcess) {
  const QString id = QStringLiteral("org.gnome.TextEditor");
  identity().appName(id);
  identity().appName(id);
  EXPECT_EQ(fake.desktopEntries->entryLookups, 1);
  EXPECT_EQ(fake.desktopEntries->fileReads, 1);
  identity().appIcon(id);
  identity().appIcon(id);
  EXPECT_EQ(fake.desktopEntries->entryLookups, 2);

  // A later install keeps the first answer for the life of the process.
  identity().appName(QStringLiteral("org.example.Later"));
  fake.desktopEntries->install(app(QStringLiteral("org.example.Later"), QStringLiteral("Later App")));
  EXPECT_EQ(identity().appName(QStringLiteral("org.example.Later")), QStringLiteral("Later"));
  EXPECT_EQ(fake.desktopEntries->entryLookups, 3);
}

TEST_F(AppIdentityTest, BundleNameReadsTheDesktopFile) {
  EXPECT_EQ(identity().bundleName(QStringLiteral("/usr/share/applications/org.gnome.TextEditor.desktop")),
            std::optional<QString>(QStringLiteral("Text Editor")));
  EXPECT_EQ(identity().bundleName(QStringLiteral("/nowhere.desktop")), std::nullopt);
}

}  // namespace
}  // namespace qv
