#include "platform/Pasteboard.h"
#include "platform/x11/X11ClipboardReader.h"
#include "platform/x11/X11Pasteboard.h"
#include "platform/x11/X11WindowList.h"
#include "platform/x11/X11Workspace.h"

#include "support/ProcessHelpers.h"
#include "support/SideFileHelpers.h"
#include "support/platform/PasteboardItems.h"

#include <gtest/gtest.h>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace qv {
namespace {

QByteArray pngOf(QSize size, QColor color) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(color);
  return test::pngBytes(image);
}

TEST(PasteboardFormats, FileListsKeepOnlyLocalFilesInOrder) {
  EXPECT_EQ(pasteboard::parseUriList("# comment\r\nfile:///a/b%20c.txt\r\n\r\nhttps://example.org/x\r\nfile:///d\0"),
            (QList<QUrl>{QUrl(QStringLiteral("file:///a/b%20c.txt")), QUrl(QStringLiteral("https://example.org/x")),
                         QUrl(QStringLiteral("file:///d"))}));
  EXPECT_EQ(pasteboard::parseGnomeCopiedFiles("cut\nfile:///x\nfile:///y"),
            (QList<QUrl>{QUrl(QStringLiteral("file:///x")), QUrl(QStringLiteral("file:///y"))}));
  EXPECT_TRUE(pasteboard::parseGnomeCopiedFiles("file:///x\nfile:///y").isEmpty()) << "no action line";
  EXPECT_TRUE(pasteboard::parseUriList("not a url at all\nalso not").isEmpty());

  // uri-list wins; gnome-copied-files serves when it is the only list; web URLs are no files.
  PasteboardContent content{1,
                            true,
                            {test::itemOf({{QLatin1String(mime::kUriList), "https://example.org/\r\nfile:///one\r\n"},
                                           {QLatin1String(mime::kGnomeCopiedFiles), "copy\nfile:///ignored"}}),
                             test::itemOf({{QLatin1String(mime::kGnomeCopiedFiles), "copy\nfile:///two"}})},
                            {}};
  EXPECT_EQ(content.fileUrls(),
            (QList<QUrl>{QUrl(QStringLiteral("file:///one")), QUrl(QStringLiteral("file:///two"))}));
}

// The text is read from UTF8_STRING where it is offered: GTK programs put their text there as they
// hold it and give the MIME names CR LF line ends.
TEST(PasteboardFormats, TextIsReadFromTheTargetThatHoldsItAsTheApplicationDoes) {
  const struct {
    QStringList offered;
    QString chosen;
  } cases[] = {
      {{"TARGETS", "text/plain;charset=utf-8", "UTF8_STRING", "TEXT", "STRING", "text/plain"}, "UTF8_STRING"},
      {{"UTF8_STRING", "text/plain;charset=utf-8"}, "UTF8_STRING"},
      {{"text/plain", "text/plain;charset=UTF-8", "STRING"}, "text/plain;charset=UTF-8"},
      {{"STRING", "text/plain"}, "text/plain"},
      {{"STRING", "COMPOUND_TEXT"}, "STRING"},
      {{"TEXT", "COMPOUND_TEXT", "text/html"}, ""},
      {{}, ""},
  };
  for (const auto& [offered, chosen] : cases)
    EXPECT_EQ(x11::preferredTextTarget(offered), chosen) << offered.join(u' ').toStdString();
}

TEST(PasteboardFormats, ColourAndTextDecoding) {
  const QColor orange = QColor::fromRgba64(0xFFFF, 0x8080, 0, 0xFFFF);
  EXPECT_EQ(pasteboard::parseColor(pasteboard::encodeColor(orange)), orange);
  EXPECT_FALSE(pasteboard::parseColor("#ff8800").has_value()) << "only the four 16-bit values";
  EXPECT_FALSE(pasteboard::parseColor(QByteArray(7, '\1')).has_value());
  EXPECT_EQ(pasteboard::decodeText(QByteArray("Grüße\0\0", 9)), QStringLiteral("Grüße"));

  PasteboardContent content{
      1, true, {test::itemOf({{QLatin1String(mime::kColor), pasteboard::encodeColor(orange)}})}, {}};
  EXPECT_EQ(content.color()->name(), QStringLiteral("#ff8000"));
  EXPECT_FALSE(content.string().has_value());
}

