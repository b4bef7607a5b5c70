#include "state/ItemCategories.h"

#include "base/Log.h"
#include "base/Uuid.h"
#include "platform/Scheduler.h"
#include "platform/SettingsStore.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <utility>

namespace qv {

namespace {

// Moves a stored value that could not be read to a key of its own, so that the next save
// writes over nothing the user had. An earlier set-aside value is never replaced.
void setAsideUnreadable(SettingsStore& settings, const QDateTime& now, const char* key) {
  const QString source = QLatin1String(key);
  const QString stamp = now.toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss"));
  QString target = source + QStringLiteral(".unreadable-") + stamp;
  for (int n = 2; settings.hasStoredValue(target); ++n)
    target = source + QStringLiteral(".unreadable-") + stamp + u'-' + QString::number(n);
  settings.set(target, settings.value(source));
  settings.remove(source);
  qCInfo(lcState) << "Stored" << source << "could not be read; set aside as" << target;
}

// The stored item-to-category map, or none when it is not a JSON object of strings.
std::optional<ItemCategories::IdMap> decodeAssignments(const QByteArray& data) {
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(data, &error);
  if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
  const QJsonObject map = document.object();
  ItemCategories::IdMap assignments;
  for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
    if (!it.value().isString()) return std::nullopt;
    // Pairs that name no UUID are dropped; the rest of the map stays good.
    const std::optional<QUuid> item = parseUuid(it.key());
    const std::optional<QUuid> category = parseUuid(it.value().toString());
    if (item && category) assignments.insert(*item, *category);
  }
  return assignments;
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
  const QDateTime now = scheduler_.now();
  Changes changes = none;

  if (settings_.hasStoredValue(QLatin1String(kCustomCategoriesKey))) {
    const std::optional<QByteArray> stored = settings_.dataValue(QLatin1String(kCustomCategoriesKey));
    std::optional<QList<CustomCategory>> categories = stored ? decodeCategories(*stored) : std::nullopt;
    if (!categories) setAsideUnreadable(settings_, now, kCustomCategoriesKey);
    else if (setCustomCategories(std::move(*categories))) changes |= categoriesChanged;
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
  std::optional<IdMap> assignments = stored ? decodeAssignments(*stored) : std::nullopt;
  if (!assignments) setAsideUnreadable(settings_, now, kCardCategoriesKey);
  else if (setCardCategories(std::move(*assignments))) changes |= assignmentsChanged;
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
