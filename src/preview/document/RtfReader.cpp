#include "preview/document/RtfReader.h"

#include <QHash>
#include <QSet>
#include <QStringDecoder>
#include <algorithm>
#include <array>
#include <climits>
#include <map>
#include <vector>

namespace qv {

namespace {

constexpr int kDefaultCodePage = 1252;
constexpr int kDefaultHalfPoints = 24;
// Control words are at most 32 letters; parameters at most 10 digits.
constexpr int kMaxWordLength = 32;
constexpr int kMaxParameterDigits = 10;
// Runs of 8-bit text are decoded in parts of at most this many bytes.
constexpr qsizetype kMaxPendingBytes = 16 * 1024;
// Font names longer than this are cut.
constexpr qsizetype kMaxFontNameLength = 256;
// How often (in input bytes) a long read looks at its cancel flag.
constexpr qsizetype kCancelCheckInterval = 64 * 1024;

enum class Destination : quint8 { text, skip, fontTable, colorTable };

// The state a group starts with (a copy of its parent's) and may change until it closes.
struct GroupState {
  Destination destination = Destination::text;
  int font = -1;  // -1: the document's default font
  int halfPoints = kDefaultHalfPoints;
  int color = 0;
  int unicodeSkip = 1;  // \ucN: bytes that stand in for each \uN character
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  bool hidden = false;      // \v: text that is not shown
  bool attachment = false;  // an RTFD attachment's group, whose mark after it is not text
};

struct FontEntry {
  QString family;
  int codePage = 0;  // 0: the document's
};

int codePageOfCharset(int charset) {
  switch (charset) {
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    default: return 0;  // ANSI, default, symbol, OEM: the document's code page
  }
}

bool isDoubleByte(int codePage) {
  return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950 || codePage == 1361;
}

bool isLeadByte(uchar byte, int codePage) {
  if (codePage == 932) return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
  return byte >= 0x81 && byte <= 0xFE;
}

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Destinations whose content is never text here. "\*" destinations are skipped whatever their
// name; these are the ones that come without it.
bool isSkippedDestination(QByteArrayView word) {
  static const QSet<QByteArray> skipped = {"annotation",
                                           "atnauthor",
                                           "atndate",
                                           "atnicn",
                                           "atnid",
                                           "atnparent",
                                           "atnref",
                                           "atntime",
                                           "author",
                                           "bkmkend",
                                           "bkmkstart",
                                           "buptim",
                                           "colorschememapping",
                                           "comment",
                                           "company",
                                           "creatim",
                                           "datastore",
                                           "doccomm",
                                           "docvar",
                                           "fldinst",
                                           "filetbl",
                                           "footer",
                                           "footerf",
                                           "footerl",
                                           "footerr",
                                           "footnote",
                                           "ftncn",
                                           "ftnsep",
                                           "ftnsepc",
                                           "generator",
                                           "header",
                                           "headerf",
                                           "headerl",
                                           "headerr",
                                           "info",
                                           "keywords",
                                           "latentstyles",
                                           "listoverridetable",
                                           "listtable",
                                           "manager",
                                           "mmathPr",
                                           "NeXTGraphic",
                                           "nonshppict",
                                           "object",
                                           "objdata",
                                           "operator",
                                           "pgdsctbl",
                                           "pict",
                                           "pn",
                                           "pnseclvl",
                                           "printim",
                                           "private",
                                           "revtbl",
                                           "revtim",
                                           "rsidtbl",
                                           "shp",
                                           "shpinst",
                                           "shppict",
                                           "shprslt",
                                           "sp",
                                           "stylesheet",
                                           "subject",
                                           "template",
                                           "themedata",
                                           "title",
                                           "txe",
                                           "userprops",
                                           "xe",
                                           "xmlnstbl",
                                           "tc",
                                           "tcn",
                                           "rxe",
                                           "aftncn",
                                           "aftnsep",
                                           "aftnsepc",
                                           "fchars",
                                           "lchars",
                                           "wgrffmtfilter"};
  return skipped.contains(QByteArray::fromRawData(word.data(), word.size()));
}

// A word that stands for one character of text.
std::optional<QChar> characterOfWord(QByteArrayView word) {
  static const QHash<QByteArray, char16_t> characters = {
      {"par", u'\n'},        {"sect", u'\n'},     {"page", u'\n'},     {"row", u'\n'},      {"nestrow", u'\n'},
      {"line", 0x2028},      {"tab", u'\t'},      {"cell", u'\t'},     {"nestcell", u'\t'}, {"emdash", 0x2014},
      {"endash", 0x2013},    {"bullet", 0x2022},  {"lquote", 0x2018},  {"rquote", 0x2019},  {"ldblquote", 0x201C},
      {"rdblquote", 0x201D}, {"emspace", 0x2003}, {"enspace", 0x2002}, {"qmspace", 0x2005}, {"zwj", 0x200D},
      {"zwnj", 0x200C},      {"ltrmark", 0x200E}, {"rtlmark", 0x200F}, {"zwbo", 0x200B},    {"zwnbo", 0x2060},
  };
  const auto found = characters.constFind(QByteArray::fromRawData(word.data(), word.size()));
  if (found == characters.constEnd()) return std::nullopt;
  return QChar(*found);
}

class RtfParser {
 public:
  RtfParser(QByteArrayView input, const DocumentReadOptions& options) : in_(input), options_(options), out_(options) {}

