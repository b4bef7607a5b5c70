#include "base/Url.h"

#include "base/NativePath.h"

#include <thread>

namespace qv {

namespace {

bool isAllowedUrlChar(char16_t c) {
  if (c >= u'a' && c <= u'z') return true;
  if (c >= u'A' && c <= u'Z') return true;
  if (c >= u'0' && c <= u'9') return true;
  switch (c) {
    case u'-':
    case u'.':
    case u'_':
    case u'~':  // unreserved
    case u':':
    case u'/':
    case u'?':
    case u'#':
    case u'[':
    case u']':
    case u'@':  // gen-delims
    case u'!':
    case u'$':
    case u'&':
    case u'\'':
    case u'(':
    case u')':
    case u'*':
    case u'+':
    case u',':
    case u';':
    case u'=':  // sub-delims
    case u'%': return true;
    default: return false;
  }
}

bool isHex(char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }

bool validScheme(QStringView scheme) {
  if (scheme.isEmpty()) return false;
  const char16_t first = scheme.front().unicode();
  if (!((first >= u'a' && first <= u'z') || (first >= u'A' && first <= u'Z'))) return false;
  for (QChar ch : scheme) {
    const char16_t c = ch.unicode();
    const bool ok = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'+' ||
                    c == u'-' || c == u'.';
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

// The everyday shape "scheme://host[:port]/path?query#fragment" with a plain host name (or none,
// as in "file:///..."), which the strict QUrl parse always accepts once the character checks
// above have passed: such text needs no parse until its parts are read. Anything else (user
// info, IP literals, unusual hosts, brackets past the authority, a second '#') is left to the
// parse. Called with the scheme already checked.
bool isPlainHierarchicalUrl(QStringView text) {
  const qsizetype colon = text.indexOf(u':');
  if (colon <= 0 || !text.mid(colon + 1).startsWith(u"//")) return false;
  qsizetype i = colon + 3;
  const qsizetype n = text.size();
  // Host: dot-separated labels of letters, digits and inner hyphens; the last starts with a
  // letter, so it is never read as an IPv4 address; no "--" (punycode labels are decoded).
  const qsizetype hostStart = i;
  qsizetype labelStart = i;
  bool lastLabelStartsWithLetter = false;
  const auto labelOk = [&](qsizetype end) {
    const qsizetype length = end - labelStart;
    if (length < 1 || length > 63) return false;
    if (text[labelStart] == u'-' || text[end - 1] == u'-') return false;
    const QChar first = text[labelStart];
    lastLabelStartsWithLetter = (first >= u'a' && first <= u'z') || (first >= u'A' && first <= u'Z');
    return true;
  };
  for (; i < n; ++i) {
    const char16_t c = text[i].unicode();
    if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')) continue;
    if (c == u'-') {
      if (i > labelStart && text[i - 1] == u'-') return false;
      continue;
    }
    if (c == u'.') {
      if (!labelOk(i)) return false;
      labelStart = i + 1;
      continue;
    }
    break;
  }
  const qsizetype hostEnd = i;
  if (hostEnd > hostStart) {
    if (hostEnd - hostStart > 253 || !labelOk(hostEnd) || !lastLabelStartsWithLetter) return false;
  }
  if (i < n && text[i] == u':') {
    if (hostEnd == hostStart) return false;
    qsizetype digits = 0;
    int port = 0;
    for (++i; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i) {
      if (++digits > 5) return false;  // before the sum could overflow
      port = port * 10 + (text[i].unicode() - u'0');
    }
    if (digits < 1 || port > 65535) return false;
  }
  if (i < n && text[i] != u'/' && text[i] != u'?' && text[i] != u'#') return false;
  // Path, query and fragment: the allowed characters without brackets, one '#' at most.
  bool inFragment = false;
  for (; i < n; ++i) {
    const char16_t c = text[i].unicode();
    if (c == u'[' || c == u']') return false;
    if (c == u'#') {
      if (inFragment) return false;
      inFragment = true;
    }
  }
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
  const bool hasScheme = colon >= 0 && colon < firstDelimiter;
  if (hasScheme) {
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
  Url result;
  result.text_ = text;
  // The quick shape needs a scheme: without one, the first ':' may lie anywhere after "//".
  if (hasScheme && isPlainHierarchicalUrl(view)) {
    result.state_.store(Url::kUnparsed, std::memory_order_relaxed);
    return result;
  }
  QUrl url(text, QUrl::StrictMode);
  if (!url.isValid()) return std::nullopt;
  result.parsed_ = std::move(url);
  return result;
}

Url& Url::operator=(const Url& other) {
  if (this != &other) {
    text_ = other.text_;
    copyParsed(other);
  }
  return *this;
}

void Url::copyParsed(const Url& other) {
  // Another thread may be parsing `other` right now: then this copy parses for itself.
  if (other.state_.load(std::memory_order_acquire) == kParsed) {
    parsed_ = other.parsed_;
    state_.store(kParsed, std::memory_order_relaxed);
  } else {
    parsed_ = QUrl();
    state_.store(kUnparsed, std::memory_order_relaxed);
  }
}

const QUrl& Url::qurl() const {
  if (state_.load(std::memory_order_acquire) == kParsed) return parsed_;
  quint8 expected = kUnparsed;
  if (state_.compare_exchange_strong(expected, kParsing, std::memory_order_acquire)) {
    parsed_ = QUrl(text_, QUrl::StrictMode);
    state_.store(kParsed, std::memory_order_release);
  } else {
    while (state_.load(std::memory_order_acquire) != kParsed) std::this_thread::yield();
  }
  return parsed_;
}

Url Url::fromLocalFile(const QString& path) { return fromQUrl(localFileUrl(path)); }

QString Url::toLocalFile() const { return localFilePath(qurl()); }

Url Url::fromQUrl(const QUrl& url) {
  Url result;
  result.parsed_ = url;
  result.text_ = QString::fromUtf8(url.toEncoded());
  return result;
}

QString absoluteString(const Url& url) { return url.text(); }

QString absoluteString(const QUrl& url) { return QString::fromUtf8(url.toEncoded()); }

QString lastPathComponent(const QUrl& url) {
  QString path = url.path(QUrl::FullyDecoded);
  qsizetype end = path.size();
  while (end > 1 && path.at(end - 1) == u'/') --end;
  path.truncate(end);
  if (path == QLatin1String("/")) return path;
  return path.mid(path.lastIndexOf(u'/') + 1);
}

}  // namespace qv
