// The item side files the program reads back, each made a link to /dev/zero, a FIFO, a 4 GB
// sparse file or a folder: the read returns at once, takes no memory to speak of, and counts the
// file as missing.
#include "items/ItemServices.h"
#include "items/link/OGImageCache.h"
#include "items/ocr/ImageTextRecognizer.h"
#include "support/HostileFile.h"
#include "support/items/FakeItemContext.h"

#include <gtest/gtest.h>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>

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

// Each read has a bound of its own, far below the general one: a file above it (here real
// content made large by a sparse tail) is refused, though it would read.
TEST(StoredFileReads, AFileAboveItsOwnBoundIsRefused) {
  QImage picture(8, 8, QImage::Format_RGB32);
  picture.fill(Qt::blue);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  picture.save(&buffer, "PNG");
  const struct {
    const char* name;
    std::function<QString(ItemServices&)> path;
    QByteArray start;
    qint64 size;
    std::function<bool(ItemServices&)> refused;
  } rows[] = {
      {"a 32 MB recognized text",
       [](ItemServices& services) { return services.imageTextRecognizer->directory() + u'/' + kID + ".txt"; },
       "Invoice 2041", qint64(32) << 20,
       [](ItemServices& services) { return !services.imageTextRecognizer->text(kID); }},
      {"a 300 MB page image", [](ItemServices& services) { return services.ogImageCache->filePath(kID); }, png,
       qint64(300) << 20, [](ItemServices& services) { return services.ogImageCache->load(kID).isNull(); }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    FakeItemContext fake;
    installItemServices(*fake.context);
    const QString path = row.path(*fake.context);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(row.start) == row.start.size() && file.resize(row.size));
    file.close();
    EXPECT_TRUE(row.refused(*fake.context));
  }
}

}  // namespace
}  // namespace qv
