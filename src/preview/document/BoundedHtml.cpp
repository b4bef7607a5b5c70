#include "preview/document/BoundedHtml.h"

#include <QHash>
#include <QRegularExpression>
#include <vector>

namespace qv {

namespace {

// What becomes of an element of the page.
enum class Kind {
  inlineKept,      // a text format (b, span, a, …): kept
  blockKept,       // a block the document knows (p, div, li, …): kept
  breakKept,       // br, hr: kept, without content
  flattened,       // a table's part or an HTML5 section: a plain block
  headerCell,      // th: a bold block
  tagDropped,      // html, body, head and anything unknown: the tags go, the content stays
  voidDropped,     // img, input, meta, …: nothing
  subtreeDropped,  // object, svg, select, …: left out with all they hold
  rawDropped,      // script, title, iframe, …: raw text left out
  rawText,         // textarea, xmp, plaintext: raw text kept as text
  styleSheet,      // style: kept while the sheets stay small
};

Kind kindOf(const QString& name) {
  static const QHash<QString, Kind> kinds = [] {
    QHash<QString, Kind> table;
    const auto put = [&table](std::initializer_list<const char*> names, Kind kind) {
      for (const char* each : names) table.insert(QString::fromLatin1(each), kind);
    };
    put({"b",   "strong", "i",   "em",   "u",  "ins", "s",    "strike", "del",  "span", "font", "a",   "sub",
         "sup", "small",  "big", "code", "tt", "kbd", "samp", "var",    "cite", "dfn",  "q",    "nobr"},
        Kind::inlineKept);
    put({"p", "div", "h1", "h2", "h3", "h4", "h5", "h6", "blockquote", "pre", "ul", "ol", "li", "dl", "dt", "dd",
         "center", "address"},
        Kind::blockKept);
    put({"br", "hr"}, Kind::breakKept);
    put({"table",  "caption",  "thead",  "tbody",  "tfoot", "tr",     "td",         "section", "article",
         "header", "footer",   "nav",    "main",   "aside", "figure", "figcaption", "details", "summary",
         "form",   "fieldset", "legend", "hgroup", "menu",  "dir",    "listing"},
        Kind::flattened);
    put({"th"}, Kind::headerCell);
    put({"img", "input", "wbr", "meta", "link", "base", "col", "area", "param", "source", "track", "embed", "keygen",
         "basefont", "isindex", "frame", "image"},
        Kind::voidDropped);
    put({"object", "applet", "svg", "math", "canvas", "video", "audio", "select", "datalist", "map", "frameset",
         "template", "colgroup"},
        Kind::subtreeDropped);
    put({"script", "title", "iframe", "noembed", "noframes", "noscript"}, Kind::rawDropped);
    put({"textarea", "xmp", "plaintext"}, Kind::rawText);
    put({"style"}, Kind::styleSheet);
    return table;
  }();
  return kinds.value(name, Kind::tagDropped);
}

bool isBlock(Kind kind) {
  return kind == Kind::blockKept || kind == Kind::flattened || kind == Kind::headerCell || kind == Kind::breakKept;
}

bool isNameCharacter(QChar c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-' || c == u':' ||
         c == u'_' || c == u'.';
}

bool isLetter(QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

bool isSpace(QChar c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f'; }

// Whether the attribute (any case) is one the document styles text with.
bool isKeptAttribute(const QString& element, QStringView attribute) {
  const auto is = [attribute](QStringView name) { return attribute.compare(name, Qt::CaseInsensitive) == 0; };
  if (is(u"style") || is(u"class") || is(u"id") || is(u"align") || is(u"dir")) return true;
  if (element == u"a") return is(u"href") || is(u"name");
  if (element == u"font") return is(u"color") || is(u"face") || is(u"size");
  if (element == u"ol") return is(u"type") || is(u"start");
  if (element == u"ul") return is(u"type");
  if (element == u"li") return is(u"value") || is(u"type");
  return false;
}

class HtmlBounder {
 public:
  HtmlBounder(QStringView html, const DocumentReadOptions& options) : in_(html), options_(options) {}

  std::optional<QStringList> run() {
    int steps = 0;
    while (at_ < in_.size() && !full_) {
      if (++steps % 4096 == 0 && options_.isCancelled()) return std::nullopt;
      const qsizetype next = in_.indexOf(u'<', at_);
      if (next != at_) {
        text(in_.sliced(at_, (next < 0 ? in_.size() : next) - at_));
        if (next < 0) break;
        at_ = next;
        continue;
      }
      if (!markup()) break;
    }
    closeFrom(0);
    pieces_.append(std::move(out_));
    return std::move(pieces_);
  }

 private:
  struct Open {
    QString name;     // as the page names it, lower-cased
    QString emitted;  // the tag written for it
    Kind kind;
    QString attributes{};  // as written
    int items = 0;         // a list's items so far
    int start = 1;         // a numbered list's first number
  };

  // The markup at `at_` ("<…"); false when the page ends inside it.
  bool markup() {
    const QStringView rest = in_.sliced(at_);
    if (rest.startsWith(u"<!--")) return skipPast(u"-->", 4);
    if (rest.startsWith(u"<!") || rest.startsWith(u"<?")) return skipPast(u">", 2);
    if (rest.startsWith(u"</") && rest.size() > 2 && isLetter(rest.at(2))) {
      at_ += 2;
      const QString name = readName();
      if (!skipPast(u">", 0)) return false;
      endTag(name);
      return true;
    }
    if (rest.size() > 1 && isLetter(rest.at(1))) return startTag();
    text(u"&lt;");
    ++at_;
    return true;
  }

  bool skipPast(QStringView end, qsizetype from) {
    const qsizetype found = in_.indexOf(end, at_ + from);
    if (found < 0) return false;
    at_ = found + end.size();
    return true;
  }

  QString readName() {
    const qsizetype start = at_;
    while (at_ < in_.size() && isNameCharacter(in_.at(at_))) ++at_;
    return in_.sliced(start, at_ - start).toString().toLower();
  }

  bool startTag() {
    ++at_;  // '<'
    const QString name = readName();
    const Kind kind = kindOf(name);
    QString attributes;
    bool selfClosing = false;
    // Attributes, each read whole even when it is not kept: a quoted value may hold '>'.
    for (;;) {
      while (at_ < in_.size() && isSpace(in_.at(at_))) ++at_;
      if (at_ >= in_.size()) return false;
      const QChar c = in_.at(at_);
      if (c == u'>') {
        ++at_;
        break;
      }
      if (c == u'/') {
        ++at_;
        selfClosing = at_ < in_.size() && in_.at(at_) == u'>';
        continue;
      }
      const qsizetype nameStart = at_;
      while (at_ < in_.size() && !isSpace(in_.at(at_)) && in_.at(at_) != u'=' && in_.at(at_) != u'>' &&
             in_.at(at_) != u'/')
        ++at_;
      if (at_ == nameStart) ++at_;  // a stray '=' : step over it
      const QStringView attribute = in_.sliced(nameStart, at_ - nameStart);
      while (at_ < in_.size() && isSpace(in_.at(at_))) ++at_;
      QStringView value;
      if (at_ < in_.size() && in_.at(at_) == u'=') {
        ++at_;
        while (at_ < in_.size() && isSpace(in_.at(at_))) ++at_;
        if (at_ >= in_.size()) return false;
        const QChar quote = in_.at(at_);
        if (quote == u'"' || quote == u'\'') {
          const qsizetype end = in_.indexOf(quote, at_ + 1);
          if (end < 0) return false;
          value = in_.sliced(at_ + 1, end - at_ - 1);
          at_ = end + 1;
        } else {
          const qsizetype start = at_;
          while (at_ < in_.size() && !isSpace(in_.at(at_)) && in_.at(at_) != u'>') ++at_;
          value = in_.sliced(start, at_ - start);
        }
      }
      if (isKeptAttribute(name, attribute)) keepAttribute(attributes, attribute.toString().toLower(), value);
    }
    const bool kept = kind == Kind::inlineKept || kind == Kind::blockKept || kind == Kind::flattened ||
                      kind == Kind::headerCell || name == u"hr";
    if (kept) closeImplied(name, kind);
    if (isBlock(kind)) endPieceWhenFull();
    switch (kind) {
      case Kind::inlineKept:
      case Kind::blockKept:
        if (name == u"li") continueLongList();
        if (!selfClosing) open(name, name, kind, attributes);
        break;
      case Kind::flattened:
      case Kind::headerCell:
        if (kind == Kind::headerCell) attributes = boldened(attributes);
        if (!selfClosing) open(name, QStringLiteral("div"), kind, attributes);
        break;
      case Kind::breakKept:
        if (countElement()) writeTag(name, {});
        if (name == u"hr") formatsInBlock_ = 0;
        break;
      case Kind::tagDropped:
      case Kind::voidDropped: break;
      case Kind::subtreeDropped:
        if (!selfClosing) skipSubtree(name);
        break;
      case Kind::rawDropped:
      case Kind::rawText:
      case Kind::styleSheet: rawContent(name, kind); break;
    }
    return true;
  }

  void keepAttribute(QString& attributes, const QString& name, QStringView value) {
    if (value.size() > HtmlLimits::kMaxAttributeValue ||
        attributeCharacters_ + value.size() > HtmlLimits::kMaxAttributes)
      return;
    attributeCharacters_ += value.size();
    QString quoted = value.toString();
    quoted.replace(u'"', QStringLiteral("&quot;"));
    quoted.replace(u'<', QStringLiteral("&lt;"));
    attributes += u' ' + name + QStringLiteral("=\"") + quoted + u'"';
  }

  static QString boldened(const QString& attributes) {
    const qsizetype style = attributes.indexOf(QStringLiteral(" style=\""));
    if (style < 0) return attributes + QStringLiteral(" style=\"font-weight:bold\"");
    QString bold = attributes;
    bold.insert(style + 8, QStringLiteral("font-weight:bold;"));
    return bold;
  }

  void writeTag(const QString& name, const QString& attributes) {
    out_ += u'<';
    out_ += name;
    out_ += attributes;
    out_ += u'>';
  }

  // Counts one more element; false (and the page ends here) past the limit.
  bool countElement() {
    if (elements_ >= HtmlLimits::kMaxElements) {
      full_ = true;
      return false;
    }
    ++elements_;
    return true;
  }

  void open(const QString& name, const QString& emitted, Kind kind, const QString& attributes) {
    // Deeper than the limit the tags are left out; what they hold stays, in the element around
    // them. So are formats past a piece's worth in one block (which no cut can divide).
    if (int(open_.size()) >= HtmlLimits::kMaxDepth) return;
    if (kind == Kind::inlineKept && formatsInBlock_ >= HtmlLimits::kPieceElements) return;
    if (!countElement()) return;
    formatsInBlock_ = kind == Kind::inlineKept ? formatsInBlock_ + 1 : 0;
    writeTag(emitted, attributes);
    open_.push_back({name, emitted, kind, attributes});
    if (name == u"ol") {
      static const QRegularExpression start(QStringLiteral(" start=\"(-?\\d+)\""));
      const QRegularExpressionMatch match = start.match(attributes);
      if (match.hasMatch()) open_.back().start = match.captured(1).toInt();
    }
  }

  // Whether an open element only holds blocks: one that may be closed between two of them and
  // opened again without changing the text (a paragraph, an item or a cell would become two).
  static bool isContainer(const Open& open) {
    static const QStringList containers = {
        QStringLiteral("div"),     QStringLiteral("blockquote"), QStringLiteral("ul"),       QStringLiteral("ol"),
        QStringLiteral("dl"),      QStringLiteral("center"),     QStringLiteral("address"),  QStringLiteral("table"),
        QStringLiteral("thead"),   QStringLiteral("tbody"),      QStringLiteral("tfoot"),    QStringLiteral("tr"),
        QStringLiteral("section"), QStringLiteral("article"),    QStringLiteral("header"),   QStringLiteral("footer"),
        QStringLiteral("nav"),     QStringLiteral("main"),       QStringLiteral("aside"),    QStringLiteral("figure"),
        QStringLiteral("details"), QStringLiteral("form"),       QStringLiteral("fieldset"), QStringLiteral("hgroup"),
        QStringLiteral("menu"),    QStringLiteral("dir")};
    return containers.contains(open.name);
  }

  // Ends the piece being written once it holds enough, where a block is about to start and only
  // containers are open: they are closed, and opened again at the start of the next piece (a
  // numbered list numbered on), after the page's style sheets.
  void endPieceWhenFull() {
    if (elements_ - pieceStartElements_ < HtmlLimits::kPieceElements &&
        textCharacters_ - pieceStartText_ < HtmlLimits::kPieceText)
      return;
    for (const Open& open : open_)
      if (!isContainer(open)) return;
    std::vector<Open> reopened = open_;
    closeFrom(0);
    pieces_.append(std::move(out_));
    out_ = styleSheets_;
    pieceStartElements_ = elements_;
    pieceStartText_ = textCharacters_;
    for (Open& open : reopened) {
      QString attributes = open.attributes;
      if (open.name == u"ol") {
        static const QRegularExpression start(QStringLiteral(" start=\"-?\\d+\""));
        attributes.remove(start);
        open.start += open.items;
        open.items = 0;
        attributes += QStringLiteral(" start=\"%1\"").arg(open.start);
        open.attributes = attributes;
      }
      writeTag(open.emitted, attributes);
      open_.push_back(open);
    }
  }

  // The document takes time that grows with the square of a list's length for each item it
  // adds: a long list goes on as a new list of the same kind, numbered on from where it was.
  void continueLongList() {
    for (qsizetype i = qsizetype(open_.size()) - 1; i >= 0; --i) {
      Open& list = open_[i];
      if (list.name != u"ul" && list.name != u"ol" && list.name != u"menu" && list.name != u"dir") continue;
      if (++list.items <= HtmlLimits::kMaxListItems) return;
      const Open kept = list;
      closeFrom(i);
      QString attributes = kept.attributes;
      const int next = kept.start + kept.items - 1;
      if (kept.name == u"ol") {
        static const QRegularExpression start(QStringLiteral(" start=\"-?\\d+\""));
        attributes.remove(start);
        attributes += QStringLiteral(" start=\"%1\"").arg(next);
      }
      open(kept.name, kept.emitted, kept.kind, attributes);
      if (!open_.empty() && open_.back().name == kept.name) {
        open_.back().items = 1;
        open_.back().start = next;
      }
      return;
    }
  }

  void closeFrom(qsizetype index) {
    while (qsizetype(open_.size()) > index) {
      if (open_.back().kind != Kind::inlineKept) formatsInBlock_ = 0;
      out_ += u"</";
      out_ += open_.back().emitted;
      out_ += u'>';
      open_.pop_back();
    }
  }

  // Closes the nearest open element named one of `names`, with all opened inside it, unless
  // one of `boundaries` comes first.
  void closeNearest(std::initializer_list<QStringView> names, std::initializer_list<QStringView> boundaries) {
    for (qsizetype i = qsizetype(open_.size()) - 1; i >= 0; --i) {
      const QString& name = open_[i].name;
      if (std::find(names.begin(), names.end(), name) != names.end()) {
        closeFrom(i);
        return;
      }
      if (std::find(boundaries.begin(), boundaries.end(), name) != boundaries.end()) return;
    }
  }

  // What a start tag closes, the way browsers read pages that leave elements open.
  void closeImplied(const QString& name, Kind kind) {
    if (isBlock(kind)) {
      // A paragraph ends where a block starts (with the formatting still open inside it).
      for (qsizetype i = qsizetype(open_.size()) - 1; i >= 0; --i) {
        if (open_[i].name == u"p") {
          closeFrom(i);
          break;
        }
        if (open_[i].kind != Kind::inlineKept) break;
      }
    }
    if (name == u"li") closeNearest({u"li"}, {u"ul", u"ol", u"menu", u"dir", u"table"});
    else if (name == u"dt" || name == u"dd") closeNearest({u"dt", u"dd"}, {u"dl", u"table"});
    else if (name == u"tr") closeNearest({u"tr"}, {u"table"});
    else if (name == u"td" || name == u"th") closeNearest({u"td", u"th"}, {u"tr", u"table"});
    else if (name == u"thead" || name == u"tbody" || name == u"tfoot")
      closeNearest({u"thead", u"tbody", u"tfoot"}, {u"table"});
    else if (name.size() == 2 && name.at(0) == u'h' && name.at(1) >= u'1' && name.at(1) <= u'6' && !open_.empty()) {
      const QString& top = open_.back().name;
      if (top.size() == 2 && top.at(0) == u'h' && top.at(1) >= u'1' && top.at(1) <= u'6') closeFrom(open_.size() - 1);
    }
  }

  void endTag(const QString& name) {
    for (qsizetype i = qsizetype(open_.size()) - 1; i >= 0; --i) {
      if (open_[i].name == name) {
        closeFrom(i);
        return;
      }
    }
  }

  // The content of a raw-text element, up to its end tag.
  void rawContent(const QString& name, Kind kind) {
    const qsizetype start = at_;
    qsizetype end = in_.size();
    const QString closing = QStringLiteral("</") + name;
    for (qsizetype from = at_;;) {
      const qsizetype found = in_.indexOf(closing, from, Qt::CaseInsensitive);
      if (found < 0) break;
      const qsizetype after = found + closing.size();
      if (after >= in_.size() || !isNameCharacter(in_.at(after))) {
        end = found;
        break;
      }
      from = after;
    }
    const QStringView content = in_.sliced(start, end - start);
    at_ = end;
    if (end < in_.size() && !skipPast(u">", 0)) at_ = in_.size();
    if (kind == Kind::rawText) {
      QString escaped = content.toString();
      escaped.replace(u'&', QStringLiteral("&amp;")).replace(u'<', QStringLiteral("&lt;"));
      text(escaped);
    } else if (kind == Kind::styleSheet && styleCharacters_ + content.size() <= HtmlLimits::kMaxStyleSheets) {
      styleCharacters_ += content.size();
      const QString sheet = QStringLiteral("<style>") + content.toString() + QStringLiteral("</style>");
      out_ += sheet;
      styleSheets_ += sheet;
    }
  }

  // Steps over an element and all it holds, counting its own name's nesting.
  void skipSubtree(const QString& name) {
    int depth = 1;
    while (depth > 0 && at_ < in_.size()) {
      const qsizetype next = in_.indexOf(u'<', at_);
      if (next < 0) {
        at_ = in_.size();
        return;
      }
      at_ = next + 1;
      const bool closing = at_ < in_.size() && in_.at(at_) == u'/';
      if (closing) ++at_;
      if (!in_.sliced(at_).startsWith(name, Qt::CaseInsensitive)) continue;
      const qsizetype after = at_ + name.size();
      if (after < in_.size() && isNameCharacter(in_.at(after))) continue;
      at_ = after;
      const qsizetype end = in_.indexOf(u'>', at_);
      if (end < 0) {
        at_ = in_.size();
        return;
      }
      const bool selfClosing = end > at_ && in_.at(end - 1) == u'/';
      at_ = end + 1;
      if (closing) --depth;
      else if (!selfClosing) ++depth;
    }
  }

  void text(QStringView piece) {
    if (piece.isEmpty() || full_) return;
    const qsizetype room = HtmlLimits::kMaxText - textCharacters_;
    if (piece.size() >= room) {
      piece = piece.first(room);
      full_ = true;
    }
    textCharacters_ += piece.size();
    out_ += piece;
  }

  QStringView in_;
  DocumentReadOptions options_;
  qsizetype at_ = 0;
  QString out_;
  QStringList pieces_;
  QString styleSheets_;  // every piece starts with them
  int pieceStartElements_ = 0;
  int formatsInBlock_ = 0;  // text formats opened since the last block began or ended
  qsizetype pieceStartText_ = 0;
  std::vector<Open> open_;
  int elements_ = 0;
  qsizetype textCharacters_ = 0;
  qsizetype attributeCharacters_ = 0;
  qsizetype styleCharacters_ = 0;
  bool full_ = false;
};

}  // namespace

std::optional<QStringList> boundedHtml(QStringView html, const DocumentReadOptions& options) {
  return HtmlBounder(html, options).run();
}

}  // namespace qv
