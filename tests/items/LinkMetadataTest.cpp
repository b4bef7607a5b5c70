#include "items/ItemServices.h"
#include "items/link/LinkMetadataFetcher.h"
#include "items/link/OGImageCache.h"
#include "platform/HttpClient.h"
#include "support/LoopbackHttpServer.h"
#include "support/ProcessHelpers.h"
#include "support/SideFileHelpers.h"
#include "support/items/FakeItemContext.h"

#include <gtest/gtest.h>
#include <QFileInfo>

namespace qv {
namespace {

using test::LoopbackHttpServer;
using Mode = LoopbackHttpServer::Route::Mode;

const QString kItem = QStringLiteral("E621E1F8-C36C-495A-93FC-0C247A3E6E5F");

QByteArray pngBytes(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(Qt::darkCyan);
  return test::pngBytes(image);
}

// A fetcher over the real HTTP client, talking to a loopback server, with virtual time for its
// time limit.
class LinkMetadataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.isListening());
    installItemServices(*fake.context);
    fetcher = std::make_unique<LinkMetadataFetcher>(std::make_shared<QtHttpClient>(), fake.scheduler,
                                                    fake.context->queue(QStringLiteral("imageDecoder")),
                                                    fake.context->ogImageCache);
  }

  struct Outcome {
    bool done = false;
    int calls = 0;
    LinkMetadata result;
  };

  std::shared_ptr<Outcome> start(const QUrl& url, const QString& item = kItem) {
    auto outcome = std::make_shared<Outcome>();
    fetcher->fetch(url, item, [outcome](const LinkMetadata& result) {
      outcome->result = result;
      outcome->done = true;
      ++outcome->calls;
    });
    return outcome;
  }

  bool settle(const std::shared_ptr<Outcome>& outcome, int ms = 10000) {
    return test::waitFor(
        [&] {
          fake.drain();
          return outcome->done;
        },
        ms);
  }

  LinkMetadata fetch(const QUrl& url) {
    auto outcome = start(url);
    EXPECT_TRUE(settle(outcome)) << url.toString().toStdString();
    return outcome->result;
  }

  // Lets the network run for a moment without expecting an answer (deadline-bound).
  void letNetworkRun(const std::function<bool()>& until) {
    EXPECT_TRUE(test::waitFor(
        [&] {
          fake.drain();
          return until();
        },
        10000));
  }

  FakeItemContext fake;
  LoopbackHttpServer server;
  std::unique_ptr<LinkMetadataFetcher> fetcher;
};

// One page each: the title and the image the fetcher settles on, and how many requests it made.
struct PageCase {
  const char* name;
  const char* page;  // nullptr: the path is not served
  const char* body;
  const char* contentType;
  const char* imagePath;  // served with imageBody, or a PNG of imageSize when imageBody is null
  const char* imageBody;
  QSize imageSize;
  const char* title;          // nullptr: no title
  const char* expectedImage;  // nullptr: no image
  int requests;
};

class LinkMetadataPages : public LinkMetadataTest, public ::testing::WithParamInterface<PageCase> {};

TEST_P(LinkMetadataPages, GiveTheirTitleAndImage) {
  const PageCase& c = GetParam();
  const QString page = QString::fromLatin1(c.page ? c.page : "/missing");
  if (c.page) server.html(page, c.body, c.contentType);
  if (c.imagePath) {
    const QByteArray image = c.imageBody ? QByteArray(c.imageBody)
                                         : pngBytes(c.imageSize.width(), c.imageSize.height());
    server.file(QString::fromLatin1(c.imagePath), image, "image/png");
  }
  const LinkMetadata result = fetch(server.url(page));
  EXPECT_EQ(result.title, c.title ? std::optional<QString>(QString::fromUtf8(c.title)) : std::nullopt);
  EXPECT_EQ(server.requests().size(), c.requests) << server.requests().join(u' ').toStdString();
  EXPECT_EQ(fetcher->inFlightCount(), 0);
  if (!c.expectedImage) {
    EXPECT_FALSE(result.hasImage());
    EXPECT_TRUE(result.previewReference.isEmpty());
    EXPECT_FALSE(fake.context->ogImageCache->contains(kItem));
    return;
  }
  EXPECT_EQ(result.imageUrl, server.url(QString::fromLatin1(c.expectedImage)));
  EXPECT_EQ(result.image.size(), c.imageSize);
  EXPECT_EQ(result.previewReference, OGImageCache::cachedReference(kItem));
  EXPECT_EQ(fake.context->ogImageCache->load(kItem).size(), c.imageSize);
}

