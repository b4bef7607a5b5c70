#pragma once
#include <QByteArray>
#include <QColor>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QUuid>
#include <array>
#include <optional>

namespace qv {

// A user category: a name and an index into the eight-colour palette.
struct CustomCategory {
  QUuid id;
  QString name;
  int colorIndex = 0;

  // Equality lets the state notify only on a real change of the list.
  bool operator==(const CustomCategory&) const = default;

  // {"id": "<UUID>", "name": "…", "colorIndex": n}; all three required, other keys ignored.
  // Any whole-number index decodes, wrapped into the palette (stored data may hold others).
  QJsonObject toJson() const;
  static std::optional<CustomCategory> fromJson(const QJsonValue& value);
};

// The stored list: a JSON array of categories. Decoding fails as a whole on a bad record.
QByteArray encodeCategories(const QList<CustomCategory>& categories);
std::optional<QList<CustomCategory>> decodeCategories(const QByteArray& json);
// The categories that decode from a stored list that may be damaged (a bad record, junk, a cut),
// in order; `whole` tells whether all of it read. None when there is no list at all.
std::optional<QList<CustomCategory>> decodeCategoriesSkippingBad(const QByteArray& json, bool* whole);

// The eight category colours (sRGB, opaque) in index order.
inline constexpr int kCategoryPaletteSize = 8;
const std::array<QColor, kCategoryPaletteSize>& categoryPalette();
// Any index as a palette index (0…7); a negative index wraps from the end.
int wrappedPaletteIndex(int colorIndex);
// The palette entry for any index, wrapped as above.
const QColor& categoryPaletteColor(int colorIndex);

}  // namespace qv
