// What a copy becomes: the fixed reading order (files, several images, promised files, one
// item), rules, the nearby-device gate, truncation and the side files written on the way.
#include "base/Uuid.h"
#include "items/capture/PasteboardMarkers.h"
#include "items/link/LinkMetadataFetcher.h"
#include "items/ocr/ImageTextRecognizer.h"
#include "items/rules/AppRulesManager.h"
#include "items/stores/FileBookmarkStore.h"
#include "items/stores/RichTextStore.h"
#include "items/thumbnails/ThumbnailCache.h"
#include "platform/ImageDecoder.h"
#include "support/SideFileHelpers.h"
#include "support/items/MonitorHarness.h"

#include <sys/stat.h>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtEndian>

namespace qv {
namespace {

using Representations = QList<QPair<QString, QByteArray>>;

QByteArray pngBytes(int width, int height, QColor color = Qt::red) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(color);
  return test::pngBytes(image);
}

PasteboardItem pictureItem(int width, int height) {
  PasteboardItem item;
  item.types = {QLatin1String(mime::kPng)};
  item.data.insert(QLatin1String(mime::kPng), pngBytes(width, height));
  return item;
}

class Capture : public test::MonitorHarness {
 protected:
  void SetUp() override {
    MonitorHarness::SetUp();
    startMonitor();
  }

  QString writeFile(const QString& name, const QByteArray& bytes) {
    const QString path = files_.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
  }
  static QByteArray uriList(const QStringList& paths) {
    QByteArray body;
    for (const QString& path : paths) body += QUrl::fromLocalFile(path).toEncoded() + "\r\n";
    return body;
  }
  void copyFiles(const QStringList& paths, Representations more = {}) {
    more.prepend({QLatin1String(mime::kUriList), uriList(paths)});
    fake.pasteboard->copy(more, kEditorPid);
  }
  ClipboardItem only() {
    EXPECT_EQ(captured.size(), 1);
    return captured.isEmpty() ? ClipboardItem{} : captured.first().item;
  }
  template <typename T>
  static T payload(const ClipboardItem& item) {
    EXPECT_TRUE(std::holds_alternative<T>(item.payload));
    return std::holds_alternative<T>(item.payload) ? std::get<T>(item.payload) : T{};
  }
  void copyAndCapture(const Representations& content) {
    captured.clear();
    fake.pasteboard->copy(content, kEditorPid);
    pollAndCapture();
  }
  void copyTextAndCapture(const QString& text) { copyAndCapture({{QLatin1String(mime::kPlainText), text.toUtf8()}}); }

