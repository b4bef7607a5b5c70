#include "items/ItemServices.h"
#include "items/identity/AppIdentity.h"
#include "platform/fake/FakeDesktopEntries.h"
#include "platform/fake/FakeScheduler.h"
#include "platform/fake/FakeSerialQueue.h"
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

TEST_F(AppIdentityTest, EachIdentifierIsLookedUpOncePerProcessWithoutReadingAFile) {
  const QString id = QStringLiteral("org.gnome.TextEditor");
  identity().appName(id);
  const int lookups = fake.desktopEntries->indexLookups;
  identity().appName(id);
  EXPECT_EQ(fake.desktopEntries->indexLookups, lookups);
  EXPECT_EQ(fake.desktopEntries->fileReads, 0);  // the name comes from the index
  identity().appIcon(id);
  identity().appIcon(id);
  EXPECT_EQ(fake.desktopEntries->indexLookups, lookups + 1);

  // A later install keeps the first answer for the life of the process.
  identity().appName(QStringLiteral("org.example.Later"));
  fake.desktopEntries->install(app(QStringLiteral("org.example.Later"), QStringLiteral("Later App")));
  EXPECT_EQ(identity().appName(QStringLiteral("org.example.Later")), QStringLiteral("Later"));
  EXPECT_EQ(fake.desktopEntries->indexLookups, lookups + 2);
}

// The index is made on its queue from the start; until it arrives on the main thread an id is
// answered as an unknown one, and that answer is not kept.
TEST(AppIdentityIndex, IsMadeOnItsQueueAndAnswersAreKeptOnlyOnceItArrived) {
  auto entries = std::make_shared<FakeDesktopEntries>();
  entries->madeOnFirstIndex = true;
  entries->install(app(QStringLiteral("org.gnome.TextEditor"), QStringLiteral("Text Editor"),
                       QStringLiteral("org.gnome.TextEditor")));
  entries->addIcon(QStringLiteral("org.gnome.TextEditor"), Qt::green);
  auto queue = std::make_shared<FakeSerialQueue>(QStringLiteral("desktopEntries"));
  auto scheduler = std::make_shared<FakeScheduler>();
  AppIdentity identity(entries, queue, scheduler);
  int arrivals = 0;
  identity.setOnIndexArrived([&] { ++arrivals; });
  EXPECT_EQ(queue->pendingCount(), 1);

  EXPECT_EQ(identity.appName(QStringLiteral("org.gnome.TextEditor")), QStringLiteral("TextEditor"));
  EXPECT_EQ(iconColor(identity.appIcon(QStringLiteral("org.gnome.TextEditor"))), QColor(Qt::blue));
  queue->runAll();
  EXPECT_FALSE(identity.hasIndex());  // made, but not yet on the main thread
  EXPECT_EQ(arrivals, 0);
  scheduler->runPending();
  EXPECT_EQ(arrivals, 1);
  EXPECT_EQ(identity.appName(QStringLiteral("org.gnome.TextEditor")), QStringLiteral("Text Editor"));
  EXPECT_EQ(iconColor(identity.appIcon(QStringLiteral("org.gnome.TextEditor"))), QColor(Qt::green));
  EXPECT_EQ(entries->fileReads, 0);
}

TEST_F(AppIdentityTest, BundleNameReadsTheDesktopFile) {
  EXPECT_EQ(identity().bundleName(QStringLiteral("/usr/share/applications/org.gnome.TextEditor.desktop")),
            std::optional<QString>(QStringLiteral("Text Editor")));
  EXPECT_EQ(identity().bundleName(QStringLiteral("/nowhere.desktop")), std::nullopt);
}

}  // namespace
}  // namespace qv
