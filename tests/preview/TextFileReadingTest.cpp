#include "preview/TextFilePreview.h"
#include "support/FifoWithDeadline.h"
#include "support/SideFileHelpers.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QFile>
#include <QTemporaryDir>

namespace qv {
namespace {

const QString kNote = QStringLiteral("\n\n… truncated — showing the first 512 KB of ");

TEST(TextFilePreview, TextExtensionsInTheirOrder) {
  const QStringList& extensions = TextFilePreview::textExtensions();
  ASSERT_EQ(extensions.size(), 39);
  EXPECT_EQ(extensions.first(), QStringLiteral("txt"));
  EXPECT_EQ(extensions.indexOf(QStringLiteral("swift")), 23);
  EXPECT_EQ(extensions.last(), QStringLiteral("toml"));
  for (const QString& extension : extensions) EXPECT_EQ(extension, extension.toLower());
}

TEST(TextFilePreview, LanguageLabels) {
  const std::pair<const char*, const char*> cases[] = {
      {"py", "Python"}, {"swift", "Swift"}, {"mjs", "JavaScript"}, {"cjs", "JavaScript"}, {"tsx", "TypeScript"},
      {"rb", "Ruby"},   {"go", "Go"},       {"rs", "Rust"},        {"java", "Java"},      {"kt", "Kotlin"},
      {"h", "C"},       {"cc", "C++"},      {"m", "C++"},          {"php", "PHP"},        {"sql", "SQL"},
      {"zsh", "Shell"}, {"htm", "HTML"},    {"scss", "CSS"},       {"json", "JSON"},      {"xml", "XML"},
      {"yml", "YAML"},  {"md", ""},         {"toml", ""},          {"txt", ""},           {"PY", ""},
      {"", ""},
  };
  for (const auto& [extension, label] : cases)
    EXPECT_EQ(TextFilePreview::languageLabel(QString::fromLatin1(extension)), QString::fromLatin1(label)) << extension;
}

TEST(TextFilePreview, CanPreviewByTheTypeOfTheNameElseTheExtension) {
  const std::pair<const char*, bool> cases[] = {
      {"notes.txt", true},     {"script.py", true},       // source code inherits plain text
      {"Main.swift", true},                               // no type for the name: the extension list
      {"App.TSX", true},                                  // no type either; the extension in any case
      {"settings.toml", true},                            // a type that inherits text
      {"data.json", true},     {"notebook.ipynb", true},  // inherits JSON
      {"feed.xml", true},      {"page.xhtml", true},      // inherits XML
      {"Makefile", true},                                 // a type from the whole name
      {".env", false},                                    // a hidden file has no extension
      {"site.env", true},                                 // no type, in the list
      {"letter.rtf", false},                              // RTF is text, but not shown as its text
      {"logo.svg", false},                                // an image, though it inherits XML
      {"photo.png", false},    {"paper.pdf", false},      {"report.docx", false},
      {"setup.exe", false},    {"Info.plist", false},  // no type, not in the list
      {"README", true},                                // so is this one
      {"data", false},         {"archive.tar.gz", false},
  };
  for (const auto& [name, previewable] : cases)
    EXPECT_EQ(TextFilePreview::canPreview(QUrl::fromLocalFile(QStringLiteral("/files/") + QString::fromUtf8(name))),
              previewable)
        << name;
}

struct DecodeCase {
  const char* name;
  QByteArray bytes;
  qint64 fileSize;  // -1: the bytes are the whole file
  std::optional<QString> text;
};

class Decoding : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(Decoding, TriesEachEncodingInTurn) {
  const DecodeCase& c = GetParam();
  EXPECT_EQ(TextFilePreview::decode(c.bytes, c.fileSize < 0 ? c.bytes.size() : c.fileSize), c.text);
}

QByteArray bytes(std::initializer_list<int> values) {
  QByteArray result;
  for (int value : values) result.append(char(value));
  return result;
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, Decoding,
    ::testing::Values(
        DecodeCase{"Utf8", QByteArray("caf\xC3\xA9 \xE2\x82\xAC"), -1, QString::fromUtf8("café €")},
        DecodeCase{"Utf8WithByteOrderMark", QByteArray("\xEF\xBB\xBFhi"), -1, QStringLiteral("hi")},
        DecodeCase{"InvalidUtf8IsLatin1", QByteArray("caf\xE9 \xFF"), -1, QString::fromLatin1("caf\xE9 \xFF")},
        DecodeCase{"Utf16LittleEndianWithMark", bytes({0xFF, 0xFE, 'h', 0, 0xAC, 0x20}), -1, QString::fromUtf8("h€")},
        DecodeCase{"Utf16BigEndianWithMark", bytes({0xFE, 0xFF, 0, 'h', 0x20, 0xAC}), -1, QString::fromUtf8("h€")},
        DecodeCase{"Utf16WithoutMarkByItsNuls", bytes({'o', 0, 'k', 0, '!', 0}), -1, QStringLiteral("ok!")},
        DecodeCase{"Utf16BigEndianWithoutMark", bytes({0, 'o', 0, 'k'}), -1, QStringLiteral("ok")},
        // Odd bytes that are not text in UTF-16 either: no guessing, Latin-1.
        DecodeCase{"BinaryIsLatin1", bytes({0x80, 0x81, 0xFE, 0x00, 0x00, 0x41}), -1,
                   QString::fromLatin1(bytes({0x80, 0x81, 0xFE, 0x00, 0x00, 0x41}))},
        DecodeCase{"UnpairedSurrogateAfterMarkIsLatin1", bytes({0xFF, 0xFE, 0x00, 0xD8, 'a', 0}), -1,
                   QString::fromLatin1(bytes({0xFF, 0xFE, 0x00, 0xD8, 'a', 0}))},
        // The read limit cut a character: it is dropped and the rest stays UTF-8.
        DecodeCase{"CutEuroSign", QByteArray("ab\xE2\x82"), 5000, QStringLiteral("ab")},
        DecodeCase{"CutEmojiAfterThreeBytes", QByteArray("ab\xF0\x9F\x98"), 5000, QStringLiteral("ab")},
        DecodeCase{"CutTwoByteLetter", QByteArray("ab\xC3"), 5000, QStringLiteral("ab")},
        DecodeCase{"WholeCharacterAtTheLimit", QByteArray("ab\xC3\xA9"), 5000, QString::fromUtf8("abé")},
        // The same bytes as a whole file are not valid UTF-8.
        DecodeCase{"CutCharacterAtTheEndOfTheFile", QByteArray("ab\xE2\x82"), -1, QString::fromLatin1("ab\xE2\x82")},
        DecodeCase{"CutUtf16SurrogatePair", bytes({0xFF, 0xFE, 'a', 0, 0x3D, 0xD8}), 5000, QStringLiteral("a")},
        DecodeCase{"Empty", QByteArray(), -1, std::nullopt}),
    [](const auto& row) { return std::string(row.param.name); });

struct FileFixture {
  QTemporaryDir dir;
  QString write(const QString& name, const QByteArray& data) {
    const QString path = dir.filePath(name);
    EXPECT_TRUE(test::writeTestFile(path, data));
    return path;
  }
  static std::optional<QString> load(const QString& path) { return TextFilePreview::load(QUrl::fromLocalFile(path)); }
};

TEST(TextFilePreview, TheTruncationNoteStartsOneByteAfterTheLimit) {
  FileFixture f;
  const QString exact = f.write(QStringLiteral("exact.txt"), QByteArray(524288, 'a'));
  const QString over = f.write(QStringLiteral("over.txt"), QByteArray(524289, 'a'));
  const QString large = f.write(QStringLiteral("large.log"), QByteArray(2'000'000, 'b'));
  EXPECT_EQ(FileFixture::load(exact), QString(524288, u'a'));
  EXPECT_EQ(FileFixture::load(over), QString(524288, u'a') + kNote + QStringLiteral("512 KB"));
  EXPECT_EQ(FileFixture::load(large), QString(524288, u'b') + kNote + QStringLiteral("1953 KB"));
}

TEST(TextFilePreview, ACharacterCutByTheLimitIsDroppedNotTheEncoding) {
  FileFixture f;
  QByteArray data(524287, 'a');
  data += "\xE2\x82\xAC tail";  // the euro sign starts at the last byte read
  const auto text = FileFixture::load(f.write(QStringLiteral("cut.txt"), data));
  ASSERT_TRUE(text);
  EXPECT_TRUE(text->startsWith(QString(524287, u'a') + kNote)) << "no Latin-1 fallback";
}

TEST(TextFilePreview, AHugeLogCostsOnlyItsFirstPart) {
  FileFixture f;
  const QString path = f.write(QStringLiteral("huge.log"), QByteArray("2024-05-06 started\n").repeated(40'000));
  QFile file(path);
  ASSERT_TRUE(file.resize(qint64(2) << 30));  // 2 GB, sparse
  const auto text = FileFixture::load(path);
  ASSERT_TRUE(text);
  EXPECT_TRUE(text->startsWith(QStringLiteral("2024-05-06 started\n")));
  EXPECT_TRUE(text->endsWith(kNote + QStringLiteral("2097152 KB")));
  EXPECT_EQ(text->size(), 524288 + (kNote + QStringLiteral("2097152 KB")).size());
}

TEST(TextFilePreview, WhatCannotBeReadGivesNothing) {
  FileFixture f;
  const QString fifo = f.dir.filePath(QStringLiteral("x.txt"));
  const test::FifoWithDeadline fifoAtPath(fifo);
  ASSERT_TRUE(fifoAtPath.isMade());
  const QString unreadable = f.write(QStringLiteral("secret.txt"), "private");
  QFile::setPermissions(unreadable, QFileDevice::WriteOwner);
  const std::pair<const char*, QString> cases[] = {
      {"empty", f.write(QStringLiteral("empty.txt"), QByteArray())},
      {"missing", f.dir.filePath(QStringLiteral("missing.txt"))},
      {"folder", f.dir.path()},
      {"fifo with a text name (no writer: reading would block)", fifo},
      {"character device", QStringLiteral("/dev/zero")},
  };
  for (const auto& [name, path] : cases) EXPECT_FALSE(FileFixture::load(path)) << name;
  EXPECT_FALSE(TextFilePreview::load(QUrl(QStringLiteral("https://example.org/a.txt"))));
  if (::geteuid() != 0) {
    EXPECT_FALSE(FileFixture::load(unreadable)) << "unreadable";
  }
}

}  // namespace
}  // namespace qv
