#include "PreviewTestSupport.h"
#include "items/link/OGImageCache.h"
#include "preview/LinkPreview.h"
#include "support/SideFileHelpers.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QHoverEvent>
#include <QTest>

namespace qv {
namespace {

using test::PreviewContext;
using Props = LinkPreviewContent::Props;

const QString kItem = QStringLiteral("6B1F5C4E-8C1A-4F5E-9E55-0B7A1D2C3E4F");

Url url(const char* text) {
  const std::optional<Url> parsed = parseStrictUrl(QString::fromUtf8(text));
  EXPECT_TRUE(parsed) << text;
  return parsed.value_or(Url());
}

struct LinkFixture {
  PreviewContext context;
  std::unique_ptr<LinkPreviewContent> view = std::make_unique<LinkPreviewContent>(*context.services);
  LinkFixture() {
    view->resize(360, 400);
    view->show();
  }
  void cacheImage(QColor colour = Qt::darkCyan) {
    QImage image(1200, 630, QImage::Format_RGB32);
    image.fill(colour);
    ASSERT_TRUE(context.services->ogImageCache->save(image, kItem));
  }
  std::shared_ptr<FakeSerialQueue> queue() { return context.queue(LinkPreviewContent::kQueueName); }
  Props props(std::optional<QString> reference, std::optional<QString> title = QStringLiteral("A page title")) {
    return {url("https://example.org/articles/42"), QStringLiteral("example.org"), std::move(title),
            std::move(reference), kItem};
  }
};

TEST(LinkPreviewContent, WithItsCachedImageTheBandIs160PointsHigh) {
  LinkFixture f;
  f.cacheImage();
  f.view->setProps(f.props(OGImageCache::cachedReference(kItem)));
  EXPECT_FALSE(f.view->hasImage()) << "decoded on a worker";
  EXPECT_EQ(f.view->layout().header.height(), LinkPreviewContent::kPlaceholderHeight);
  EXPECT_EQ(f.queue()->pendingCount(), 1);
  f.context.drain();
  f.context.advance(1.5);
  ASSERT_TRUE(f.view->hasImage());
  const auto layout = f.view->layout();
  EXPECT_EQ(layout.header, QRectF(0, 0, 360, 160));
  EXPECT_EQ(layout.title.topLeft(), QPointF(16, 160 + 14));
  EXPECT_EQ(layout.title.width(), 360 - 32);
  EXPECT_EQ(layout.domain.top(), layout.title.bottom() + 6);
  EXPECT_EQ(layout.address.top(), layout.domain.bottom() + 6);
  EXPECT_EQ(f.view->heightForWidth(360), int(std::ceil(layout.address.bottom() + 14)));
  const QImage drawn = f.view->renderForTest();
  EXPECT_EQ(drawn.pixelColor(180, 80), QColor(Qt::darkCyan));
}

TEST(LinkPreviewContent, TheImageComesInWhenItsReferenceArrives) {
  LinkFixture f;
  f.view->setProps(f.props(std::nullopt));
  f.context.advance(0.5);
  EXPECT_EQ(f.queue()->pendingCount(), 0) << "no reference, nothing to read";
  EXPECT_FALSE(f.view->hasImage());
  EXPECT_EQ(f.view->layout().header.height(), 100);
  // The placeholder: a faint fill with the link symbol.
  const QImage placeholder = f.view->renderForTest();
  EXPECT_GT(placeholder.pixelColor(5, 50).alpha(), 0);
  EXPECT_EQ(placeholder.pixelColor(5, 120).alpha(), 0);

  // The metadata fetcher stores the image and the item gets its reference.
  f.cacheImage();
  f.view->setProps(f.props(OGImageCache::cachedReference(kItem)));
  f.context.drain();
  f.context.advance(0.1);
  ASSERT_TRUE(f.view->hasImage());
  EXPECT_GT(f.view->imageProgress(), 0.05);
  EXPECT_LT(f.view->imageProgress(), 0.95) << "it comes in with an animation";
  const double header = f.view->layout().header.height();
  EXPECT_GT(header, 100);
  EXPECT_LT(header, 160);
  f.context.advance(1.5);
  EXPECT_EQ(f.view->layout().header.height(), 160);
}

TEST(LinkPreviewContent, WithoutAReadableImageThePlaceholderStays) {
  LinkFixture f;
  ASSERT_TRUE(test::writeTestFile(f.context.services->ogImageCache->filePath(kItem), "not a png"));
  f.view->setProps(f.props(OGImageCache::cachedReference(kItem)));
  f.context.drain();
  f.context.advance(1);
  EXPECT_FALSE(f.view->hasImage());
  EXPECT_EQ(f.view->layout().header.height(), 100);
  // Another item with the same reference text starts without an image too.
  f.view->setProps({url("https://example.org"), QStringLiteral("example.org"), {}, QStringLiteral("x"), kItem});
  f.context.drain();
  EXPECT_FALSE(f.view->hasImage());
}

TEST(LinkPreviewContent, TitleLines) {
  LinkFixture f;
  f.view->setProps(f.props(std::nullopt, QString(500, u'w').replace(u'w', QStringLiteral("word "))));
  EXPECT_EQ(f.view->titleLines().size(), 3);
  EXPECT_TRUE(f.view->titleLines().last().endsWith(u'…'));
  EXPECT_EQ(f.view->layout().titleLines, 3);

  for (const std::optional<QString>& title : {std::optional<QString>(), std::optional<QString>(QString())}) {
    f.view->setProps(f.props(std::nullopt, title));
    EXPECT_TRUE(f.view->layout().title.isNull());
    EXPECT_EQ(f.view->layout().domain.top(), 100 + 14) << "the domain moves up";
  }
}

TEST(LinkPreviewContent, OnlyWebAddressesAreButtons) {
  const struct {
    const char* address;
    bool button;
    const char* shown;
  } cases[] = {
      {"https://example.org/a?b=1", true, "https://example.org/a?b=1"},
      {"HTTP://EXAMPLE.ORG", true, "HTTP://EXAMPLE.ORG"},
      {"ftp://files.example.org/x", false, "ftp://files.example.org/x"},
      {"mailto:ann@example.org", false, "mailto:ann@example.org"},
      {"javascript:alert(1)", false, "javascript:alert(1)"},
      {"file:///etc/hosts", false, "/etc/hosts"},
  };
  LinkFixture f;
  for (const auto& c : cases) {
    f.view->setProps({url(c.address), QStringLiteral("d"), QStringLiteral("t"), std::nullopt, kItem});
    LinkOpenButton* button = f.view->openButton();
    const bool shown = button && button->isVisibleTo(f.view.get());
    EXPECT_EQ(shown, c.button) << c.address;
    if (shown) {
      EXPECT_EQ(button->text(), QString::fromUtf8(c.shown)) << c.address;
      EXPECT_EQ(button->geometry(), f.view->layout().address.toAlignedRect()) << c.address;
    } else {
      EXPECT_EQ(f.view->addressText(), QString::fromUtf8(c.shown)) << c.address;
    }
  }
  // Clicking where a plain address is drawn opens nothing.
  QTest::mouseClick(f.view.get(), Qt::LeftButton, {}, f.view->layout().address.center().toPoint());
  EXPECT_TRUE(std::static_pointer_cast<FakeWorkspace>(f.context.services->workspace)->openedUrls.isEmpty());
}

TEST(LinkOpenButton, HoverUnderlinesRaisesAndOpensTheAddressItShowsNow) {
  PreviewContext context;
  LinkOpenButton button(*context.services);
  button.resize(300, 40);
  button.show();
  button.setProps({url("https://old.example.org"), 11});
  button.setProps({url("https://example.org/now"), 11});
  EXPECT_EQ(button.toolTip(), QStringLiteral("Open in your browser"));
  EXPECT_EQ(button.accessibility().name, QStringLiteral("Open in your browser"));
  EXPECT_FALSE(button.isUnderlined());
  EXPECT_NEAR(button.textOpacity(), 0.8, 1e-6);

  QHoverEvent enter(QEvent::HoverEnter, QPointF(5, 5), QPointF(5, 5), QPointF(-1, -1));
  QApplication::sendEvent(&button, &enter);
  context.advance(1);
  EXPECT_TRUE(button.isUnderlined());
  EXPECT_NEAR(button.textOpacity(), 1.0, 1e-3);
  EXPECT_EQ(button.cursor().shape(), Qt::PointingHandCursor);
  QHoverEvent leave(QEvent::HoverLeave, QPointF(-1, -1), QPointF(-1, -1), QPointF(5, 5));
  QApplication::sendEvent(&button, &leave);
  context.advance(1);
  EXPECT_FALSE(button.isUnderlined());

  QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(5, 5));
  const auto workspace = std::static_pointer_cast<FakeWorkspace>(context.services->workspace);
  EXPECT_EQ(workspace->openedUrls, QList<QUrl>{QUrl(QStringLiteral("https://example.org/now"))});
  // Past the end of the text is not the button.
  QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(295, 5));
  EXPECT_EQ(workspace->openedUrls.size(), 1);
}

TEST(LinkOpenButton, LinkColoursByAppearance) {
  EnvironmentValues light, dark;
  dark.colorScheme = ColorScheme::dark;
  EXPECT_EQ(linkColor(dark).rgb(), QColor(150, 155, 245).rgb());
  EXPECT_NEAR(linkColor(dark).alphaF(), 0.94, 1e-3);
  EXPECT_EQ(linkColor(light).rgb(), QColor(88, 93, 193).rgb());
  EXPECT_NEAR(linkColor(light).alphaF(), 0.8, 1e-3);
  EXPECT_NEAR(linkColor(light, true).alphaF(), 1.0, 1e-3);
}

}  // namespace
}  // namespace qv
