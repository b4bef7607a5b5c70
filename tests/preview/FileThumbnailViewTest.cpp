#include "PreviewTestSupport.h"
#include "preview/FileThumbnailView.h"
#include "ui/controls/ProgressSpinner.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using test::PreviewContext;
using Shown = FileThumbnailView::Shown;

QImage solid(QSize size, QColor color) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(color);
  return image;
}

bool near(QColor a, QColor b, int tolerance = 12) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

struct ThumbnailFixture {
  PreviewContext context;
  FakeThumbnailService& thumbnails = *context.thumbnails;
  std::unique_ptr<FileThumbnailView> view = std::make_unique<FileThumbnailView>(*context.services);
  ThumbnailFixture() { view->resize(420, 320); }
  FileThumbnailView::Props file(const QString& name) {
    return {QStringLiteral("/files/") + name, name, 16, 10, QSizeF(420, 320)};
  }
  bool spinning() const { return view->spinner().isVisibleTo(view.get()); }
};

TEST(FileThumbnailView, WaitsWithASpinnerThenFadesTheThumbnailInInsideItsInset) {
  ThumbnailFixture f;
  f.view->setProps(f.file("photo.jpg"));
  ASSERT_EQ(f.thumbnails.requests.size(), 1);
  EXPECT_EQ(f.thumbnails.requests.at(0).path, QStringLiteral("/files/photo.jpg"));
  EXPECT_EQ(f.thumbnails.requests.at(0).pixelSize, QSize(840, 640)) << "the render size at 2 pixels per point";
  EXPECT_EQ(f.view->shown(), Shown::pending);
  EXPECT_TRUE(f.spinning());

  ASSERT_TRUE(f.thumbnails.answer(0, solid({800, 400}, QColor(200, 40, 40))));
  EXPECT_EQ(f.view->shown(), Shown::pending) << "until the worker made the drawn copy";
  f.context.drain();
  EXPECT_EQ(f.view->shown(), Shown::thumbnail);
  EXPECT_FALSE(f.spinning());
  EXPECT_TRUE(f.view->isPrepared(1.0)) << "the main thread copies, it does not scale";
  EXPECT_LT(f.view->thumbnailOpacity(), 0.5) << "fading in";
  f.context.advance(2);
  EXPECT_NEAR(f.view->thumbnailOpacity(), 1, 1e-3);
  // 388 × 288 inside the inset; a 2:1 picture fills its width.
  EXPECT_EQ(f.view->thumbnailRect(), QRectF(16, 63, 388, 194));

  const QImage shot = f.view->renderForTest(1.0);
  EXPECT_TRUE(near(shot.pixelColor(210, 160), QColor(200, 40, 40)));
  EXPECT_EQ(shot.pixelColor(16, 63).alpha(), 0) << "the corner is rounded off";
  EXPECT_EQ(shot.pixelColor(10, 160).alpha(), 0) << "the inset stays clear";
  EXPECT_GT(shot.pixelColor(26, 160).alpha(), 200);
}

TEST(FileThumbnailView, WithoutAThumbnailTheIconAndNameShowAtOnce) {
  ThumbnailFixture f;
  const QString longName = QStringLiteral("A very long file name that goes on and on ").repeated(12) +
                           QStringLiteral(".xyz");
  f.view->setProps(f.file(longName));
  ASSERT_TRUE(f.thumbnails.answer(0, std::nullopt));
  EXPECT_EQ(f.view->shown(), Shown::fallback);
  EXPECT_FALSE(f.spinning());
  EXPECT_EQ(f.view->iconRect().size(), QSizeF(72, 72));
  EXPECT_EQ(f.view->icon().props(), (FileIconView::Props{longName, false}));
  EXPECT_DOUBLE_EQ(f.view->iconRect().center().x(), 210);
  EXPECT_EQ(f.view->nameRect().left(), 24);
  EXPECT_EQ(f.view->nameRect().width(), 420 - 48);
  EXPECT_DOUBLE_EQ(f.view->nameRect().top(), f.view->iconRect().bottom() + 10);
  EXPECT_EQ(f.view->nameLines().size(), 6);
  EXPECT_TRUE(f.view->nameLines().last().endsWith(QChar(0x2026)));
  // The stack is centred.
  EXPECT_NEAR(f.view->iconRect().top() - 0, 320 - f.view->nameRect().bottom(), 1);

  // A short name on one centred line.
  f.view->setProps(f.file(QStringLiteral("report.xyz")));
  f.thumbnails.answer(1, std::nullopt);
  EXPECT_EQ(f.view->nameLines(), QStringList{QStringLiteral("report.xyz")});
}

