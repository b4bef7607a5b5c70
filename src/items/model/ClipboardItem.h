#pragma once
#include "items/model/ClipboardPayload.h"
#include "items/model/ContentType.h"

#include <QDateTime>
#include <QImage>
#include <QList>
#include <QString>
#include <QUuid>
#include <functional>
#include <optional>

namespace qv {

class ImageStore;

// Items copied on another device and received over the network clipboard carry this source.
inline constexpr char kNearbyDeviceBundleID[] = "com.apple.universalclipboard.handoff";
inline constexpr char kNearbyDeviceName[] = "Nearby Device";

// Whether an item's source names an application (to filter by, or to set a rule for): not an
// empty id and not the nearby-device source.
bool isApplicationSource(const QString& sourceAppBundleID);

// One history entry. Immutable in use: an edit makes a new record that keeps the id.
struct ClipboardItem {
  QUuid id;
  ContentType contentType = ContentType::text;
  QString sourceAppBundleID;
  QDateTime capturedAt;  // UTC
  ClipboardPayload payload;

  // Sets contentType from the payload's case.
  static ClipboardItem make(QUuid id, QString sourceAppBundleID, QDateTime capturedAt, ClipboardPayload payload);

  QString idString() const;  // upper-case UUID, the name of the item's side files
  bool isFromNearbyDevice() const;
  bool operator==(const ClipboardItem&) const = default;

  // The text a plain-text paste, a text copy or a transform uses; none for images.
  std::optional<QString> plainText() const;

  // The payload's image when it is drawable, else the stored side file; none when neither.
  std::optional<QImage> image(const ImageStore& store) const;

  // Case-insensitive substring search over the item's searched fields. `recognizedText`
  // answers the text found in an image item (by id string), none when there is none.
  using RecognizedTextLookup = std::function<std::optional<QString>(const QString& id)>;
  bool matches(const QString& query, const RecognizedTextLookup& recognizedText = {}) const;
  // The same, for a query already lower-cased (and not empty); saves the work per item.
  bool matchesLowercased(const QString& lowerQuery, const RecognizedTextLookup& recognizedText = {}) const;

  // The spoken summary of the item's card, e.g. "Text, hello, from Nearby Device, 2 min. ago".
  using AppNameLookup = std::function<QString(const QString& bundleID)>;
  QString accessibilityLabel(const AppNameLookup& appName, const QDateTime& now) const;

  // The text of a multi-selection: each item's text, trimmed, empty ones dropped, joined by
  // "\n"; images are skipped. None when nothing is left.
  static std::optional<QString> combinedText(const QList<ClipboardItem>& items);
};

}  // namespace qv

// Every member moves by plain copying of its bytes (Qt's shared types, SharedValue, std::variant
// and std::optional of them hold no pointers into themselves), so lists of items grow by realloc.
Q_DECLARE_TYPEINFO(qv::ClipboardItem, Q_RELOCATABLE_TYPE);

// A history holds up to 100,000 records, so each byte of one is 100 KB: a field that grows the
// record should be a choice (large, rare payload cases go into a SharedValue).
static_assert(sizeof(qv::ClipboardPayload) <= 56 && sizeof(qv::ClipboardItem) <= 112, "the history record grew");

namespace qv {

// The source's display name as cards show and speak it.
QString sourceDisplayName(const QString& bundleID, const ClipboardItem::AppNameLookup& appName);

// The trimmed text up to its first line break, cut to `maxLength` graphemes plus "…".
QString firstLine(const QString& text, qsizetype maxLength = 90);

// Trims white space and line breaks at both ends.
QString trimmedText(const QString& text);

}  // namespace qv
