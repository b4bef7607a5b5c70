#include "platform/DesktopEntries.h"
#include "platform/DesktopEntryIndex.h"
#include "support/SideFileHelpers.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QTemporaryDir>
#include <atomic>
#include <thread>

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
  ASSERT_TRUE(
      test::writeTestFile(system() + QStringLiteral("/kde/dolphin.desktop"), "[Desktop Entry]\nName=Dolphin\n"));
  ASSERT_TRUE(
      test::writeTestFile(user() + QStringLiteral("/org.example.Gone.desktop"), "[Desktop Entry]\nHidden=true\n"));
  ASSERT_TRUE(
      test::writeTestFile(system() + QStringLiteral("/org.example.Gone.desktop"), "[Desktop Entry]\nName=Gone\n"));
  ASSERT_TRUE(
      test::writeTestFile(system() + QStringLiteral("/org.example.Junk.desktop"), QByteArray("\x00\xff\x13", 3)));

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

// Entries as a desktop has them: reverse-DNS ids, a settings entry running the same program
// with an option, a StartupWMClass, a nested id, and entries that are not to be offered.
struct DesktopEntryIndexTest : XdgDesktopEntriesTest {
  void SetUp() override {
    const QList<std::pair<QString, QByteArray>> files = {
        {system() + QStringLiteral("/org.xfce.mousepad-settings.desktop"),
         "[Desktop Entry]\nType=Application\nName=Mousepad Settings\nExec=mousepad --preferences\n"},
        {system() + QStringLiteral("/org.xfce.mousepad.desktop"),
         "[Desktop Entry]\nType=Application\nName=Mousepad\nIcon=org.xfce.mousepad\nExec=mousepad %U\n"
         "[Desktop Action preferences]\nExec=mousepad --preferences\n"},
        {system() + QStringLiteral("/org.example.Terminal.desktop"),
         "[Desktop Entry]\nName=Terminal\nExec=env LANG=C \"/opt/term/bin/term wrapper\" "
         "-e\nStartupWMClass=Xterm-Custom\n"},
        {system() + QStringLiteral("/kde/dolphin.desktop"), "[Desktop Entry]\nName=Dolphin\nExec=dolphin\n"},
        {system() + QStringLiteral("/org.example.Helper.desktop"),
         "[Desktop Entry]\nName=Helper\nNoDisplay=true\nExec=helper\n"},
        {user() + QStringLiteral("/org.example.Removed.desktop"), "[Desktop Entry]\nHidden=true\n"},
        {system() + QStringLiteral("/org.example.Removed.desktop"), "[Desktop Entry]\nName=Removed\nExec=removed\n"},
        {system() + QStringLiteral("/org.example.Website.desktop"), "[Desktop Entry]\nType=Link\nName=Website\n"},
        {system() + QStringLiteral("/picom.desktop"), "[Desktop Entry]\nName=picom\nExec=picom\n"},
        {system() + QStringLiteral("/org.example.Flat.desktop"),
         "[Desktop Entry]\nName=Flat\nExec=/usr/bin/flatpak run org.example.Flat\n"},
    };
    for (const auto& [path, contents] : files) ASSERT_TRUE(test::writeTestFile(path, contents));
  }
  // Every folder as if it had last changed an hour ago, so that the index counts as settled.
  void ageFolders() {
    const timespec hourAgo{time(nullptr) - 3600, 0};
    const timespec times[2] = {hourAgo, hourAgo};
    QDirIterator it(root.path(), QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(it.next()).constData(), times, 0), 0);
  }
};