  std::optional<AttributedText> read() {
    qsizetype start = 0;
    while (start < in_.size() && (in_[start] == ' ' || in_[start] == '\r' || in_[start] == '\n' || in_[start] == '\t'))
      ++start;
    if (!in_.sliced(start).startsWith("{\\rtf")) return std::nullopt;
    pos_ = start;
    qsizetype nextCancelCheck = 0;
    while (pos_ < in_.size()) {
      if (pos_ >= nextCancelCheck) {
        if (options_.isCancelled()) return std::nullopt;
        nextCancelCheck = pos_ + kCancelCheckInterval;
      }
      if (out_.isFull()) break;  // the rest would be cut anyway
      const char c = in_[pos_];
      if (c == '{') {
        ++pos_;
        if (!openGroup()) return std::nullopt;
      } else if (c == '}') {
        ++pos_;
        closeGroup();
        if (stack_.empty()) break;  // the document's group is closed: anything after it is not RTF
      } else if (c == '\\') {
        ++pos_;
        if (!control()) return std::nullopt;
      } else if (c == '\r' || c == '\n') {
        ++pos_;
      } else {
        literal();
      }
    }
    if (!stack_.empty() && !out_.isFull()) return std::nullopt;  // unbalanced: the file is cut or broken
    flushBytes();
    return out_.finish();
  }

 private:
  GroupState& state() { return stack_.back(); }

  bool openGroup() {
    flushBytes();
    unicodeSkipLeft_ = 0;
    attachmentMark_ = false;
    if (int(stack_.size()) >= RtfLimits::kMaxGroupDepth) return false;
    GroupState next = stack_.empty() ? GroupState{} : state();
    next.attachment = false;
    stack_.push_back(next);
    return true;
  }

  void closeGroup() {
    flushBytes();
    unicodeSkipLeft_ = 0;
    if (stack_.empty()) return;
    const GroupState closed = stack_.back();
    stack_.pop_back();
    if (closed.destination == Destination::fontTable &&
        (stack_.empty() || state().destination != Destination::fontTable)) {
      commitFont();
    } else if (closed.destination == Destination::fontTable && !pendingFontName_.isEmpty()) {
      commitFont();  // an entry's group closed without its ';'
    }
    attachmentMark_ = closed.attachment;
    styleDirty_ = true;
  }

  // A literal byte of the input, or a run of plain ASCII text at once.
  void literal() {
    const uchar byte = uchar(in_[pos_]);
    GroupState& current = state();
    if (current.destination == Destination::text && !current.hidden && unicodeSkipLeft_ == 0 &&
        pendingBytes_.isEmpty() && byte >= 0x20 && byte < 0x80 && !attachmentMark_) {
      const qsizetype start = pos_;
      while (pos_ < in_.size()) {
        const char c = in_[pos_];
        if (c == '\\' || c == '{' || c == '}' || c == '\r' || c == '\n' || uchar(c) < 0x20 || uchar(c) >= 0x80) break;
        ++pos_;
      }
      out_.append(QString::fromLatin1(in_.sliced(start, pos_ - start)), style());
      return;
    }
    ++pos_;
    if (byte == '\t') {
      character(u'\t');
      return;
    }
    if (byte < 0x20) return;
    if (attachmentMark_) {
      attachmentMark_ = false;
      if (byte == 0xAC) return;  // the RTFD attachment's mark: the picture it stands for is not shown
    }
    if (unicodeSkipLeft_ > 0) {
      --unicodeSkipLeft_;
      return;
    }
    switch (current.destination) {
      case Destination::skip: return;
      case Destination::colorTable:
        if (byte == ';') commitColor();
        return;
      case Destination::fontTable:
        if (byte == ';') {
          commitFont();
          return;
        }
        break;
      case Destination::text: break;
    }
    if (byte >= 0x80 || pendingLeadOpen_) {
      appendByte(byte);
      return;
    }
    flushBytes();
    text(QString(QChar(byte)));
  }

