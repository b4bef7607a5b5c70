#pragma once
#include <QString>
#include <QUrl>
#include <atomic>
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
// must come back as it was copied. The text, equality and the stored form use the original;
// components are read through the QUrl, which is built on first use: a loaded history holds
// many URLs whose parts are never asked for. Safe to read from several threads at once.
class Url {
 public:
  Url() = default;
  Url(const Url& other) : text_(other.text_) { copyParsed(other); }
  Url(Url&& other) noexcept { take(other); }
  Url& operator=(const Url& other);
  Url& operator=(Url&& other) noexcept {
    if (this != &other) take(other);
    return *this;
  }

  static Url fromLocalFile(const QString& path);
  // Wraps a QUrl built in code; its encoded form becomes the text.
  static Url fromQUrl(const QUrl& url);
  const QString& text() const { return text_; }
  friend bool operator==(const Url& a, const Url& b) { return a.text_ == b.text_; }
  friend bool operator!=(const Url& a, const Url& b) { return !(a == b); }

  // The parsed form (strict mode) of the text.
  const QUrl& qurl() const;
  operator const QUrl&() const { return qurl(); }  // NOLINT: a Url is used where a QUrl is wanted
  QString scheme() const { return qurl().scheme(); }
  QString host() const { return qurl().host(); }
  QString path(QUrl::ComponentFormattingOptions options = QUrl::FullyDecoded) const { return qurl().path(options); }
  QString fileName() const { return qurl().fileName(); }
  bool isLocalFile() const { return qurl().isLocalFile(); }
  // The path with every byte of its escapes, not UTF-8 ones included (base/NativePath.h).
  QString toLocalFile() const;
  bool isValid() const { return qurl().isValid(); }
  bool isEmpty() const { return qurl().isEmpty(); }
  QString toString(QUrl::FormattingOptions options = QUrl::PrettyDecoded) const { return qurl().toString(options); }
  QByteArray toEncoded(QUrl::FormattingOptions options = QUrl::FullyEncoded) const { return qurl().toEncoded(options); }

 private:
  friend std::optional<Url> parseStrictUrl(const QString& text);
  enum State : quint8 { kUnparsed, kParsing, kParsed };
  void copyParsed(const Url& other);
  // A moved URL has one owner, so nobody is parsing it: its parts move along (lists of items
  // move many of them when one is taken out).
  void take(Url& other) noexcept {
    text_ = std::move(other.text_);
    parsed_ = std::move(other.parsed_);
    state_.store(other.state_.load(std::memory_order_relaxed), std::memory_order_relaxed);
    other.state_.store(kParsed, std::memory_order_relaxed);
  }

  QString text_;
  mutable QUrl parsed_;
  mutable std::atomic<quint8> state_ = kParsed;
};

// The URL's absolute string as stored: the text it was parsed from.
QString absoluteString(const Url& url);
// A QUrl built in code, fully encoded.
QString absoluteString(const QUrl& url);
// The last component of the URL's path, decoded, ignoring trailing slashes (a folder is often
// written "file:///home/u/dir/"); "/" for the root; empty when the URL has no path.
QString lastPathComponent(const QUrl& url);

}  // namespace qv
