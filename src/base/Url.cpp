#include "base/Url.h"

namespace qv {

namespace {

bool isAllowedUrlChar(char16_t c) {
  if (c >= u'a' && c <= u'z') return true;
  if (c >= u'A' && c <= u'Z') return true;
  if (c >= u'0' && c <= u'9') return true;
  switch (c) {
    case u'-': case u'.': case u'_': case u'~':                            // unreserved
    case u':': case u'/': case u'?': case u'#': case u'[': case u']': case u'@':  // gen-delims
    case u'!': case u'$': case u'&': case u'\'': case u'(': case u')':
    case u'*': case u'+': case u',': case u';': case u'=':                  // sub-delims
    case u'%':
      return true;
    default:
      return false;
  }
}

bool isHex(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool validScheme(QStringView scheme) {
  if (scheme.isEmpty()) return false;
  const char16_t first = scheme.front().unicode();
  if (!((first >= u'a' && first <= u'z') || (first >= u'A' && first <= u'Z'))) return false;
  for (QChar ch : scheme) {
    const char16_t c = ch.unicode();
    const bool ok = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                    (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.';
    if (!ok) return false;
  }
  return true;
}

bool validAuthority(QStringView authority) {
  // Strip userinfo.
  const qsizetype at = authority.lastIndexOf(u'@');
  QStringView hostPort = at >= 0 ? authority.mid(at + 1) : authority;
  if (hostPort.startsWith(u'[')) {
    const qsizetype close = hostPort.indexOf(u']');
    if (close < 0) return false;
    QStringView rest = hostPort.mid(close + 1);
    if (rest.isEmpty()) return true;
    if (!rest.startsWith(u':')) return false;
    hostPort = QStringView();
    for (QChar c : rest.mid(1))
      if (!c.isDigit()) return false;
    return true;
  }
  const qsizetype colon = hostPort.lastIndexOf(u':');
  QStringView host = colon >= 0 ? hostPort.left(colon) : hostPort;
  if (colon >= 0)
    for (QChar c : hostPort.mid(colon + 1))
      if (!c.isDigit()) return false;
  if (host.contains(u'[') || host.contains(u']')) return false;
  return true;
}

}  // namespace

std::optional<Url> parseStrictUrl(const QString& text) {
  if (text.isEmpty()) return std::nullopt;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text.at(i).unicode();
    if (!isAllowedUrlChar(c)) return std::nullopt;
    if (c == u'%') {
      if (i + 2 >= text.size() || !isHex(text.at(i + 1).unicode()) || !isHex(text.at(i + 2).unicode()))
        return std::nullopt;
    }
  }
  QStringView view(text);
  const qsizetype colon = view.indexOf(u':');
  const qsizetype firstDelimiter = [&] {
    qsizetype best = view.size();
    for (char16_t d : {u'/', u'?', u'#'}) {
      const qsizetype p = view.indexOf(d);
      if (p >= 0 && p < best) best = p;
    }
    return best;
  }();
  QStringView afterScheme = view;
  if (colon >= 0 && colon < firstDelimiter) {
    if (!validScheme(view.left(colon))) return std::nullopt;
    afterScheme = view.mid(colon + 1);
  }
  if (afterScheme.startsWith(u"//")) {
    QStringView authority = afterScheme.mid(2);
    qsizetype end = authority.size();
    for (char16_t d : {u'/', u'?', u'#'}) {
      const qsizetype p = authority.indexOf(d);
      if (p >= 0 && p < end) end = p;
    }
    if (!validAuthority(authority.left(end))) return std::nullopt;
  }
  QUrl url(text, QUrl::StrictMode);
  if (!url.isValid()) return std::nullopt;
  return Url(url, text);
}

Url Url::fromLocalFile(const QString& path) { return fromQUrl(QUrl::fromLocalFile(path)); }

Url Url::fromQUrl(const QUrl& url) {
  Url result;
  static_cast<QUrl&>(result) = url;
  result.text_ = QString::fromUtf8(url.toEncoded());
  return result;
}

QString absoluteString(const Url& url) { return url.text(); }

QString absoluteString(const QUrl& url) { return QString::fromUtf8(url.toEncoded()); }

}  // namespace qv
