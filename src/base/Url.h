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
std::optional<QUrl> parseStrictUrl(const QString& text);

// The URL's absolute string as stored: the text it was parsed from, fully encoded.
QString absoluteString(const QUrl& url);

}  // namespace qv
