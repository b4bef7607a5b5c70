#include "preview/document/DocumentXml.h"

#include <QSet>
#include <algorithm>
#include <vector>

namespace qv::DocumentXml {

Reader::Reader(QByteArrayView xml, const DocumentReadOptions& options) : input_(xml), options_(options) {
  setNamespaceProcessing(true);
  setEntityExpansionLimit(kEntityExpansionLimit);
  feed();
}

void Reader::feed() {
  const qsizetype size = std::min(kFeedBytes, input_.size() - fed_);
  addData(QByteArray::fromRawData(input_.data() + fed_, size));
  fed_ += size;
}

QXmlStreamReader::TokenType Reader::readNext() {
  TokenType token = Invalid;
  for (;;) {
    if (hasError() && error() != PrematureEndOfDocumentError) return Invalid;
    token = QXmlStreamReader::readNext();
    // The stream takes its input a piece at a time: it decodes what it is given whole.
    if (token != Invalid || error() != PrematureEndOfDocumentError || fed_ >= input_.size()) break;
    feed();
  }
  if (++tokens_ % kCancelCheckInterval == 0 && options_.isCancelled()) {
    raiseError(QStringLiteral("cancelled"));
    return Invalid;
  }
  switch (token) {
    case StartElement:
      if (++depth_ > kMaxElementDepth) {
        raiseError(QStringLiteral("elements nested too deeply"));
        return Invalid;
      }
      break;
    case EndElement: --depth_; break;
    case DTD:
      if (!entityDeclarations().isEmpty() || !notationDeclarations().isEmpty()) {
        raiseError(QStringLiteral("declared entities"));
        return Invalid;
      }
      break;
    default: break;
  }
  return token;
}

bool Reader::readNextStartElement() {
  while (readNext() != Invalid) {
    if (isEndElement()) return false;
    if (isStartElement()) return true;
  }
  return false;
}

void Reader::skipCurrentElement() {
  const int inside = depth_;
  while (depth_ >= inside && readNext() != Invalid) {
  }
}

QString Reader::readElementText() {
  const int inside = depth_;
  QString text;
  while (depth_ >= inside && readNext() != Invalid) {
    if (isCharacters() && text.size() < DocumentLimits::kMaxTextLength)
      text.append(QXmlStreamReader::text().left(DocumentLimits::kMaxTextLength - text.size()));
  }
  return text;
}

QString Reader::attribute(QStringView ns, QStringView name) const {
  return attributes().value(ns.toString(), name.toString()).toString();
}

std::optional<QColor> hexColor(QStringView text) {
  if (text.startsWith(u'#')) text = text.sliced(1);
  if (text.size() != 6) return std::nullopt;
  bool ok = false;
  const uint value = text.toUInt(&ok, 16);
  if (!ok) return std::nullopt;
  return QColor::fromRgb(QRgb(value));
}

void RunProperties::overlay(const RunProperties& over) {
  auto take = [](auto& mine, const auto& theirs) {
    if (theirs) mine = theirs;
  };
  take(bold, over.bold);
  take(italic, over.italic);
  take(underline, over.underline);
  take(strikeOut, over.strikeOut);
  take(hidden, over.hidden);
  take(family, over.family);
  take(color, over.color);
  if (over.size) {
    size = over.size;
    sizePercent.reset();
  } else if (over.sizePercent) {
    if (size) size = *size * *over.sizePercent / 100;
    else sizePercent = sizePercent.value_or(100) * *over.sizePercent / 100;
  }
}

RunStyle RunProperties::style() const {
  RunStyle style;
  style.family = family.value_or(QString());
  style.size = size.value_or(style.size) * sizePercent.value_or(100) / 100;
  style.bold = bold.value_or(false);
  style.italic = italic.value_or(false);
  style.underline = underline.value_or(false);
  style.strikeOut = strikeOut.value_or(false);
  if (color) style.color = *color;
  return style;
}

void StyleChains::add(const QString& key, const QString& parentKey, const RunProperties& run) {
  if (key.isEmpty() || styles_.size() >= kMaxStyles) return;
  resolved_.clear();
  styles_.insert(key, {parentKey, run});
}

const RunProperties& StyleChains::resolved(const QString& key, const RunProperties& base) {
  // Kept per style; a base is given the same way for every style of one family.
  if (const auto found = resolved_.constFind(key); found != resolved_.constEnd()) return *found;
  std::vector<const Style*> chain;
  QSet<QString> seen;
  QString next = key;
  while (!next.isEmpty() && int(chain.size()) < kMaxStyleChain && !seen.contains(next)) {
    seen.insert(next);
    const auto style = styles_.constFind(next);
    if (style == styles_.constEnd()) break;
    chain.push_back(&*style);
    next = style->parentKey;
  }
  RunProperties properties = base;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) properties.overlay((*it)->run);
  return *resolved_.insert(key, properties);
}

void ParagraphWriter::put(QStringView text, const RunStyle& style) {
  if (text.isEmpty()) return;
  if (pendingBreak_) {
    out_.append(QChar(u'\n'), style);
    pendingBreak_ = false;
  }
  out_.append(text, style);
}

void ParagraphWriter::endParagraph(const RunStyle& style) {
  if (pendingBreak_) out_.append(QChar(u'\n'), style);
  pendingBreak_ = true;
}

}  // namespace qv::DocumentXml
