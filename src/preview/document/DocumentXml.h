#pragma once
#include "preview/document/DocumentText.h"

#include <QColor>
#include <QHash>
#include <QString>
#include <QStringView>
#include <QXmlStreamReader>
#include <optional>

namespace qv {

// What the XML document readers (WordML, DOCX, ODT) share.
namespace DocumentXml {

// No entity of the document's own may expand to more characters than this.
inline constexpr int kEntityExpansionLimit = 1024;
// Elements nested deeper than this make the document unreadable.
inline constexpr int kMaxElementDepth = 512;
// How often (in tokens) a long read looks at its cancel flag.
inline constexpr int kCancelCheckInterval = 4096;
// "Based on" chains longer than this are cut (real ones are a handful deep).
inline constexpr int kMaxStyleChain = 32;
inline constexpr int kMaxStyles = 10'000;

// An XML stream read under the readers' bounds, whichever way it is walked: every token read
// counts the depth, and an element nested deeper than kMaxElementDepth, a DTD that declares
// entities (word processors write none; declared entities are what entity bombs are made of), a
// cancelled read or an expansion past the entity limit end the stream with an error. Skipping an
// element and reading its text count as they go too, without recursion, so no input makes the
// stream keep more than kMaxElementDepth open elements. Only the walking calls of this class are
// offered: none of the stream's own can step past the count.
class Reader : private QXmlStreamReader {
 public:
  Reader(QByteArrayView xml, const DocumentReadOptions& options);

  TokenType readNext();
  // The next start element inside the current one; false at the current element's end (or an
  // error).
  bool readNextStartElement();
  // Reads past the end of the current element.
  void skipCurrentElement();
  // The text of the current element and of every element inside it, up to
  // DocumentLimits::kMaxTextLength characters; reads past its end.
  QString readElementText();
  // How many elements are open where the stream stands.
  int depth() const { return depth_; }

  using QXmlStreamReader::atEnd;
  using QXmlStreamReader::attributes;
  using QXmlStreamReader::hasError;
  using QXmlStreamReader::isCharacters;
  using QXmlStreamReader::isEndElement;
  using QXmlStreamReader::isStartElement;
  using QXmlStreamReader::name;
  using QXmlStreamReader::namespaceUri;
  using QXmlStreamReader::text;
  using QXmlStreamReader::tokenType;
  using QXmlStreamReader::TokenType;
  // Why the stream ended with an error ("" without one).
  QString errorText() const { return hasError() ? errorString() : QString(); }
  // An attribute of the current element, in the namespace `ns`.
  QString attribute(QStringView ns, QStringView name) const;

 private:
  // The stream is given this much of the input at a time (it keeps all it is given decoded).
  static constexpr qsizetype kFeedBytes = 64 * 1024;
  void feed();

  QByteArrayView input_;
  qsizetype fed_ = 0;
  DocumentReadOptions options_;
  int depth_ = 0;
  int tokens_ = 0;
};

// "FF8000" or "#FF8000" as a colour; none for anything else ("auto" included).
std::optional<QColor> hexColor(QStringView text);

// The look of runs as a word processor's styles and runs set it: each property only where it is
// set, so that a run's own properties lie over its style's, over its paragraph style's, over the
// document's defaults. A size may be relative (a percentage of the size below it).
struct RunProperties {
  std::optional<bool> bold, italic, underline, strikeOut, hidden;
  std::optional<double> size;         // points
  std::optional<double> sizePercent;  // of the size below, while none is known
  std::optional<QString> family;
  std::optional<std::optional<QColor>> color;  // set to none: the text's own colour ("auto")

  // `over`'s properties, where it sets them, over these.
  void overlay(const RunProperties& over);
  RunStyle style() const;
};

// A document's named styles, each with the style it is based on: the run properties a style
// gives once its chain (cut after kMaxStyleChain, and where it loops) is laid over `base`.
class StyleChains {
 public:
  void add(const QString& key, const QString& parentKey, const RunProperties& run);
  // The properties of the style `key` over `base` (only `base` for a style not known).
  const RunProperties& resolved(const QString& key, const RunProperties& base = {});
  void clearResolved() { resolved_.clear(); }
  qsizetype size() const { return styles_.size(); }

 private:
  struct Style {
    QString parentKey;
    RunProperties run;
  };
  QHash<QString, Style> styles_;
  QHash<QString, RunProperties> resolved_;
};

// Paragraphs as the readers write them: a paragraph's end puts a line break before the next
// text shown (so hidden text and empty trailing paragraphs leave no lines behind).
class ParagraphWriter {
 public:
  explicit ParagraphWriter(const DocumentReadOptions& options) : out_(options) {}
  void put(QStringView text, const RunStyle& style);
  // The paragraph ends; `style` is the style its break takes when one is written.
  void endParagraph(const RunStyle& style);
  bool isFull() const { return out_.isFull(); }
  AttributedText finish() { return out_.finish(); }

 private:
  AttributedTextBuilder out_;
  bool pendingBreak_ = false;
};

}  // namespace DocumentXml

}  // namespace qv
