#include "items/ItemServices.h"
#include "items/stores/RichTextStore.h"
#include "support/SideFileHelpers.h"
#include "support/items/FakeItemContext.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QMap>

namespace qv {
namespace {

const QString kID = QStringLiteral("E621E1F8-C36C-495A-93FC-0C247A3E6E5F");

RichTextStore::DataSource sourceOf(QMap<QString, QByteArray> offered, QStringList* asked = nullptr) {
  return [offered, asked](const QString& mimeType) -> std::optional<QByteArray> {
    if (asked) asked->append(mimeType);
    if (!offered.contains(mimeType)) return std::nullopt;
    return offered.value(mimeType);
  };
}

struct RichTextStoreTest : ::testing::Test {
  FakeItemContext fake;
  RichTextStore& store() { return *fake.context->richTextStore; }
  void SetUp() override { installItemServices(*fake.context); }
};

TEST_F(RichTextStoreTest, StoresTheRicherFormOnlyAndReadsItBack) {
  QStringList asked;
  const QByteArray html("<b>bold</b>");
  ASSERT_TRUE(store().capture(sourceOf({{"text/html", html}, {"text/rtf", "{\\rtf1 bold}"}}, &asked), kID));
  EXPECT_EQ(asked, QStringList{QStringLiteral("text/html")});
  EXPECT_EQ(test::folderEntries(store().directory()), QStringList{kID + QStringLiteral(".html")});
  const auto stored = store().read(kID);
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->mimeType, QStringLiteral("text/html"));
  EXPECT_EQ(stored->data, html);
}

TEST_F(RichTextStoreTest, OversizedOrEmptyRichFormFallsBackToRtf) {
  const QByteArray rtf(10 * 1024, 'r');
  ASSERT_TRUE(store().capture(sourceOf({{"text/html", QByteArray(5'000'000, 'h')}, {"text/rtf", rtf}}), kID));
  EXPECT_EQ(test::folderEntries(store().directory()), QStringList{kID + QStringLiteral(".rtf")});
  EXPECT_EQ(store().read(kID)->mimeType, QStringLiteral("text/rtf"));

  const QString other = QStringLiteral("11111111-2222-3333-4444-555555555555");
  ASSERT_TRUE(store().capture(sourceOf({{"text/html", {}}, {"text/rtf", "{\\rtf1}"}}), other));
  EXPECT_EQ(store().read(other)->mimeType, QStringLiteral("text/rtf"));
}

TEST_F(RichTextStoreTest, SizeCapIsInclusive) {
  EXPECT_TRUE(store().capture(sourceOf({{"text/html", QByteArray(RichTextStore::kMaximumSize, 'a')}}), kID));
  EXPECT_FALSE(store().capture(sourceOf({{"text/html", QByteArray(RichTextStore::kMaximumSize + 1, 'a')}}),
                               QStringLiteral("11111111-2222-3333-4444-555555555555")));
  EXPECT_FALSE(store().capture(sourceOf({}), kID));
  EXPECT_FALSE(store().capture({}, kID));
}

TEST_F(RichTextStoreTest, RemoveDeletesBothFormsAndOrphansGoByName) {
  const QString gone = QStringLiteral("11111111-2222-3333-4444-555555555555");
  ASSERT_TRUE(store().capture(sourceOf({{"text/html", "<p>x</p>"}}), kID));
  ASSERT_TRUE(store().capture(sourceOf({{"text/rtf", "{\\rtf1}"}}), gone));
  ASSERT_TRUE(test::writeTestFile(store().directory() + u'/' + kID + QStringLiteral(".rtf")));
  ASSERT_TRUE(test::writeTestFile(store().directory() + QStringLiteral("/stray.txt")));
  ASSERT_TRUE(test::writeTestFile(store().directory() + u'/' + kID + QStringLiteral(".rtfd")));

  store().removeOrphans({kID});
  EXPECT_EQ(test::folderEntries(store().directory()),
            (QStringList{kID + QStringLiteral(".html"), kID + QStringLiteral(".rtf")}));

  store().remove(kID);
  store().remove(kID);  // nothing left: still quiet
  EXPECT_TRUE(test::folderEntries(store().directory()).isEmpty());
  EXPECT_FALSE(store().read(kID));
}

TEST_F(RichTextStoreTest, FolderThatCannotBeCreatedFailsQuietly) {
  ASSERT_TRUE(test::blockFolder(fake.context->paths->applicationSupport() + QStringLiteral("/richtext")));
  EXPECT_FALSE(store().capture(sourceOf({{"text/html", "<p>x</p>"}, {"text/rtf", "{\\rtf1}"}}), kID));
  EXPECT_FALSE(store().read(kID));
  store().remove(kID);
  store().removeOrphans({});
  EXPECT_TRUE(QFile::exists(fake.context->paths->applicationSupport() + QStringLiteral("/richtext")));
}

}  // namespace
}  // namespace qv
