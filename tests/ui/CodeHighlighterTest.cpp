#include "ui/code/CodeHighlighter.h"

#include <gtest/gtest.h>

using namespace qv;
using Kind = CodeHighlighter::Kind;

namespace {

// Tokens written out: plain runs as they stand, others as {k|…} (keyword, string, comment,
// number, tag, attribute), so a table row reads like the highlighted line.
QString render(const std::vector<CodeHighlighter::Token>& tokens) {
  static const char* letters = "kscnpta";
  QString out;
  for (const auto& token : tokens) {
    if (token.kind == Kind::plain) out += token.text;
    else out += QStringLiteral("{%1|%2}").arg(QChar::fromLatin1(letters[int(token.kind)]), token.text);
  }
  return out;
}

struct Sample {
  const char* language;
  const char* source;
  const char* expected;
};

class LanguageSamples : public testing::TestWithParam<Sample> {};

}  // namespace

TEST_P(LanguageSamples, MarksTokenKindsAtTheirRanges) {
  const Sample& sample = GetParam();
  const QString source = QString::fromUtf8(sample.source);
  const auto tokens = CodeHighlighter::tokenize(source, QString::fromUtf8(sample.language));
  EXPECT_EQ(render(tokens), QString::fromUtf8(sample.expected)) << sample.language;
  QString joined;
  for (const auto& token : tokens) joined += token.text;
  EXPECT_EQ(joined, source);
}