  // After a backslash.
  bool control() {
    if (pos_ >= in_.size()) return false;
    const char c = in_[pos_];
    if (isLetter(c)) return word();
    ++pos_;
    switch (c) {
      case '\'': {
        if (pos_ + 2 > in_.size()) return false;
        const int high = hexValue(in_[pos_]), low = hexValue(in_[pos_ + 1]);
        if (high < 0 || low < 0) return true;  // not an escape after all: ignored
        pos_ += 2;
        hexByte(uchar(high * 16 + low));
        return true;
      }
      case '*':
        flushBytes();
        ignorableNext_ = true;
        return true;
      case '\\':
      case '{':
      case '}': symbolCharacter(QChar::fromLatin1(c)); return true;
      case '~': symbolCharacter(QChar(0x00A0)); return true;
      case '_': symbolCharacter(QChar(0x2011)); return true;
      case '-': symbolCharacter(QChar()); return true;  // an optional hyphen: nothing to show
      case '\r':
      case '\n': symbolCharacter(QChar(u'\n')); return true;
      case '\t': symbolCharacter(QChar(u'\t')); return true;
      default: symbolCharacter(QChar()); return true;  // \| \: and others: no text
    }
  }

  void symbolCharacter(QChar shown) {
    flushBytes();
    attachmentMark_ = false;
    if (unicodeSkipLeft_ > 0) {
      --unicodeSkipLeft_;
      return;
    }
    if (shown.isNull()) return;
    if (state().destination == Destination::fontTable) {
      if (shown != u'\n' && pendingFontName_.size() < kMaxFontNameLength) pendingFontName_ += shown;
      return;
    }
    character(shown);
  }

  void hexByte(uchar byte) {
    if (std::exchange(attachmentMark_, false) && byte == 0xAC) return;
    if (unicodeSkipLeft_ > 0) {
      --unicodeSkipLeft_;
      return;
    }
    const Destination destination = state().destination;
    if (destination == Destination::skip || destination == Destination::colorTable) return;
    appendByte(byte);
  }

  // A byte of 8-bit text, decoded with its neighbours (a double-byte character's two bytes may
  // come as two escapes, or as an escape and a letter).
  void appendByte(uchar byte) {
    // Long runs go out in parts, between characters, so the text's length cap is seen in time.
    const bool continues = pendingLeadOpen_ || (pendingCodePage_ == 65001 && (byte & 0xC0) == 0x80);
    if (pendingBytes_.size() >= kMaxPendingBytes && !continues) flushBytes();
    if (pendingBytes_.isEmpty()) pendingCodePage_ = currentCodePage();
    pendingBytes_.append(char(byte));
    pendingLeadOpen_ = !pendingLeadOpen_ && isDoubleByte(pendingCodePage_) && isLeadByte(byte, pendingCodePage_);
  }

  bool word() {
    const qsizetype start = pos_;
    while (pos_ < in_.size() && isLetter(in_[pos_])) {
      if (pos_ - start >= kMaxWordLength) return false;
      ++pos_;
    }
    const QByteArrayView name = in_.sliced(start, pos_ - start);
    bool hasParameter = false;
    bool negative = false;
    qint64 value = 0;
    if (pos_ + 1 < in_.size() && in_[pos_] == '-' && isDigit(in_[pos_ + 1])) {
      negative = true;
      ++pos_;
    }
    int digits = 0;
    while (pos_ < in_.size() && isDigit(in_[pos_])) {
      if (++digits > kMaxParameterDigits) return false;
      value = value * 10 + (in_[pos_] - '0');
      hasParameter = true;
      ++pos_;
    }
    if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
    if (negative) value = -value;
    const int parameter = int(std::clamp<qint64>(value, INT_MIN, INT_MAX));
    return controlWord(name, hasParameter, parameter);
  }

