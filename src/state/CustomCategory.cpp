#include "state/CustomCategory.h"

#include "base/Uuid.h"
#include "items/model/JsonSalvage.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <cmath>

namespace qv {

QJsonObject CustomCategory::toJson() const {
  return QJsonObject{{QStringLiteral("id"), uuidString(id)},
                     {QStringLiteral("name"), name},
                     {QStringLiteral("colorIndex"), colorIndex}};
}

std::optional<CustomCategory> CustomCategory::fromJson(const QJsonValue& value) {
  if (!value.isObject()) return std::nullopt;
  const QJsonObject object = value.toObject();
  const QJsonValue id = object.value(QLatin1String("id"));
  const QJsonValue name = object.value(QLatin1String("name"));
  const QJsonValue index = object.value(QLatin1String("colorIndex"));
  if (!id.isString() || !name.isString() || !index.isDouble()) return std::nullopt;
  const std::optional<QUuid> uuid = parseUuidAnyForm(id.toString());
  const double number = index.toDouble();
  if (!uuid || !std::isfinite(number) || std::trunc(number) != number) return std::nullopt;
  // fmod is exact for whole numbers of any size; the result fits an int.
  return CustomCategory{*uuid, name.toString(),
                        wrappedPaletteIndex(static_cast<int>(std::fmod(number, kCategoryPaletteSize)))};
}

QByteArray encodeCategories(const QList<CustomCategory>& categories) {
  QJsonArray array;
  for (const CustomCategory& category : categories) array.append(category.toJson());
  return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

std::optional<QList<CustomCategory>> decodeCategories(const QByteArray& json) {
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(json, &error);
  if (error.error != QJsonParseError::NoError || !document.isArray()) return std::nullopt;
  QList<CustomCategory> categories;
  for (const QJsonValue& value : document.array()) {
    std::optional<CustomCategory> category = CustomCategory::fromJson(value);
    if (!category) return std::nullopt;
    categories.append(std::move(*category));
  }
  return categories;
}

std::optional<QList<CustomCategory>> decodeCategoriesSkippingBad(const QByteArray& json, bool* whole) {
  *whole = true;
  if (std::optional<QList<CustomCategory>> categories = decodeCategories(json)) return categories;
  *whole = false;
  const auto decodeOne = [](QByteArrayView text) {
    const QJsonDocument document = QJsonDocument::fromJson(text.toByteArray());
    return document.isObject() ? CustomCategory::fromJson(document.object()) : std::nullopt;
  };
  const std::optional<SalvagedArray> salvaged = salvageJsonArray(
      json, [&](QByteArrayView object) { return decodeOne(object).has_value(); });
  if (!salvaged) return std::nullopt;
  QList<CustomCategory> categories;
  for (const QByteArrayView element : salvaged->elements) {
    if (std::optional<CustomCategory> category = decodeOne(element)) categories.append(std::move(*category));
  }
  return categories;
}

const std::array<QColor, kCategoryPaletteSize>& categoryPalette() {
  static const std::array<QColor, kCategoryPaletteSize> palette = {
      QColor::fromRgbF(1.0f, 0.42f, 0.42f),  QColor::fromRgbF(1.0f, 0.63f, 0.27f), QColor::fromRgbF(0.31f, 0.8f, 0.51f),
      QColor::fromRgbF(0.18f, 0.74f, 0.95f), QColor::fromRgbF(0.37f, 0.55f, 1.0f), QColor::fromRgbF(0.72f, 0.52f, 1.0f),
      QColor::fromRgbF(1.0f, 0.45f, 0.73f),  QColor::fromRgbF(0.17f, 0.81f, 0.69f)};
  return palette;
}

int wrappedPaletteIndex(int colorIndex) {
  return ((colorIndex % kCategoryPaletteSize) + kCategoryPaletteSize) % kCategoryPaletteSize;
}

const QColor& categoryPaletteColor(int colorIndex) {
  return categoryPalette()[static_cast<size_t>(wrappedPaletteIndex(colorIndex))];
}

}  // namespace qv