const char* const kHtml = "text/html; charset=utf-8";

INSTANTIATE_TEST_SUITE_P(
    Cases, LinkMetadataPages,
    ::testing::Values(
        PageCase{"OpenGraph", "/article",
                 "<!doctype html><html><head><title>Document title</title>"
                 "<meta property=\"og:title\" content=\"Caf&eacute; &amp; Bar\">"
                 "<meta property='og:image' content='/images/preview.png'>"
                 "<link rel=icon href=/favicon.png></head><body>text</body></html>",
                 kHtml, "/images/preview.png", nullptr, QSize(30, 20), "Caf\xc3\xa9 & Bar", "/images/preview.png", 2},
        PageCase{"TitleOnly",
                 "/plain",
                 "<html><head><title>\n  Plain \t page </title></head>"
                 "<body><svg><title>icon tooltip</title></svg></body></html>",
                 kHtml,
                 nullptr,
                 nullptr,
                 {},
                 "Plain page",
                 nullptr,
                 1},
        PageCase{"IconFallbackAgainstBase", "/docs/page",
                 "<head><base href=\"/assets/\"><title>Docs</title><link rel=\"shortcut icon\" href=\"small.png\">"
                 "<link rel=\"apple-touch-icon\" href=\"touch.png\"></head>",
                 kHtml, "/assets/touch.png", nullptr, QSize(12, 12), "Docs", "/assets/touch.png", 2},
        PageCase{"NonWebImagesRefused",
                 "/sneaky",
                 "<title>Sneaky</title><meta property=og:image content=\"file:///etc/passwd\">"
                 "<meta name=twitter:image content=\"javascript:alert(1)\">"
                 "<link rel=icon href=\"data:image/png;base64,iVBORw0KGgo=\">",
                 kHtml,
                 nullptr,
                 nullptr,
                 {},
                 "Sneaky",
                 nullptr,
                 1},
        PageCase{"RefusedImageGivesWayToTheNextWebOne", "/mixed",
                 "<meta property=og:image content=\"ftp://host/a.png\"><link rel=icon href=/i.png>", kHtml, "/i.png",
                 nullptr, QSize(3, 3), nullptr, "/i.png", 2},
        PageCase{"UndecodableImage",
                 "/bad-image",
                 "<title>T</title><meta property=og:image content=/garbage.png>",
                 kHtml,
                 "/garbage.png",
                 "not an image at all",
                 {},
                 "T",
                 nullptr,
                 2},
        PageCase{
            "MissingPagesTitleIsNotTheLinks", nullptr, nullptr, nullptr, nullptr, nullptr, {}, nullptr, nullptr, 1},
        PageCase{"NotHtml",
                 "/data.json",
                 "{\"title\":\"<title>x</title>\"}",
                 "application/json",
                 nullptr,
                 nullptr,
                 {},
                 nullptr,
                 nullptr,
                 1}),
    [](const ::testing::TestParamInfo<PageCase>& page) { return std::string(page.param.name); });

