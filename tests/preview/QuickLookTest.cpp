#include "PreviewTestSupport.h"
#include "base/ByteCountText.h"
#include "platform/QuickLook.h"
#include "preview/QuickLookButton.h"
#include "preview/QuickLookWindow.h"
#include "ui/controls/ControlStyle.h"
#include "ui/controls/ProgressSpinner.h"
#include "ui/text/Fonts.h"

#include <gtest/gtest.h>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QHoverEvent>
#include <QMimeDatabase>
#include <QTemporaryDir>
#include <QTest>

namespace qv {
namespace {

using test::PreviewContext;

void hover(PaintedWidget& widget, QPointF at) {
  QHoverEvent move(QEvent::HoverMove, at, at, QPointF(-1, -1));
  QCoreApplication::sendEvent(&widget, &move);
}

QPoint centreOf(const QuickLookButton& button) { return button.capsuleRect().center().toPoint(); }

struct ButtonFixture {
  PreviewContext context;
  QWidget host;
  QuickLookButton* first = new QuickLookButton(*context.services, &host);
  QuickLookButton* second = new QuickLookButton(*context.services, &host);
  ButtonFixture() {
    first->setProps({QStringLiteral("/files/first.key"), false});
    second->setProps({QStringLiteral("/files/second.key"), true});
    first->resize(first->sizeHint());
    second->resize(second->sizeHint());
    second->move(0, 60);
    host.resize(300, 200);
    host.show();
  }
};

TEST(QuickLookPresenter, CountsItsItemsAndAnswersNothingPastThem) {
  PreviewContext context;
  EXPECT_EQ(QuickLookPresenter::existing(*context.services), nullptr) << "no press, no presenter";
  openQuickLook(*context.services, QUrl::fromLocalFile(QStringLiteral("/files/a.pdf")));
  QuickLookPresenter* presenter = QuickLookPresenter::existing(*context.services);
  ASSERT_NE(presenter, nullptr);
  const struct {
    int index;
    std::optional<QUrl> item;
  } cases[] = {{0, QUrl::fromLocalFile(QStringLiteral("/files/a.pdf"))}, {1, std::nullopt}, {-1, std::nullopt}};
  EXPECT_EQ(presenter->numberOfPreviewItems(), 1);
  for (const auto& c : cases) EXPECT_EQ(presenter->previewItemAt(c.index), c.item) << c.index;
  // The same presenter for the life of the context.
  openQuickLook(*context.services, QUrl::fromLocalFile(QStringLiteral("/files/b.pdf")));
  EXPECT_EQ(QuickLookPresenter::existing(*context.services), presenter);
}

TEST(QuickLookButton, APressShowsItsFileAndASecondPressSwitchesTheWindow) {
  ButtonFixture f;
  FakeQuickLook& window = *f.context.quickLook;
  QTest::mouseClick(f.first, Qt::LeftButton, {}, centreOf(*f.first));
  EXPECT_EQ(window.calls, QStringList({"setDataSource", "reloadData", "makeKeyAndOrderFront"}));
  EXPECT_EQ(window.shown, QUrl::fromLocalFile(QStringLiteral("/files/first.key")));
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.dataSource.get(), QuickLookPresenter::existing(*f.context.services));

  QTest::mouseClick(f.second, Qt::LeftButton, {}, centreOf(*f.second));
  EXPECT_EQ(window.shown, QUrl::fromLocalFile(QStringLiteral("/files/second.key")));
  EXPECT_EQ(window.dataSource->numberOfPreviewItems(), 1);

  // The file is read at the press: a button given another file since shows that one. A file
  // that is not there is handed over all the same.
  f.first->setProps({QStringLiteral("/files/vanished.key"), false});
  QTest::mouseClick(f.first, Qt::LeftButton, {}, centreOf(*f.first));
  EXPECT_EQ(window.shown, QUrl::fromLocalFile(QStringLiteral("/files/vanished.key")));
  EXPECT_EQ(window.loads.size(), 3);

