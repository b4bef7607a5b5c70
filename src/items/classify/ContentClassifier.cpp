#include "items/classify/ContentClassifier.h"

#include "base/HomePath.h"
#include "base/Url.h"

#include <array>

namespace qv::ContentClassifier {

namespace {

constexpr std::array<QLatin1StringView, 5> kAddressSchemes = {QLatin1StringView("mailto"), QLatin1StringView("tel"),
                                                              QLatin1StringView("sms"), QLatin1StringView("facetime"),
                                                              QLatin1StringView("facetime-audio")};

constexpr std::array<QLatin1StringView, 8> kHostSchemes = {
    QLatin1StringView("ftp"),  QLatin1StringView("ftps"), QLatin1StringView("sftp"), QLatin1StringView("ssh"),
    QLatin1StringView("file"), QLatin1StringView("vnc"),  QLatin1StringView("smb"),  QLatin1StringView("afp")};

constexpr std::array<QLatin1StringView, 18> kCodeMarkers = {
    QLatin1StringView("func "),   QLatin1StringView("var "),    QLatin1StringView("let "),
    QLatin1StringView("const "),  QLatin1StringView("def "),    QLatin1StringView("class "),
    QLatin1StringView("return "), QLatin1StringView("import "), QLatin1StringView("struct "),
    QLatin1StringView("enum "),   QLatin1StringView("->"),      QLatin1StringView("=>"),
    QLatin1StringView("{"),       QLatin1StringView("}"),       QLatin1StringView("//"),
    QLatin1StringView("/*"),      QLatin1StringView("<?php"),   QLatin1StringView("#!/")};

constexpr std::array<QLatin1StringView, 11> kSwiftMarkers = {
    QLatin1StringView("func "),  QLatin1StringView("var "),       QLatin1StringView("let "),
    QLatin1StringView(": "),     QLatin1StringView("->"),         QLatin1StringView("guard "),
    QLatin1StringView("@State"), QLatin1StringView("@Published"), QLatin1StringView("struct "),
    QLatin1StringView("enum "),  QLatin1StringView("protocol ")};

template <std::size_t N>
bool isOneOf(const QString& value, const std::array<QLatin1StringView, N>& list) {
  for (QLatin1StringView entry : list)
    if (value == entry) return true;
  return false;
}

template <std::size_t N>
int countPresent(const QString& text, const std::array<QLatin1StringView, N>& markers) {
  int count = 0;
  for (QLatin1StringView marker : markers)
    if (text.contains(marker)) ++count;
  return count;
}

bool isNewline(char16_t c) { return (c >= 0x000A && c <= 0x000D) || c == 0x0085 || c == 0x2028 || c == 0x2029; }

int hexValue(QChar c) {
  const char16_t u = c.unicode();
  if (u >= u'0' && u <= u'9') return u - u'0';
  if (u >= u'a' && u <= u'f') return u - u'a' + 10;
  return -1;
}

// A decimal integer with an optional sign and nothing else.
std::optional<qint64> parseInteger(QStringView text) {
  qsizetype i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  if (i == text.size() || text.size() - i > 12) return std::nullopt;
  qint64 value = 0;
  for (; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c - u'0');
  }
  return negative ? -value : value;
}

QStringView trimSpacesAndTabs(QStringView text) {
  while (!text.isEmpty() && (text.front() == u' ' || text.front() == u'\t')) text = text.mid(1);
  while (!text.isEmpty() && (text.back() == u' ' || text.back() == u'\t')) text.chop(1);
  return text;
}

QString trimSlashes(const QString& text) {
  qsizetype start = 0, end = text.size();
  while (start < end && text.at(start) == u'/') ++start;
  while (end > start && text.at(end - 1) == u'/') --end;
  return text.mid(start, end - start);
}

// Folder and last component of a file URL's path, as "URL minus its last component" reads.
void splitFilePath(const QString& path, QString* folder, QString* last) {
  QString trimmed = path;
  while (trimmed.size() > 1 && trimmed.endsWith(u'/')) trimmed.chop(1);
  const qsizetype slash = trimmed.lastIndexOf(u'/');
  if (slash < 0) {
    *folder = QString();
    *last = trimmed;
    return;
  }
  *last = trimmed.mid(slash + 1);
  *folder = slash == 0 ? QStringLiteral("/") : trimmed.left(slash);
}

ColorPayload makeColor(int r, int g, int b) {
  return ColorPayload{QString::asprintf("#%02X%02X%02X", r, g, b), r, g, b};
}

}  // namespace

