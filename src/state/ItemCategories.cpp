#include "state/ItemCategories.h"

#include "base/Log.h"
#include "base/Uuid.h"
#include "platform/Scheduler.h"
#include "platform/SettingsStore.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <algorithm>
#include <utility>

namespace qv {

namespace {

// The stored item-to-category map. Every pair of two UUID strings is read, also from a map that
// is damaged or holds other values; `whole` tells whether all of it read. None when nothing of
// it reads.
std::optional<ItemCategories::IdMap> decodeAssignments(const QByteArray& data, bool* whole) {
  ItemCategories::IdMap assignments;
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(data, &error);
  if (error.error == QJsonParseError::NoError && document.isObject()) {
    *whole = true;
    const QJsonObject map = document.object();
    for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
      if (!it.value().isString()) {
        *whole = false;
        continue;
      }
      // Pairs that name no UUID are dropped; the rest of the map stays good.
      const std::optional<QUuid> item = parseUuidAnyForm(it.key());
      const std::optional<QUuid> category = parseUuidAnyForm(it.value().toString());
      if (item && category) assignments.insert(*item, *category);
    }
    return assignments;
  }
  *whole = false;
  // Each pair of strings that reads as two ids in any form the whole map is read in (dashed,
  // braced, bare digits, URN).
  static const QRegularExpression pair(QStringLiteral(R"re("([^"\\]{32,45})"\s*:\s*"([^"\\]{32,45})")re"));
  for (auto it = pair.globalMatch(QString::fromUtf8(data)); it.hasNext();) {
    const QRegularExpressionMatch match = it.next();
    const std::optional<QUuid> item = parseUuidAnyForm(match.capturedView(1));
    const std::optional<QUuid> category = parseUuidAnyForm(match.capturedView(2));
    if (item && category) assignments.insert(*item, *category);
  }
  if (assignments.isEmpty()) return std::nullopt;
  return assignments;
}

void logSetAside(const char* key, const QString& target) {
  qCInfo(lcState) << "Stored" << key << "could not be read as a whole; kept what did and set it aside as" << target;
}

CustomCategory* findCategory(QList<CustomCategory>& categories, const QUuid& id) {
  const auto found = std::find_if(categories.begin(), categories.end(),
                                  [&id](const CustomCategory& category) { return category.id == id; });
  return found == categories.end() ? nullptr : &*found;
}

}  // namespace

bool ItemCategories::setCustomCategories(QList<CustomCategory> categories) {
  if (customCategories_ == categories) return false;
  customCategories_ = std::move(categories);
  return true;
}

bool ItemCategories::setCardCategories(IdMap assignments) {
  if (cardCategories_ == assignments) return false;
  cardCategories_ = std::move(assignments);
  return true;
}

void ItemCategories::saveCustomCategories() {
  settings_.setData(QLatin1String(kCustomCategoriesKey), encodeCategories(customCategories_));
}

void ItemCategories::saveCardCategories() {
  QJsonObject map;
  for (auto it = cardCategories_.constBegin(); it != cardCategories_.constEnd(); ++it)
    map.insert(uuidString(it.key()), uuidString(it.value()));
  settings_.setData(QLatin1String(kCardCategoriesKey), QJsonDocument(map).toJson(QJsonDocument::Compact));
}