INSTANTIATE_TEST_SUITE_P(
    CodeHighlighter, LanguageSamples,
    testing::Values(
        // A comment marker inside a string starts nothing, not even after the string.
        Sample{"swift", R"(let s = "// x" // note)", R"({k|let} s = {s|"// x"} // note)"},
        Sample{"swift", "class subclass: Base {}", "{k|class} subclass: Base {}"},
        Sample{"swift", R"(x = """word""")", R"(x = {s|"""word"""})"},
        Sample{"swift", "// if done\nreturn nil", "{c|// if done}\n{k|return} {k|nil}"},
        Sample{"swift", "letécafé let", "letécafé {k|let}"},  // Unicode letters are word characters
        Sample{"python", "def f(x): # return x\n    return 0x1F",
               "{k|def} f(x): {c|# return x}\n    {k|return} {n|0x1F}"},
        Sample{"Python", "'''doc''' if None", "{s|'''doc'''} {k|if} {k|None}"},
        Sample{"javascript", "const s = `a\nb`; // done", "{k|const} s = {s|`a\nb`}; {c|// done}"},
        Sample{"ts", "interface A { readonly x: number }", "{k|interface} A { {k|readonly} x: number }"},
        Sample{"kotlin", "val n = 1_000L /* if */", "{k|val} n = {n|1_000L} {c|/* if */}"},
        Sample{"golang", "func main() { var x int = 1.5e3 }", "{k|func} main() { {k|var} x {k|int} = {n|1.5e3} }"},
        Sample{"rust", "let mut x1 = 2.5e-3;", "{k|let} {k|mut} x1 = {n|2.5e-3};"},
        Sample{"java", "public int n = 10d; // x", "{k|public} {k|int} n = {n|10d}; {c|// x}"},
        Sample{"c++", "#include <a.h>\nreturn NULL;", "#include <a.h>\n{k|return} {k|NULL};"},
        Sample{"bash", R"(echo "$HOME" # done)", R"({k|echo} {s|"$HOME"} {c|# done})"},
        Sample{"sql", "SELECT a FROM t WHERE x = 'y' -- z\nselect",
               "{k|SELECT} a {k|FROM} t {k|WHERE} x = {s|'y'} {c|-- z}\nselect"},
        Sample{"css", "<a> { color: red; } /* if */", "<a> { color: red; } {c|/* if */}"},
        Sample{"html", R"(<a href="x">)", R"({t|<a} {a|href}={s|"x"}>)"}, Sample{"html", "<br />", "{t|<br} {t|/>}"},
        Sample{"html", "<p>if // x\n<!-- y -->", "{t|<p}>if {c|// x}\n{c|<!-- y -->}"},
        Sample{"xml", R"(<?xml version="1.0"?>)", R"(<?xml {a|version}={s|"1.0"}?{t|>})"},
        Sample{"ruby", "# if\nif x then end", "{c|# if}\n{k|if} x then end"},
        Sample{"", "0xFF 1_000 1.5e10 42f 10L x1 // y", "{n|0xFF} {n|1_000} {n|1.5e10} {n|42f} {n|10L} x1 {c|// y}"},
        Sample{"lua", "plain words", "plain words"}));

TEST(CodeHighlighter, EmptyTextYieldsNoTokens) {
  EXPECT_TRUE(CodeHighlighter::tokenize(QString(), QStringLiteral("swift")).empty());
}

TEST(CodeHighlighter, CardTextIsCutAtWholeCharactersAndCached) {
  CodeHighlightCache cache;
  const QString longSource = QString(QStringLiteral("let x = 1\n")).repeated(500);  // 5000 characters
  const auto cut =
      CodeHighlighter(longSource, QStringLiteral("swift")).highlightedText(cache, ColorScheme::light, 1500, false);
  EXPECT_EQ(cut->text, longSource.left(1500));
  EXPECT_EQ(
      CodeHighlighter(longSource, QStringLiteral("swift")).highlightedText(cache, ColorScheme::light, 1500, true)->text,
      longSource);
  // A hit hands back the stored text without tokenizing again.
  EXPECT_EQ(
      CodeHighlighter(longSource, QStringLiteral("swift")).highlightedText(cache, ColorScheme::light, 1500, false),
      cut);

  // Clusters count as one character and are never split: e + combining acute, and a flag.
  const QString clusters = QStringLiteral("e\u0301e\u0301\U0001F1E9\U0001F1EAx");
  EXPECT_EQ(CodeHighlighter(clusters, {}).highlightedText(cache, ColorScheme::light, 3, false)->text,
            QStringLiteral("e\u0301e\u0301\U0001F1E9\U0001F1EA"));

  // Runs are coloured from the card palette of the scheme.
  const auto dark = CodeHighlighter(QStringLiteral("let"), QStringLiteral("swift"))
                        .highlightedText(cache, ColorScheme::dark, 10, false);
  ASSERT_EQ(dark->formats.size(), 1);
  EXPECT_EQ(dark->formats[0].format.foreground().color(), QColor(252, 95, 163));
  EXPECT_EQ(CodeHighlighter::color(Kind::comment, false), QColor(92, 110, 116));
  EXPECT_EQ(CodeHighlighter::viewerColor(Kind::comment, false), QColor(70, 88, 96));
  EXPECT_EQ(CodeHighlighter::viewerColor(Kind::plain, false), QColor::fromRgbF(0, 0, 0, 0.92f));
}

TEST(CodeHighlightCache, KeysByLabelAsGivenAndSchemeAndEmptiesWholeAt121) {
  CodeHighlightCache cache;
  const QString code = QStringLiteral("def f(): pass");
  for (const char* label : {"python", "Python"})
    for (ColorScheme scheme : {ColorScheme::light, ColorScheme::dark})
      CodeHighlighter(code, QString::fromLatin1(label)).highlightedText(cache, scheme, 1500, false);
  EXPECT_EQ(cache.size(), 4u);
  for (int i = 4; i < 121; ++i)
    CodeHighlighter(QString::number(i), {}).highlightedText(cache, ColorScheme::light, 1500, false);
  EXPECT_EQ(cache.size(), 121u);
  CodeHighlighter(QStringLiteral("the 122nd"), {}).highlightedText(cache, ColorScheme::light, 1500, false);
  EXPECT_EQ(cache.size(), 1u);
}

TEST(CodeHighlightCache, TextsWithOneHashNeverShareColours) {
  CodeHighlightCache cache([](const QString&) { return size_t(7); });
  const auto first = CodeHighlighter(QStringLiteral("let a = 1"), QStringLiteral("swift"))
                         .highlightedText(cache, ColorScheme::light, 1500, false);
  const auto second = CodeHighlighter(QStringLiteral("// note 1"), QStringLiteral("swift"))
                          .highlightedText(cache, ColorScheme::light, 1500, false);
  EXPECT_EQ(first->text, QStringLiteral("let a = 1"));
  EXPECT_EQ(second->text, QStringLiteral("// note 1"));
  ASSERT_EQ(second->formats.size(), 1);
  EXPECT_EQ(second->formats[0].format.foreground().color(), CodeHighlighter::color(Kind::comment, false));
  EXPECT_EQ(cache.size(), 2u);
}
