#include "PreviewTestSupport.h"
#include "platform/QuickLook.h"
#include "preview/FileThumbnailView.h"
#include "preview/QuickLookButton.h"
#include "preview/RichDocumentPreview.h"
#include "support/preview/DocumentFixtures.h"
#include "ui/controls/ProgressSpinner.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QScrollBar>
#include <QTest>
#include <QUrl>

namespace qv {
namespace {

using test::PreviewContext;
using Shown = RichDocumentPreview::Shown;

TEST(RichDocumentPreviewTest, TakesItsSevenExtensionsInAnyCase) {
  EXPECT_EQ(RichDocumentPreview::documentExtensions(),
            (QStringList{"doc", "docx", "odt", "rtf", "rtfd", "webarchive", "wordml"}));
  const std::pair<const char*, bool> names[] = {
      {"Report.DOCX", true},      {"notes.rtf", true},  {"Page.WebArchive", true}, {"Old.doc", true},
      {"Draft.rtfd/", true},      {"letter.odt", true}, {"memo.wordml", true},     {"sheet.xlsx", false},
      {"archive.rtf.zip", false}, {"README", false},    {".rtf", false},           {"docx", false},
  };
  for (const auto& [name, taken] : names) EXPECT_EQ(RichDocumentPreview::takes(QString::fromUtf8(name)), taken) << name;
}

const QByteArray kColouredRtf =
    "{\\rtf1\\ansi{\\fonttbl{\\f0 DejaVu Sans;}}{\\colortbl;\\red0\\green0\\blue0;\\red255\\green255\\blue0;}"
    "\\f0\\fs80\\cf1 MMMM\\par\\cf2 MMMM}";

struct PreviewFixture {
  PreviewContext context;
  std::unique_ptr<RichDocumentPreview> view = std::make_unique<RichDocumentPreview>(*context.services);
  std::vector<std::pair<bool, bool>> edges;

