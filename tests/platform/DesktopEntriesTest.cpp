#include "platform/DesktopEntries.h"
#include "support/SideFileHelpers.h"

#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace qv {
namespace {

struct XdgDesktopEntriesTest : ::testing::Test {
  QTemporaryDir root;
  QString user() const { return root.path() + QStringLiteral("/home/applications"); }
  QString system() const { return root.path() + QStringLiteral("/usr/applications"); }
  XdgDesktopEntries entries{QStringList{user(), system()}};
};

TEST_F(XdgDesktopEntriesTest, FindsEntriesByIdInOrderOfPrecedence) {
  ASSERT_TRUE(test::writeTestFile(system() + QStringLiteral("/org.gnome.TextEditor.desktop"),
                                  "[Desktop Entry]\nName=Text Editor\nName[de]=Texteditor\nIcon=org.gnome.TextEditor\n"
                                  "Exec=gnome-text-editor %U\nStartupWMClass=gnome-text-editor\n"
                                  "[Desktop Action new-window]\nName=New Window\n"));
  ASSERT_TRUE(test::writeTestFile(user() + QStringLiteral("/org.example.Mine.desktop"),
                                  "# mine\n[Desktop Entry]\nName=Mine\\sApp\n"));
  ASSERT_TRUE(test::writeTestFile(system() + QStringLiteral("/org.example.Mine.desktop"),
                                  "[Desktop Entry]\nName=System Mine\n"));

  const auto editor = entries.entry(QStringLiteral("org.gnome.TextEditor"));
  ASSERT_TRUE(editor);
  EXPECT_EQ(editor->name, QStringLiteral("Text Editor"));  // untranslated, not the action's name
  EXPECT_EQ(editor->iconName, QStringLiteral("org.gnome.TextEditor"));
  EXPECT_EQ(editor->startupWMClass, QStringLiteral("gnome-text-editor"));
  EXPECT_EQ(editor->path, system() + QStringLiteral("/org.gnome.TextEditor.desktop"));
  EXPECT_EQ(entries.entry(QStringLiteral("org.example.Mine"))->name, QStringLiteral("Mine App"));
  EXPECT_FALSE(entries.entry(QStringLiteral("org.example.Absent")));
  EXPECT_FALSE(entries.entry(QStringLiteral("../usr/applications/org.gnome.TextEditor")));
  EXPECT_FALSE(entries.entry(QString()));
}

TEST_F(XdgDesktopEntriesTest, NestedIdsHiddenEntriesAndNonEntries) {
  ASSERT_TRUE(test::writeTestFile(system() + QStringLiteral("/kde/dolphin.desktop"), "[Desktop Entry]\nName=Dolphin\n"));
  ASSERT_TRUE(test::writeTestFile(user() + QStringLiteral("/org.example.Gone.desktop"), "[Desktop Entry]\nHidden=true\n"));
  ASSERT_TRUE(test::writeTestFile(system() + QStringLiteral("/org.example.Gone.desktop"), "[Desktop Entry]\nName=Gone\n"));
  ASSERT_TRUE(test::writeTestFile(system() + QStringLiteral("/org.example.Junk.desktop"), QByteArray("\x00\xff\x13", 3)));

  EXPECT_EQ(entries.entry(QStringLiteral("kde-dolphin"))->name, QStringLiteral("Dolphin"));
  EXPECT_FALSE(entries.entry(QStringLiteral("org.example.Gone")));  // hidden by the user: uninstalled
  EXPECT_FALSE(entries.entry(QStringLiteral("org.example.Junk")));
  EXPECT_FALSE(entries.entryAt(root.path() + QStringLiteral("/none.desktop")));
}

TEST_F(XdgDesktopEntriesTest, IconsByPathAndNeverNullFallbacks) {
  QImage red(8, 8, QImage::Format_ARGB32);
  red.fill(Qt::red);
  const QString iconPath = root.path() + QStringLiteral("/icon.png");
  ASSERT_TRUE(red.save(iconPath));
  EXPECT_FALSE(entries.icon(iconPath).isNull());
  EXPECT_TRUE(entries.icon(root.path() + QStringLiteral("/missing.png")).isNull());
  EXPECT_TRUE(entries.icon(QString()).isNull());
  EXPECT_FALSE(entries.fileManagerIcon().isNull());
  EXPECT_FALSE(entries.genericApplicationIcon().isNull());
}

TEST(DesktopEntryFolders, ComeFromXdgVariables) {
  qputenv("XDG_DATA_HOME", "/h/data");
  qputenv("XDG_DATA_DIRS", "/a/share/:/b/share");
  EXPECT_EQ(XdgDesktopEntries::applicationFoldersFromEnvironment(),
            (QStringList{QStringLiteral("/h/data/applications"), QStringLiteral("/a/share/applications"),
                         QStringLiteral("/b/share/applications")}));
  qunsetenv("XDG_DATA_HOME");
  qunsetenv("XDG_DATA_DIRS");
}

}  // namespace
}  // namespace qv