std::optional<LinkPayload> linkPayload(const QString& text, const QString& homePath) {
  for (QChar c : text)
    if (c.isSpace()) return std::nullopt;
  const std::optional<Url> url = parseStrictUrl(text);
  if (!url || url->scheme().isEmpty()) return std::nullopt;
  const QString scheme = url->scheme().toLower();
  const QString host = url->host();
  LinkPayload payload;
  LinkFields& link = payload.edit();
  link.url = *url;

  if (scheme == u"http" || scheme == u"https") {
    if (host.isEmpty()) return std::nullopt;
    link.domain = host;
    return payload;
  }
  if (isOneOf(scheme, kAddressSchemes)) {
    QString domain = absoluteString(*url);
    domain.remove(scheme + u':', Qt::CaseSensitive);
    domain = trimSlashes(domain);
    link.domain = domain.isEmpty() ? scheme : domain;
    return payload;
  }
  if (scheme == u"file") {
    QString folder, last;
    splitFilePath(url->path(QUrl::FullyDecoded), &folder, &last);
    folder = homeRelativePath(folder, homePath);
    link.domain = folder.isEmpty() ? QStringLiteral("Local file") : folder;
    if (!last.isEmpty()) link.title = last;
    return payload;
  }
  if (isOneOf(scheme, kHostSchemes)) {
    link.domain = host.isEmpty() ? scheme : host;
    return payload;
  }
  if (text.contains(QLatin1StringView("://")) && !host.isEmpty()) {
    link.domain = host;
    return payload;
  }
  return std::nullopt;
}

std::optional<ColorPayload> color(const QString& input) {
  const QString text = input.trimmed().toLower();
  if (text.isEmpty() || text.contains(u'\n')) return std::nullopt;

  if (text.startsWith(u'#')) {
    const QStringView digits = QStringView(text).mid(1);
    int values[6];
    if (digits.size() != 3 && digits.size() != 6) return std::nullopt;
    for (qsizetype i = 0; i < digits.size(); ++i)
      if ((values[i] = hexValue(digits[i])) < 0) return std::nullopt;
    if (digits.size() == 3) return makeColor(values[0] * 17, values[1] * 17, values[2] * 17);
    return makeColor(values[0] * 16 + values[1], values[2] * 16 + values[3], values[4] * 16 + values[5]);
  }

  if (!text.endsWith(u')') || !text.contains(u'(')) return std::nullopt;
  const qsizetype open = text.indexOf(u'(');
  const QString name = text.left(open);
  if (name != u"rgb" && name != u"rgba") return std::nullopt;
  const QStringView arguments = QStringView(text).mid(open + 1, text.size() - open - 2);
  QList<QStringView> pieces;
  for (QStringView piece : arguments.split(u',', Qt::SkipEmptyParts)) pieces << trimSpacesAndTabs(piece);
  const bool opaqueRgba = name == u"rgba" && pieces.size() == 4 && [&] {
    bool ok = false;
    const double alpha = pieces[3].toDouble(&ok);
    return ok && alpha == 1.0;
  }();
  if (!(name == u"rgb" && pieces.size() == 3) && !opaqueRgba) return std::nullopt;
  int channels[3];
  for (int i = 0; i < 3; ++i) {
    const std::optional<qint64> value = parseInteger(pieces[i]);
    if (!value || *value < 0 || *value > 255) return std::nullopt;
    channels[i] = static_cast<int>(*value);
  }
  return makeColor(channels[0], channels[1], channels[2]);
}

bool looksLikeCode(const QString& text) {
  bool multiline = false;
  for (QChar c : text)
    if (isNewline(c.unicode())) {
      multiline = true;
      break;
    }
  return multiline && countPresent(text, kCodeMarkers) >= 2;
}

QString detectLanguage(const QString& text) {
  if (text.startsWith(QLatin1StringView("#!/bin/bash")) || text.startsWith(QLatin1StringView("#!/usr/bin/env bash")))
    return QStringLiteral("Shell");
  if (text.startsWith(QLatin1StringView("#!/usr/bin/env python"))) return QStringLiteral("Python");
  if (text.startsWith(QLatin1StringView("#!/usr/bin/env node"))) return QStringLiteral("JavaScript");
  if (text.contains(QLatin1StringView("<?php"))) return QStringLiteral("PHP");
  if (text.contains(QLatin1StringView("<html")) ||
      (text.contains(QLatin1StringView("</")) && text.contains(u'>') && text.contains(QLatin1StringView("<!"))))
    return QStringLiteral("HTML");
  if (countPresent(text, kSwiftMarkers) >= 4) return QStringLiteral("Swift");
  return QString();
}

}  // namespace qv::ContentClassifier
