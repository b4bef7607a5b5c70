#include "platform/DesktopSharePicker.h"
#include "platform/Paths.h"
#include "platform/fake/FakeDesktopEntries.h"
#include "platform/fake/FakeScheduler.h"
#include "platform/fake/FakeSerialQueue.h"
#include "support/HostileNames.h"
#include "support/base/NonUtf8Names.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace qv {
namespace {

DesktopEntry application(const QString& id, const QString& name, const QString& exec, const QStringList& types,
                         bool noDisplay = false) {
  DesktopEntry entry;
  entry.id = id;
  entry.name = name;
  entry.iconName = id;
  entry.exec = exec;
  entry.type = QStringLiteral("Application");
  entry.noDisplay = noDisplay;
  entry.mimeTypes = types;
  entry.path = QStringLiteral("/usr/share/applications/") + id + QStringLiteral(".desktop");
  return entry;
}

int modeOf(const QString& path) {
  struct stat info {};
  if (::stat(QFile::encodeName(path).constData(), &info) != 0) return -1;
  return int(info.st_mode & 0777);
}

// The real picker over declared applications, with the default application and the commands it
// starts in the test's hands.
struct SharePickerFixture : ::testing::Test {
  SharePickerFixture() {
    for (const DesktopEntry& entry : {
             application("org.gnome.TextEditor", "Text Editor", "gnome-text-editor %U", {"text/plain"}),
             application("mousepad", "Mousepad", "mousepad %F", {"text/plain", "text/x-python"}),
             application("c-viewer", "C Viewer", "cview %f", {"text/x-csrc"}),
             application("eog", "Image Viewer", "eog %U", {"image/png", "image/jpeg"}),
             application("firefox", "Firefox", "firefox %u", {"x-scheme-handler/https", "text/html"}),
             application("files-only-browser", "Old Browser", "oldbrowser %F", {"x-scheme-handler/https"}),
             application("hidden", "Hidden Helper", "helper %F", {"text/plain"}, true),
             application("broken", "Broken", "\"broken %F", {"text/plain", "image/png"}),
             application("io.github.quorvalen.Quorvalen", "Quorvalen", "quorvalen %F", {"text/plain"}),
         })
      entries->install(entry);
    DesktopSharePicker::Options options;
    options.queryDefault = [this](const QString& mimeType, std::function<void(const QString&)> answer) {
      askedDefaults << mimeType;
      answer(defaults.value(mimeType));
    };
    options.start = [this](const QStringList& command) {
      started << command;
      return startSucceeds;
    };
    options.offersEmail = true;
    picker = std::make_unique<DesktopSharePicker>(
        entries, scheduler, [this] { return queue; }, folder(), options);
  }
  QString folder() const { return root.path() + QStringLiteral("/run/quorvalen-shared-1000"); }
  QStringList titles(const QList<ShareItem>& items) {
    QStringList result;
    picker->listTargets(items, [&](const QList<ShareTarget>& targets) {
      for (const ShareTarget& target : targets) result << (target.isDefault ? u'*' + target.title : target.title);
    });
    return result;
  }
  std::optional<bool> share(const QString& desktopId, const QList<ShareItem>& items,
                            ShareTarget::Kind kind = ShareTarget::Kind::application) {
    std::optional<bool> result;
    picker->share({kind, desktopId, {}, {}, false}, items, [&](bool ok) { result = ok; });
    queue->runAll();
    scheduler->runPending();
    return result;
  }