  QTemporaryDir files_;
};

TEST_F(Capture, CopiedFilesArriveInReverseOrderWithOneCaptureTimeAndTheirBookmarks) {
  const QStringList paths{writeFile(QStringLiteral("a.txt"), "a"), writeFile(QStringLiteral("b c.pdf"), "b"),
                          writeFile(QStringLiteral("c"), "c")};
  // Files decide the copy whatever else it holds.
  copyFiles(paths,
            {{QLatin1String(mime::kPlainText), "a.txt\nb c.pdf\nc"}, {QLatin1String(mime::kPng), pngBytes(4, 4)}});
  pollAndCapture();
  ASSERT_EQ(captured.size(), 3);
  QStringList names;
  for (const test::Captured& entry : captured) {
    const FilePayload file = payload<FilePayload>(entry.item);
    names.append(file->name);
    EXPECT_EQ(file->size, QString());
    ASSERT_TRUE(file->url);
    EXPECT_TRUE(file->url->isLocalFile());
    EXPECT_EQ(entry.item.capturedAt, captured.first().item.capturedAt);
    EXPECT_EQ(entry.item.sourceAppBundleID, QStringLiteral("org.example.Editor"));
    EXPECT_TRUE(QFile::exists(fake.context->fileBookmarkStore->directory() + u'/' + entry.item.idString() +
                              QStringLiteral(".bookmark")));
  }
  EXPECT_EQ(names, (QStringList{QStringLiteral("c"), QStringLiteral("b c.pdf"), QStringLiteral("a.txt")}));
  EXPECT_EQ(payload<FilePayload>(captured[0].item)->url->toLocalFile(), paths[2]);
}

// A folder copied with a trailing slash (as file managers write folders) is named by its last
// component, never by its whole URL; the file system's root keeps its one name.
TEST_F(Capture, FoldersAreNamedByTheirLastComponentWithOrWithoutATrailingSlash) {
  QDir(files_.path()).mkpath(QStringLiteral("project dir/src"));
  const struct {
    QByteArray uri;
    QString name;
  } cases[] = {
      {QUrl::fromLocalFile(files_.filePath(QStringLiteral("project dir"))).toEncoded() + '/', "project dir"},
      {QUrl::fromLocalFile(files_.filePath(QStringLiteral("project dir/src"))).toEncoded() + "//", "src"},
      {QUrl::fromLocalFile(files_.filePath(QStringLiteral("project dir"))).toEncoded(), "project dir"},
      {"file:///", "/"},
  };
  for (const auto& [uri, name] : cases) {
    captured.clear();
    fake.pasteboard->copy({{QLatin1String(mime::kUriList), uri + "\r\n"}}, kEditorPid);
    pollAndCapture();
    ASSERT_EQ(captured.size(), 1) << uri.constData();
    EXPECT_EQ(payload<FilePayload>(captured[0].item)->name, name) << uri.constData();
  }
}

// The file managers here copy a folder without the trailing slash by which its card knows it is
// a folder: it gets one, a name that is not UTF-8 keeping its bytes; files and missing paths stay.
TEST_F(Capture, AFolderCopiedWithoutATrailingSlashGetsOne) {
  QDir(files_.path()).mkpath(QStringLiteral("photos"));
  const QByteArray badFolder = QFile::encodeName(files_.path()) + "/bad\xff dir";
  ASSERT_EQ(::mkdir(badFolder.constData(), 0700), 0);
  writeFile(QStringLiteral("notes.txt"), "notes");
  const QByteArray root = QUrl::fromLocalFile(files_.path()).toEncoded();
  const struct {
    QByteArray uri;
    QByteArray stored;
  } cases[] = {
      {root + "/photos", root + "/photos/"},
      {root + "/photos/", root + "/photos/"},
      {root + "/bad%FF%20dir", root + "/bad%FF%20dir/"},
      {root + "/notes.txt", root + "/notes.txt"},
      {root + "/gone", root + "/gone"},
  };
  for (const auto& [uri, stored] : cases) {
    captured.clear();
    fake.pasteboard->copy({{QLatin1String(mime::kUriList), uri + "\r\n"}}, kEditorPid);
    pollAndCapture();
    ASSERT_EQ(captured.size(), 1) << uri.constData();
    EXPECT_EQ(payload<FilePayload>(captured[0].item)->url->qurl().toEncoded().toStdString(), stored.toStdString());
  }
  ::rmdir(badFolder.constData());  // QTemporaryDir cannot reach it
}

TEST_F(Capture, ImageFilesAreDecodedOffTheMainThreadAndLandNewest) {
  const QString photo = writeFile(QStringLiteral("photo.HEIC"), pngBytes(30, 20));  // any image under that name
  const QString notes = writeFile(QStringLiteral("notes.txt"), "notes");
  copyFiles({photo, notes});
  ticks(1);
  fake.scheduler->advance(ClipboardMonitor::kCaptureDelay);
  ASSERT_EQ(captured.size(), 1) << "the text file at once, the picture after decoding";
  EXPECT_EQ(payload<FilePayload>(captured[0].item)->name, QStringLiteral("notes.txt"));
  fake.drain();
  ASSERT_EQ(captured.size(), 2);
  const ImagePayload image = payload<ImagePayload>(captured[1].item);
  EXPECT_EQ(image->filename, QStringLiteral("photo.HEIC"));
  EXPECT_EQ(image->width, 30);
  EXPECT_EQ(image->height, 20);
  EXPECT_FALSE(image->fileSize.isEmpty());
  EXPECT_NE(image->fileSize, QStringLiteral("Zero KB"));
  EXPECT_EQ(captured[1].item.capturedAt, captured[0].item.capturedAt);
}

TEST_F(Capture, AnUndecodableImageFileFallsBackToTheClipboardPictureOrIsKeptAsAFile) {
  const QString broken = writeFile(QStringLiteral("broken.png"), "not a picture");
  copyFiles({broken});
  pollAndCapture();
  // A copied file is kept whatever it holds.
  EXPECT_EQ(payload<FilePayload>(only())->name, QStringLiteral("broken.png"));
  captured.clear();

  copyFiles({broken}, {{QLatin1String(mime::kPng), pngBytes(12, 9)}});
  pollAndCapture();
  const ImagePayload image = payload<ImagePayload>(only());
  EXPECT_EQ(image->filename, QStringLiteral("broken.png"));
  EXPECT_EQ(image->width, 12);
  EXPECT_EQ(image->height, 9);
}

// A colour JPEG whose header says 8000 x 6000 (the picture is a 16 x 16 one: the rest decodes
// grey), as small on disk as a photo and 192 MB once decoded whole.
QByteArray photoJpeg(int width, int height) {
  QImage image(16, 16, QImage::Format_RGB32);
  image.fill(QColor(200, 40, 40));
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  EXPECT_TRUE(image.save(&buffer, "JPG"));
  const qsizetype frame = jpeg.indexOf("\xFF\xC0");
  EXPECT_GT(frame, 0);
  qToBigEndian<quint16>(quint16(height), jpeg.data() + frame + 5);
  qToBigEndian<quint16>(quint16(width), jpeg.data() + frame + 7);
  return jpeg;
}

// A big photo is recorded as a picture read scaled down while it is decoded (named with its
// size in the file); a picture that cannot be read within the decoder's limit at all (a
// 20,000-pixel-square PNG) is recorded as the file it is, with its bookmark.
TEST_F(Capture, ABigPhotoIsReadScaledDownAndAPictureTooLargeToReadIsKeptAsAFile) {
  const QString photo = writeFile(QStringLiteral("photo.jpg"), photoJpeg(8000, 6000));
  copyFiles({photo});
  pollAndCapture();
  const ImagePayload image = payload<ImagePayload>(only());
  EXPECT_EQ(image->filename, QStringLiteral("photo.jpg"));
  EXPECT_EQ(QSize(int(image->width), int(image->height)), QSize(8000, 6000));
  EXPECT_LE(qint64(image->image.width()) * image->image.height(), kLargestCopiedPixels);
  EXPECT_EQ(image->image.width() * 6000, image->image.height() * 8000) << "the same proportions";

  captured.clear();
  const QString huge = files_.filePath(QStringLiteral("huge.png"));
  ASSERT_TRUE(test::writeHugePng(huge));
  copyFiles({huge});
  pollAndCapture();
  const ClipboardItem file = only();
  EXPECT_EQ(payload<FilePayload>(file)->name, QStringLiteral("huge.png"));
  EXPECT_TRUE(QFileInfo::exists(fake.context->fileBookmarkStore->directory() + u'/' + file.idString() +
                                QStringLiteral(".bookmark")));
}

// Qt keeps one allocation limit for every reader of the process: whichever reader runs first,
// and however many, it is the program's one value (readers setting their own raced each other).
TEST(ImageAllocationLimit, IsOneValueWhateverReaderRuns) {
  QImage small(4, 4, QImage::Format_RGB32);
  small.fill(Qt::blue);
  EXPECT_FALSE(LinkMetadataFetcher::decodeImage(test::pngBytes(small)).isNull());
  EXPECT_EQ(QImageReader::allocationLimit(), kImageAllocationLimitMB);
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("a.png"));
  ASSERT_TRUE(small.save(path));
  EXPECT_TRUE(ThumbnailCache::thumbnailOfFile(path));
  EXPECT_TRUE(ImageTextRecognizer::readImage(path));
  EXPECT_EQ(QImageReader::allocationLimit(), kImageAllocationLimitMB);
}

