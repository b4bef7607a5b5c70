#include "base/Url.h"
#include "base/Uuid.h"
#include "items/ItemServices.h"
#include "items/drag/ItemDragProvider.h"
#include "items/stores/ImageStore.h"
#include "support/base/NonUtf8Names.h"
#include "support/items/FakeItemContext.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <fcntl.h>
#include <sys/stat.h>

namespace qv {
namespace {

using namespace ItemDragProvider;

ClipboardItem itemWith(ClipboardPayload payload) {
  return ClipboardItem::make(newUuid(), QStringLiteral("org.example.Editor"), QDateTime::currentDateTimeUtc(),
                             std::move(payload));
}

ClipboardItem textItem(const QString& text) { return itemWith(TextPayload{text}); }

ClipboardItem linkItem(const QString& text, const QString& domain) {
  return itemWith(LinkPayload{*parseStrictUrl(text), domain});
}

QImage solid(QColor color, int w = 5, int h = 4) {
  QImage image(w, h, QImage::Format_ARGB32);
  image.fill(color);
  return image;
}

ClipboardItem imageItem(const QImage& image, const QString& filename) {
  return itemWith(ImagePayload{image, filename, image.width(), image.height(), QString()});
}

QStringList list(std::initializer_list<const char*> formats) {
  QStringList result;
  for (const char* format : formats) result << QLatin1String(format);
  return result;
}

QByteArray fileContent(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct DragFixture : ::testing::Test {
  DragFixture() { installItemServices(*fake.context); }
  std::unique_ptr<ItemDragData> drag(const QList<ClipboardItem>& items) {
    return makeItemProvider(items, *fake.context);
  }
  QString temp() const { return fake.context->paths->temp(); }
  QStringList dragFolders() const {
    return QDir(temp()).entryList({QStringLiteral("QuorvalenDrag-*")}, QDir::Dirs | QDir::NoDotAndDotDot);
  }
  // Asks for the file as a drop target does; the path of the one local file offered.
  QString requestFile(const QMimeData& data) const {
    const QList<QUrl> urls = data.urls();
    return urls.size() == 1 && urls[0].isLocalFile() ? urls[0].toLocalFile() : QString();
  }
  FakeItemContext fake;
};

TEST_F(DragFixture, TextItemOffersTextAndWritesItsNoteOnlyWhenAskedInANewFolderEachTime) {
  auto data = drag({textItem(QStringLiteral("héllo\nworld"))});
  EXPECT_EQ(data->formats(), list({kMimeTextUtf8, kMimeText, kMimeUriList}));
  EXPECT_EQ(data->text(), QStringLiteral("héllo\nworld"));
  EXPECT_EQ(data->data(QLatin1String(kMimeTextUtf8)), QStringLiteral("héllo\nworld").toUtf8());
  EXPECT_EQ(data->suggestedName(), QStringLiteral("Note"));
  EXPECT_TRUE(data->hasUrls());
  EXPECT_TRUE(dragFolders().isEmpty()) << "nothing is written before a target asks";

  const QString first = requestFile(*data);
  ASSERT_FALSE(first.isEmpty());
  EXPECT_EQ(QFileInfo(first).fileName(), QStringLiteral("Note.txt"));
  EXPECT_EQ(fileContent(first), QStringLiteral("héllo\nworld").toUtf8());
  EXPECT_EQ(QFileInfo(first).absolutePath(), QDir(temp()).absoluteFilePath(QFileInfo(first).dir().dirName()));
  const QString folderName = QFileInfo(first).dir().dirName();
  ASSERT_TRUE(folderName.startsWith(QLatin1String("QuorvalenDrag-")));
  EXPECT_TRUE(parseUuid(folderName.mid(14)));
  EXPECT_EQ(uuidString(*parseUuid(folderName.mid(14))), folderName.mid(14)) << "upper-case UUID";

  const QString second = requestFile(*data);
  EXPECT_NE(QFileInfo(second).absolutePath(), QFileInfo(first).absolutePath());
  EXPECT_EQ(dragFolders().size(), 2);
  EXPECT_TRUE(QFileInfo::exists(first)) << "earlier files stay for targets still reading them";
}

TEST_F(DragFixture, CodeColourAndLinkItemsOfferTheirTextAndWriteTheirOwnFile) {
  struct Case {
    ClipboardItem item;
    const char* text;
    const char* fileName;
    QByteArray content;
  };
  const Case cases[] = {
      {itemWith(CodePayload{QStringLiteral("print(1)\n"), QStringLiteral("PY")}), "print(1)\n", "Snippet.py",
       "print(1)\n"},
      {itemWith(ColorPayload{QStringLiteral("#FF8800"), 255, 136, 0}), "#FF8800", "#FF8800.txt",
       "#FF8800\nR 255  G 136  B 0"},
      // The URL exactly as copied.
      {linkItem(QStringLiteral("https://Example.com/a?b=1"), QStringLiteral("example.com")),
       "https://Example.com/a?b=1", "example.com.desktop",
       "[Desktop Entry]\nVersion=1.0\nType=Link\nName=example.com\nURL=https://Example.com/a?b=1\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fileName);
    auto data = drag({c.item});
    EXPECT_EQ(data->text(), QString::fromUtf8(c.text));
    const QString path = requestFile(*data);
    EXPECT_EQ(QFileInfo(path).fileName(), QString::fromUtf8(c.fileName));
    EXPECT_EQ(fileContent(path), c.content);
  }
  // Names and their short forms, in any case; anything else is plain text.
  const std::pair<const char*, const char*> table[] = {
      {"Python", "py"},   {"js", "js"}, {"Bash", "sh"}, {"C++", "cpp"},    {"C#", "cs"},           {"yml", "yaml"},
      {"Markdown", "md"}, {"", "txt"},  {"c ", "txt"},  {"Kotlin", "txt"}, {"objective-c", "txt"},
  };
  for (const auto& [language, extension] : table)
    EXPECT_EQ(codeFileExtension(QString::fromUtf8(language)), QLatin1String(extension)) << language;
}

TEST_F(DragFixture, FileItemsOfferTheirOwnFileWhileItExists) {
  const QString ownPath = QDir(temp()).absoluteFilePath(QStringLiteral("report 1.pdf"));
  ASSERT_TRUE(writeFileAtomically(ownPath, "%PDF"));
  FilePayload file{QStringLiteral("report 1.pdf"), QStringLiteral("4 bytes"), Url::fromLocalFile(ownPath)};
  auto own = drag({itemWith(file)});
  EXPECT_EQ(own->formats(), list({kMimeUriList, kMimeTextUtf8, kMimeText}));
  EXPECT_EQ(own->suggestedName(), QStringLiteral("report 1.pdf"));
  EXPECT_EQ(own->data(QLatin1String(kMimeUriList)),
            QByteArray("file://") + QUrl::toPercentEncoding(ownPath, "/") + "\r\n");
  EXPECT_EQ(requestFile(*own), ownPath) << "the item's own file, not a copy";
  EXPECT_EQ(own->text(), QStringLiteral("report 1.pdf"));

  QFile::remove(ownPath);
  auto gone = drag({itemWith(file)});
  EXPECT_EQ(gone->formats(), list({kMimeTextUtf8, kMimeText}));
  EXPECT_TRUE(gone->suggestedName().isEmpty());
  EXPECT_TRUE(dragFolders().isEmpty()) << "a file item never writes a copy";
}

TEST_F(DragFixture, AFileWhoseNameIsNotUtf8IsOfferedByItsOwnAddress) {
  QDir().mkpath(temp());
  ASSERT_FALSE(test::writeFileNamedInBytes(temp(), "content").isEmpty());
  const QByteArray address = "file://" + QFile::encodeName(temp()) + "/bad%FF%FE%20name.txt";
  auto data = drag({itemWith(
      FilePayload{QStringLiteral("bad\uFFFD\uFFFD name.txt"), QString(), Url::fromQUrl(QUrl::fromEncoded(address))})});
  EXPECT_EQ(data->data(QLatin1String(kMimeUriList)), address + "\r\n");
}

TEST_F(DragFixture, ImageItemsOfferPngAndTheImageAndFallBackToTheStoredFile) {
  auto data = drag({imageItem(solid(Qt::red), QStringLiteral("Screen Shot.jpeg"))});
  EXPECT_EQ(data->formats(), list({kMimePng, kMimeImageObject, kMimeUriList}));
  EXPECT_FALSE(data->hasFormat(QLatin1String(kMimeText)));
  EXPECT_EQ(QImage::fromData(data->data(QLatin1String(kMimePng)), "PNG").pixelColor(2, 2), QColor(Qt::red));
  EXPECT_EQ(qvariant_cast<QImage>(data->imageData()).size(), QSize(5, 4));
  const QString path = requestFile(*data);
  EXPECT_EQ(QFileInfo(path).fileName(), QStringLiteral("Screen Shot.png"));
  EXPECT_EQ(QImage(path).pixelColor(0, 0), QColor(Qt::red));

  // A payload read back from the history holds no image: the side file stands in.
  ClipboardItem stored = imageItem(QImage(), QStringLiteral("photo"));
  ASSERT_TRUE(fake.context->imageStore->save(solid(Qt::blue), stored.idString()));
  auto fromStore = drag({stored});
  EXPECT_EQ(QImage::fromData(fromStore->data(QLatin1String(kMimePng))).pixelColor(0, 0), QColor(Qt::blue));
  EXPECT_EQ(QFileInfo(requestFile(*fromStore)).fileName(), QStringLiteral("photo.png"));

  // Neither: no image data, and the file request fails without leaving a file behind.
  auto missing = drag({imageItem(QImage(), QStringLiteral("lost.png"))});
  EXPECT_EQ(missing->formats(), list({kMimeUriList}));
  EXPECT_EQ(missing->suggestedName(), QStringLiteral("lost"));
  EXPECT_TRUE(missing->urls().isEmpty());
  EXPECT_TRUE(missing->data(QLatin1String(kMimeUriList)).isEmpty());
  EXPECT_EQ(dragFolders().size(), 2) << "a failed write leaves no empty folder";
}

TEST_F(DragFixture, SeveralItemsOfferOnlyJoinedTextOrTheFirstImage) {
  auto mixed = drag({textItem(QStringLiteral("note")), imageItem(solid(Qt::red), QStringLiteral("a.png")),
                     linkItem(QStringLiteral("https://example.com"), QStringLiteral("example.com"))});
  EXPECT_EQ(mixed->formats(), list({kMimeTextUtf8, kMimeText}));
  EXPECT_EQ(mixed->text(), QStringLiteral("note\n\nhttps://example.com"));

  auto images = drag({imageItem(QImage(), QStringLiteral("none.png")),
                      imageItem(solid(Qt::green), QStringLiteral("b.png")),
                      imageItem(solid(Qt::blue), QStringLiteral("c.png"))});
  EXPECT_EQ(images->formats(), list({kMimePng, kMimeImageObject}));
  EXPECT_EQ(QImage::fromData(images->data(QLatin1String(kMimePng))).pixelColor(0, 0), QColor(Qt::green));
  EXPECT_TRUE(images->suggestedName().isEmpty());

  EXPECT_TRUE(drag({})->formats().isEmpty());
  EXPECT_TRUE(dragFolders().isEmpty());
}

TEST_F(DragFixture, HostileNamesStayOneSafeComponentInsideTheirFolder) {
  const auto checkInside = [&](const QString& path) {
    ASSERT_FALSE(path.isEmpty());
    EXPECT_TRUE(QFileInfo(path).isFile());
    EXPECT_TRUE(QFileInfo(path).dir().dirName().startsWith(QLatin1String("QuorvalenDrag-")));
    EXPECT_EQ(QFileInfo(QFileInfo(path).absolutePath()).absolutePath(), QDir(temp()).absolutePath());
    EXPECT_LE(QFileInfo(path).fileName().toUtf8().size(), 255);
  };

  auto mailto = drag({linkItem(QStringLiteral("mailto:../../x"), QStringLiteral("../../x"))});
  const QString mailtoFile = requestFile(*mailto);
  checkInside(mailtoFile);
  EXPECT_EQ(QFileInfo(mailtoFile).fileName(), QStringLiteral("_.._x.desktop"));
  EXPECT_TRUE(fileContent(mailtoFile).contains("URL=mailto:../../x\n"));

  // 5,000 two-byte characters: cut to whole characters within the 255-byte limit.
  const QString longTitle = QString(5000, QChar(0xE9));
  const QString longFile = requestFile(*drag({imageItem(solid(Qt::red), longTitle + QStringLiteral(".png"))}));
  checkInside(longFile);
  EXPECT_EQ(QFileInfo(longFile).fileName(), QString(125, QChar(0xE9)) + QStringLiteral(".png"));

  const QString withNul = QStringLiteral("a") + QChar(0) + QStringLiteral("b/c\nd");
  EXPECT_EQ(safeFileName(withNul, QStringLiteral("txt")), QStringLiteral("a b_c d.txt"));
  checkInside(requestFile(*drag({imageItem(solid(Qt::red), withNul + QStringLiteral(".png"))})));

  EXPECT_EQ(safeFileName(QStringLiteral(".."), QStringLiteral("txt")), QStringLiteral("Untitled.txt"));
  EXPECT_EQ(safeFileName(QStringLiteral(" ../.hidden"), QStringLiteral("png")), QStringLiteral("_.hidden.png"));
  EXPECT_EQ(safeFileName(QStringLiteral("/"), QStringLiteral("png")), QStringLiteral("_.png"));
  EXPECT_EQ(safeFileName(QString(), QStringLiteral("desktop")), QStringLiteral("Untitled.desktop"));
  EXPECT_EQ(safeFileName(QString(1, QChar(0xD800)), QStringLiteral("txt")), QStringLiteral("Untitled.txt"));
  // Emoji of four bytes each are never cut in half.
  QString emoji;
  for (int i = 0; i < 100; ++i) emoji += QString::fromUtf8("\xF0\x9F\x98\x80");
  EXPECT_EQ(safeFileName(emoji, QStringLiteral("txt")).toUtf8().size(), 62 * 4 + 4);
  EXPECT_EQ(makeItemProvider({}, *fake.context->imageStore, temp())->formats().size(), 0);
}

TEST_F(DragFixture, FailuresReachTheTargetAsNoFile) {
  // A missing temporary folder is made; one that cannot be (a file is in the way) gives no file.
  auto made = makeItemProvider({textItem(QStringLiteral("x"))}, *fake.context->imageStore,
                               temp() + QStringLiteral("/missing/deeper"));
  EXPECT_EQ(fileContent(requestFile(*made)), QByteArray("x"));
  ASSERT_TRUE(writeFileAtomically(temp() + QStringLiteral("/file"), "in the way"));
  auto blocked = makeItemProvider({textItem(QStringLiteral("x"))}, *fake.context->imageStore,
                                  temp() + QStringLiteral("/file/deeper"));
  EXPECT_TRUE(blocked->urls().isEmpty());
  EXPECT_TRUE(blocked->hasText());
  QString error;
  EXPECT_FALSE(makeTemporaryFile(
      temp(), QStringLiteral("n"), QStringLiteral("txt"), [](const QString&) { return false; }, &error));
  EXPECT_TRUE(error.contains(QLatin1String("cannot write")));
}

void setModified(const QString& path, const QDateTime& when) {
  struct timespec times[2];
  times[0].tv_sec = times[1].tv_sec = when.toSecsSinceEpoch();
  times[0].tv_nsec = times[1].tv_nsec = 0;
  ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0);
}

TEST_F(DragFixture, LaunchRemovesOnlyDragFoldersOlderThanADay) {
  const QDateTime now = QDateTime::currentDateTimeUtc();
  const QString old = QFileInfo(requestFile(*drag({textItem(QStringLiteral("old"))}))).absolutePath();
  const QString recent = QFileInfo(requestFile(*drag({textItem(QStringLiteral("new"))}))).absolutePath();
  const QDir tempDir(temp());
  const QString notOurs = tempDir.absoluteFilePath(QStringLiteral("QuorvalenDrag-notes"));
  const QString elsewhere = tempDir.absoluteFilePath(QStringLiteral("keep"));
  const QString link = tempDir.absoluteFilePath(QStringLiteral("QuorvalenDrag-") + newUuidString());
  ASSERT_TRUE(tempDir.mkdir(QStringLiteral("QuorvalenDrag-notes")) && tempDir.mkdir(QStringLiteral("keep")));
  ASSERT_TRUE(writeFileAtomically(elsewhere + QStringLiteral("/precious"), "data"));
  ASSERT_TRUE(QFile::link(elsewhere, link));
  for (const QString& path : {old, notOurs, link}) setModified(path, now.addDays(-2));
  setModified(recent, now.addSecs(-23 * 3600));

  EXPECT_EQ(removeStaleDragFolders(temp(), now), 1);
  EXPECT_FALSE(QFileInfo::exists(old));
  for (const QString& path : {recent, notOurs, link, elsewhere + QStringLiteral("/precious")})
    EXPECT_TRUE(QFileInfo::exists(path)) << qPrintable(path);
  EXPECT_EQ(removeStaleDragFolders(temp() + QStringLiteral("/absent"), now), 0);
}

}  // namespace
}  // namespace qv
