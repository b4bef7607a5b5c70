#include "items/ItemServices.h"
#include "items/ocr/ImageTextRecognizer.h"
#include "items/stores/ImageStore.h"
#include "platform/OcrEngine.h"
#include "support/SideFileHelpers.h"
#include "support/items/FakeItemContext.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QFont>
#include <QPainter>

namespace qv {
namespace {

const QString kID = QStringLiteral("E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
const QString kOther = QStringLiteral("11111111-2222-3333-4444-555555555555");

QImage page(int w = 40, int h = 20) {
  QImage image(w, h, QImage::Format_ARGB32);
  image.fill(Qt::white);
  return image;
}

QByteArray contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

struct OcrTest : ::testing::Test {
  FakeItemContext fake;
  ImageTextRecognizer& recognizer() { return *fake.context->imageTextRecognizer; }
  QString textFile(const QString& id) { return recognizer().directory() + u'/' + id + QStringLiteral(".txt"); }
  FakeSerialQueue& ocrQueue() { return *fake.queues->queue(QStringLiteral("com.tarnwick.Quorvalen.ocr")); }
  void SetUp() override { installItemServices(*fake.context); }
};

TEST_F(OcrTest, RecognisedLinesAreStoredJoinedAndCompletionRunsOnMain) {
  ASSERT_TRUE(fake.context->imageStore->save(page(), kID));
  fake.ocrEngine->setLines({QStringLiteral("First line"), QStringLiteral("Zweite Zeile ü")});
  int completions = 0;
  recognizer().schedule(kID, [&] { ++completions; });
  EXPECT_FALSE(recognizer().text(kID));  // not recognised yet
  EXPECT_EQ(ocrQueue().pendingCount(), 1);
  ocrQueue().runAll();
  EXPECT_EQ(completions, 0);  // posted to the main thread, not run on the queue
  fake.drain();
  EXPECT_EQ(completions, 1);
  EXPECT_EQ(contents(textFile(kID)), QStringLiteral("First line\nZweite Zeile ü").toUtf8());
  EXPECT_EQ(recognizer().text(kID), QStringLiteral("First line\nZweite Zeile ü"));
  EXPECT_TRUE(recognizer().hasStoredText(kID));
}

TEST_F(OcrTest, ExistingTextFileEvenEmptyIsNeverRecognisedAgain) {
  ASSERT_TRUE(fake.context->imageStore->save(page(), kID));
  recognizer().schedule(kID);
  fake.drain();
  EXPECT_EQ(contents(textFile(kID)), QByteArray());
  EXPECT_EQ(recognizer().text(kID), QString());  // empty, not nothing
  int completions = 0;
  recognizer().schedule(kID, [&] { ++completions; });
  fake.drain();
  EXPECT_EQ(completions, 0);
  EXPECT_EQ(fake.ocrEngine->calls, 1);
}

TEST_F(OcrTest, NewRecognitionReplacesTheCachedText) {
  ASSERT_TRUE(fake.context->imageStore->save(page(), kID));
  fake.ocrEngine->setLines({QStringLiteral("old")});
  recognizer().schedule(kID);
  fake.drain();
  EXPECT_EQ(recognizer().text(kID), QStringLiteral("old"));
  ASSERT_TRUE(QFile::remove(textFile(kID)));
  EXPECT_EQ(recognizer().text(kID), QStringLiteral("old"));  // served from memory
  fake.ocrEngine->setLines({QStringLiteral("new")});
  recognizer().schedule(kID);
  fake.drain();
  EXPECT_EQ(recognizer().text(kID), QStringLiteral("new"));
}

TEST_F(OcrTest, MissingImageWritesNothingSoALaterScheduleRetries) {
  int completions = 0;
  recognizer().schedule(kID, [&] { ++completions; });
  fake.drain();
  EXPECT_EQ(completions, 1);
  EXPECT_FALSE(recognizer().hasStoredText(kID));
  EXPECT_FALSE(recognizer().text(kID));
  EXPECT_EQ(fake.ocrEngine->calls, 0);

  ASSERT_TRUE(fake.context->imageStore->save(page(), kID));
  fake.ocrEngine->setLines({QStringLiteral("late")});
  recognizer().schedule(kID);
  fake.drain();
  EXPECT_EQ(recognizer().text(kID), QStringLiteral("late"));
}

// Stopped at quit: no text is kept, so the image counts as not yet read and the next run
// recognises it (whether it was read from its file or held as captured).
TEST_F(OcrTest, RecognitionStoppedAtQuitKeepsNoTextAndIsTriedAgain) {
  ASSERT_TRUE(fake.context->imageStore->save(page(), kID));
  for (const QImage& captured : {QImage(), page()}) {
    fake.ocrEngine->setLines({QStringLiteral("late")});
    fake.ocrEngine->stop();
    int completions = 0;
    recognizer().schedule(
        kID, [&] { ++completions; }, captured);
    fake.drain();
    EXPECT_EQ(completions, 0);
    EXPECT_FALSE(recognizer().hasStoredText(kID));
    EXPECT_FALSE(recognizer().text(kID));

    fake.ocrEngine->stopped = false;  // the next run's engine
    recognizer().schedule(kID, {}, captured);
    fake.drain();
    EXPECT_EQ(recognizer().text(kID), QStringLiteral("late"));
    recognizer().removeOrphans({});  // the text goes again for the next form
  }
}

TEST_F(OcrTest, LargeImagesAreScaledDownForRecognition) {
  ASSERT_TRUE(fake.context->imageStore->save(page(12000, 300), kID));
  recognizer().schedule(kID);
  fake.drain();
  EXPECT_EQ(fake.ocrEngine->lastImageSize, QSize(8192, 204));
}

TEST_F(OcrTest, UndecodableEmptyAndHugeImagesNeverCrash) {
  const QString images = fake.context->imageStore->directory();
  ASSERT_TRUE(test::writeTestFile(images + u'/' + kID + QStringLiteral(".png"), "not a png at all"));
  ASSERT_TRUE(test::writeTestFile(images + u'/' + kOther + QStringLiteral(".png"), QByteArray()));
  recognizer().schedule(kID);
  recognizer().schedule(kOther);
  fake.drain();
  EXPECT_EQ(recognizer().text(kID), QString());  // undecodable: empty text, not tried again
  EXPECT_EQ(recognizer().text(kOther), QString());
  EXPECT_EQ(fake.ocrEngine->calls, 0);

  const QString huge = QStringLiteral("22222222-2222-3333-4444-555555555555");
  ASSERT_TRUE(test::writeHugePng(images + u'/' + huge + QStringLiteral(".png")));
  recognizer().schedule(huge);
  fake.drain();
  EXPECT_TRUE(recognizer().hasStoredText(huge));
  // Too large to decode within the memory bound: treated as undecodable, never retried.
  EXPECT_EQ(recognizer().text(huge), QString());
  EXPECT_EQ(fake.ocrEngine->calls, 0);
}

TEST_F(OcrTest, OrphanCleanUpRemovesStrayFilesAndTrimsTheCache) {
  ASSERT_TRUE(fake.context->imageStore->save(page(), kID));
  ASSERT_TRUE(fake.context->imageStore->save(page(), kOther));
  fake.ocrEngine->setLines({QStringLiteral("x")});
  recognizer().schedule(kID);
  recognizer().schedule(kOther);
  fake.drain();
  EXPECT_TRUE(recognizer().text(kOther));
  ASSERT_TRUE(test::writeTestFile(recognizer().directory() + QStringLiteral("/stray.txt")));
  ASSERT_TRUE(test::writeTestFile(recognizer().directory() + u'/' + kID + QStringLiteral(".png")));

  recognizer().removeOrphans({kID});
  EXPECT_EQ(test::folderEntries(recognizer().directory()), QStringList{kID + QStringLiteral(".txt")});
  EXPECT_FALSE(recognizer().text(kOther));  // gone from memory as well
  EXPECT_EQ(recognizer().text(kID), QStringLiteral("x"));
}

TEST_F(OcrTest, UnwritableTextFolderLeavesNoTextAndDoesNotCrash) {
  ASSERT_TRUE(fake.context->imageStore->save(page(), kID));
  ASSERT_TRUE(test::blockFolder(fake.context->paths->applicationSupport() + QStringLiteral("/imagetext")));
  int completions = 0;
  recognizer().schedule(kID, [&] { ++completions; });
  fake.drain();
  EXPECT_EQ(completions, 1);
  EXPECT_FALSE(recognizer().text(kID));
  recognizer().removeOrphans({});
}

TEST(OcrLifetime, QueuedWorkOutlivingTheRecognizerDoesNothing) {
  FakeItemContext fake;
  installItemServices(*fake.context);
  ASSERT_TRUE(fake.context->imageStore->save(page(), kID));
  auto recognizer = std::make_shared<ImageTextRecognizer>(*fake.context->paths, fake.context->imageStore,
                                                          fake.ocrEngine, fake.context->queue(QStringLiteral("ocr")),
                                                          fake.context->scheduler);
  bool completed = false;
  recognizer->schedule(kID, [&] { completed = true; });
  const QString textFile = recognizer->directory() + u'/' + kID + QStringLiteral(".txt");
  recognizer.reset();
  fake.drain();
  EXPECT_FALSE(completed);
  EXPECT_FALSE(QFile::exists(textFile));
  EXPECT_EQ(fake.ocrEngine->calls, 0);
}

TEST(TesseractOcr, RecognisesRenderedTextLineByLine) {
  QImage image(560, 170, QImage::Format_ARGB32);
  image.fill(Qt::transparent);  // transparent paper must read as white
  {
    QPainter painter(&image);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(40);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(20, 60, QStringLiteral("Clipboard history"));
    painter.drawText(20, 130, QStringLiteral("Quick brown fox"));
  }
  FakeItemContext fake;
  installItemServices(*fake.context);
  ImageTextRecognizer recognizer(*fake.context->paths, fake.context->imageStore, std::make_shared<TesseractOcrEngine>(),
                                 fake.context->queue(QStringLiteral("ocr")), fake.context->scheduler);
  ASSERT_TRUE(fake.context->imageStore->save(image, kID));
  recognizer.recognize(fake.context->imageStore->filePath(kID), kID, {});
  EXPECT_EQ(recognizer.text(kID), QStringLiteral("Clipboard history\nQuick brown fox"));
}

}  // namespace
}  // namespace qv