  // A press outside the capsule (in the shadow's room) does nothing.
  QTest::mouseClick(f.first, Qt::LeftButton, {}, QPoint(1, 1));
  EXPECT_EQ(window.loads.size(), 3);
}

TEST(QuickLookButton, WithoutAWindowOnlyThePresenterLearnsTheFile) {
  ButtonFixture f;
  f.context.services->quickLook.reset();
  f.first->openQuickLook();
  ASSERT_NE(QuickLookPresenter::existing(*f.context.services), nullptr);
  EXPECT_EQ(QuickLookPresenter::existing(*f.context.services)->items,
            QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/files/first.key"))});
}

TEST(QuickLookButton, RegularAndCompactDifferOnlyInFontsAndPaddings) {
  ButtonFixture f;
  const QuickLookButton::Metrics variants[] = {QuickLookButton::kRegular, QuickLookButton::kCompact};
  const QuickLookButton* buttons[] = {f.first, f.second};
  for (int i = 0; i < 2; ++i) {
    const QuickLookButton::Metrics& m = variants[i];
    const QFontMetricsF text(systemFont(m.textFontSize, QFont::Medium));
    const double symbol = std::round(m.symbolFontSize * 1.15);
    const QRectF capsule = buttons[i]->capsuleRect();
    EXPECT_DOUBLE_EQ(capsule.width(),
                     std::ceil(symbol + 5 + text.horizontalAdvance(QStringLiteral("Quick Look"))) + 2 * m.paddingH);
    EXPECT_DOUBLE_EQ(capsule.height(), std::ceil(std::max(text.height(), symbol)) + 2 * m.paddingV);
  }
  EXPECT_GT(f.first->capsuleRect().width(), f.second->capsuleRect().width());
  for (const QuickLookButton* button : buttons) {
    EXPECT_EQ(button->toolTip(), QStringLiteral("Open in Quick Look"));
    EXPECT_EQ(button->accessibility().name, QStringLiteral("Open in Quick Look"));
    EXPECT_EQ(button->accessibility().role, QAccessible::Button);
  }
}

TEST(QuickLookButton, HoverLiftsTextAndTintWithTheSnappySpringAndShowsThePointingHand) {
  ButtonFixture f;
  const EnvironmentValues env = f.first->environment();
  EXPECT_EQ(f.first->foreground(), primaryColor(env, 0.75));
  EXPECT_EQ(f.first->tint(), primaryColor(env, 0.07));
  hover(*f.first, centreOf(*f.first));
  f.context.advance(0.05);
  EXPECT_GT(f.first->foreground().alphaF(), primaryColor(env, 0.75).alphaF());
  EXPECT_LT(f.first->foreground().alphaF(), primaryColor(env, 0.95).alphaF()) << "on its way";
  f.context.advance(1);
  EXPECT_NEAR(f.first->foreground().alphaF(), primaryColor(env, 0.95).alphaF(), 0.01);
  EXPECT_NEAR(f.first->tint().alphaF(), primaryColor(env, 0.1).alphaF(), 0.01);
  EXPECT_EQ(f.first->cursor().shape(), Qt::PointingHandCursor);
  // The capsule is the hit area: the shadow's room is not.
  hover(*f.first, QPointF(1, 1));
  f.context.advance(1);
  EXPECT_EQ(f.first->foreground(), primaryColor(env, 0.75));
}

// ---- The window -----------------------------------------------------------------------------

constexpr char kPdf[] =
    "%PDF-1.4\n1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj\n2 0 obj<</Type/Pages/Kids[3 0 R]/Count 1>>endobj\n"
    "3 0 obj<</Type/Page/Parent 2 0 R/MediaBox[0 0 200 300]>>endobj\ntrailer<</Root 1 0 R>>\n%%EOF\n";

struct WindowFixture {
  PreviewContext context;
  QTemporaryDir dir;
  QString jpeg = dir.filePath(QStringLiteral("holiday.jpg"));
  QString pdf = dir.filePath(QStringLiteral("statement"));
  QString unknown = dir.filePath(QStringLiteral("blob.qvx"));
  WindowFixture() {
    QImage photo(3000, 2000, QImage::Format_RGB32);
    photo.fill(QColor(30, 140, 90));
    photo.save(jpeg, "jpeg");
    QFile file(pdf);
    file.open(QIODevice::WriteOnly);
    file.write(kPdf);
    file.close();
    QFile blob(unknown);
    blob.open(QIODevice::WriteOnly);
    blob.write(QByteArray(2500, '\0'));
  }
};

TEST(QuickLookView, WorkersLookAtEachKindOfFile) {
  WindowFixture f;
  const struct {
    QString path;
    bool picture;
    QString size;
    QString type;
  } cases[] = {
      {f.jpeg, true, byteCountText(QFileInfo(f.jpeg).size()), QMimeDatabase().mimeTypeForName("image/jpeg").comment()},
      {f.pdf, false, byteCountText(QFileInfo(f.pdf).size()),
       QMimeDatabase().mimeTypeForName("application/pdf").comment()},
      {f.unknown, false, byteCountText(2500), QMimeDatabase().mimeTypeForFile(f.unknown).comment()},
      {f.dir.path(), false, QString(), QMimeDatabase().mimeTypeForName("inode/directory").comment()},
      {f.dir.filePath(QStringLiteral("gone.png")), false, QString(),
       QMimeDatabase().mimeTypeForName("image/png").comment()},
  };
  for (const auto& c : cases) {
    const QuickLookView::Look look = QuickLookView::lookAt(c.path);
    EXPECT_EQ(look.picture.has_value(), c.picture) << c.path.toStdString();
    EXPECT_EQ(look.name, QFileInfo(c.path).fileName());
    if (c.picture) {
      EXPECT_EQ(look.picture->size(), QSize(2048, 1365));
    }
    EXPECT_EQ(look.typeText, c.type) << c.path.toStdString();
    EXPECT_EQ(look.sizeText, c.size) << c.path.toStdString();
  }
}

TEST(QuickLookView, APictureElseTheLargestThumbnailElseTheDetails) {
  WindowFixture f;
  QuickLookView view(*f.context.services);
  view.resize(760, 560);
  view.setProps({f.jpeg});
  EXPECT_EQ(view.shown(), QuickLookView::Shown::pending);
  EXPECT_TRUE(view.spinner().isVisibleTo(&view));
  f.context.drain();
  EXPECT_EQ(view.shown(), QuickLookView::Shown::picture);
  EXPECT_TRUE(f.context.thumbnails->requests.isEmpty()) << "a picture needs no thumbnail";
  EXPECT_EQ(view.pictureRect().size(), QSizeF(2048, 1365).scaled(QSizeF(712, 512), Qt::KeepAspectRatio));
  EXPECT_EQ(view.pictureRect().center(), QPointF(380, 280));

  // A PDF: its thumbnail at the largest size.
  view.setProps({f.pdf});
  EXPECT_EQ(view.shown(), QuickLookView::Shown::pending);
  EXPECT_TRUE(view.picture().isNull()) << "never the earlier file's picture";
  f.context.drain();
  ASSERT_EQ(f.context.thumbnails->requests.size(), 1);
  EXPECT_EQ(f.context.thumbnails->requests.at(0).pixelSize, QSize(1024, 1024));
  QImage page(400, 600, QImage::Format_RGB32);
  page.fill(Qt::white);
  f.context.thumbnails->answer(0, page);
  EXPECT_EQ(view.shown(), QuickLookView::Shown::thumbnail);
  EXPECT_EQ(view.pictureRect().size(), QSizeF(400, 600).scaled(QSizeF(712, 512), Qt::KeepAspectRatio));

  // An unknown file: its details.
  view.setProps({f.unknown});
  f.context.drain();
  f.context.thumbnails->answer(1, std::nullopt);
  EXPECT_EQ(view.shown(), QuickLookView::Shown::details);
  EXPECT_EQ(view.look().name, QStringLiteral("blob.qvx"));
  EXPECT_EQ(view.look().sizeText, byteCountText(2500));
  EXPECT_FALSE(view.renderForTest(1.0).isNull());

  // A file switched away from before its look arrived never shows.
  view.setProps({f.jpeg});
  view.setProps({f.unknown});
  f.context.drain();
  EXPECT_NE(view.shown(), QuickLookView::Shown::picture);
}

TEST(QuickLookWindow, SpaceAndEscapeCloseTheWindowAndTellItsOwner) {
  WindowFixture f;
  QuickLookWindow window(*f.context.services);
  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(window.ownsWindow(nullptr));
  int closes = 0;
  window.setClosedHandler([&] { ++closes; });
  for (const Qt::Key key : {Qt::Key_Space, Qt::Key_Escape}) {
    openQuickLook(*f.context.services, QUrl::fromLocalFile(f.jpeg));  // the fake window
    window.setDataSource(f.context.services->quickLookPresenter);
    window.reloadData();
    window.makeKeyAndOrderFront();
    ASSERT_TRUE(window.isVisible());
    EXPECT_EQ(window.window()->windowTitle(), QStringLiteral("holiday.jpg"));
    EXPECT_TRUE(window.ownsWindow(window.window()->windowHandle()));
    const int before = closes;
    QTest::keyClick(window.window(), key);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(closes, before + 1);
  }
  // Reloading while open switches the file in place.
  window.reloadData();
  window.makeKeyAndOrderFront();
  QuickLookPresenter::shared(*f.context.services).items = {QUrl::fromLocalFile(f.unknown)};
  window.reloadData();
  EXPECT_EQ(window.view()->props().path, f.unknown);
  EXPECT_EQ(window.window()->windowTitle(), QStringLiteral("blob.qvx"));
  window.close();
  EXPECT_EQ(closes, 3);
}

}  // namespace
}  // namespace qv