ItemCategories::Changes ItemCategories::load() {
  Changes changes = none;

  // What does not read is set aside, and what did read stays and is stored again: items filed
  // in a category that reads keep it.
  if (settings_.hasStoredValue(QLatin1String(kCustomCategoriesKey))) {
    const std::optional<QByteArray> stored = settings_.dataValue(QLatin1String(kCustomCategoriesKey));
    bool whole = false;
    std::optional<QList<CustomCategory>> categories = stored ? decodeCategoriesSkippingBad(*stored, &whole)
                                                             : std::nullopt;
    if (!whole) logSetAside(kCustomCategoriesKey, settings_.setAsideUnreadable(QLatin1String(kCustomCategoriesKey)));
    const bool storeAgain = !whole && categories && !categories->isEmpty();
    if (categories && setCustomCategories(std::move(*categories))) changes |= categoriesChanged;
    if (storeAgain) saveCustomCategories();
  }

  // The seed runs once ever, also when categories exist already.
  if (!settings_.boolOr(QLatin1String(kDidSeedCategoriesKey), false)) {
    settings_.set(QLatin1String(kDidSeedCategoriesKey), true);
    if (customCategories_.isEmpty()) {
      if (setCustomCategories({CustomCategory{newUuid(), QStringLiteral("Snippets"), 2}})) changes |= categoriesChanged;
      saveCustomCategories();
    }
  }

  if (!settings_.hasStoredValue(QLatin1String(kCardCategoriesKey))) return changes;
  const std::optional<QByteArray> stored = settings_.dataValue(QLatin1String(kCardCategoriesKey));
  bool whole = false;
  std::optional<IdMap> assignments = stored ? decodeAssignments(*stored, &whole) : std::nullopt;
  if (!whole) logSetAside(kCardCategoriesKey, settings_.setAsideUnreadable(QLatin1String(kCardCategoriesKey)));
  const bool storeAgain = !whole && assignments && !assignments->isEmpty();
  if (assignments && setCardCategories(std::move(*assignments))) changes |= assignmentsChanged;
  if (storeAgain) saveCardCategories();
  return changes;
}

CustomCategory ItemCategories::add(const QString& name, int colorIndex, Changes* changes) {
  CustomCategory category{newUuid(), name, colorIndex};
  customCategories_.append(category);
  saveCustomCategories();
  *changes = categoriesChanged;
  return category;
}

bool ItemCategories::editCategory(const QUuid& categoryID, const std::function<void(CustomCategory&)>& edit,
                                  Changes* changes) {
  QList<CustomCategory> categories = customCategories_;
  CustomCategory* found = findCategory(categories, categoryID);
  if (!found) return false;
  edit(*found);
  if (setCustomCategories(std::move(categories))) *changes = categoriesChanged;
  saveCustomCategories();
  return true;
}

bool ItemCategories::rename(const QUuid& categoryID, const QString& name, Changes* changes) {
  *changes = none;
  const QString trimmed = name.trimmed();
  if (trimmed.isEmpty()) return false;
  return editCategory(
      categoryID, [&](CustomCategory& category) { category.name = trimmed; }, changes);
}

bool ItemCategories::setColor(const QUuid& categoryID, int colorIndex, Changes* changes) {
  *changes = none;
  if (colorIndex < 0 || colorIndex >= kCategoryPaletteSize) return false;
  return editCategory(
      categoryID, [&](CustomCategory& category) { category.colorIndex = colorIndex; }, changes);
}

ItemCategories::Changes ItemCategories::remove(const QUuid& categoryID) {
  QList<CustomCategory> categories = customCategories_;
  categories.removeIf([&categoryID](const CustomCategory& category) { return category.id == categoryID; });
  Changes changes = setCustomCategories(std::move(categories)) ? categoriesChanged : none;
  IdMap assignments = cardCategories_;
  assignments.removeIf([&categoryID](const auto& entry) { return entry.value() == categoryID; });
  if (setCardCategories(std::move(assignments))) changes |= assignmentsChanged;
  saveCustomCategories();
  saveCardCategories();
  return changes;
}

ItemCategories::Changes ItemCategories::assign(const std::optional<QUuid>& categoryID, const QUuid& itemID) {
  IdMap assignments = cardCategories_;
  if (categoryID) assignments.insert(itemID, *categoryID);
  else assignments.remove(itemID);
  const Changes changes = setCardCategories(std::move(assignments)) ? assignmentsChanged : none;
  saveCardCategories();
  return changes;
}

std::optional<CustomCategory> ItemCategories::categoryForItem(const QUuid& itemID) const {
  const auto assigned = cardCategories_.constFind(itemID);
  if (assigned == cardCategories_.constEnd()) return std::nullopt;
  for (const CustomCategory& category : customCategories_) {
    if (category.id == *assigned) return category;
  }
  return std::nullopt;
}

ItemCategories::Changes ItemCategories::keepOnly(const QSet<QUuid>& live) {
  IdMap assignments = cardCategories_;
  assignments.removeIf([&live](const auto& entry) { return !live.contains(entry.key()); });
  if (assignments.size() == cardCategories_.size()) return none;
  cardCategories_ = std::move(assignments);
  saveCardCategories();
  return assignmentsChanged;
}

}  // namespace qv
