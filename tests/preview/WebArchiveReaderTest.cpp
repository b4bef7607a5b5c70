#include "preview/document/BoundedHtml.h"
#include "preview/document/PropertyList.h"
#include "preview/document/RichDocumentReader.h"
#include "preview/document/WebArchiveReader.h"
#include "support/PeakMemory.h"
#include "support/preview/DocumentFixtures.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include <sys/inotify.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace qv {
namespace {

using test::colorOf;
using test::formatOf;
using test::PlistWriter;

TEST(PropertyListTest, ReadsEveryKindOfValue) {
  PlistWriter plist;
  const int root = plist.dictionary({
      {plist.string(QStringLiteral("ascii")), plist.string(QStringLiteral("text"))},
      {plist.string(QStringLiteral("utf16")), plist.string(QString::fromUtf16(u"日本 😀"))},
      {plist.string(QStringLiteral("number")), plist.integer(-42)},
      {plist.string(QStringLiteral("data")), plist.data(QByteArray(300, 'x'))},
      {plist.string(QStringLiteral("list")), plist.array({plist.integer(1), plist.integer(2)})},
  });
  const std::optional<PropertyListObject> read = readBinaryPropertyList(plist.bytes(root));
  ASSERT_TRUE(read);
  const PropertyListValue& value = **read;
  ASSERT_EQ(value.type, PropertyListValue::Type::dictionary);
  EXPECT_EQ(value.value(u"ascii")->string, QStringLiteral("text"));
  EXPECT_EQ(value.value(u"utf16")->string, QString::fromUtf16(u"日本 😀"));
  EXPECT_EQ(value.value(u"number")->integer, -42);
  EXPECT_EQ(value.value(u"data")->data, QByteArray(300, 'x'));
  ASSERT_EQ(value.value(u"list")->array.size(), 2u);
  EXPECT_EQ(value.value(u"list")->array[1]->integer, 2);
  EXPECT_EQ(value.value(u"missing"), nullptr);
}

TEST(PropertyListTest, SharedObjectsAreReadOnce) {
  // Forty levels of arrays whose two members are the same next level: 2^40 paths, 41 objects.
  PlistWriter plist;
  int level = plist.string(QStringLiteral("leaf"));
  for (int i = 0; i < 40; ++i) level = plist.array({level, level});
  const std::optional<PropertyListObject> read = readBinaryPropertyList(plist.bytes(level));
  ASSERT_TRUE(read);
  EXPECT_EQ((*read)->array[0], (*read)->array[1]);
}

QByteArray nestedArrays(int depth) {
  PlistWriter plist;
  int level = plist.integer(0);
  for (int i = 0; i < depth; ++i) level = plist.array({level});
  return plist.bytes(level);
}

TEST(PropertyListTest, NestingUpToTheLimitIsRead) {
  EXPECT_TRUE(readBinaryPropertyList(nestedArrays(PropertyListLimits::kMaxNesting)));
}

QByteArray withTrailer(QByteArray bytes, int at, quint64 value) {
  const qsizetype trailer = bytes.size() - 32;
  for (int i = 0; i < 8; ++i) bytes[trailer + at + i] = char((value >> (56 - 8 * i)) & 0xFF);
  return bytes;
}

QByteArray simpleList() {
  PlistWriter plist;
  return plist.bytes(plist.array({plist.string(QStringLiteral("a"))}));
}

struct RefusedCase {
  const char* name;
  QByteArray bytes;
};

class PropertyListRefusedTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(PropertyListRefusedTest, FailsCleanly) { EXPECT_FALSE(readBinaryPropertyList(GetParam().bytes)); }

INSTANTIATE_TEST_SUITE_P(
    Malformed, PropertyListRefusedTest,
    ::testing::Values(RefusedCase{"empty", ""},
                      RefusedCase{"xml_plist", "<?xml version=\"1.0\"?><plist><dict/></plist>"},
                      RefusedCase{"cut", simpleList().left(20)},
                      RefusedCase{"two_arrays_holding_each_other",
                                  [] {
                                    PlistWriter plist;
                                    const int first = plist.array({1});
                                    plist.array({first});
                                    return plist.bytes(first);
                                  }()},
                      RefusedCase{"dictionary_holding_itself",
                                  [] {
                                    PlistWriter plist;
                                    const int key = plist.string(QStringLiteral("self"));
                                    return plist.bytes(plist.dictionary({{key, 1}}));
                                  }()},
                      RefusedCase{"too_deep", nestedArrays(PropertyListLimits::kMaxNesting + 1)},
                      RefusedCase{"too_many_objects",
                                  withTrailer(simpleList(), 8, PropertyListLimits::kMaxObjects + 1)},
                      RefusedCase{"top_object_out_of_range", withTrailer(simpleList(), 16, 7)},
                      RefusedCase{"offset_table_past_the_end", withTrailer(simpleList(), 24, 1'000'000)},
                      RefusedCase{"offset_table_inside_the_header", withTrailer(simpleList(), 24, 2)},
                      RefusedCase{"offset_into_the_offset_table",
                                  [] {
                                    QByteArray bytes = simpleList();
                                    const qsizetype table = bytes.size() - 32 - 8;
                                    bytes[table + 3] = char(bytes.size() - 40);  // the first object's offset
                                    return bytes;
                                  }()},
                      RefusedCase{"string_longer_than_the_file",
                                  [] {
                                    PlistWriter plist;
                                    QByteArray bytes = plist.bytes(plist.string(QString(20, u'a')));
                                    bytes[8 + 2] = char(0x7F);  // the 4-byte length's top byte
                                    return bytes;
                                  }()},
                      RefusedCase{"key_that_is_not_a_string",
                                  [] {
                                    PlistWriter plist;
                                    return plist.bytes(plist.dictionary({{plist.integer(1), plist.integer(2)}}));
                                  }()}),
    [](const auto& param) { return std::string(param.param.name); });

// Lists that refer to their objects many times over: memory follows what the file holds.
struct ManyReferencesCase {
  const char* name;
  std::function<QByteArray()> bytes;
  bool readable;
  qint64 maximumGrowth;  // bytes the read may add to what is resident
};

class PropertyListReferencesTest : public ::testing::TestWithParam<ManyReferencesCase> {};

TEST_P(PropertyListReferencesTest, MemoryFollowsTheFilesSize) {
  const QByteArray bytes = GetParam().bytes();
  const test::PeakMemory memory;
  if (!memory.isAvailable()) GTEST_SKIP() << "no way to reset the peak of resident memory";
  const std::optional<PropertyListObject> read = readBinaryPropertyList(bytes);
  EXPECT_EQ(read.has_value(), GetParam().readable);
  EXPECT_LT(memory.growthBytes(), GetParam().maximumGrowth);
  if (read && (*read)->type == PropertyListValue::Type::array) {
    // One stored object is one value, whichever number refers to it.
    const auto& members = (*read)->array;
    EXPECT_TRUE(std::all_of(members.begin(), members.end(), [&](const auto& m) { return m == members.front(); }));
  }
}

// `count` numbers for one stored data object of `size` bytes, an array referring to each.
QByteArray referencesToOneObject(int count, qsizetype size) {
  PlistWriter plist(3);
  std::vector<int> members{plist.data(QByteArray(size, 'x'))};
  for (int i = 1; i < count; ++i) members.push_back(plist.sameAs(members.front()));
  return plist.bytes(plist.array(members));
}

INSTANTIATE_TEST_SUITE_P(
    Lists, PropertyListReferencesTest,
    ::testing::Values(
        ManyReferencesCase{"a_thousand_numbers_for_one_100KB_object",
                           [] { return referencesToOneObject(1000, 100'000); }, true, 16LL << 20},
        ManyReferencesCase{"99999_numbers_for_one_1MB_object", [] { return referencesToOneObject(99'999, 1'000'000); },
                           true, 24LL << 20},
        ManyReferencesCase{"an_array_of_four_million_references",
                           [] {
                             PlistWriter plist(1);
                             const int member = plist.integer(1);
                             return plist.bytes(plist.array(std::vector<int>(4'000'000, member)));
                           },
                           false, 40LL << 20},
        ManyReferencesCase{
            "a_dictionary_of_two_million_pairs",
            [] {
              PlistWriter plist(1);
              const int key = plist.string(QStringLiteral("k"));
              const int value = plist.integer(1);
              return plist.bytes(plist.dictionary(std::vector<std::pair<int, int>>(2'000'000, {key, value})));
            },
            false, 40LL << 20}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(WebArchiveTest, ShowsTheMainResourcesPage) {
  const std::optional<AttributedText> read = readRichDocumentBytes(PlistWriter::webArchive(
      R"(<html><head><title>Not shown</title><style>p { margin: 0 }</style></head><body><h1>Title</h1>
<p>plain <b>bold</b> <i>italic</i> <u>under</u> <s>struck</s> <span style="color:#ffff00">yellow</span>
<font color="#000050">navy</font> <span style="font-size:24px; font-family:Georgia">large</span></p>
<ul><li>one</li></ul><ol><li>first</li><li>second</li></ol><p>end</p></body></html>)"));
  ASSERT_TRUE(read);
  // Margins between blocks become empty lines.
  EXPECT_EQ(read->text, QStringLiteral("Title\n\nplain bold italic under struck yellow navy large\n\n• one\n\n"
                                       "1. first\n2. second\n\nend"));
  EXPECT_EQ(formatOf(*read, QStringLiteral("Title")).fontWeight(), QFont::Bold);
  EXPECT_GT(formatOf(*read, QStringLiteral("Title")).fontPointSize(),
            formatOf(*read, QStringLiteral("plain")).fontPointSize());
  EXPECT_EQ(formatOf(*read, QStringLiteral("bold")).fontWeight(), QFont::Bold);
  EXPECT_TRUE(formatOf(*read, QStringLiteral("italic")).fontItalic());
  EXPECT_TRUE(formatOf(*read, QStringLiteral("under")).fontUnderline());
  EXPECT_TRUE(formatOf(*read, QStringLiteral("struck")).fontStrikeOut());
  EXPECT_EQ(colorOf(formatOf(*read, QStringLiteral("yellow"))), QColor(255, 255, 0));
  EXPECT_FALSE(colorOf(formatOf(*read, QStringLiteral("navy"))));  // too dark: the label colour
  const QTextCharFormat large = formatOf(*read, QStringLiteral("large"));
  EXPECT_DOUBLE_EQ(large.fontPointSize(), 24 * 0.75);
  EXPECT_EQ(large.fontFamilies().toStringList(), QStringList{QStringLiteral("Georgia")});
}

TEST(WebArchiveTest, DecodesInTheNamedEncodingElseTheDeclaredOne) {
  const QByteArray latin = "<p>caf\xE9</p>";
  std::optional<AttributedText> read = readRichDocumentBytes(
      PlistWriter::webArchive(latin, QStringLiteral("text/html"), QStringLiteral("windows-1252")));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->text, QString::fromUtf16(u"café"));
  read = readRichDocumentBytes(PlistWriter::webArchive(
      "<html><head><meta charset=\"windows-1251\"></head><body>\xCF\xF0\xE8\xE2\xE5\xF2</body></html>",
      QStringLiteral("text/html"), QString()));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->text, QString::fromUtf16(u"Привет"));
  read = readRichDocumentBytes(
      PlistWriter::webArchive("plain <b>text</b>", QStringLiteral("text/plain"), QStringLiteral("utf-8")));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->text, QStringLiteral("plain <b>text</b>"));
}

TEST(WebArchiveTest, ArchivesWithoutAPageAreRefused) {
  EXPECT_FALSE(readRichDocumentBytes(PlistWriter::webArchive("\x89PNG", QStringLiteral("image/png"))));
  PlistWriter plist;
  const int root = plist.dictionary({{plist.string(QStringLiteral("WebSubresources")), plist.array({})}});
  EXPECT_FALSE(readRichDocumentBytes(plist.bytes(root)));
  PlistWriter cycle;
  const int main = cycle.string(QStringLiteral("WebMainResource"));
  EXPECT_FALSE(readRichDocumentBytes(cycle.bytes(cycle.dictionary({{main, 2}}))));
}

// Watches a folder for files being opened or read.
class FileAccessWatch {
 public:
  explicit FileAccessWatch(const QString& folder) {
    fd_ = inotify_init1(IN_NONBLOCK);
    inotify_add_watch(fd_, QFile::encodeName(folder).constData(), IN_OPEN | IN_ACCESS);
  }
  ~FileAccessWatch() { ::close(fd_); }
  bool sawAccess() const {
    char events[4096];
    return ::read(fd_, events, sizeof events) > 0;
  }

 private:
  int fd_ = -1;
};

TEST(WebArchiveTest, PagesNeverLoadFiles) {
  QTemporaryDir folder;
  const QString picture = folder.filePath(QStringLiteral("secret.png"));
  const QString sheet = folder.filePath(QStringLiteral("secret.css"));
  for (const QString& path : {picture, sheet}) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("secret");
  }
  const QString pictureUrl = QUrl::fromLocalFile(picture).toString();
  const QString page = QStringLiteral(
                           "<html><head><link rel=\"stylesheet\" href=\"%2\"></head><body background=\"%1\">"
                           "<p>before<img src=\"%1\"><img src=\"%3\" width=\"10\"></p>"
                           "<table background=\"%1\"><tr><td>after</td></tr></table></body></html>")
                           .arg(pictureUrl, QUrl::fromLocalFile(sheet).toString(), picture);
  FileAccessWatch watch(folder.path());
  const std::optional<AttributedText> read = readRichDocumentBytes(PlistWriter::webArchive(page.toUtf8()));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->text, QStringLiteral("before\n\nafter"));
  EXPECT_FALSE(watch.sawAccess());

  ContainedTextDocument document;
  document.setHtml(page);
  EXPECT_GT(document.refusedLoads(), 0);  // asked, and refused
  EXPECT_FALSE(watch.sawAccess());
  // The watch itself sees a read.
  QFile file(picture);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  file.readAll();
  EXPECT_TRUE(watch.sawAccess());
}

// A read on a thread of its own that the test may give up on: the thread, and all it reads,
// outlive the test when it never ends (the test has failed then).
struct BackgroundRead {
  explicit BackgroundRead(QByteArray bytes) : state(std::make_shared<State>()) {
    state->bytes = std::move(bytes);
    std::thread([state = state] {
      DocumentReadOptions options;
      options.cancelled = &state->cancelled;
      std::optional<AttributedText> read = readRichDocumentBytes(state->bytes, options);
      std::lock_guard lock(state->mutex);
      state->read = std::move(read);
      state->done = true;
      state->finished.notify_all();
    }).detach();
  }
  // Whether the read ended within `seconds` (a deadline for a hang, not a measure of speed).
  bool endsWithin(double seconds) {
    std::unique_lock lock(state->mutex);
    return state->finished.wait_for(lock, std::chrono::duration<double>(seconds), [this] { return state->done; });
  }
  struct State {
    QByteArray bytes;
    std::atomic<bool> cancelled = false;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::optional<AttributedText> read;
  };
  std::shared_ptr<State> state;
};

QByteArray repeated(const QByteArray& piece, qsizetype times) {
  QByteArray out;
  out.reserve(piece.size() * times);
  for (qsizetype i = 0; i < times; ++i) out += piece;
  return out;
}

struct HostilePage {
  const char* name;
  std::function<QByteArray()> html;
  QString start;  // what the text begins with
};

class HostilePageTest : public ::testing::TestWithParam<HostilePage> {};

TEST_P(HostilePageTest, ReadsInBoundedTimeAndMemory) {
  const QByteArray archive = PlistWriter::webArchive(GetParam().html());
  const test::PeakMemory memory;
  BackgroundRead read(archive);
  ASSERT_TRUE(read.endsWithin(60)) << "still reading after a minute";
  ASSERT_TRUE(read.state->read);
  EXPECT_TRUE(read.state->read->text.startsWith(GetParam().start)) << read.state->read->text.left(80).toStdString();
  EXPECT_LE(read.state->read->text.size(), DocumentLimits::kMaxTextLength);
  if (memory.isAvailable()) {
    EXPECT_LT(memory.growthBytes(), 600LL << 20);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Pages, HostilePageTest,
    ::testing::Values(
        HostilePage{
            "twenty_thousand_nested_tables",
            [] { return repeated("<table><tr><td>", 20'000) + "deep" + repeated("</td></tr></table>", 20'000); },
            QStringLiteral("deep")},
        HostilePage{"hundred_thousand_nested_bold",
                    [] { return "<p>start " + repeated("<b>", 100'000) + "bold" + repeated("</b>", 100'000) + "</p>"; },
                    QStringLiteral("start bold")},
        HostilePage{"hundred_thousand_unclosed_paragraphs_and_items",
                    [] { return "<ul>" + repeated("<li><p>item <div>", 100'000); }, QStringLiteral("• item")},
        HostilePage{"a_48MB_page_of_formatted_paragraphs",
                    [] {
                      return "<html><body>" +
                             repeated(
                                 "<p style=\"color:#3060c0\">Some <b>bold</b>, <i>italic</i> and "
                                 "<span style=\"font-size:18px\">larger</span> text.</p>\n",
                                 48 * 1024 * 1024 / 110) +
                             "</body></html>";
                    },
                    QStringLiteral("Some bold, italic and larger text.")}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(WebArchiveTest, AReadGivenUpEndsAtOnceWhateverThePageHolds) {
  const QByteArray archive = PlistWriter::webArchive(
      repeated("<table><tr><td><p>Some <b>bold</b> text in a cell.</p>", 5'000) +
      repeated("<p>A paragraph of <i>plain</i> text, one of very many.</p>\n", 300'000));
  BackgroundRead read(archive);
  read.state->cancelled = true;
  ASSERT_TRUE(read.endsWithin(10)) << "still reading";
  EXPECT_FALSE(read.state->read);
}

// Empty elements hold no text, so only their count bounds what a page of them costs: each one
// kept takes the text document about 700 bytes (2,000,000 line breaks: 1.4 GB).
TEST(BoundedHtmlTest, APageOfTwoMillionEmptyElementsKeepsAFewTensOfThousands) {
  const QString page = QStringLiteral("start") + QString::fromLatin1(repeated("<br>", 2'000'000)) +
                       QStringLiteral("<p>end</p>");
  const std::optional<QStringList> pieces = boundedHtml(page);
  ASSERT_TRUE(pieces);
  const QString kept = pieces->join(QString());
  EXPECT_EQ(kept.count(QStringLiteral("<br>")), HtmlLimits::kMaxElements);
  EXPECT_LE(kept.count(QStringLiteral("<br>")), 100'000);
  EXPECT_TRUE(kept.startsWith(QStringLiteral("start")));
  EXPECT_FALSE(kept.contains(QStringLiteral("end"))) << "the page is cut at the bound";
}

TEST(WebArchiveTest, PagesKeepTheirShapeWhereBrowsersCloseWhatTheyLeaveOpen) {
  const struct {
    const char* name;
    QByteArray html;
    QString text;
  } cases[] = {
      {"paragraph_in_paragraph", "<p>one<p>two<div>three</div>", "one\n\ntwo\n\nthree"},
      {"items_left_open", "<ul><li>a<li>b<li>c</ul><p>after", "• a\n• b\n• c\n\nafter"},
      {"table_cells_as_lines", "<table><tr><th>Name<td>Value<tr><td>x<td>1</table>", "Name\nValue\nx\n1"},
      {"scripts_and_frames_left_out",
       "<p>a<script>document.write('<b>no</b>')</script>b<iframe>no</iframe>c<svg><text>no</text></svg>d"
       "<select><option>no</option></select>e<!-- no --></p>",
       "abcde"},
      {"text_beyond_the_depth_limit_kept", repeated("<div>", 200) + "deep" + repeated("</div>", 200), "deep"},
      {"stray_angle_brackets", "<p>1 < 2 and 3 > 2</p>", "1 < 2 and 3 > 2"},
      {"quoted_greater_than_in_attributes", "<p title=\"a>b\" style='color:#ff0000'>red</p>", "red"},
      {"cut_inside_a_tag", "<p>whole</p><p title=\"never closed", "whole"},
  };
  for (const auto& c : cases) {
    const std::optional<AttributedText> read = readRichDocumentBytes(PlistWriter::webArchive(c.html));
    ASSERT_TRUE(read) << c.name;
    EXPECT_EQ(read->text, c.text) << c.name;
  }
  const std::optional<AttributedText> header = readRichDocumentBytes(
      PlistWriter::webArchive("<table><tr><th>Name</th><td>Value</td></tr></table>"));
  ASSERT_TRUE(header);
  EXPECT_EQ(formatOf(*header, QStringLiteral("Name")).fontWeight(), QFont::Bold);
  EXPECT_NE(formatOf(*header, QStringLiteral("Value")).fontWeight(), QFont::Bold);
}

}  // namespace
}  // namespace qv