  bool controlWord(QByteArrayView name, bool hasParameter, int parameter) {
    flushBytes();
    attachmentMark_ = false;
    const bool ignorable = std::exchange(ignorableNext_, false);
    if (name == "bin") return skipBinary(hasParameter ? parameter : 0);
    if (unicodeSkipLeft_ > 0) {
      --unicodeSkipLeft_;
      return true;
    }
    GroupState& current = state();
    if (current.destination == Destination::skip) return true;
    if (ignorable || isSkippedDestination(name)) {
      current.destination = Destination::skip;
      if (name == "NeXTGraphic") current.attachment = true;
      return true;
    }
    const bool on = !hasParameter || parameter != 0;
    if (current.destination == Destination::fontTable) {
      fontTableWord(name, parameter);
      return true;
    }
    if (current.destination == Destination::colorTable) {
      const int component = std::clamp(parameter, 0, 255);
      if (name == "red") pendingColor_[0] = component;
      else if (name == "green") pendingColor_[1] = component;
      else if (name == "blue") pendingColor_[2] = component;
      else return true;
      pendingColorSet_ = true;
      return true;
    }
    if (const std::optional<QChar> shown = characterOfWord(name)) {
      character(*shown);
      return true;
    }
    if (name == "u") {
      unicodeCharacter(parameter);
      return true;
    }
    styleDirty_ = true;
    if (name == "b") current.bold = on;
    else if (name == "i") current.italic = on;
    else if (name == "strike" || name == "striked") current.strikeOut = on;
    else if (name == "v") current.hidden = on;
    else if (name == "ulnone") current.underline = false;
    else if (name.startsWith("ul") && name != "ulc") current.underline = on;
    else if (name == "fs") current.halfPoints = hasParameter ? std::clamp(parameter, 2, 3276) : kDefaultHalfPoints;
    else if (name == "cf") current.color = parameter;
    else if (name == "f") current.font = parameter;
    else if (name == "plain") resetCharacterFormat(current);
    else if (name == "uc") current.unicodeSkip = std::clamp(parameter, 0, 16);
    else if (name == "fonttbl") current.destination = Destination::fontTable;
    else if (name == "colortbl") current.destination = Destination::colorTable;
    else if (name == "deff") defaultFont_ = parameter;
    else if (name == "ansi") documentCodePage_ = kDefaultCodePage;
    else if (name == "mac") documentCodePage_ = 10000;
    else if (name == "pc") documentCodePage_ = 437;
    else if (name == "pca") documentCodePage_ = 850;
    else if (name == "ansicpg" && hasParameter) documentCodePage_ = parameter;
    else styleDirty_ = false;  // a word this reader does not need
    return true;
  }

  void resetCharacterFormat(GroupState& current) {
    current.bold = current.italic = current.underline = current.strikeOut = current.hidden = false;
    current.halfPoints = kDefaultHalfPoints;
    current.color = 0;
    current.font = -1;
  }

  void fontTableWord(QByteArrayView name, int parameter) {
    if (name == "f") {
      if (!pendingFontName_.isEmpty() || pendingFontNumber_ >= 0) commitFont();
      pendingFontNumber_ = parameter;
    } else if (name == "fcharset") {
      pendingFontCodePage_ = codePageOfCharset(parameter);
    } else if (name == "cpg") {
      pendingFontCodePage_ = parameter;
    } else if (name == "u") {
      if (pendingFontName_.size() < kMaxFontNameLength)
        pendingFontName_ += QChar(char16_t(parameter < 0 ? parameter + 65536 : parameter));
      unicodeSkipLeft_ = state().unicodeSkip;
    }
  }

  void commitFont() {
    flushBytes();
    if (pendingFontNumber_ >= 0 && int(fonts_.size()) < RtfLimits::kMaxFonts)
      fonts_.insert_or_assign(pendingFontNumber_, FontEntry{pendingFontName_.trimmed(), pendingFontCodePage_});
    pendingFontName_.clear();
    pendingFontNumber_ = -1;
    pendingFontCodePage_ = 0;
    styleDirty_ = true;
  }

  void commitColor() {
    if (int(colors_.size()) < RtfLimits::kMaxColors) {
      if (pendingColorSet_) colors_.push_back(QColor(pendingColor_[0], pendingColor_[1], pendingColor_[2]));
      else colors_.push_back(std::nullopt);  // "auto": the text's own colour
    }
    pendingColor_ = {0, 0, 0};
    pendingColorSet_ = false;
    styleDirty_ = true;
  }

  bool skipBinary(int length) {
    const qsizetype count = std::max(0, length);
    if (count > in_.size() - pos_) return false;  // claims more bytes than there are
    pos_ += count;
    return true;
  }

  void unicodeCharacter(int value) {
    const GroupState& current = state();
    unicodeSkipLeft_ = current.unicodeSkip;
    // Writers give characters above 32767 as negative numbers.
    if (value < 0) value += 65536;
    if (value <= 0 || value > 0xFFFF) return;
    character(QChar(char16_t(value)));
  }

  void character(QChar shown) {
    flushBytes();
    const Destination destination = state().destination;
    if (destination == Destination::text) text(QString(shown));
  }

