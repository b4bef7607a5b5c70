#include "platform/DesktopSharePicker.h"
#include "platform/fake/FakeDesktopEntries.h"
#include "platform/fake/FakeScheduler.h"
#include "platform/fake/FakeSerialQueue.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QDir>
#include <QFileInfo>
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

}  // namespace
}  // namespace qv
