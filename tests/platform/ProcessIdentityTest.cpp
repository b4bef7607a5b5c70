#include "platform/fake/FakeDesktopEntries.h"
#include "platform/x11/ProcessIdentity.h"
#include "support/SideFileHelpers.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace qv::x11 {
namespace {

// A folder laid out like /proc with the processes a test declares.
class FakeProc {
 public:
  void add(qint64 pid, qint64 parent, const QString& executable, const QByteArray& environ = {},
           const QByteArray& cgroup = "0::/user.slice\n", uint uid = 1000, const QByteArray& flatpakInfo = {}) {
    const QString base = root.filePath(QString::number(pid));
    QDir().mkpath(base + QStringLiteral("/root"));
    write(base + QStringLiteral("/status"), "Name:\tx\nPPid:\t" + QByteArray::number(parent) + "\nUid:\t" +
                                                QByteArray::number(uid) + "\t" + QByteArray::number(uid) + "\n");
    QFile::link(executable, base + QStringLiteral("/exe"));
    write(base + QStringLiteral("/environ"), environ);
    write(base + QStringLiteral("/cgroup"), cgroup);
    if (!flatpakInfo.isEmpty()) write(base + QStringLiteral("/root/.flatpak-info"), flatpakInfo);
  }
  QString path() const { return root.path(); }

 private:
  static void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
  }
  QTemporaryDir root;
};

QByteArray launchedBy(qint64 pid) {
  return QByteArray("HOME=/home/x") + '\0' + "GIO_LAUNCHED_DESKTOP_FILE=/usr/share/applications/kde/launched.desktop" +
         '\0' + "GIO_LAUNCHED_DESKTOP_FILE_PID=" + QByteArray::number(pid) + '\0';
}

QByteArray hinted(const QByteArray& file) { return "BAMF_DESKTOP_FILE_HINT=" + file + '\0'; }

ProcessIdentity identityOver(const FakeProc& proc) {
  auto entries = std::make_shared<FakeDesktopEntries>();
  const auto install = [&](const char* id, const char* path, const char* windowClass = "", const char* exec = "") {
    DesktopEntry entry;
    entry.id = QString::fromUtf8(id);
    entry.path = QString::fromUtf8(path);
    entry.startupWMClass = QString::fromUtf8(windowClass);
    entry.exec = QString::fromUtf8(exec);
    entries->install(entry);
  };
  install("org.gnome.gedit", "", "Gedit", "gedit %U");
  install("kde-launched", "/usr/share/applications/kde/launched.desktop");
  install("org.example.Hinted", "/opt/hinted.desktop");
  return ProcessIdentity(entries, proc.path());
}

TEST(ProcessIdentityTest, SandboxLauncherAndWindowClassNameTheApplication) {
  FakeProc proc;
  proc.add(10, 1, QStringLiteral("/app/bin/thing"), {}, "0::/\n", 1000,
           "[Application]\nname=org.example.Thing\nruntime=x\n[Instance]\nname=other\n");
  proc.add(11, 1, QStringLiteral("/snap/firefox/123/firefox"), {},
           "0::/user.slice/user-1000.slice/user@1000.service/app.slice/snap.firefox.firefox-0a1b.scope\n");
  proc.add(12, 1, QStringLiteral("/usr/bin/launched"), launchedBy(12));
  // Inherited from the launcher: names the parent, not this process.
  proc.add(13, 12, QStringLiteral("/usr/bin/helper"), launchedBy(12));
  proc.add(14, 1, QStringLiteral("/usr/bin/gedit"));
  // A hint without a pid names the process that does not share it with its parent.
  proc.add(15, 1, QStringLiteral("/usr/bin/hinted"), hinted("/opt/hinted.desktop"));
  proc.add(16, 15, QStringLiteral("/usr/bin/child"), hinted("/opt/hinted.desktop"));
  proc.add(17, 1, QStringLiteral("/usr/bin/noted"), hinted("/elsewhere/org.example.Noted.desktop"));
  const ProcessIdentity identity = identityOver(proc);

  const struct {
    qint64 pid;
    const char* windowClass;
    const char* id;
  } cases[] = {{10, "", "org.example.Thing"},  {11, "", "firefox_firefox"},
               {12, "", "kde-launched"},       {13, "", "helper"},
               {14, "", "org.gnome.gedit"},    {14, "Gedit", "org.gnome.gedit"},
               {15, "", "org.example.Hinted"}, {16, "Child", "child"},
               {17, "", "org.example.Noted"}};
  for (const auto& c : cases)
    EXPECT_EQ(identity.application(c.pid, QString::fromUtf8(c.windowClass))->desktopId, QString::fromUtf8(c.id))
        << c.pid;
  const auto gedit = identity.application(14, QStringLiteral("Gedit"));
  EXPECT_EQ(gedit->desktopFile, QStringLiteral("/usr/share/applications/org.gnome.gedit.desktop"));
  EXPECT_EQ(gedit->executable, QStringLiteral("/usr/bin/gedit"));
  EXPECT_TRUE(identity.application(13)->desktopFile.isEmpty());
  EXPECT_FALSE(identity.application(99).has_value()) << "a process that is gone";
}

