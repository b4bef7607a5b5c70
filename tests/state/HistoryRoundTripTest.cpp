#include "base/Uuid.h"
#include "items/classify/ContentClassifier.h"
#include "items/model/ItemJson.h"
#include "items/stores/ImageStore.h"
#include "platform/Pasteboard.h"
#include "support/SideFileHelpers.h"
#include "support/state/StateTestSupport.h"

#include <gtest/gtest.h>
#include <QDir>

namespace qv {
namespace {

// Copies on the fake pasteboard go through a minimal stand-in for the clipboard monitor's
// new-item callback (one item per change, built the way capture builds it), into the state, to
// history.json, and back into a new state as a relaunch would.
class HistoryRoundTripTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QObject::connect(h.fake.pasteboard.get(), &Pasteboard::changed, h.state.get(), [this] { capture(); });
  }

  void capture() {
    const PasteboardContent content = h.fake.pasteboard->read();
    if (!content.complete) return;
    const bool blurred = content.hasType(QLatin1String(kConcealedMarkerType));
    const QDateTime now = h.now();
    const QString source = QStringLiteral("org.example.Source");
    std::optional<ClipboardItem> item;
    if (const QList<QImage> images = content.images(); !images.isEmpty() && !images[0].isNull()) {
      const QImage& image = images[0];
      item = ClipboardItem::make(
          newUuid(), source, now,
          ImagePayload{image, QStringLiteral("Image.png"), image.width(), image.height(), QStringLiteral("1 KB")});
    } else if (const std::optional<QString> text = content.string()) {
      if (std::optional<LinkPayload> link = ContentClassifier::linkPayload(*text, QDir::homePath()))
        item = ClipboardItem::make(newUuid(), source, now, std::move(*link));
      else item = ClipboardItem::make(newUuid(), source, now, TextPayload{*text});
    }
    if (!item) return;
    h.state->addItem(*item, blurred);
    if (blurred) h.state->markSensitive(item->id, true);
  }

  test::StateHarness h;
};

QByteArray png(int width, int height) { return test::pngBytes(test::testImage(width, height)); }

TEST_F(HistoryRoundTripTest, CopiesReachTheHistoryFileAndComeBackAfterARelaunch) {
  h.fake.pasteboard->copyText(QStringLiteral("first note"));
  h.fake.scheduler->advance(1);
  h.fake.pasteboard->copy({{QLatin1String(mime::kPng), png(9, 7)}});
  h.fake.scheduler->advance(1);
  h.fake.pasteboard->copy(
      {{QLatin1String(mime::kPlainText), QByteArray("hunter2")}, {QLatin1String(kConcealedMarkerType), QByteArray()}});
  h.fake.scheduler->advance(1);
  h.fake.pasteboard->copyText(QStringLiteral("first note"));  // again: moves to the top
  ASSERT_EQ(h.state->items().size(), 3);
  h.fake.scheduler->advance(PanelState::kSaveDelaySeconds);
  h.runSaves();

  const std::optional<QList<ClipboardItem>> saved = h.storedItems();
  ASSERT_TRUE(saved);
  ASSERT_EQ(saved->size(), 3);
  EXPECT_EQ(saved->at(0).plainText(), QStringLiteral("first note"));
  EXPECT_EQ(saved->at(1).plainText(), QStringLiteral("hunter2"));
  EXPECT_EQ(saved->at(2).contentType, ContentType::image);

  auto relaunched = h.makeState();
  relaunched->loadHistory();
  ASSERT_EQ(relaunched->items().size(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(relaunched->items()[i].id, h.state->items()[i].id);
    EXPECT_EQ(relaunched->items()[i].capturedAt, h.state->items()[i].capturedAt);
  }
  EXPECT_EQ(relaunched->items()[0].payload, h.state->items()[0].payload);
  // The image comes back from its side file.
  const std::optional<QImage> image = relaunched->items()[2].image(*h.fake.context->imageStore);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->size(), QSize(9, 7));
  // The concealed copy is still blurred, by an automatic mark.
  EXPECT_EQ(relaunched->sensitiveIDs(), PanelState::IdSet({h.state->items()[1].id}));
  EXPECT_EQ(relaunched->autoSensitiveIDs(), PanelState::IdSet({h.state->items()[1].id}));
}

}  // namespace
}  // namespace qv