  PreviewFixture() { view->resize(420, 320); }
  std::shared_ptr<FakeSerialQueue> queue() { return context.queue(RichDocumentPreview::kQueueName); }
  QUrl write(const QString& name, const QByteArray& bytes) {
    const QString path = context.root.filePath(name);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) ADD_FAILURE() << "cannot write " << path.toStdString();
    file.write(bytes);
    return QUrl::fromLocalFile(path);
  }
  void show(const QUrl& url) {
    view->setProps({url}, {[this](bool above, bool below) { edges.push_back({above, below}); }});
  }
};

TEST(RichDocumentPreviewTest, ReadsOnTheWorkerWhileTheSpinnerShows) {
  PreviewFixture f;
  f.view->show();
  f.show(f.write(QStringLiteral("Note.rtf"), kColouredRtf));
  EXPECT_EQ(f.view->shown(), Shown::loading);
  EXPECT_TRUE(f.view->spinner().isVisible());
  EXPECT_FALSE(f.view->viewer().isVisible());
  EXPECT_EQ(f.view->spinner().geometry().center(), f.view->rect().center());
  ASSERT_EQ(f.queue()->pendingCount(), 1);  // nothing was read on the main thread

  f.context.drain();
  ASSERT_EQ(f.view->shown(), Shown::document);
  EXPECT_FALSE(f.view->spinner().isVisible());
  EXPECT_TRUE(f.view->viewer().isVisible());
  const QVTextViewer::Props& props = f.view->viewer().props();
  EXPECT_EQ(props.attributed, f.view->document());
  EXPECT_TRUE(props.text.isEmpty());
  EXPECT_FALSE(props.isMonospaced);
  EXPECT_EQ(props.inset, QSizeF(14, 12));
  EXPECT_EQ(f.view->document()->text, QStringLiteral("MMMM\nMMMM"));
  EXPECT_EQ(f.view->viewer().toPlainText(), QStringLiteral("MMMM\nMMMM"));
  EXPECT_FALSE(f.edges.empty());  // the viewer's reports reach the owner
}

TEST(RichDocumentPreviewTest, AnotherUrlShowsTheSpinnerAndDropsTheEarlierRead) {
  PreviewFixture f;
  const QUrl first = f.write(QStringLiteral("First.rtf"), "{\\rtf1 first}");
  const QUrl second = f.write(QStringLiteral("Second.rtf"), "{\\rtf1 second}");
  f.show(first);
  f.context.drain();
  ASSERT_EQ(f.view->shown(), Shown::document);

  f.show(second);
  EXPECT_EQ(f.view->shown(), Shown::loading);
  EXPECT_TRUE(f.view->viewer().toPlainText().isEmpty());  // the first document is let go
  f.show(first);
  f.show(second);
  ASSERT_EQ(f.queue()->pendingCount(), 3);
  // The first two reads are abandoned: they finish without a result.
  ASSERT_TRUE(f.queue()->runOne());
  ASSERT_TRUE(f.queue()->runOne());
  f.context.scheduler->runPending();
  EXPECT_EQ(f.view->shown(), Shown::loading);
  f.context.drain();
  ASSERT_EQ(f.view->shown(), Shown::document);
  EXPECT_EQ(f.view->document()->text, QStringLiteral("second"));
}

TEST(RichDocumentPreviewTest, ARepeatedUrlIsNotReadAgainButCallbacksAreReplaced) {
  PreviewFixture f;
  const QUrl url = f.write(QStringLiteral("Note.rtf"), kColouredRtf);
  f.show(url);
  f.context.drain();
  std::vector<std::pair<bool, bool>> later;
  f.view->setProps({url}, {[&](bool above, bool below) { later.push_back({above, below}); }});
  EXPECT_EQ(f.queue()->pendingCount(), 0);
  EXPECT_EQ(f.view->shown(), Shown::document);
  const size_t earlier = f.edges.size();
  f.view->resize(420, 80);  // under the two lines
  f.view->show();
  f.context.drain();
  EXPECT_EQ(f.edges.size(), earlier);
  ASSERT_FALSE(later.empty());
  EXPECT_EQ(later.back(), std::make_pair(false, true));
  EXPECT_EQ(f.view->viewer().verticalScrollBar()->value(), 0);
}

TEST(RichDocumentPreviewTest, UnreadableFilesShowTheFallback) {
  PreviewFixture f;
  const QUrl urls[] = {
      f.write(QStringLiteral("Empty.rtf"), {}),
      f.write(QStringLiteral("Blank.rtf"), "{\\rtf1\\ansi{\\fonttbl{\\f0 Helvetica;}}}"),
      f.write(QStringLiteral("Legacy.doc"), QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(504, '\0')),
      f.write(QStringLiteral("Broken.docx"), "PK\x03\x04 not really a zip"),
      QUrl::fromLocalFile(f.context.root.filePath(QStringLiteral("Missing.odt"))),
      QUrl(QStringLiteral("https://example.com/remote.rtf")),
  };
  f.view->show();
  for (const QUrl& url : urls) {
    f.show(url);
    f.context.drain();
    EXPECT_EQ(f.view->shown(), Shown::failed) << url.toString().toStdString();
    ASSERT_NE(f.view->fallback(), nullptr);
    EXPECT_TRUE(f.view->fallback()->isVisible());
    EXPECT_EQ(f.view->fallback()->geometry(), f.view->rect());
    EXPECT_FALSE(f.view->spinner().isVisible());
    EXPECT_FALSE(f.view->viewer().isVisible());
  }
}

TEST(RichDocumentPreviewTest, TheFallbackIsTheThumbnailWithAQuickLookButtonForTheFileShown) {
  PreviewFixture f;
  const QByteArray legacy = QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(504, '\0');
  const QUrl first = f.write(QStringLiteral("Minutes.doc"), legacy);
  const QUrl second = f.write(QStringLiteral("Agenda.doc"), legacy);
  f.view->show();
  f.show(first);
  f.context.drain();
  f.show(second);  // another unreadable file: the button must open this one
  f.context.drain();
  ASSERT_EQ(f.view->shown(), Shown::failed);
  ASSERT_NE(f.view->fallback(), nullptr);
  const auto thumbnails = f.view->fallback()->findChildren<FileThumbnailView*>();
  const auto buttons = f.view->fallback()->findChildren<QuickLookButton*>();
  ASSERT_EQ(thumbnails.size(), 1);
  ASSERT_EQ(buttons.size(), 1);
  const FileThumbnailView::Props expected{second.toLocalFile(), QStringLiteral("Agenda.doc"), 0, 8, QSizeF(420, 320)};
  EXPECT_EQ(thumbnails[0]->props(), expected);
  EXPECT_EQ(thumbnails[0]->geometry(), f.view->rect());
  QuickLookButton& button = *buttons[0];
  EXPECT_FALSE(button.props().compact);
  const QRectF capsule = button.capsuleRect().translated(button.pos());
  EXPECT_NEAR(capsule.bottom(), f.view->height() - 12, 1);
  EXPECT_NEAR(capsule.center().x(), f.view->width() / 2.0, 1);

  QTest::mouseClick(&button, Qt::LeftButton, {}, button.capsuleRect().center().toPoint());
  EXPECT_EQ(f.context.quickLook->shown, second);
}

TEST(RichDocumentPreviewTest, AnRtfdPackageShowsItsText) {
  PreviewFixture f;
  f.write(QStringLiteral("Draft.rtfd/TXT.rtf"), "{\\rtf1 package {{\\NeXTGraphic a.png \\width20}\xAC}text}");
  f.write(QStringLiteral("Draft.rtfd/a.png"), "\x89PNG");
  f.show(QUrl::fromLocalFile(f.context.root.filePath(QStringLiteral("Draft.rtfd"))));
  f.context.drain();
  ASSERT_EQ(f.view->shown(), Shown::document);
  EXPECT_EQ(f.view->document()->text, QStringLiteral("package text"));
}

// The text pixels of a rendered viewer: the darkest and the brightest, and whether any is yellow.
struct Ink {
  double darkest = 1;
  double brightest = 0;
  bool yellow = false;
};

Ink inkOf(QWidget& widget) {
  QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
  Ink ink;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor pixel = image.pixelColor(x, y);
      if (pixel.alpha() < 200) continue;
      const QColor solid = pixel.toRgb();
      if (solid.red() > 200 && solid.green() > 200 && solid.blue() < 60) {
        ink.yellow = true;
        continue;
      }
      ink.darkest = std::min(ink.darkest, double(solid.valueF()));
      ink.brightest = std::max(ink.brightest, double(solid.valueF()));
    }
  return ink;
}

