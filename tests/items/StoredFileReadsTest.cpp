// The item side files the program reads back, each made a link to /dev/zero, a FIFO, a 4 GB
// sparse file or a folder: the read returns at once, takes no memory to speak of, and counts the
// file as missing.
#include "items/ItemServices.h"
#include "items/link/OGImageCache.h"
#include "items/ocr/ImageTextRecognizer.h"
#include "support/HostileFile.h"
#include "support/items/FakeItemContext.h"

#include <gtest/gtest.h>
#include <QDir>

namespace qv {
namespace {

const QString kID = QStringLiteral("E621E1F8-C36C-495A-93FC-0C247A3E6E5F");

struct StoredRead {
  const char* name;
  std::function<QString(ItemServices&)> path;
  std::function<void(ItemServices&)> readAndCheck;
};

const StoredRead kReads[] = {
    {"the text recognized in a picture",
     [](ItemServices& services) { return services.imageTextRecognizer->directory() + u'/' + kID + ".txt"; },
     [](ItemServices& services) { EXPECT_EQ(services.imageTextRecognizer->text(kID), std::nullopt); }},
    {"a cached page image", [](ItemServices& services) { return services.ogImageCache->filePath(kID); },
     [](ItemServices& services) { EXPECT_TRUE(services.ogImageCache->load(kID).isNull()); }},
};

struct StoredFileReads : ::testing::TestWithParam<StoredRead> {};

TEST_P(StoredFileReads, NeitherWaitNorGrowOnAFileThatIsNoneOfOurs) {
  const StoredRead& read = GetParam();
  for (const test::HostileForm form : test::kHostileForms) {
    SCOPED_TRACE(test::nameOf(form));
    FakeItemContext fake;
    installItemServices(*fake.context);
    const QString path = read.path(*fake.context);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    const test::HostileFile hostile(path, form);
    ASSERT_TRUE(hostile.isMade());
    const std::string what = std::string(read.name) + " at " + test::nameOf(form);
    test::readWithinLimits([&] { read.readAndCheck(*fake.context); }, what.c_str());
  }
}

INSTANTIATE_TEST_SUITE_P(EachFile, StoredFileReads, ::testing::ValuesIn(kReads),
                         [](const ::testing::TestParamInfo<StoredRead>& param) {
                           QString name = QString::fromLatin1(param.param.name);
                           name.remove(u' ');
                           return name.toStdString();
                         });

}  // namespace
}  // namespace qv