TEST(PasteboardFormats, ImagesOnePerItemAndBrokenOnesStayInPlace) {
  PasteboardContent content{
      1,
      true,
      {test::itemOf({{QStringLiteral("image/bmp"), "garbage"}, {QLatin1String(mime::kPng), pngOf({3, 2}, Qt::red)}}),
       test::itemOf({{QStringLiteral("text/plain;charset=utf-8"), "no image"}}),
       test::itemOf({{QStringLiteral("image/jpeg"), pngOf({5, 4}, Qt::blue)}}),  // mislabelled: sniffed
       test::itemOf({{QStringLiteral("image/png"), "broken"}})},
      {}};
  const QList<QImage> images = content.images();
  ASSERT_EQ(images.size(), 3);
  EXPECT_EQ(images[0].size(), QSize(3, 2)) << "PNG preferred over other image types";
  EXPECT_EQ(images[1].size(), QSize(5, 4));
  EXPECT_TRUE(images[2].isNull());
}

TEST(PasteboardFormats, WriteBecomesOneItemWithEveryRepresentation) {
  PasteboardWrite write;
  write.text = QStringLiteral("/tmp/a b");
  write.urls = {QUrl::fromLocalFile(QStringLiteral("/tmp/a b"))};
  write.color = QColor(10, 20, 30);
  write.html = "<p>x</p>";
  const PasteboardItem item = write.toItem();
  EXPECT_EQ(item.value(QLatin1String(mime::kUriList)), "file:///tmp/a%20b\r\n");
  EXPECT_EQ(item.value(QLatin1String(mime::kGnomeCopiedFiles)), "copy\nfile:///tmp/a%20b");
  EXPECT_EQ(pasteboard::parseColor(item.value(QLatin1String(mime::kColor))), QColor(10, 20, 30));
  EXPECT_EQ(item.value(QLatin1String(mime::kPlainText)), "/tmp/a b");

  PasteboardWrite link;
  link.urls = {QUrl(QStringLiteral("https://example.org/"))};
  EXPECT_FALSE(link.toItem().types.contains(QLatin1String(mime::kGnomeCopiedFiles))) << "web links are no files";
}

TEST(X11ServicesWithoutDisplay, DoNotCrashAndFallBackToQt) {
  const QByteArray display = qgetenv("DISPLAY");
  const bool hadDisplay = qEnvironmentVariableIsSet("DISPLAY");
  qunsetenv("DISPLAY");
  {
    auto windows = std::make_shared<x11::X11WindowList>();
    EXPECT_FALSE(windows->isValid());
    EXPECT_TRUE(windows->windows().isEmpty());
    x11::X11Workspace workspace(windows);
    EXPECT_FALSE(workspace.frontmostApplication().has_value());
    EXPECT_EQ(workspace.applicationForPid(workspace.ownPid())->pid, workspace.ownPid());

    x11::X11Pasteboard board;
    EXPECT_FALSE(board.usesX11Reader());
    const qint64 before = board.changeCount();
    PasteboardWrite write;
    write.text = QStringLiteral("through Qt");
    write.html = "<i>through Qt</i>";
    write.color = QColor(1, 2, 3);
    board.write(write);
    ASSERT_TRUE(test::waitFor([&] { return board.changeCount() == before + 1; }, 2000));
    EXPECT_TRUE(board.currentChange().ownWrite);
    const PasteboardContent content = board.read();
    EXPECT_TRUE(content.complete);
    EXPECT_EQ(content.string(), QStringLiteral("through Qt"));
    EXPECT_EQ(content.string(QLatin1String(mime::kHtml)), QStringLiteral("<i>through Qt</i>"));
    EXPECT_EQ(content.color(), QColor(1, 2, 3));
    bool delivered = false;
    board.readAsync(
        [&](const PasteboardContent& later) { delivered = later.string() == QStringLiteral("through Qt"); });
    EXPECT_TRUE(test::waitFor([&] { return delivered; }, 2000));
  }
  if (hadDisplay) qputenv("DISPLAY", display);
}

TEST(X11PasteboardContent, SecretHintReadsAsConcealed) {
  QMimeData data;
  data.setText(QStringLiteral("hunter2"));
  data.setData(QLatin1String(mime::kPasswordManagerHint), "secret");
  const PasteboardContent content = x11::X11Pasteboard::contentFromMimeData(&data, 5);
  EXPECT_TRUE(content.hasType(QLatin1String(kConcealedMarkerType)));
  EXPECT_TRUE(content.hasType(QLatin1String(mime::kPlainText)));
  EXPECT_EQ(content.changeCount, 5);
}

}  // namespace
}  // namespace qv