  QTemporaryDir root;
  std::shared_ptr<FakeDesktopEntries> entries = std::make_shared<FakeDesktopEntries>();
  std::shared_ptr<FakeScheduler> scheduler = std::make_shared<FakeScheduler>();
  std::shared_ptr<FakeSerialQueue> queue = std::make_shared<FakeSerialQueue>(QStringLiteral("share"));
  QHash<QString, QString> defaults;
  QStringList askedDefaults;
  QList<QStringList> started;
  bool startSucceeds = true;
  std::unique_ptr<DesktopSharePicker> picker;
};

TEST_F(SharePickerFixture, OffersTheDefaultApplicationFirstThenTheOthersThatOpenTheTypeThenEmail) {
  const QString email = QString::fromUtf16(kEmailTargetTitle);
  defaults.insert(QStringLiteral("text/plain"), QStringLiteral("mousepad.desktop"));
  defaults.insert(QStringLiteral("x-scheme-handler/https"), QStringLiteral("firefox.desktop"));
  const QString python = root.filePath(QStringLiteral("tool.py"));
  QFile(python).open(QIODevice::WriteOnly);
  const std::pair<QList<ShareItem>, QStringList> cases[] = {
      {{ShareItem::ofText("hi")}, {"*Mousepad", "Text Editor", email}},
      {{ShareItem::ofImage(QImage(4, 4, QImage::Format_RGB32))}, {"Image Viewer", email}},
      // Only lines that take URLs get an address.
      {{ShareItem::ofLink(QUrl("https://example.org"))}, {"*Firefox", email}},
      // A Python file is a text file: the applications for plain text open it too.
      {{ShareItem::ofFile(QUrl::fromLocalFile(python))}, {"Mousepad", "Text Editor", email}},
  };
  for (const auto& [items, expected] : cases) EXPECT_EQ(titles(items), expected);
  EXPECT_EQ(askedDefaults.first(), QStringLiteral("text/plain"));
}

TEST_F(SharePickerFixture, ATextGoesAsAPrivateFileThatIsRemovedAtQuit) {
  ASSERT_EQ(share(QStringLiteral("mousepad"), {ShareItem::ofText(QString::fromUtf8("caf\u00e9\r\n"))}), true);
  const QString first = folder() + QStringLiteral("/Clipboard Text.txt");
  EXPECT_EQ(started, (QList<QStringList>{{"mousepad", first}}));
  EXPECT_EQ(modeOf(folder()), 0700);
  EXPECT_EQ(modeOf(first), 0600);
  QFile file(first);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), QString::fromUtf8("caf\u00e9\r\n").toUtf8());
  // An earlier share's file may still be read: the next one gets its own.
  share(QStringLiteral("org.gnome.TextEditor"), {ShareItem::ofText("again")});
  EXPECT_EQ(started.last(),
            (QStringList{
                "gnome-text-editor",
                QUrl::fromLocalFile(folder() + QStringLiteral("/Clipboard Text 2.txt")).toString(QUrl::FullyEncoded)}));
  picker->removeSharedFiles();
  EXPECT_FALSE(QFileInfo::exists(folder()));
}

TEST_F(SharePickerFixture, APictureGoesAsAPngAndAStoredPngIsCopiedAsItIs) {
  QImage picture(8, 6, QImage::Format_RGB32);
  picture.fill(Qt::red);
  ASSERT_EQ(share(QStringLiteral("eog"), {ShareItem::ofImage(picture)}), true);
  const QString written = folder() + QStringLiteral("/Clipboard Image.png");
  EXPECT_EQ(QImage(written).size(), QSize(8, 6));
  EXPECT_EQ(modeOf(written), 0600);
  const QString stored = root.filePath(QStringLiteral("stored.png"));
  ASSERT_TRUE(picture.save(stored));
  share(QStringLiteral("eog"), {ShareItem::ofImage(QImage(), stored)});
  QFile copy(folder() + QStringLiteral("/Clipboard Image 2.png")), original(stored);
  ASSERT_TRUE(copy.open(QIODevice::ReadOnly) && original.open(QIODevice::ReadOnly));
  EXPECT_EQ(copy.readAll(), original.readAll());
}

