#include "items/ItemServices.h"
#include "items/stores/FileBookmarkStore.h"
#include "platform/FileBookmarks.h"
#include "support/SideFileHelpers.h"
#include "support/items/FakeItemContext.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>

namespace qv {
namespace {

const QString kID = QStringLiteral("E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
const QString kOther = QStringLiteral("11111111-2222-3333-4444-555555555555");

struct FileBookmarkStoreTest : ::testing::Test {
  FakeItemContext fake;
  QString files() const { return fake.root->path() + QStringLiteral("/files"); }
  QString bookmarkFile(const FileBookmarkStore& store, const QString& id) const {
    return store.directory() + u'/' + id + QStringLiteral(".bookmark");
  }
};

TEST_F(FileBookmarkStoreTest, RenamedFileResolvesToItsNewUrlAndTheBookmarkIsRefreshed) {
  FileBookmarkStore store(*fake.context->paths, std::make_shared<LocalFileBookmarks>(QStringList{}));
  const QString original = files() + QStringLiteral("/draft.txt");
  const QString kept = files() + QStringLiteral("/kept.txt");
  ASSERT_TRUE(test::writeTestFile(original));
  ASSERT_TRUE(test::writeTestFile(kept));
  ASSERT_TRUE(store.save(QUrl::fromLocalFile(original), kID));
  ASSERT_TRUE(store.save(QUrl::fromLocalFile(kept), kOther));

  const QString renamed = files() + QStringLiteral("/final.txt");
  ASSERT_TRUE(QFile::rename(original, renamed));
  const QList<FileBookmarkStore::StoredFile> items{
      {kID, QUrl::fromLocalFile(original)}, {kOther, QUrl::fromLocalFile(files() + QStringLiteral("//kept.txt"))}};
  const auto changed = store.resolveAll(items);
  EXPECT_EQ(changed.size(), 1);  // the unchanged file (same path, standardised) is not listed
  EXPECT_EQ(changed.value(kID), QUrl::fromLocalFile(renamed));

  // The refreshed bookmark now points at the new name directly.
  const auto again = store.resolveAll({{kID, QUrl::fromLocalFile(renamed)}});
  EXPECT_TRUE(again.isEmpty());
}

TEST_F(FileBookmarkStoreTest, UnresolvableOrMissingBookmarksLeaveItemsOut) {
  installItemServices(*fake.context);
  FileBookmarkStore& store = *fake.context->fileBookmarkStore;
  const QString path = files() + QStringLiteral("/a.txt");
  ASSERT_TRUE(store.save(QUrl::fromLocalFile(path), kID));
  fake.fileBookmarks->remove(path);
  const auto changed = store.resolveAll({{kID, QUrl::fromLocalFile(path)}, {kOther, QUrl()}});
  EXPECT_TRUE(changed.isEmpty());
  EXPECT_EQ(fake.fileBookmarks->batches, 1);
  EXPECT_TRUE(QFile::exists(bookmarkFile(store, kID)));  // only the clean-up removes files

  EXPECT_FALSE(store.save(QUrl(QStringLiteral("https://example.com/a.txt")), kOther));
  EXPECT_FALSE(store.save(QUrl(), kOther));
  fake.fileBookmarks->failCreate = true;
  EXPECT_FALSE(store.save(QUrl::fromLocalFile(path), kOther));
}

TEST_F(FileBookmarkStoreTest, TheFilesOfOneCopyAreSavedTogetherAsOneByOne) {
  installItemServices(*fake.context);
  FileBookmarkStore& store = *fake.context->fileBookmarkStore;
  const QString path = files() + QStringLiteral("/a.txt");
  const QString gone = files() + QStringLiteral("/gone.txt");
  fake.fileBookmarks->remove(gone);
  const QString third = QStringLiteral("22222222-3333-4444-5555-666666666666");
  EXPECT_EQ(store.saveAll({{kID, QUrl::fromLocalFile(path)},
                           {kOther, QUrl(QStringLiteral("https://example.com/a.txt"))},
                           {third, QUrl::fromLocalFile(gone)}}),
            1);
  EXPECT_EQ(test::folderEntries(store.directory()), QStringList{kID + QStringLiteral(".bookmark")});
  EXPECT_EQ(store.resolveAll({{kID, QUrl()}}).value(kID), QUrl::fromLocalFile(path));
}

TEST_F(FileBookmarkStoreTest, AbsentStoredUrlCountsAsDifferent) {
  installItemServices(*fake.context);
  FileBookmarkStore& store = *fake.context->fileBookmarkStore;
  const QString path = files() + QStringLiteral("/a.txt");
  ASSERT_TRUE(store.save(QUrl::fromLocalFile(path), kID));
  EXPECT_EQ(store.resolveAll({{kID, QUrl()}}).value(kID), QUrl::fromLocalFile(path));
}

TEST_F(FileBookmarkStoreTest, OrphanCleanUpGoesByIdAndLeavesOtherExtensions) {
  installItemServices(*fake.context);
  FileBookmarkStore& store = *fake.context->fileBookmarkStore;
  ASSERT_TRUE(store.save(QUrl::fromLocalFile(QStringLiteral("/k")), kID));
  ASSERT_TRUE(store.save(QUrl::fromLocalFile(QStringLiteral("/o")), kOther));
  const QString dir = store.directory();
  ASSERT_TRUE(test::writeTestFile(dir + QStringLiteral("/not-a-uuid.bookmark")));
  ASSERT_TRUE(test::writeTestFile(dir + QStringLiteral("/notes.txt")));
  ASSERT_TRUE(test::writeTestFile(dir + u'/' + kID.toLower() + QStringLiteral(".bookmark")));

  store.removeOrphans({kID});
  EXPECT_EQ(test::folderEntries(dir),
            (QStringList{kID + QStringLiteral(".bookmark"), kID.toLower() + QStringLiteral(".bookmark"),
                         QStringLiteral("notes.txt")}));
}

TEST_F(FileBookmarkStoreTest, FolderThatCannotBeCreatedFailsQuietly) {
  installItemServices(*fake.context);
  ASSERT_TRUE(test::blockFolder(fake.context->paths->applicationSupport() + QStringLiteral("/filebookmarks")));
  FileBookmarkStore& store = *fake.context->fileBookmarkStore;
  EXPECT_FALSE(store.save(QUrl::fromLocalFile(QStringLiteral("/k")), kID));
  EXPECT_TRUE(store.resolveAll({{kID, QUrl()}}).isEmpty());
  store.removeOrphans({});
}

}  // namespace
}  // namespace qv
