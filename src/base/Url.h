#pragma once
#include <QString>
#include <QUrl>
#include <optional>

namespace qv {

// The strict URL parser the item model and the link classifier rely on (RFC 3986 references):
// - the text is not empty and holds only unreserved, reserved and '%' characters (ASCII, no
//   spaces, no control characters, none of  " < > \ ^ ` { | } );
// - every '%' starts a two-digit hex escape;
// - a scheme, when present, is ALPHA *( ALPHA / DIGIT / "+" / "-" / "." ) followed by ':';
// - text without a scheme is accepted as a relative reference (so "hello" parses, scheme-less);
// - an authority ("//host[:port]") has a port of digits only and a valid host (an IPv6 literal
//   in brackets is accepted).
// The result keeps the original text as its absolute string.
class Url;
std::optional<Url> parseStrictUrl(const QString& text);

// A parsed URL that keeps the exact text it came from. QUrl normalises what it parses (it
// lower-cases hosts and reads "sms://+15551234" as an IPv4 address), but a stored or pasted link
// must come back as it was copied. Components are read through the QUrl base; the text, equality
// and the stored form use the original.
class Url : public QUrl {
 public:
  Url() = default;
  static Url fromLocalFile(const QString& path);
  // Wraps a QUrl built in code; its encoded form becomes the text.
  static Url fromQUrl(const QUrl& url);
  const QString& text() const { return text_; }
  friend bool operator==(const Url& a, const Url& b) { return a.text_ == b.text_; }
  friend bool operator!=(const Url& a, const Url& b) { return !(a == b); }

 private:
  friend std::optional<Url> parseStrictUrl(const QString& text);
  Url(const QUrl& parsed, QString text) : QUrl(parsed), text_(std::move(text)) {}
  QString text_;
};

// The URL's absolute string as stored: the text it was parsed from.
QString absoluteString(const Url& url);
// A QUrl built in code, fully encoded.
QString absoluteString(const QUrl& url);

}  // namespace qv