TEST_F(SharePickerFixture, AFileWithQuotesAndLineBreaksInItsNameIsOneArgument) {
  const QString name = root.filePath(QStringLiteral("a \"quoted\"\nname; $(rm).txt"));
  QFile(name).open(QIODevice::WriteOnly);
  share(QStringLiteral("mousepad"), {ShareItem::ofFile(QUrl::fromLocalFile(name))});
  share(QString(), {ShareItem::ofFile(QUrl::fromLocalFile(name))}, ShareTarget::Kind::email);
  EXPECT_EQ(started, (QList<QStringList>{{"mousepad", name}, {"xdg-email", "--attach", name}}));
}

TEST_F(SharePickerFixture, AFileWhoseNameIsNotUtf8IsHandedOverByItsOwnBytes) {
  const QString path = test::writeFileNamedInBytes(root.path(), "content");
  ASSERT_FALSE(path.isEmpty());
  const QUrl address = QUrl::fromEncoded("file://" + QFile::encodeName(root.path()) + "/bad%FF%FE%20name.txt");
  share(QStringLiteral("mousepad"), {ShareItem::ofFile(address)});
  share(QString(), {ShareItem::ofFile(address)}, ShareTarget::Kind::email);
  ASSERT_EQ(started.size(), 2);
  const QByteArray bytes = QFile::encodeName(root.path()) + '/' + test::nonUtf8Name();
  EXPECT_EQ(nativePath(started[0].last()), bytes);
  EXPECT_EQ(nativePath(started[1].last()), bytes);
}

TEST_F(SharePickerFixture, EmailPutsAddressesInTheBodyAndAttachesTexts) {
  share(QString(), {ShareItem::ofLink(QUrl("https://example.org/x?y=1"))}, ShareTarget::Kind::email);
  share(QString(), {ShareItem::ofText("note")}, ShareTarget::Kind::email);
  EXPECT_EQ(started, (QList<QStringList>{{"xdg-email", "--body", "https://example.org/x?y=1"},
                                         {"xdg-email", "--attach", folder() + QStringLiteral("/Clipboard Text.txt")}}));
}

TEST_F(SharePickerFixture, ABrokenExecLineOrAGoneApplicationStartsNothing) {
  EXPECT_EQ(share(QStringLiteral("broken"), {ShareItem::ofText("x")}), false);
  EXPECT_EQ(share(QStringLiteral("uninstalled"), {ShareItem::ofText("x")}), false);
  startSucceeds = false;
  EXPECT_EQ(share(QStringLiteral("mousepad"), {ShareItem::ofText("x")}), false);
  EXPECT_EQ(started.size(), 1);
}

TEST_F(SharePickerFixture, NeverWritesThroughALinkPutInPlaceOfTheFolder) {
  QDir().mkpath(root.filePath(QStringLiteral("run")));
  const QString elsewhere = root.filePath(QStringLiteral("elsewhere"));
  QDir().mkpath(elsewhere);
  ASSERT_TRUE(QFile::link(elsewhere, folder()));
  EXPECT_EQ(share(QStringLiteral("mousepad"), {ShareItem::ofText("secret")}), false);
  EXPECT_TRUE(QDir(elsewhere).isEmpty());
  picker->removeSharedFiles();
  EXPECT_TRUE(QFileInfo::exists(elsewhere));
}

