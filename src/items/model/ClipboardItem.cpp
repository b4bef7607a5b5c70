#include "items/model/ClipboardItem.h"

#include "base/Graphemes.h"
#include "base/RelativeDateText.h"
#include "base/Url.h"
#include "base/Uuid.h"
#include "items/stores/ImageStore.h"

namespace qv {

namespace {

template <class... Fs>
struct Overloaded : Fs... {
  using Fs::operator()...;
};
template <class... Fs>
Overloaded(Fs...) -> Overloaded<Fs...>;

QString filePathOrName(const FilePayload& file) { return file->url ? file->url->path(QUrl::FullyDecoded) : file->name; }

bool isLineBreak(char16_t c) { return (c >= 0x000A && c <= 0x000D) || c == 0x0085 || c == 0x2028 || c == 0x2029; }

bool containsLowered(const QString& field, const QString& lowerQuery) { return field.toLower().contains(lowerQuery); }

}  // namespace

ClipboardItem ClipboardItem::make(QUuid id, QString sourceAppBundleID, QDateTime capturedAt, ClipboardPayload payload) {
  const ContentType type = qv::contentType(payload);
  return ClipboardItem{id, type, std::move(sourceAppBundleID), std::move(capturedAt), std::move(payload)};
}

QString ClipboardItem::idString() const { return uuidString(id); }

bool isApplicationSource(const QString& sourceAppBundleID) {
  return !sourceAppBundleID.isEmpty() && sourceAppBundleID != QLatin1String(kNearbyDeviceBundleID);
}

bool ClipboardItem::isFromNearbyDevice() const { return sourceAppBundleID == QLatin1String(kNearbyDeviceBundleID); }

std::optional<QString> ClipboardItem::plainText() const {
  return std::visit(Overloaded{
                        [](const ColorPayload& p) -> std::optional<QString> { return p.hex; },
                        [](const ImagePayload&) -> std::optional<QString> { return std::nullopt; },
                        [](const LinkPayload& p) -> std::optional<QString> { return absoluteString(p->url); },
                        [](const CodePayload& p) -> std::optional<QString> { return p.source; },
                        [](const TextPayload& p) -> std::optional<QString> { return p.text; },
                        [](const FilePayload& p) -> std::optional<QString> { return filePathOrName(p); },
                    },
                    payload);
}

std::optional<QImage> ClipboardItem::image(const ImageStore& store) const {
  const auto* image = fieldsIf<ImagePayload>(&payload);
  if (!image) return std::nullopt;
  if (image->image.width() > 0) return image->image;
  QImage stored = store.load(idString());
  if (stored.isNull()) return std::nullopt;
  return stored;
}

bool ClipboardItem::matches(const QString& query, const RecognizedTextLookup& recognizedText) const {
  const QString lower = query.toLower();
  if (lower.isEmpty()) return true;
  return matchesLowercased(lower, recognizedText);
}

bool ClipboardItem::matchesLowercased(const QString& q, const RecognizedTextLookup& recognizedText) const {
  if (q.isEmpty()) return true;
  return std::visit(
      Overloaded{
          [&](const ColorPayload& p) { return containsLowered(p.hex, q); },
          [&](const ImagePayload& p) {
            if (containsLowered(p->filename, q)) return true;
            if (!recognizedText) return false;
            const std::optional<QString> text = recognizedText(idString());
            return text && containsLowered(*text, q);
          },
          [&](const LinkPayload& p) {
            return containsLowered(absoluteString(p->url), q) || containsLowered(p->domain, q) ||
                   (p->title && containsLowered(*p->title, q)) ||
                   (p->description && containsLowered(*p->description, q));
          },
          [&](const CodePayload& p) { return containsLowered(p.source, q) || containsLowered(p.language, q); },
          [&](const TextPayload& p) { return containsLowered(p.text, q); },
          [&](const FilePayload& p) { return containsLowered(p->name, q); },
      },
      payload);
}

QString sourceDisplayName(const QString& bundleID, const ClipboardItem::AppNameLookup& appName) {
  if (bundleID == QLatin1String(kNearbyDeviceBundleID)) return QString::fromLatin1(kNearbyDeviceName);
  if (appName) return appName(bundleID);
  return bundleID.section(u'.', -1);
}

QString ClipboardItem::accessibilityLabel(const AppNameLookup& appName, const QDateTime& now) const {
  QStringList parts;
  std::visit(
      Overloaded{
          [&](const ColorPayload& p) { parts << QStringLiteral("Colour ") + p.hex; },
          [&](const ImagePayload& p) {
            QString part = QStringLiteral("Image, ");
            if (!p->filename.isEmpty()) part += p->filename + QStringLiteral(", ");
            part += QString::number(p->width) + QStringLiteral(" by ") + QString::number(p->height);
            parts << part;
          },
          [&](const LinkPayload& p) {
            parts << QStringLiteral("Link, ") + p->title.value_or(p->domain);
            if (p->title) parts << absoluteString(p->url);
          },
          [&](const CodePayload& p) {
            parts << (p.language.isEmpty() ? QStringLiteral("Code") : QStringLiteral("Code, ") + p.language);
            parts << firstLine(p.source);
          },
          [&](const TextPayload& p) {
            parts << QStringLiteral("Text");
            parts << firstLine(p.text);
          },
          [&](const FilePayload& p) { parts << QStringLiteral("File, ") + p->name + QStringLiteral(", ") + p->size; },
      },
      payload);
  parts << QStringLiteral("from ") + sourceDisplayName(sourceAppBundleID, appName);
  parts << relativeDateText(capturedAt, now);
  return parts.join(QStringLiteral(", "));
}

std::optional<QString> ClipboardItem::combinedText(const QList<ClipboardItem>& items) {
  QStringList texts;
  for (const ClipboardItem& item : items) {
    if (std::holds_alternative<ImagePayload>(item.payload)) continue;
    const QString text = trimmedText(item.plainText().value_or(QString()));
    if (!text.isEmpty()) texts << text;
  }
  if (texts.isEmpty()) return std::nullopt;
  return texts.join(u'\n');
}

QString trimmedText(const QString& text) { return text.trimmed(); }

QString firstLine(const QString& text, qsizetype maxLength) {
  QString line = trimmedText(text);
  for (qsizetype i = 0; i < line.size(); ++i) {
    if (isLineBreak(line.at(i).unicode())) {
      line.truncate(i);
      break;
    }
  }
  if (graphemeCount(line) <= maxLength) return line;
  return graphemePrefix(line, maxLength) + QChar(0x2026);
}

}  // namespace qv