TEST_F(Capture, SeveralPicturesBecomeOneImageItemEach) {
  PasteboardItem broken;
  broken.types = {QLatin1String(mime::kPng)};
  broken.data.insert(QLatin1String(mime::kPng), "garbage");
  fake.pasteboard->copy({pictureItem(10, 10), broken, pictureItem(20, 10)}, kEditorPid);
  pollAndCapture();
  ASSERT_EQ(captured.size(), 2) << "a picture that does not decode is skipped";
  EXPECT_EQ(payload<ImagePayload>(captured[0].item)->width, 20) << "the first picture lands last";
  EXPECT_EQ(payload<ImagePayload>(captured[1].item)->width, 10);
  for (const test::Captured& entry : captured) {
    EXPECT_EQ(payload<ImagePayload>(entry.item)->filename, QStringLiteral("image.png"));
    EXPECT_EQ(payload<ImagePayload>(entry.item)->fileSize, QString());
  }

  captured.clear();
  fake.pasteboard->copy({pictureItem(7, 5)}, kEditorPid);
  pollAndCapture();
  const ImagePayload one = payload<ImagePayload>(only());
  EXPECT_EQ(one->filename, QStringLiteral("image.png"));
  EXPECT_EQ(one->width, 7);
  EXPECT_EQ(one->height, 5);
}