// Shares run for real, each to its end, in a folder of their own: a file name that reached a
// shell as command text would leave a file named PWNED there.
struct HostileShares : ::testing::Test {
  HostileShares() {
    const QString recorder = root.filePath(QStringLiteral("record-arguments"));
    QFile script(recorder);
    script.open(QIODevice::WriteOnly);
    script.write("#!/bin/sh\nprintf '%s\\0' \"$@\" > '" + QFile::encodeName(arguments()) + "'\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    for (const auto& [id, exec] : std::initializer_list<std::pair<QString, QString>>{
             {"cat-in-quotes", "sh -c \"cat %f > /dev/null\""},
             {"name-as-shell-code", "sh -c %f"},
             {"escaped-code-in-quotes", "sh -c \"cat \\%f\""},
             {"shell-code-after-options", "bash -ec %f"},
             {"python-code", "python3 -c %f"},
             {"shell-with-positional-path", "sh -c \"cat \\\"\\$1\\\" > /dev/null\" sh %f"},
             {"recorder", "\"" + recorder + "\" %f"},
         })
      entries->install(application(id, id, exec, {"text/plain"}));
    DesktopSharePicker::Options options;
    options.queryDefault = [](const QString&, std::function<void(const QString&)> answer) { answer({}); };
    options.start = [this](const QStringList& command) {
      QProcess process;
      process.setWorkingDirectory(work.path());
      process.setProgram(command.first());
      process.setArguments(command.mid(1));
      process.start();
      return process.waitForFinished(10'000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    };
    options.offersEmail = false;
    options.desktops = QStringList();
    picker = std::make_unique<DesktopSharePicker>(
        entries, scheduler, [this] { return queue; }, root.filePath(QStringLiteral("shared")), options);
  }
  QString arguments() const { return root.filePath(QStringLiteral("arguments")); }
  QStringList recordedArguments() const {
    QFile file(arguments());
    if (!file.open(QIODevice::ReadOnly)) return {};
    QStringList recorded;
    for (const QByteArray& argument : file.readAll().split('\0')) recorded << QFile::decodeName(argument);
    recorded.removeLast();  // after the last terminator
    return recorded;
  }
  QStringList offered(const ShareItem& item) {
    QStringList ids;
    picker->listTargets({item}, [&](const QList<ShareTarget>& targets) {
      for (const ShareTarget& target : targets) ids << target.desktopId;
    });
    return ids;
  }
  std::optional<bool> share(const QString& id, const ShareItem& item) {
    std::optional<bool> result;
    picker->share({ShareTarget::Kind::application, id, {}, {}, false}, {item}, [&](bool ok) { result = ok; });
    queue->runAll();
    scheduler->runPending();
    return result;
  }

  QTemporaryDir root, work;
  std::shared_ptr<FakeDesktopEntries> entries = std::make_shared<FakeDesktopEntries>();
  std::shared_ptr<FakeScheduler> scheduler = std::make_shared<FakeScheduler>();
  std::shared_ptr<FakeSerialQueue> queue = std::make_shared<FakeSerialQueue>(QStringLiteral("share"));
  std::unique_ptr<DesktopSharePicker> picker;
};

TEST_F(HostileShares, ANameNeverRunsACommandAndASoundEntryGetsTheExactPath) {
  const QStringList unusable = {"cat-in-quotes", "name-as-shell-code", "escaped-code-in-quotes",
                                "shell-code-after-options", "python-code"};
  for (const QString& name : test::hostileFileNames()) {
    SCOPED_TRACE(name.toStdString());
    const QString path = root.filePath(name);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("content");
    file.close();
    const ShareItem item = ShareItem::ofFile(QUrl::fromLocalFile(path));
    EXPECT_EQ(offered(item), (QStringList{"recorder", "shell-with-positional-path"}));
    for (const QString& id : unusable) EXPECT_EQ(share(id, item), false) << id.toStdString();
    EXPECT_EQ(share(QStringLiteral("shell-with-positional-path"), item), true) << "cat read the file by its name";
    EXPECT_EQ(share(QStringLiteral("recorder"), item), true);
    EXPECT_EQ(recordedArguments(), QStringList{path});
    EXPECT_FALSE(QFileInfo::exists(work.filePath(QStringLiteral("PWNED"))));
    EXPECT_FALSE(QFileInfo::exists(root.filePath(QStringLiteral("PWNED"))));
    QFile::remove(arguments());
  }
}

TEST(ShareTargetsOffered, OnlyEntriesThatCanShowThemselvesInThisSession) {
  QTemporaryDir root;
  const QString folder = root.filePath(QStringLiteral("applications"));
  QDir().mkpath(folder);
  const auto install = [&folder](const QString& id, const QByteArray& keys) {
    QFile file(folder + u'/' + id + QStringLiteral(".desktop"));
    file.open(QIODevice::WriteOnly);
    file.write("[Desktop Entry]\nType=Application\nName=" + id.toUtf8() + "\nExec=" + id.toUtf8() +
               " %F\nMimeType=text/plain;\n" + keys);
  };
  install("plain", "");
  install("in-a-terminal", "Terminal=true\n");
  install("try-exec-missing", "TryExec=no-such-program-anywhere\n");
  install("try-exec-installed", "TryExec=sh\n");
  install("try-exec-by-path", "TryExec=/bin/sh\n");
  install("only-elsewhere", "OnlyShowIn=GNOME;KDE;\n");
  install("only-here", "OnlyShowIn=GNOME;XFCE;\n");
  install("not-here", "NotShowIn=XFCE;\n");
  install("not-elsewhere", "NotShowIn=KDE;\n");
  install("hidden", "Hidden=true\n");
  install("no-display", "NoDisplay=true\n");
  const auto entries = std::make_shared<XdgDesktopEntries>(QStringList{folder});
  const auto offered = [&entries](const QStringList& desktops) {
    QStringList ids;
    for (const ShareTarget& target :
         DesktopSharePicker::targetsFor({ShareItem::ofText("x")}, *entries->index(), {}, false, desktops))
      ids << target.desktopId;
    return ids;
  };
  EXPECT_EQ(offered({"X-Cinnamon", "XFCE"}),
            (QStringList{"not-elsewhere", "only-here", "plain", "try-exec-by-path", "try-exec-installed"}));
  // Without a named desktop, an entry only for some desktops is for none.
  EXPECT_EQ(offered({}), (QStringList{"not-elsewhere", "not-here", "plain", "try-exec-by-path", "try-exec-installed"}));
}

TEST(SharedFilesFolder, IsInTheRuntimeFolderOnlyWhenThatIsPrivateElseAmongTheCaches) {
  QTemporaryDir root;
  const auto folderWithMode = [&root](const QString& name, int mode) {
    const QString path = root.filePath(name);
    QDir().mkpath(path);
    ::chmod(QFile::encodeName(path).constData(), mode);
    return path;
  };
  const QString user = QString::number(::getuid());
  const QString caches = root.filePath(QStringLiteral("cache/Quorvalen/Shared Files"));
  const struct {
    const char* name;
    QString runtime;
    QString folder;
  } cases[] = {
      {"private", folderWithMode("run", 0700), root.filePath("run/quorvalen-shared-" + user)},
      {"seen by everyone (a temporary folder)", folderWithMode("tmp", 01777), caches},
      {"readable by the group", folderWithMode("group", 0750), caches},
      {"missing", root.filePath("missing"), caches},
      {"unset", QString(), caches},
  };
  for (const auto& c : cases) {
    const Paths paths(root.filePath("data"), root.filePath("cache"), root.filePath("config"), c.runtime,
                      root.filePath("tmp"));
    EXPECT_EQ(DesktopSharePicker::folderIn(paths), c.folder) << c.name;
  }
}

TEST(SharedFilesFolder, WhatARunThatEndedWithoutQuittingLeftIsGoneAtTheNextStart) {
  QTemporaryDir root;
  const QString folder = root.filePath(QStringLiteral("Shared Files"));
  QDir().mkpath(folder);
  QFile left(folder + QStringLiteral("/Clipboard Text.txt"));
  ASSERT_TRUE(left.open(QIODevice::WriteOnly));
  left.write("shared before a crash");
  left.close();
  auto queue = std::make_shared<FakeSerialQueue>(QStringLiteral("share"));
  DesktopSharePicker picker(std::make_shared<FakeDesktopEntries>(), std::make_shared<FakeScheduler>(),
                            [queue] { return queue; }, folder, {});
  EXPECT_FALSE(QFileInfo::exists(folder));
}

}  // namespace
}  // namespace qv