TEST(RichDocumentPreviewTest, BlackTextFollowsTheSchemeAndYellowKeepsItsColour) {
  PreviewFixture f;
  f.view->show();
  f.show(f.write(QStringLiteral("Note.rtf"), kColouredRtf));
  f.context.drain();
  ASSERT_EQ(f.view->shown(), Shown::document);
  const Ink light = inkOf(f.view->viewer());
  EXPECT_LT(light.darkest, 0.2);
  EXPECT_TRUE(light.yellow);
  f.context.setDark(true);
  f.context.drain();
  const Ink dark = inkOf(f.view->viewer());
  EXPECT_GT(dark.brightest, 0.8);
  EXPECT_GT(dark.darkest, 0.5);  // no black text left on the dark background
  EXPECT_TRUE(dark.yellow);
}

TEST(RichDocumentPreviewTest, AHiddenPreviewLetsItsDocumentGoAndReadsItAgainWhenShown) {
  PreviewFixture f;
  f.view->show();
  f.show(f.write(QStringLiteral("Note.rtf"), kColouredRtf));
  f.context.drain();
  ASSERT_EQ(f.view->shown(), Shown::document);
  const std::weak_ptr<const AttributedText> held = f.view->document();
  f.view->hide();
  EXPECT_TRUE(held.expired()) << "a closed pane keeps nothing of the document";
  EXPECT_TRUE(f.view->viewer().document()->isEmpty());
  f.view->show();
  EXPECT_EQ(f.view->shown(), Shown::loading);
  f.context.drain();
  ASSERT_EQ(f.view->shown(), Shown::document);
  EXPECT_EQ(f.view->document()->text, QStringLiteral("MMMM\nMMMM"));

  // Hidden while it reads: the read is given up, and what it would bring is dropped.
  f.show(f.write(QStringLiteral("Other.rtf"), "{\\rtf1 other}"));
  f.view->hide();
  f.context.drain();
  EXPECT_FALSE(f.view->document());
  f.view->show();
  f.context.drain();
  ASSERT_EQ(f.view->shown(), Shown::document);
  EXPECT_EQ(f.view->document()->text, QStringLiteral("other"));
}

}  // namespace
}  // namespace qv