// The history keeps pictures at 8 bits per channel, whatever depth they were copied at, with
// their colours and transparency.
TEST_F(Capture, APictureCopiedAtSixteenBitsPerChannelIsKeptAtEight) {
  const struct {
    const char* name;
    QImage::Format format;
    bool asFile;
  } cases[] = {
      {"a pasted picture", QImage::Format_RGBX64, false},
      {"a pasted picture with transparency", QImage::Format_RGBA64, false},
      {"a copied picture file", QImage::Format_RGBX64, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QImage deep(12, 8, c.format);
    deep.fill(QColor(200, 40, 40, deep.hasAlphaChannel() ? 128 : 255));
    const QByteArray png = test::pngBytes(deep);
    captured.clear();
    if (c.asFile) {
      copyFiles({writeFile(QStringLiteral("deep.png"), png)});
      pollAndCapture();
      fake.drain();
    } else {
      copyAndCapture({{QLatin1String(mime::kPng), png}});
    }
    ASSERT_FALSE(captured.isEmpty());
    const QImage kept = payload<ImagePayload>(captured.first().item)->image;
    EXPECT_EQ(kept.depth(), 32);
    EXPECT_LE(kept.sizeInBytes(), qsizetype(12 * 8 * 4));
    EXPECT_EQ(kept.hasAlphaChannel(), deep.hasAlphaChannel());
    EXPECT_EQ(kept.pixelColor(3, 3).red(), 200);
    EXPECT_EQ(kept.pixelColor(3, 3).alpha(), deep.hasAlphaChannel() ? 128 : 255);
  }
}

TEST_F(Capture, TextBesidePicturesDecidesBetweenTextAndImages) {
  // A document's text with pictures: the text (and its rich form) wins.
  PasteboardItem document = pictureItem(10, 10);
  document.types.prepend(QLatin1String(mime::kHtml));
  document.data.insert(QLatin1String(mime::kHtml), "<p>Some words<img></p>");
  document.types.prepend(QLatin1String(mime::kPlainText));
  document.data.insert(QLatin1String(mime::kPlainText), "Some words");
  fake.pasteboard->copy({document, pictureItem(20, 20)}, kEditorPid);
  pollAndCapture();
  const ClipboardItem text = only();
  EXPECT_EQ(payload<TextPayload>(text).text, QStringLiteral("Some words"));
  const auto rich = fake.context->richTextStore->read(text.idString());
  ASSERT_TRUE(rich) << "the rich form is stored under the item's own id";
  EXPECT_EQ(rich->data, QByteArrayLiteral("<p>Some words<img></p>"));

  // A picture with its address as text: the picture.
  captured.clear();
  PasteboardItem picture = pictureItem(16, 8);
  picture.types.append(QLatin1String(mime::kPlainText));
  picture.data.insert(QLatin1String(mime::kPlainText), " https://example.org/cat.png\n");
  fake.pasteboard->copy({picture}, kEditorPid);
  pollAndCapture();
  EXPECT_EQ(payload<ImagePayload>(only())->width, 16);
}

TEST_F(Capture, PromisedFilesArriveLaterAsFileItemsInTheOrderWritten) {
  QString destination;
  QList<FilePromise::FileHandler> handlers;
  FilePromise promise;
  promise.receive = [&](const QString& folder, const FilePromise::FileHandler& onFile) {
    destination = folder;
    handlers.append(onFile);
  };
  fake.context->appRules->setRule(AppRule::blur, AppRuleEntry{QStringLiteral("org.example.Editor"),
                                                              QStringLiteral("Editor"), std::nullopt, AppRule::blur});
  PasteboardItem text;
  text.types = {QLatin1String(mime::kPlainText)};
  text.data.insert(QLatin1String(mime::kPlainText), "not taken");
  fake.pasteboard->copy({text}, kEditorPid, {promise, promise});
  pollAndCapture();
  EXPECT_TRUE(captured.isEmpty());
  ASSERT_EQ(handlers.size(), 2);
  const QFileInfo folder(destination);
  EXPECT_TRUE(folder.isDir());
  EXPECT_EQ(folder.dir().dirName(), QStringLiteral("QuorvalenPromises"));
  EXPECT_TRUE(parseUuid(folder.fileName()));

  const QString drawing = destination + QStringLiteral("/drawing.png");
  QFile(drawing).open(QIODevice::WriteOnly);
  handlers[1](drawing, {});
  handlers[0]({}, QStringLiteral("the sender gave up"));
  handlers[0](destination + QStringLiteral("/report.pdf"), {});
  fake.drain();
  ASSERT_EQ(captured.size(), 2);
  EXPECT_EQ(payload<FilePayload>(captured[0].item)->name, QStringLiteral("drawing.png"))
      << "promised pictures stay files";
  EXPECT_EQ(payload<FilePayload>(captured[1].item)->name, QStringLiteral("report.pdf"));
  EXPECT_TRUE(captured[0].blurred);
  EXPECT_TRUE(captured[1].blurred);
  EXPECT_EQ(captured[0].item.capturedAt, captured[1].item.capturedAt);

  // A file that arrives after the monitor is gone is not recorded.
  monitor.reset();
  handlers[0](destination + QStringLiteral("/late.txt"), {});
  fake.drain();
  EXPECT_EQ(captured.size(), 2);
}

TEST_F(Capture, AppRulesDropOrBlurAndConcealedCopiesAreAlwaysBlurred) {
  AppRulesManager& rules = *fake.context->appRules;
  rules.setRule(AppRule::never, AppRuleEntry{QStringLiteral("org.example.Editor"), QStringLiteral("Editor"),
                                             std::nullopt, AppRule::never});
  rules.setRule(AppRule::blur, AppRuleEntry{QStringLiteral("org.example.Browser"), QStringLiteral("Browser"),
                                            std::nullopt, AppRule::blur});
  fake.pasteboard->copyText(QStringLiteral("never"), kEditorPid);
  pollAndCapture();
  EXPECT_TRUE(captured.isEmpty());
  // A "never" application's files are dropped before anything is read or written.
  copyFiles({writeFile(QStringLiteral("x.txt"), "x")});
  pollAndCapture();
  EXPECT_TRUE(captured.isEmpty());
  EXPECT_TRUE(QDir(fake.context->fileBookmarkStore->directory()).isEmpty());

  fake.pasteboard->copy({pictureItem(10, 10), pictureItem(12, 12)}, kBrowserPid);
  pollAndCapture();
  ASSERT_EQ(captured.size(), 2);
  EXPECT_TRUE(captured[0].blurred && captured[1].blurred) << "every item of the copy";

  captured.clear();
  fake.pasteboard->copy({{QLatin1String(mime::kPlainText), "pin 1234"}, {QLatin1String(kConcealedMarkerType), {}}}, 0);
  pollAndCapture();
  ASSERT_EQ(captured.size(), 1);
  EXPECT_TRUE(captured[0].blurred) << "concealed whatever the rule";
}

TEST_F(Capture, CopiesFromANearbyDeviceFollowTheSetting) {
  const Representations remote{{QLatin1String(mime::kPlainText), "from my phone"},
                               {QLatin1String(markers::kRemoteClipboardType), {}}};
  copyAndCapture(remote);
  EXPECT_EQ(only().sourceAppBundleID, QStringLiteral("com.apple.universalclipboard.handoff"));

  fake.context->settings->set(QLatin1String(ClipboardMonitor::kCaptureNearbyDevicesKey), false);
  copyAndCapture(remote);
  EXPECT_TRUE(captured.isEmpty());
  copyTextAndCapture(QStringLiteral("local copies are unaffected"));
  EXPECT_EQ(captured.size(), 1);

  fake.context->settings->set(QLatin1String(ClipboardMonitor::kCaptureNearbyDevicesKey), true);
  copyAndCapture(remote);
  EXPECT_EQ(captured.size(), 1);
}

TEST_F(Capture, LongTextIsCutAtTheLimitWithTheSuffix) {
  EXPECT_EQ(ClipboardMonitor::truncationSuffix().toUtf8().size(), 30);
  EXPECT_EQ(ClipboardMonitor::truncationSuffix(), QStringLiteral("\n\n\u2026 [truncated by Quorvalen]"));
  copyTextAndCapture(QString(300000, u'x'));
  const QString text = payload<TextPayload>(only()).text;
  EXPECT_EQ(text, QString(256000, u'x') + ClipboardMonitor::truncationSuffix());

  // Graphemes, not code units: 256000 accented letters (two code points each) fit whole.
  const QString accented = QStringLiteral("e\u0301");
  const QString letters = accented.repeated(256000);
  EXPECT_EQ(ClipboardMonitor::truncatedText(letters), letters);
  EXPECT_EQ(ClipboardMonitor::truncatedText(letters + accented), letters + ClipboardMonitor::truncationSuffix());
}

TEST_F(Capture, StringsBecomeLinksColoursCodeOrText) {
  copyTextAndCapture(QStringLiteral("  https://example.org/page \n"));
  const LinkPayload link = payload<LinkPayload>(only());
  EXPECT_EQ(absoluteString(link->url), QStringLiteral("https://example.org/page"));
  EXPECT_EQ(link->domain, QStringLiteral("example.org"));

  copyTextAndCapture(QStringLiteral("https://example.org/a page"));
  EXPECT_EQ(payload<TextPayload>(only()).text, QStringLiteral("https://example.org/a page"));

  copyTextAndCapture(QStringLiteral(" \n\t "));
  EXPECT_EQ(payload<TextPayload>(only()).text, QStringLiteral(" \n\t ")) << "white space is kept as it is";

  copyTextAndCapture(QStringLiteral("#ff8800"));
  EXPECT_EQ(payload<ColorPayload>(only()), (ColorPayload{QStringLiteral("#FF8800"), 255, 136, 0}));

  copyTextAndCapture(QStringLiteral("  const a = 1;\nreturn a => a;  "));
  const CodePayload code = payload<CodePayload>(only());
  EXPECT_EQ(code.source, QStringLiteral("const a = 1;\nreturn a => a;"));

  copyTextAndCapture(QString());
  EXPECT_TRUE(captured.isEmpty()) << "an empty string is nothing";
}

TEST_F(Capture, ColourObjectsBecomeColourItemsWithByteComponents) {
  copyAndCapture({{QLatin1String(mime::kColor), pasteboard::encodeColor(QColor(255, 136, 0))},
                  {QLatin1String(mime::kPlainText), "the colour's name"}});
  EXPECT_EQ(payload<ColorPayload>(only()), (ColorPayload{QStringLiteral("#FF8800"), 255, 136, 0}));

  // Wide-gamut components are clamped to a byte.
  const QColor wide = QColor::fromRgbF(1.4f, -0.3f, 0.2f);
  ASSERT_EQ(wide.spec(), QColor::ExtendedRgb);
  EXPECT_EQ(ClipboardMonitor::colorPayload(wide), (ColorPayload{QStringLiteral("#FF0033"), 255, 0, 51}));
}

}  // namespace
}  // namespace qv