TEST(FileThumbnailView, EachNewFileStartsCleanAndNeverShowsAnotherFilesThumbnail) {
  ThumbnailFixture f;
  f.view->setProps(f.file("first.jpg"));
  f.thumbnails.answer(0, solid({400, 300}, Qt::red));
  f.context.drain();
  ASSERT_EQ(f.view->shown(), Shown::thumbnail);

  // Another file: the spinner at once, not the first file's picture.
  f.view->setProps(f.file("second.mov"));
  EXPECT_EQ(f.view->shown(), Shown::pending);
  EXPECT_TRUE(f.view->thumbnail().isNull());
  EXPECT_TRUE(f.spinning());
  EXPECT_EQ(f.view->thumbnailOpacity(), 0);

  // A third file before the second answered: the second's answer never lands.
  f.view->setProps(f.file("third.txt"));
  EXPECT_FALSE(f.thumbnails.answer(1, solid({400, 300}, Qt::green))) << "cancelled";
  EXPECT_EQ(f.thumbnails.activeCount(), 1);
  f.thumbnails.answer(2, std::nullopt);
  EXPECT_EQ(f.view->shown(), Shown::fallback);

  // A failure does not stick to the next file either.
  f.view->setProps(f.file("fourth.png"));
  EXPECT_EQ(f.view->shown(), Shown::pending);
  f.thumbnails.answer(3, solid({100, 100}, Qt::blue));
  f.context.drain();
  EXPECT_EQ(f.view->shown(), Shown::thumbnail);

  // A worker copy made for an earlier thumbnail is dropped when it arrives late.
  f.view->setProps(f.file("fifth.png"));
  f.thumbnails.answer(4, solid({100, 100}, Qt::yellow));
  f.view->setProps(f.file("sixth.png"));
  f.context.drain();
  EXPECT_EQ(f.view->shown(), Shown::pending);
}

TEST(FileThumbnailView, TheSameFileAtAnotherSizeKeepsItsThumbnailOverALaterFailure) {
  ThumbnailFixture f;
  f.view->setProps(f.file("photo.jpg"));
  f.thumbnails.answer(0, solid({400, 300}, Qt::red));
  f.context.drain();
  FileThumbnailView::Props bigger = f.file("photo.jpg");
  bigger.renderSize = QSizeF(600, 400);
  f.view->setProps(bigger);
  ASSERT_EQ(f.thumbnails.requests.size(), 2);
  EXPECT_EQ(f.thumbnails.requests.at(1).pixelSize, QSize(1200, 800));
  EXPECT_EQ(f.view->shown(), Shown::thumbnail);
  f.thumbnails.answer(1, std::nullopt);
  EXPECT_EQ(f.view->shown(), Shown::thumbnail);
  // The same props again ask nothing.
  f.view->setProps(bigger);
  EXPECT_EQ(f.thumbnails.requests.size(), 2);
}

TEST(FileThumbnailView, AResizeRemakesTheDrawnCopyAndAViewGoneDropsItsAnswers) {
  ThumbnailFixture f;
  f.view->setProps(f.file("photo.jpg"));
  f.thumbnails.answer(0, solid({400, 400}, Qt::red));
  f.context.drain();
  f.view->resize(300, 500);
  EXPECT_FALSE(f.view->isPrepared(1.0));
  EXPECT_FALSE(f.view->renderForTest(1.0).isNull()) << "drawn as it is meanwhile";
  f.context.drain();
  EXPECT_TRUE(f.view->isPrepared(1.0));
  EXPECT_EQ(f.view->thumbnailRect(), QRectF(16, 116, 268, 268));

  f.view->setProps(f.file("other.jpg"));
  f.view.reset();
  EXPECT_FALSE(f.thumbnails.answer(1, solid({10, 10}, Qt::red)));
  f.context.drain();
}

TEST(FileThumbnailView, NoThumbnailServiceMeansTheFallback) {
  ThumbnailFixture f;
  f.context.services->thumbnailService.reset();
  f.view->setProps(f.file("photo.jpg"));
  EXPECT_EQ(f.view->shown(), Shown::fallback);
}

}  // namespace
}  // namespace qv