TEST_F(LinkMetadataTest, NonWebLinksAreNeverRequested) {
  for (const char* url : {"ftp://127.0.0.1/x", "file:///etc/hostname", "mailto:someone@example.com", "http://"})
    EXPECT_FALSE(fetch(QUrl(QString::fromLatin1(url))).title) << url;
  EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(LinkMetadataTest, RedirectsAreFollowedWithinTheLimit) {
  server.redirect(QStringLiteral("/old"), QStringLiteral("/middle"), 301);
  server.redirect(QStringLiteral("/middle"), server.url(QStringLiteral("/new")).toString());
  server.html(QStringLiteral("/new"),
              "<meta property=og:title content=\"Moved here\"><meta name=twitter:image content=pic.png>");
  server.file(QStringLiteral("/pic.png"), pngBytes(5, 5), "image/png");
  const LinkMetadata redirected = fetch(server.url(QStringLiteral("/old")));
  EXPECT_EQ(redirected.title, QStringLiteral("Moved here"));
  // Relative to the page where the redirects ended.
  EXPECT_EQ(redirected.imageUrl, server.url(QStringLiteral("/pic.png")));
  EXPECT_TRUE(redirected.hasImage());

  server.redirect(QStringLiteral("/loop"), QStringLiteral("/loop"));
  const LinkMetadata looped = fetch(server.url(QStringLiteral("/loop")));
  EXPECT_FALSE(looped.title);
  EXPECT_FALSE(looped.hasImage());
  EXPECT_LE(server.requestCount(QStringLiteral("/loop")), LinkMetadataFetcher::kMaxRedirects + 1)
      << server.requests().join(" ").toStdString();

  server.redirect(QStringLiteral("/elsewhere"), QStringLiteral("file:///etc/passwd"));
  EXPECT_FALSE(fetch(server.url(QStringLiteral("/elsewhere"))).title);
}

TEST_F(LinkMetadataTest, SlowPageTimesOutAfterTenSeconds) {
  LoopbackHttpServer::Route slow;
  slow.mode = Mode::stall;
  slow.headers = {{"Content-Type", "text/html"}};
  slow.body = "<html><head><title>Never finished";
  server.route(QStringLiteral("/slow"), slow);

  auto outcome = start(server.url(QStringLiteral("/slow")));
  letNetworkRun([&] { return server.requestCount(QStringLiteral("/slow")) == 1; });
  fake.scheduler->advance(9.9);
  fake.drain();
  EXPECT_FALSE(outcome->done);
  EXPECT_EQ(fetcher->inFlightCount(), 1);
  fake.scheduler->advance(0.1);
  fake.drain();
  ASSERT_TRUE(outcome->done);
  EXPECT_FALSE(outcome->result.title);
  EXPECT_FALSE(outcome->result.hasImage());
  EXPECT_EQ(fetcher->inFlightCount(), 0);
}

TEST_F(LinkMetadataTest, SilentServerAndSilentImage) {
  LoopbackHttpServer::Route silent;
  silent.mode = Mode::silent;
  server.route(QStringLiteral("/silent"), silent);
  server.route(QStringLiteral("/silent.png"), silent);
  server.html(QStringLiteral("/page"), "<title>Kept title</title><meta property=og:image content=/silent.png>");

  auto page = start(server.url(QStringLiteral("/silent")));
  auto image = start(server.url(QStringLiteral("/page")), QStringLiteral("0B2C7E4A-3F1D-4E8B-9C6A-5D4E3F2A1B0C"));
  letNetworkRun([&] { return server.requestCount(QStringLiteral("/silent.png")) == 1; });
  EXPECT_FALSE(page->done);
  EXPECT_FALSE(image->done);
  EXPECT_EQ(fetcher->inFlightCount(), 2);
  fake.scheduler->advance(LinkMetadataFetcher::kTimeoutSeconds);
  fake.drain();
  ASSERT_TRUE(page->done && image->done);
  EXPECT_FALSE(page->result.title);
  // The page itself was read: its title stands, only the image is given up.
  EXPECT_EQ(image->result.title, QStringLiteral("Kept title"));
  EXPECT_FALSE(image->result.hasImage());
  EXPECT_EQ(page->calls + image->calls, 2);
}

TEST_F(LinkMetadataTest, OversizedBodiesAreCut) {
  LoopbackHttpServer::Route endless;
  endless.mode = Mode::endless;
  endless.headers = {{"Content-Type", "text/html"}};
  endless.body = "<html><head><title>Huge page</title></head><body>";
  server.route(QStringLiteral("/endless"), endless);
  // Read up to the limit, then stopped: the head at the front still counts.
  const LinkMetadata huge = fetch(server.url(QStringLiteral("/endless")));
  EXPECT_EQ(huge.title, QStringLiteral("Huge page"));
  EXPECT_LT(server.endlessBytesSent(), 64LL * 1024 * 1024);

  QByteArray late(LinkMetadataFetcher::kMaxPageBytes + 1000, ' ');
  late += "<title>Too far down</title>";
  server.html(QStringLiteral("/late"), late);
  EXPECT_FALSE(fetch(server.url(QStringLiteral("/late"))).title);

  // An image larger than its limit is not loaded at all.
  server.html(QStringLiteral("/big-image"), "<title>With big image</title><meta property=og:image content=/big.png>");
  server.file(QStringLiteral("/big.png"), QByteArray(LinkMetadataFetcher::kMaxImageBytes + 1, 'x'), "image/png");
  const LinkMetadata big = fetch(server.url(QStringLiteral("/big-image")));
  EXPECT_EQ(big.title, QStringLiteral("With big image"));
  EXPECT_FALSE(big.hasImage());
  EXPECT_FALSE(fake.context->ogImageCache->contains(kItem));
}

// Every way a fetch gives up (the page cap, the image cap, the time limit) closes its connection
// at once, for more requests than one host gets connections, and the host serves the next link.
TEST_F(LinkMetadataTest, AbandonedDownloadsCloseTheirConnections) {
  enum class Kind { endlessPage, endlessImage, stalledPage };
  constexpr int kRequests = 7;
  for (const Kind kind : {Kind::endlessPage, Kind::endlessImage, Kind::stalledPage}) {
    LoopbackHttpServer host;
    ASSERT_TRUE(host.isListening());
    LoopbackHttpServer::Route stream;
    stream.mode = kind == Kind::stalledPage ? Mode::stall : Mode::endless;
    stream.headers = {{"Content-Type", kind == Kind::endlessImage ? "image/png" : "text/html"}};
    stream.body = "<html><head><title>Endless</title></head>";
    QList<std::shared_ptr<Outcome>> outcomes;
    for (int i = 0; i < kRequests; ++i) {
      const QString path = QStringLiteral("/stream%1").arg(i);
      host.route(path, stream);
      if (kind == Kind::endlessImage) {
        host.html(QStringLiteral("/page%1").arg(i),
                  "<title>Page</title><meta property=og:image content=" + path.toUtf8() + ">");
      }
      const QUrl url = host.url(kind == Kind::endlessImage ? QStringLiteral("/page%1").arg(i) : path);
      auto outcome = start(url);
      if (kind != Kind::stalledPage) {
        EXPECT_TRUE(settle(outcome)) << int(kind) << " request " << i;
      }
      outcomes << outcome;
    }
    if (kind == Kind::stalledPage) {
      letNetworkRun([&] { return host.openStreamCount() >= 6; });
      fake.scheduler->advance(LinkMetadataFetcher::kTimeoutSeconds);
      fake.drain();
    }
    for (const auto& outcome : outcomes) EXPECT_TRUE(outcome->done) << int(kind);
    const bool closed = test::waitFor(
        [&] {
          fake.drain();
          return host.openStreamCount() == 0;
        },
        10000);
    EXPECT_TRUE(closed) << int(kind) << ": " << host.openStreamCount() << " connections still open";
    EXPECT_LT(host.largestStreamBytes(), 32LL * 1024 * 1024) << int(kind);  // the cap and the sockets' buffers

    host.html(QStringLiteral("/after"), "<title>Served after</title>");
    auto after = start(host.url(QStringLiteral("/after")));
    ASSERT_TRUE(settle(after)) << int(kind);
    EXPECT_EQ(after->result.title, QStringLiteral("Served after")) << int(kind);
  }
}

TEST_F(LinkMetadataTest, SameUrlTwiceRunsTwoRequests) {
  server.html(QStringLiteral("/twice"), "<title>Twice</title>");
  auto first = start(server.url(QStringLiteral("/twice")));
  auto second = start(server.url(QStringLiteral("/twice")));
  EXPECT_EQ(fetcher->inFlightCount(), 2);
  ASSERT_TRUE(settle(first));
  ASSERT_TRUE(settle(second));
  EXPECT_EQ(first->result.title, QStringLiteral("Twice"));
  EXPECT_EQ(second->result.title, QStringLiteral("Twice"));
  EXPECT_EQ(server.requestCount(QStringLiteral("/twice")), 2);
  EXPECT_EQ(first->calls, 1);
  EXPECT_EQ(second->calls, 1);
}

TEST_F(LinkMetadataTest, DestroyedFetcherOrOwnerReportsNothing) {
  LoopbackHttpServer::Route silent;
  silent.mode = Mode::silent;
  server.route(QStringLiteral("/hang"), silent);
  server.html(QStringLiteral("/quick"), "<title>Quick</title>");

  auto owner = std::make_shared<int>(1);
  bool called = false;
  fetcher->fetch(
      server.url(QStringLiteral("/quick")), kItem, [&](const LinkMetadata&) { called = true; }, Guard(owner));
  owner.reset();
  auto hanging = start(server.url(QStringLiteral("/hang")));
  letNetworkRun([&] { return server.requestCount(QStringLiteral("/hang")) == 1 && fetcher->inFlightCount() == 1; });
  EXPECT_FALSE(called);
  fetcher.reset();
  fake.scheduler->advance(20);
  fake.drain();
  EXPECT_FALSE(hanging->done);
}

// The fake client answers in virtual time alone, as the state's tests use it.
TEST(OGImageCache, SaveIfAbsentLoadAndOrphans) {
  FakeItemContext fake;
  installItemServices(*fake.context);
  const OGImageCache& cache = *fake.context->ogImageCache;
  EXPECT_TRUE(cache.directory().startsWith(fake.context->paths->caches()));
  EXPECT_TRUE(cache.directory().endsWith(QStringLiteral("/ogImages")));
  EXPECT_TRUE(cache.load(kItem).isNull());

  QImage red(4, 3, QImage::Format_ARGB32);
  red.fill(Qt::red);
  QImage blue(9, 9, QImage::Format_ARGB32);
  blue.fill(Qt::blue);
  ASSERT_TRUE(cache.save(red, kItem));
  EXPECT_TRUE(cache.save(blue, kItem));  // exists: left as it was
  EXPECT_EQ(cache.load(kItem).size(), QSize(4, 3));
  EXPECT_EQ(cache.load(kItem).pixelColor(0, 0), QColor(Qt::red));
  EXPECT_FALSE(cache.save(red, QStringLiteral("../escape")));
  EXPECT_FALSE(cache.save(QImage(), QStringLiteral("11111111-2222-3333-4444-555555555555")));

  const QString gone = QStringLiteral("0B2C7E4A-3F1D-4E8B-9C6A-5D4E3F2A1B0C");
  const QString lowerKept = QStringLiteral("aaaaaaaa-bbbb-cccc-dddd-eeeeeeeeeeee");
  ASSERT_TRUE(cache.save(red, gone));
  for (const QString& name :
       {QStringLiteral("notes.png"), QStringLiteral("readme.txt"), lowerKept + QStringLiteral(".png")}) {
    QFile file(cache.directory() + QLatin1Char('/') + name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  cache.removeOrphans({kItem, lowerKept.toUpper()});
  EXPECT_TRUE(cache.contains(kItem));
  EXPECT_FALSE(cache.contains(gone));
  EXPECT_TRUE(QFileInfo::exists(cache.directory() + QStringLiteral("/notes.png")));
  EXPECT_TRUE(QFileInfo::exists(cache.directory() + QStringLiteral("/readme.txt")));
  EXPECT_TRUE(QFileInfo::exists(cache.directory() + QLatin1Char('/') + lowerKept + QStringLiteral(".png")));

  // The system may empty Caches at any time.
  QDir(cache.directory()).removeRecursively();
  EXPECT_TRUE(cache.load(kItem).isNull());
  cache.removeOrphans({});
  EXPECT_TRUE(cache.save(red, kItem));
}

}  // namespace
}  // namespace qv
