#include "PreviewTestSupport.h"
#include "items/stores/ImageStore.h"
#include "preview/DownsampledImageView.h"
#include "ui/controls/ProgressSpinner.h"

#include <gtest/gtest.h>
#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QtEndian>

namespace qv {
namespace {

using test::PreviewContext;
using Shown = DownsampledImageView::Shown;

// A picture whose first half (along the longer side) is `first` and second half `second`.
QImage twoTone(QSize size, QColor first = Qt::red, QColor second = Qt::blue) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(first);
  QPainter painter(&image);
  if (size.width() >= size.height())
    painter.fillRect(QRect(size.width() / 2, 0, size.width() - size.width() / 2, size.height()), second);
  else painter.fillRect(QRect(0, size.height() / 2, size.width(), size.height() - size.height() / 2), second);
  return image;
}

bool near(QColor a, QColor b) {
  return std::abs(a.red() - b.red()) < 40 && std::abs(a.green() - b.green()) < 40 && std::abs(a.blue() - b.blue()) < 40;
}

struct ImageFixture {
  PreviewContext context;
  std::unique_ptr<DownsampledImageView> view = std::make_unique<DownsampledImageView>(*context.services);
  ImageFixture() { view->resize(400, 300); }
  std::shared_ptr<FakeSerialQueue> queue() { return context.queue(DownsampledImageView::kQueueName); }
  QString sideFile(const QString& id) {
    context.services->imageStore->directory();  // made on first use
    return context.services->imageStore->filePath(id);
  }
};

struct Threshold {
  const char* name;
  QSize size;
  bool shownAtOnce;
  QSize shownSize;  // what is drawn once prepared
};

class ImageThresholds : public ::testing::TestWithParam<Threshold> {};

TEST_P(ImageThresholds, TheLongerStoredSideDecidesWhetherTheWorkerMakesACopy) {
  ImageFixture f;
  const Threshold& row = GetParam();
  f.view->setProps({QStringLiteral("A"), twoTone(row.size), row.size});
  if (row.shownAtOnce) {
    EXPECT_EQ(f.view->shown(), Shown::picture);
    EXPECT_EQ(f.view->pictureOpacity(), 1) << "without a fade";
    EXPECT_EQ(f.queue()->pendingCount(), 0) << "no work for a small picture";
    EXPECT_FALSE(f.view->spinner().isVisibleTo(f.view.get()));
  } else {
    EXPECT_EQ(f.view->shown(), Shown::pending);
    EXPECT_TRUE(f.view->spinner().isVisibleTo(f.view.get()));
    EXPECT_EQ(f.queue()->pendingCount(), 1);
    f.context.drain();
    EXPECT_EQ(f.view->shown(), Shown::picture);
    EXPECT_FALSE(f.view->spinner().isVisibleTo(f.view.get()));
    EXPECT_LT(f.view->pictureOpacity(), 0.5) << "fading in";
    f.context.advance(2);
    EXPECT_NEAR(f.view->pictureOpacity(), 1, 1e-3);
  }
  EXPECT_EQ(f.view->picture().size(), row.shownSize);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ImageThresholds,
                         ::testing::Values(Threshold{"Exactly1200By800", {1200, 800}, true, {1200, 800}},
                                           Threshold{"Just1201By10", {1201, 10}, false, {1201, 10}},
                                           Threshold{"Portrait900By1300", {900, 1300}, false, {900, 1300}},
                                           Threshold{"Portrait800By1200", {800, 1200}, true, {800, 1200}},
                                           Threshold{"Photo6000By4000", {6000, 4000}, false, {1600, 1066}},
                                           Threshold{"Tall500By3000", {500, 3000}, false, {266, 1600}}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(DownsampledImageView, FitsThePictureInsideItsFrameWithItsAspectKept) {
  ImageFixture f;
  f.view->setProps({QStringLiteral("A"), twoTone({1000, 500}), {1000, 500}});
  const std::pair<QSize, QRectF> cases[] = {
      {{400, 300}, {0, 50, 400, 200}},
      {{200, 400}, {0, 150, 200, 100}},
      {{3000, 1000}, {500, 0, 2000, 1000}},  // grows to the space it is given
  };
  for (const auto& [frame, expected] : cases) {
    f.view->resize(frame);
    EXPECT_EQ(f.view->pictureRect(), expected) << frame.width() << "x" << frame.height();
  }
}

TEST(DownsampledImageView, ALargePictureFromItsSideFileKeepsItsUprightOrientation) {
  ImageFixture f;
  // Stored on its side, tagged to be turned a quarter clockwise: upright it is tall, first colour on top.
  QImage sideways = twoTone({3000, 1000});
  QImageWriter writer(f.sideFile(QStringLiteral("PHOTO")), "jpeg");
  writer.setTransformation(QImageIOHandler::TransformationRotate90);
  ASSERT_TRUE(writer.write(sideways));
  f.view->setProps({QStringLiteral("PHOTO"), QImage(), {1000, 3000}});
  f.context.drain();
  ASSERT_EQ(f.view->shown(), Shown::picture);
  const QImage& shown = f.view->picture();
  EXPECT_EQ(shown.size(), QSize(533, 1600));
  EXPECT_TRUE(near(shown.pixelColor(266, 100), Qt::red));
  EXPECT_TRUE(near(shown.pixelColor(266, 1500), Qt::blue));
}

TEST(DownsampledImageView, AnotherItemStartsAgainAndNeverShowsTheFirstItemsPicture) {
  ImageFixture f;
  f.view->setProps({QStringLiteral("A"), twoTone({3000, 2000}, Qt::green, Qt::green), {3000, 2000}});
  // A's copy is made, but B is asked for before it lands.
  f.queue()->runAll();
  f.view->setProps({QStringLiteral("B"), twoTone({3000, 2000}, Qt::magenta, Qt::magenta), {3000, 2000}});
  f.context.scheduler->runPending();
  EXPECT_EQ(f.view->shown(), Shown::pending);
  EXPECT_TRUE(f.view->picture().isNull());
  f.context.drain();
  EXPECT_TRUE(near(f.view->picture().pixelColor(10, 10), Qt::magenta));
}

TEST(DownsampledImageView, ARequestOvertakenWhileQueuedIsNeverRead) {
  ImageFixture f;
  f.view->setProps({QStringLiteral("A"), twoTone({3000, 2000}), {3000, 2000}});
  f.view->setProps({QStringLiteral("B"), twoTone({2000, 3000}), {2000, 3000}});
  EXPECT_EQ(f.queue()->pendingCount(), 2);
  f.queue()->runAll();
  EXPECT_EQ(f.context.scheduler->pendingCount(), 1) << "only B was read and answered";
  f.context.drain();
  EXPECT_EQ(f.view->picture().size(), QSize(1066, 1600));
}

TEST(DownsampledImageView, APictureArrivingAfterTheViewIsGoneIsDropped) {
  ImageFixture f;
  f.view->setProps({QStringLiteral("A"), twoTone({3000, 2000}), {3000, 2000}});
  f.queue()->runAll();
  f.view.reset();
  EXPECT_NO_FATAL_FAILURE(f.context.drain());
}

TEST(DownsampledImageView, ThePictureArrivesPrescaledSoTheFirstDrawIsACopy) {
  ImageFixture f;
  f.view->setProps({QStringLiteral("A"), twoTone({6000, 4000}), {6000, 4000}});
  f.context.drain();
  EXPECT_TRUE(f.view->isPrescaledFor(f.view->devicePixelRatioF()));
}

// Shown on screen at one ratio and rendered into a picture at another (the gallery, a snapshot):
// each keeps its own copy, so painting both in turn settles instead of making copies forever.
TEST(DownsampledImageView, PaintingAtTwoRatiosInTurnSettles) {
  ImageFixture f;
  f.view->setProps({QStringLiteral("A"), twoTone({6000, 4000}), {6000, 4000}});
  f.context.drain();
  const auto paintAt = [&](double ratio) {
    QImage frame(QSize(400, 300) * ratio, QImage::Format_ARGB32_Premultiplied);
    frame.setDevicePixelRatio(ratio);
    QPainter painter(&frame);
    f.view->render(&painter);
  };
  for (int round = 0; round < 3; ++round) {
    paintAt(1);
    paintAt(2);
    f.context.drain();
  }
  EXPECT_TRUE(f.view->isPrescaledFor(1));
  EXPECT_TRUE(f.view->isPrescaledFor(2));
  paintAt(1);
  paintAt(2);
  EXPECT_EQ(f.queue()->pendingCount(), 0) << "both copies are kept";
}

quint32 crc32Of(const QByteArray& bytes) {
  quint32 crc = 0xFFFFFFFFu;
  for (const char byte : bytes) {
    crc ^= quint8(byte);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

// A PNG that declares `size` in full colour with alpha and holds one compressed row of data.
QByteArray pngHeaderOnly(QSize size) {
  auto chunk = [](const char* type, const QByteArray& data) {
    QByteArray out;
    quint32 length = qToBigEndian(quint32(data.size()));
    out.append(reinterpret_cast<const char*>(&length), 4);
    QByteArray body = QByteArray(type, 4) + data;
    out.append(body);
    quint32 crc = qToBigEndian(crc32Of(body));
    out.append(reinterpret_cast<const char*>(&crc), 4);
    return out;
  };
  QByteArray header(13, '\0');
  qToBigEndian(quint32(size.width()), header.data());
  qToBigEndian(quint32(size.height()), header.data() + 4);
  header[8] = 8;  // bits per channel
  header[9] = 6;  // RGBA
  const QByteArray row(1 + size.width() * 4, '\0');
  return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", qCompress(row).mid(4)) +
         chunk("IEND", {});
}

struct Broken {
  const char* name;
  QByteArray file;
  QSize stored;
};

class UnreadablePictures : public ::testing::TestWithParam<Broken> {};

TEST_P(UnreadablePictures, SayImageUnavailableInsteadOfDecodingOnTheMainThread) {
  ImageFixture f;
  QFile file(f.sideFile(QStringLiteral("BAD")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(GetParam().file);
  file.close();
  f.view->setProps({QStringLiteral("BAD"), QImage(), GetParam().stored});
  EXPECT_EQ(f.view->shown(), Shown::pending) << "read on the worker, whatever the stored size";
  f.context.drain();
  EXPECT_EQ(f.view->shown(), Shown::unavailable);
  EXPECT_FALSE(f.view->spinner().isVisibleTo(f.view.get()));
  EXPECT_EQ(f.view->accessibility().name, QStringLiteral("Image unavailable"));
  const QImage drawn = f.view->renderForTest();
  int inked = 0;
  for (int y = 120; y < 180; ++y)
    for (int x = 150; x < 250; ++x) inked += qAlpha(drawn.pixel(x, y)) > 0;
  EXPECT_GT(inked, 50) << "the placeholder is drawn in the middle";
}

INSTANTIATE_TEST_SUITE_P(
    Files, UnreadablePictures,
    ::testing::Values(Broken{"CorruptPng", QByteArray("\x89PNG\r\n\x1a\n garbage garbage", 24), {2000, 1500}},
                      Broken{"CorruptSmallPng", QByteArray("\x89PNG\r\n\x1a\n garbage garbage", 24), {100, 80}},
                      Broken{"Huge20000By20000", pngHeaderOnly({20000, 20000}), {20000, 20000}},
                      Broken{"Missing", QByteArray(), {3000, 2000}}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace qv