TEST(ProcessIdentityTest, HelperProcessBelongsToTheOutermostApplicationOfItsFolder) {
  FakeProc proc;
  proc.add(20, 1, QStringLiteral("/usr/bin/bash"));
  proc.add(21, 20, QStringLiteral("/opt/browser/browser"));
  proc.add(22, 21, QStringLiteral("/opt/browser/browser"));                   // a content process
  proc.add(23, 22, QStringLiteral("/opt/browser/plugins/renderer"));          // nested deeper
  proc.add(24, 20, QStringLiteral("/usr/bin/xclip"));                         // started by a shell
  proc.add(25, 21, QStringLiteral("/opt/other/tool"));                        // another folder
  proc.add(26, 21, QStringLiteral("/opt/browser/sandbox"), {}, "0::/\n", 0);  // another user
  const ProcessIdentity identity = identityOver(proc);

  EXPECT_EQ(identity.containingApplicationId(23), QStringLiteral("browser"));
  EXPECT_EQ(identity.containingApplicationId(22), QStringLiteral("browser"));
  EXPECT_FALSE(identity.containingApplicationId(21).has_value()) << "its own outermost application";
  EXPECT_FALSE(identity.containingApplicationId(24).has_value()) << "a shell's folder holds no application";
  EXPECT_FALSE(identity.containingApplicationId(25).has_value());
  EXPECT_FALSE(identity.containingApplicationId(26).has_value());
}

// The walk reads a parent's sandbox only for a sandboxed process, and the outermost process in
// full; asked right after the process's own application, it answers the same.
TEST(ProcessIdentityTest, SandboxedHelperBelongsToItsSandboxsApplication) {
  const QByteArray thing = "[Application]\nname=org.example.Thing\n";
  FakeProc proc;
  proc.add(40, 1, QStringLiteral("/app/bin/thing"), {}, "0::/\n", 1000, thing);
  proc.add(41, 40, QStringLiteral("/app/lib/thing/helper"), {}, "0::/\n", 1000, thing);
  proc.add(42, 40, QStringLiteral("/app/lib/thing/other"));  // not in the sandbox
  const ProcessIdentity identity = identityOver(proc);

  for (const bool afterApplication : {false, true}) {
    if (afterApplication) {
      ASSERT_TRUE(identity.application(41).has_value());
    }
    EXPECT_EQ(identity.containingApplicationId(41), QStringLiteral("org.example.Thing")) << afterApplication;
    if (afterApplication) {
      ASSERT_TRUE(identity.application(42).has_value());
    }
    EXPECT_FALSE(identity.containingApplicationId(42).has_value()) << afterApplication;
  }
}

// Reverse-DNS ids are the common case: the index of the XDG folders finds them by program.
TEST(ProcessIdentityTest, DesktopEntriesOfTheXdgFoldersNameTheProcess) {
  QTemporaryDir data;
  ASSERT_TRUE(test::writeTestFile(data.filePath(QStringLiteral("applications/org.xfce.mousepad.desktop")),
                                  "[Desktop Entry]\nType=Application\nName=Mousepad\nExec=mousepad %U\n"));
  ASSERT_TRUE(test::writeTestFile(data.filePath(QStringLiteral("applications/org.example.Editor.desktop")),
                                  "[Desktop Entry]\nType=Application\nName=Editor\nStartupWMClass=Kate\n"));
  const QByteArray previousDirs = qgetenv("XDG_DATA_DIRS"), previousHome = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_DIRS", data.path().toUtf8());
  qputenv("XDG_DATA_HOME", data.filePath(QStringLiteral("home")).toUtf8());
  FakeProc proc;
  proc.add(30, 1, QStringLiteral("/usr/bin/mousepad"));
  proc.add(31, 1, QStringLiteral("/usr/bin/kate"));
  proc.add(32, 1, QStringLiteral("/usr/bin/xclip"));
  const ProcessIdentity identity({}, proc.path());
  const auto mousepad = identity.application(30, QStringLiteral("Mousepad"));
  EXPECT_EQ(mousepad->desktopId, QStringLiteral("org.xfce.mousepad"));
  EXPECT_EQ(mousepad->desktopFile, data.filePath(QStringLiteral("applications/org.xfce.mousepad.desktop")));
  EXPECT_EQ(identity.application(31, QStringLiteral("Kate"))->desktopId, QStringLiteral("org.example.Editor"));
  EXPECT_EQ(identity.application(32)->desktopId, QStringLiteral("xclip"));
  EXPECT_EQ(identity.desktopIdOfWindowClass(QStringLiteral("Kate")), QStringLiteral("org.example.Editor"));
  EXPECT_EQ(identity.desktopIdOfWindowClass(QStringLiteral("Remote")), QStringLiteral("remote"));
  qputenv("XDG_DATA_DIRS", previousDirs);
  qputenv("XDG_DATA_HOME", previousHome);
}

TEST(ProcessIdentityTest, RealProcEntryOfThisProcess) {
  const ProcessIdentity identity;
  const auto self = identity.application(getpid());
  ASSERT_TRUE(self.has_value());
  EXPECT_EQ(self->executable, QCoreApplication::applicationFilePath());
  EXPECT_EQ(self->desktopId, QStringLiteral("test_platform"));
}

}  // namespace
}  // namespace qv::x11
