#include "preview/CaptionText.h"

#include "base/Graphemes.h"

#include <QStringList>

namespace qv::CaptionText {

namespace {

bool isLineBreak(char16_t c) { return c == u'\n' || c == u'\r' || c == 0x85 || c == 0x2028 || c == 0x2029; }

template <typename... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};
template <typename... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

}  // namespace

qsizetype lineCount(const QString& text) {
  if (text.isEmpty()) return 0;
  const char16_t* data = reinterpret_cast<const char16_t*>(text.constData());
  const qsizetype size = text.size();
  qsizetype breaks = 0;
  for (qsizetype i = 0; i < size; ++i) {
    if (!isLineBreak(data[i])) continue;
    if (data[i] == u'\r' && i + 1 < size && data[i + 1] == u'\n') ++i;
    ++breaks;
  }
  // A final break ends the last line rather than starting one.
  return isLineBreak(data[size - 1]) ? breaks : breaks + 1;
}

TextCounts countText(const QString& text) {
  TextCounts counts;
  counts.characters = graphemeCount(text);
  counts.lines = lineCount(text);
  bool inWord = false;
  for (const QChar c : text) {
    const bool space = c.isSpace();
    if (!space && !inWord) ++counts.words;
    inWord = !space;
  }
  return counts;
}

QString countPhrase(qsizetype count, const QString& unit, const QLocale& locale) {
  QLocale grouped = locale;
  grouped.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
  QString phrase = grouped.toString(qlonglong(count)) + u' ' + unit;
  if (count != 1) phrase += u's';
  return phrase;
}

QString pathExtension(const QString& fileName) {
  const QString last = fileName.section(u'/', -1);
  const qsizetype dot = last.lastIndexOf(u'.');
  if (dot <= 0 || dot == last.size() - 1) return {};
  return last.mid(dot + 1);
}

QString kindLabel(const ClipboardPayload& payload) {
  return std::visit(
      Overloaded{
          [](const ColorPayload&) { return QStringLiteral("Color"); },
          [](const ImagePayload&) { return QStringLiteral("Image"); },
          [](const LinkPayload&) { return QStringLiteral("Link"); },
          [](const CodePayload& code) { return code.language.isEmpty() ? QStringLiteral("Code") : code.language; },
          [](const TextPayload&) { return QStringLiteral("Text"); },
          [](const FilePayload& file) {
            const QString extension = pathExtension(file->name);
            return extension.isEmpty() ? QStringLiteral("File") : extension.toUpper();
          },
      },
      payload);
}

QString detailText(const ClipboardPayload& payload, const QLocale& locale) {
  const QString separator = QString::fromUtf16(kPartSeparator);
  return std::visit(
      Overloaded{
          [&](const ColorPayload& color) {
            return color.hex + separator + QStringLiteral("R ") + QString::number(color.r) + QStringLiteral("  G ") +
                   QString::number(color.g) + QStringLiteral("  B ") + QString::number(color.b);
          },
          [&](const ImagePayload& image) {
            QStringList parts;
            if (!image->filename.isEmpty()) parts << image->filename;
            parts << QString::number(image->width) + QStringLiteral(" \u00D7 ") + QString::number(image->height);
            if (!image->fileSize.isEmpty()) parts << image->fileSize;
            return parts.join(separator);
          },
          [&](const LinkPayload& link) { return link->domain; },
          [&](const CodePayload& code) { return countPhrase(lineCount(code.source), QStringLiteral("line"), locale); },
          [&](const TextPayload& text) {
            const TextCounts counts = countText(text.text);
            QStringList parts{countPhrase(counts.characters, QStringLiteral("character"), locale),
                              countPhrase(counts.words, QStringLiteral("word"), locale)};
            if (counts.lines >= 2) parts << countPhrase(counts.lines, QStringLiteral("line"), locale);
            return parts.join(separator);
          },
          [&](const FilePayload& file) {
            return file->size.isEmpty() ? file->name : file->name + separator + file->size;
          },
      },
      payload);
}

}  // namespace qv::CaptionText
