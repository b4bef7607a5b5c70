#include "PreviewTestSupport.h"
#include "preview/CaptionText.h"
#include "preview/PreviewCaption.h"
#include "state/PanelState.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using test::PreviewContext;
using Kind = PreviewCaption::Piece::Kind;

const QString kDot = QString::fromUtf16(CaptionText::kPartSeparator);

struct Counted {
  const char* name;
  QString text;
  CaptionText::TextCounts counts;
  QString detail;
};

class TextDetails : public ::testing::TestWithParam<Counted> {};

TEST_P(TextDetails, CountCharactersWordsAndLines) {
  EXPECT_EQ(CaptionText::countText(GetParam().text), GetParam().counts);
  EXPECT_EQ(CaptionText::detailText(TextPayload{GetParam().text}, QLocale::c()), GetParam().detail);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextDetails,
    ::testing::Values(
        Counted{"OneWord", "hello", {5, 1, 1}, "5 characters" + kDot + "1 word"},
        Counted{"TwoLines", "two\nlines", {9, 2, 2}, "9 characters" + kDot + "2 words" + kDot + "2 lines"},
        Counted{"Empty", "", {0, 0, 0}, "0 characters" + kDot + "0 words"},
        Counted{"OneCharacter", "a", {1, 1, 1}, "1 character" + kDot + "1 word"},
        Counted{"FinalBreakStartsNoLine", "end\n", {4, 1, 1}, "4 characters" + kDot + "1 word"},
        Counted{"WindowsBreakIsOne", "a\r\nb", {3, 2, 2}, "3 characters" + kDot + "2 words" + kDot + "2 lines"},
        Counted{"EveryTerminator",
                QString::fromUtf8("a\rb\u2028c\u2029d\u0085e"),
                {9, 5, 5},
                "9 characters" + kDot + "5 words" + kDot + "5 lines"},
        Counted{"OnlyBreaks", "\n\n", {2, 0, 2}, "2 characters" + kDot + "0 words" + kDot + "2 lines"},
        Counted{
            "RunsOfWhiteSpace", QString::fromUtf8("  a\t\tb\u00A0c  "), {10, 3, 1}, "10 characters" + kDot + "3 words"},
        Counted{
            "Graphemes", QString::fromUtf8("👍🏽 🇩🇪 e\u0301"), {5, 3, 1}, "5 characters" + kDot + "3 words"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(CaptionText, CountsUseTheLocalesGroupingAndTheSingularOnlyForOne) {
  const std::tuple<qsizetype, QLocale, QString> cases[] = {
      {1, QLocale::c(), "1 line"},
      {0, QLocale::c(), "0 lines"},
      {1204, QLocale(QLocale::English, QLocale::UnitedStates), "1,204 lines"},
      {1204, QLocale(QLocale::German, QLocale::Germany), "1.204 lines"},
      {1234567, QLocale(QLocale::French, QLocale::France), QString::fromUtf8("1\u202F234\u202F567 lines")},
  };
  for (const auto& [count, locale, expected] : cases)
    EXPECT_EQ(CaptionText::countPhrase(count, QStringLiteral("line"), locale), expected) << locale.name().toStdString();
}

TEST(CaptionText, KindLabelsAndDetailsByPayload) {
  const std::tuple<ClipboardPayload, QString, QString> cases[] = {
      {ColorPayload{"#5A5DC1", 90, 93, 193}, "Color", "#5A5DC1" + kDot + "R 90  G 93  B 193"},
      {ImagePayload{QImage(), "shot.png", 1920, 1080, "2.1 MB"}, "Image",
       "shot.png" + kDot + QString::fromUtf8("1920 × 1080") + kDot + "2.1 MB"},
      {ImagePayload{QImage(), "", 1920, 1080, ""}, "Image", QString::fromUtf8("1920 × 1080")},
      {LinkPayload{Url(), "example.org", {}, {}, {}}, "Link", "example.org"},
      {CodePayload{"let a = 1\nlet b = 2\n", "Swift"}, "Swift", "2 lines"},
      {CodePayload{"", ""}, "Code", "0 lines"},
      {CodePayload{"x", ""}, "Code", "1 line"},
      {FilePayload{"report.pdf", "1.2 MB", {}}, "PDF", "report.pdf" + kDot + "1.2 MB"},
      {FilePayload{"Makefile", "", {}}, "File", "Makefile"},
      {FilePayload{"backup.tar.gz", "", {}}, "GZ", "backup.tar.gz"},
      {FilePayload{".bashrc", "", {}}, "File", ".bashrc"},
      {FilePayload{"odd.", "", {}}, "File", "odd."},
  };
  for (const auto& [payload, kind, detail] : cases) {
    EXPECT_EQ(CaptionText::kindLabel(payload), kind);
    EXPECT_EQ(CaptionText::detailText(payload, QLocale::c()), detail);
  }
}

struct CaptionFixture {
  PreviewContext context;
  PanelState state{*context.services};
  std::unique_ptr<PreviewCaption> caption = std::make_unique<PreviewCaption>(*context.services, &state);
  CaptionFixture() {
    DesktopEntry editor;
    editor.id = QStringLiteral("org.gnome.TextEditor");
    editor.name = QStringLiteral("Text Editor");
    context.desktopEntries->install(editor);
    caption->resize(400, 30);
  }
  ClipboardItem item(ClipboardPayload payload, const QString& source = QStringLiteral("org.gnome.TextEditor")) {
    return ClipboardItem::make(QUuid::createUuid(), source, context.scheduler->now().addSecs(-150), std::move(payload));
  }
  QList<Kind> kinds() const {
    QList<Kind> result;
    for (const auto& piece : caption->firstLine()) result << piece.kind;
    return result;
  }
  QString text(Kind kind) const {
    for (const auto& piece : caption->firstLine())
      if (piece.kind == kind) return piece.text;
    return {};
  }
};

TEST(PreviewCaption, NamesTheSourceKindAndAgeWithoutACategory) {
  CaptionFixture f;
  f.caption->setProps({f.item(TextPayload{"hello"})});
  EXPECT_EQ(f.kinds(), (QList<Kind>{Kind::name, Kind::separator, Kind::kind, Kind::separator, Kind::date}));
  EXPECT_EQ(f.text(Kind::name), QStringLiteral("Text Editor"));
  EXPECT_EQ(f.text(Kind::kind), QStringLiteral("Text"));
  EXPECT_EQ(f.text(Kind::date), QStringLiteral("2 min. ago")) << "on the scheduler's clock";
  EXPECT_EQ(f.caption->shownDetail(), "5 characters" + kDot + "1 word");
}

TEST(PreviewCaption, ShowsTheCategoryWithItsDotAndFollowsItsChanges) {
  CaptionFixture f;
  const ClipboardItem item = f.item(CodePayload{"a\nb", "Python"});
  const CustomCategory work = f.state.addCategory(QStringLiteral("Work"), 3);
  f.caption->setProps({item});
  f.state.setCategory(work.id, item.id);
  EXPECT_EQ(f.kinds(), (QList<Kind>{Kind::name, Kind::separator, Kind::dot, Kind::category, Kind::separator, Kind::kind,
                                    Kind::separator, Kind::date}));
  EXPECT_EQ(f.text(Kind::category), QStringLiteral("Work"));
  EXPECT_EQ(f.caption->content().categoryColor, categoryPaletteColor(3));
  f.state.setCategoryColor(work.id, 5);
  EXPECT_EQ(f.caption->content().categoryColor, categoryPaletteColor(5));
  f.state.setCategory(std::nullopt, item.id);
  EXPECT_FALSE(f.caption->content().categoryName);
  EXPECT_EQ(f.caption->detailComputations(), 1) << "the detail is made once per item";
}

TEST(PreviewCaption, ANearbyDeviceIsNamedSo) {
  CaptionFixture f;
  f.caption->setProps({f.item(TextPayload{"x"}, QString::fromLatin1(kNearbyDeviceBundleID))});
  EXPECT_EQ(f.text(Kind::name), QStringLiteral("Nearby Device"));
}

TEST(PreviewCaption, ASensitiveItemShowsOneLineUntilPeeked) {
  CaptionFixture f;
  const ClipboardItem item = f.item(TextPayload{"secret"});
  f.caption->setProps({item});
  const int twoLines = f.caption->sizeHint().height();
  f.state.setSensitiveIDs({item.id});
  EXPECT_TRUE(f.caption->shownDetail().isEmpty());
  EXPECT_FALSE(f.caption->content().showsDetail);
  EXPECT_LT(f.caption->sizeHint().height(), twoLines);
  f.state.setPeekedIDs({item.id});
  EXPECT_EQ(f.caption->shownDetail(), "6 characters" + kDot + "1 word");
  EXPECT_EQ(f.caption->sizeHint().height(), twoLines);
}

TEST(PreviewCaption, WhenNarrowTheNamesGiveWayAndKindAndAgeKeepTheirWidth) {
  CaptionFixture f;
  const ClipboardItem item = f.item(TextPayload{"hello"});
  const CustomCategory category = f.state.addCategory(QStringLiteral("A rather long category name"), 1);
  f.state.setCategory(category.id, item.id);
  f.caption->setProps({item});
  const double natural = f.caption->sizeHint().width();
  f.caption->resize(int(natural) - 60, 30);
  EXPECT_EQ(f.text(Kind::kind), QStringLiteral("Text"));
  EXPECT_EQ(f.text(Kind::date), QStringLiteral("2 min. ago"));
  EXPECT_TRUE(f.text(Kind::category).endsWith(QChar(0x2026))) << f.text(Kind::category).toStdString();
  EXPECT_EQ(f.text(Kind::name), QStringLiteral("Text Editor")) << "the narrower name keeps its width";
  EXPECT_LE(f.caption->firstLine().back().frame.right(), f.caption->width() + 0.5);
}

// A detail longer than the first line widens the caption rather than being cut at its middle.
TEST(PreviewCaption, ALongDetailLineSetsTheWidth) {
  CaptionFixture f;
  f.caption->setProps({f.item(ImagePayload{QImage(), "a landscape photographed at noon.png", 1200, 800, "48 KB"})});
  f.caption->resize(f.caption->sizeHint().width(), 30);
  EXPECT_EQ(f.caption->shownDetail(),
            "a landscape photographed at noon.png" + kDot + QString::fromUtf8("1200 × 800") + kDot + "48 KB");
}

TEST(PreviewCaption, TheAgeKeepsUpWhileShown) {
  CaptionFixture f;
  f.caption->setProps({f.item(TextPayload{"x"})});
  f.caption->show();
  f.context.advance(61);
  EXPECT_EQ(f.text(Kind::date), QStringLiteral("3 min. ago"));
  EXPECT_EQ(f.caption->detailComputations(), 1);
}

}  // namespace
}  // namespace qv