  void text(const QString& decoded) {
    if (state().destination == Destination::fontTable) {
      if (pendingFontName_.size() < kMaxFontNameLength) pendingFontName_ += decoded;
      return;
    }
    if (state().destination != Destination::text || state().hidden) return;
    out_.append(decoded, style());
  }

  const FontEntry* fontOf(const GroupState& current) const {
    const auto found = fonts_.find(current.font >= 0 ? current.font : defaultFont_);
    return found == fonts_.end() ? nullptr : &found->second;
  }

  int currentCodePage() {
    const GroupState& current = state();
    if (current.destination == Destination::fontTable && pendingFontCodePage_ > 0) return pendingFontCodePage_;
    if (current.destination == Destination::text)
      if (const FontEntry* font = fontOf(current); font && font->codePage > 0) return font->codePage;
    return documentCodePage_;
  }

  void flushBytes() {
    if (pendingBytes_.isEmpty() || stack_.empty()) {
      pendingBytes_.clear();
      pendingLeadOpen_ = false;
      return;
    }
    QStringDecoder& decoder = decoderFor(pendingCodePage_);
    QString decoded = decoder.decode(pendingBytes_);
    decoder.resetState();
    pendingBytes_.clear();
    pendingLeadOpen_ = false;
    text(decoded);
  }

  // One decoder per encoding, however many code page numbers a document names: every number
  // without a decoder of its own shares the default's.
  QStringDecoder& decoderFor(int codePage) {
    QByteArray name = codePageName(codePage);
    if (name.isEmpty()) name = codePageName(kDefaultCodePage);
    auto found = decoders_.find(name);
    if (found != decoders_.end()) return found->second;
    QStringDecoder decoder(name.constData(), QStringDecoder::Flag::Stateless);
    if (!decoder.isValid())
      decoder = QStringDecoder(codePageName(kDefaultCodePage).constData(), QStringDecoder::Flag::Stateless);
    if (!decoder.isValid()) decoder = QStringDecoder(QStringDecoder::Latin1);
    return decoders_.emplace(name, std::move(decoder)).first->second;
  }

  const RunStyle& style() {
    if (!styleDirty_) return style_;
    const GroupState& current = state();
    RunStyle style;
    if (const FontEntry* font = fontOf(current)) style.family = font->family;
    style.size = current.halfPoints / 2.0;
    style.bold = current.bold;
    style.italic = current.italic;
    style.underline = current.underline;
    style.strikeOut = current.strikeOut;
    if (current.color >= 0 && current.color < int(colors_.size())) style.color = colors_[current.color];
    style_ = std::move(style);
    styleDirty_ = false;
    return style_;
  }

  QByteArrayView in_;
  qsizetype pos_ = 0;
  DocumentReadOptions options_;
  AttributedTextBuilder out_;
  std::vector<GroupState> stack_;
  std::map<int, FontEntry> fonts_;
  std::vector<std::optional<QColor>> colors_;
  std::map<QByteArray, QStringDecoder> decoders_;  // by encoding name: a few dozen at most
  QByteArray pendingBytes_;
  int pendingCodePage_ = kDefaultCodePage;  // the code page of the pending bytes
  bool pendingLeadOpen_ = false;            // they end in a lead byte waiting for its trail byte
  QString pendingFontName_;
  int pendingFontNumber_ = -1;
  int pendingFontCodePage_ = 0;
  std::array<int, 3> pendingColor_{0, 0, 0};
  bool pendingColorSet_ = false;
  int documentCodePage_ = kDefaultCodePage;
  int defaultFont_ = 0;
  int unicodeSkipLeft_ = 0;
  bool ignorableNext_ = false;
  bool attachmentMark_ = false;
  RunStyle style_;
  bool styleDirty_ = true;
};

}  // namespace

QByteArray codePageName(int codePage) {
  switch (codePage) {
    case 437: return "IBM437";
    case 850: return "IBM850";
    case 852: return "IBM852";
    case 866: return "IBM866";
    case 874: return "windows-874";
    case 932: return "windows-31j";
    case 936: return "GBK";
    case 949: return "windows-949";
    case 950: return "Big5";
    case 10000: return "macintosh";
    case 20127: return "US-ASCII";
    case 28591: return "ISO-8859-1";
    case 65001: return "UTF-8";
    default: break;
  }
  if (codePage >= 1250 && codePage <= 1258) return "windows-" + QByteArray::number(codePage);
  return {};
}

std::optional<AttributedText> readRtf(QByteArrayView data, const DocumentReadOptions& options) {
  return RtfParser(data, options).read();
}

}  // namespace qv