TEST_F(DesktopEntryIndexTest, ProgramsResolveToTheirEntries) {
  const auto index = entries.index();
  const struct {
    const char* windowClass;
    const char* executable;
    const char* id;
  } cases[] = {
      {"Mousepad", "/usr/bin/mousepad", "org.xfce.mousepad"},  // the plain launch, not the settings
      {"", "/elsewhere/mousepad", "org.xfce.mousepad"},        // by the program's name
      {"Xterm-Custom", "/usr/bin/anything", "org.example.Terminal"},
      {"xterm-custom", "", "org.example.Terminal"},                // the class in another case
      {"", "/opt/term/bin/term wrapper", "org.example.Terminal"},  // by the program's path
      {"kde-dolphin", "", "kde-dolphin"},                          // by the entry's name
      {"", "/usr/bin/helper", "org.example.Helper"},               // not offered, still known
      {"", "/usr/bin/removed", ""},                                // hidden by the user
      {"", "/usr/bin/flatpak", ""},                                // a launcher names no application
      {"Unknown", "/usr/bin/unknown", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(index->idOfProgram(QString::fromUtf8(c.windowClass), QString::fromUtf8(c.executable)),
              QString::fromUtf8(c.id))
        << c.windowClass << " " << c.executable;
  EXPECT_EQ(index->idOfFile(system() + QStringLiteral("/kde/../kde/dolphin.desktop")), QStringLiteral("kde-dolphin"));
  EXPECT_EQ(index->idOfFile(user() + QStringLiteral("/org.example.Removed.desktop")), QString());
  EXPECT_EQ(entries.entry(QStringLiteral("org.xfce.mousepad"))->iconName, QStringLiteral("org.xfce.mousepad"));
}

TEST_F(DesktopEntryIndexTest, TheChooserListsWhatMayBeOfferedByName) {
  QStringList names;
  for (const DesktopEntry& entry : entries.index()->applications()) names << entry.name;
  // Without regard to case: a lower-case name among the capitals.
  EXPECT_EQ(names,
            (QStringList{QStringLiteral("Dolphin"), QStringLiteral("Flat"), QStringLiteral("Mousepad"),
                         QStringLiteral("Mousepad Settings"), QStringLiteral("picom"), QStringLiteral("Terminal")}));
}

TEST_F(DesktopEntryIndexTest, ReadOnceAndAgainWhenAFolderChanges) {
  ageFolders();
  const auto first = entries.index();
  EXPECT_EQ(entries.index(), first) << "nothing changed: the same index";
  ASSERT_TRUE(test::writeTestFile(user() + QStringLiteral("/org.example.New.desktop"), "[Desktop Entry]\nName=New\n"));
  ASSERT_TRUE(
      test::writeTestFile(system() + QStringLiteral("/kde/konsole.desktop"), "[Desktop Entry]\nName=Konsole\n"));
  const auto second = entries.index();
  EXPECT_NE(second, first);
  EXPECT_TRUE(second->entry(QStringLiteral("org.example.New")));
  EXPECT_TRUE(second->entry(QStringLiteral("kde-konsole")));
  EXPECT_FALSE(first->entry(QStringLiteral("org.example.New"))) << "an index never changes";

  // Threads share the index while the folders change under them.
  std::atomic<int> found{0};
  std::vector<std::thread> readers;
  for (int t = 0; t < 4; ++t)
    readers.emplace_back([&] {
      for (int i = 0; i < 50; ++i)
        if (entries.index()->idOfProgram({}, QStringLiteral("/usr/bin/mousepad")) == QLatin1String("org.xfce.mousepad"))
          ++found;
    });
  for (int i = 0; i < 20; ++i)
    test::writeTestFile(user() + QStringLiteral("/org.example.Churn%1.desktop").arg(i), "[Desktop Entry]\nName=C\n");
  for (std::thread& reader : readers) reader.join();
  EXPECT_EQ(found, 200);
  EXPECT_TRUE(entries.entry(QStringLiteral("org.example.Churn19")));
}

// The desktop's file manager is what it opens folders with: the first installed entry its
// association lists name, else an installed entry that opens folders.
TEST(DesktopEntryDefaults, TheFirstInstalledDefaultElseAnEntryThatOpensTheType) {
  const auto entry = [](const char* id, QStringList mimeTypes = {}) {
    DesktopEntry made;
    made.id = QString::fromLatin1(id);
    made.name = made.id;
    made.mimeTypes = std::move(mimeTypes);
    return made;
  };
  const DesktopEntry thunar = entry("thunar", {QStringLiteral("inode/directory")});
  const DesktopEntry dolphin = entry("org.kde.dolphin", {QStringLiteral("inode/directory")});
  const DesktopEntry editor = entry("org.gnome.TextEditor");
  const auto both = DesktopEntryIndex::of({thunar, dolphin, editor});
  const QByteArray prefersDolphin = "[Default Applications]\ninode/directory=org.kde.dolphin.desktop;\n";
  const QByteArray namesAGoneOne =
      "[Default Applications]\ninode/directory=org.gnome.Nautilus.desktop;thunar.desktop\n";
  const QByteArray otherGroupsOnly = "[Added Associations]\ninode/directory=org.kde.dolphin.desktop;\n";
  const struct {
    const char* name;
    QList<QByteArray> lists;
    std::shared_ptr<const DesktopEntryIndex> index;
    QString expected;
  } cases[] = {
      {"the first list that names an installed one", {prefersDolphin, namesAGoneOne}, both, "org.kde.dolphin"},
      {"a named one that is gone is passed over", {namesAGoneOne, prefersDolphin}, both, "thunar"},
      {"no default: an entry that opens folders",
       {otherGroupsOnly},
       DesktopEntryIndex::of({editor, dolphin}),
       "org.kde.dolphin"},
      {"nothing opens folders", {namesAGoneOne}, DesktopEntryIndex::of({editor}), ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(defaultApplicationFor(QStringLiteral("inode/directory"), c.lists, *c.index), c.expected) << c.name;
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

namespace qv {

TEST(DesktopEntryLaunch, CommandDropsFieldCodesAndKeepsQuotedWords) {
  const std::pair<QString, QStringList> cases[] = {
      {"gedit %U", {"gedit"}},
      {"env A=1 \"/opt/My App/run\" --new-window %f", {"env", "A=1", "/opt/My App/run", "--new-window"}},
      {"calc --rate=100%% %i", {"calc", "--rate=100%"}},
      {"", {}},
  };
  for (const auto& [exec, command] : cases) EXPECT_EQ(launchCommand(exec), command) << exec.toStdString();
}

}  // namespace qv

namespace qv {
namespace {

const QString kTrickyName = QStringLiteral("/tmp/say \"hi\"\nthen 'bye' $HOME;rm -rf.txt");

struct LaunchCase {
  const char* name;
  QString exec;
  LaunchInputs inputs;
  QList<QStringList> commands;
};

class LaunchCommands : public ::testing::TestWithParam<LaunchCase> {};

TEST_P(LaunchCommands, GiveEachInputAsOneWholeArgument) {
  EXPECT_EQ(launchCommands(GetParam().exec, GetParam().inputs), GetParam().commands);
}

const QUrl kFile = QUrl::fromLocalFile(kTrickyName);
const QUrl kOther = QUrl::fromLocalFile(QStringLiteral("/b.txt"));
const QUrl kWeb = QUrl(QStringLiteral("https://example.org/a b"));

INSTANTIATE_TEST_SUITE_P(
    ExecLines, LaunchCommands,
    ::testing::Values(
        LaunchCase{"FileList", "gedit %F", {{kFile, kOther}, {}, {}, {}}, {{"gedit", kTrickyName, "/b.txt"}}},
        LaunchCase{"OneFileAtATime",
                   "viewer --open %f",
                   {{kFile, kOther}, {}, {}, {}},
                   {{"viewer", "--open", kTrickyName}, {"viewer", "--open", "/b.txt"}}},
        LaunchCase{"UrlsEncoded",
                   "browser %U",
                   {{kFile, kWeb}, {}, {}, {}},
                   {{"browser", kFile.toString(QUrl::FullyEncoded), "https://example.org/a%20b"}}},
        LaunchCase{"CodeInsideAWord", "app --file=%f", {{kOther}, {}, {}, {}}, {{"app", "--file=/b.txt"}}},
        LaunchCase{"EntryCodes",
                   "app %i %c %k %u",
                   {{kWeb}, "app-icon", "My App", "/apps/app.desktop"},
                   {{"app", "--icon", "app-icon", "My App", "/apps/app.desktop", "https://example.org/a%20b"}}},
        LaunchCase{"EmptyEntryCodesLeaveNothing", "app %i %k %U", {{}, {}, {}, {}}, {{"app"}}},
        LaunchCase{"DeprecatedCodesDropped", "app %d %N %m %f", {{kOther}, {}, {}, {}}, {{"app", "/b.txt"}}},
        LaunchCase{"QuotedProgramAndPercent",
                   "\"/opt/My App/run\" --rate=100%% %f",
                   {{kOther}, {}, {}, {}},
                   {{"/opt/My App/run", "--rate=100%", "/b.txt"}}},
        LaunchCase{"AddressToFilesOnlyLine", "viewer %F", {{kWeb}, {}, {}, {}}, {}},
        LaunchCase{"UnclosedQuote", "\"app %f", {{kOther}, {}, {}, {}}, {}},
        LaunchCase{"NoProgram", "   ", {{kOther}, {}, {}, {}}, {}},
        LaunchCase{"CodeAsProgram", "%f --x", {{kOther}, {}, {}, {}}, {}},
        LaunchCase{"UnknownCode", "app %z %f", {{kOther}, {}, {}, {}}, {}},
        LaunchCase{"ListCodeInsideAWord", "app --all=%F", {{kOther}, {}, {}, {}}, {}},
        LaunchCase{"FilesAndUrlsMixed", "app %f %U", {{kOther}, {}, {}, {}}, {}},
        LaunchCase{"TrailingPercent", "app 50%", {{}, {}, {}, {}}, {}},
        LaunchCase{"CodeInsideQuotes", "sh -c \"cat %f > /dev/null\"", {{kFile}, {}, {}, {}}, {}},
        LaunchCase{"EscapedCodeInsideQuotes", "app \"\\%f\"", {{kOther}, {}, {}, {}}, {}},
        LaunchCase{"EntryCodeInsideQuotes", "app \"--title=%c\" %f", {{kOther}, {}, "Name", {}}, {}},
        LaunchCase{"PercentSignInsideQuotes", "app \"100%%\" %f", {{kOther}, {}, {}, {}}, {{"app", "100%", "/b.txt"}}},
        LaunchCase{"InputAsShellCommand", "sh -c %f", {{kFile}, {}, {}, {}}, {}},
        LaunchCase{"InputJoinedToShellCommand", "bash -lc cat%U", {{kWeb}, {}, {}, {}}, {}},
        LaunchCase{"InputAsBusyboxShellCommand", "busybox sh -c %f", {{kFile}, {}, {}, {}}, {}},
        LaunchCase{"InputAsPythonCode", "python3 -c %f", {{kFile}, {}, {}, {}}, {}},
        LaunchCase{"InputJoinedToPerlCode", "perl -ne%f", {{kFile}, {}, {}, {}}, {}},
        LaunchCase{"InputAsAwkProgram", "awk -F : %f", {{kFile}, {}, {}, {}}, {}},
        LaunchCase{"InputSplitByEnv", "env -S %f", {{kFile}, {}, {}, {}}, {}},
        LaunchCase{"ShellGetsTheInputAsAnArgument",
                   "env A=1 sh -c \"cat \\\"\\$1\\\"\" sh %f",
                   {{kFile}, {}, {}, {}},
                   {{"env", "A=1", "sh", "-c", "cat \"$1\"", "sh", kTrickyName}}},
        LaunchCase{
            "AwkProgramFromAFile", "awk -f /x.awk %f", {{kOther}, {}, {}, {}}, {{"awk", "-f", "/x.awk", "/b.txt"}}},
        LaunchCase{"RelativePath", "viewer %f", {{QUrl::fromLocalFile(QStringLiteral("-rf"))}, {}, {}, {}}, {}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(DesktopEntryLaunch, ExecInputsTellHowALineTakesWhatItOpens) {
  const std::pair<QString, ExecInputs> cases[] = {
      {"gedit", ExecInputs::none},     {"eog %f", ExecInputs::file},     {"eog %F", ExecInputs::files},
      {"firefox %u", ExecInputs::url}, {"firefox %U", ExecInputs::urls}, {"\"x %u", ExecInputs::broken},
      {"", ExecInputs::broken},        {"x %f %u", ExecInputs::broken},  {"x %F %F", ExecInputs::files},
  };
  for (const auto& [exec, expected] : cases) EXPECT_EQ(execInputs(exec), expected) << exec.toStdString();
}

TEST(DesktopEntryParsing, ReadsTheTypesAnApplicationOpens) {
  const auto entry = parseDesktopEntry(
      "[Desktop Entry]\nName=Viewer\nExec=viewer %F\nMimeType=image/png;image/jpeg;\n");
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->mimeTypes, (QStringList{"image/png", "image/jpeg"}));
}

}  // namespace
}  // namespace qv
