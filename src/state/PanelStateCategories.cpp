#include "base/Log.h"
#include "base/Uuid.h"
#include "items/ItemServices.h"
#include "platform/Scheduler.h"
#include "platform/SettingsStore.h"
#include "state/PanelState.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

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
std::optional<PanelState::IdMap> decodeAssignments(const QByteArray& data) {
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(data, &error);
  if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
  const QJsonObject map = document.object();
  PanelState::IdMap assignments;
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

// A request that the filter panel of the surface takes up; the token makes a repeated
// identical request visible too.
void leaveFormRequest(PanelState& state, const std::optional<QUuid>& editingCategoryID, FilterSurface surface) {
  state.setPendingEditCategoryID(editingCategoryID);
  state.setPendingCategoryFormSurface(surface);
  state.setCategoryFormOpenedExternally(true);
  state.setPendingNewCategoryRequest(true);
  state.raiseCategoryFormToken();
  if (surface == FilterSurface::panel) state.setShowFilterPanel(true);
}

}  // namespace

void PanelState::saveCustomCategories() {
  context_.settings->setData(QLatin1String(kCustomCategoriesKey), encodeCategories(customCategories_));
}

void PanelState::saveCardCategories() {
  QJsonObject map;
  for (auto it = cardCategories_.constBegin(); it != cardCategories_.constEnd(); ++it)
    map.insert(uuidString(it.key()), uuidString(it.value()));
  context_.settings->setData(QLatin1String(kCardCategoriesKey),
                             QJsonDocument(map).toJson(QJsonDocument::Compact));
}

void PanelState::loadCategories() {
  SettingsStore& settings = *context_.settings;
  const QDateTime now = context_.scheduler->now();

  if (settings.hasStoredValue(QLatin1String(kCustomCategoriesKey))) {
    const std::optional<QByteArray> stored = settings.dataValue(QLatin1String(kCustomCategoriesKey));
    std::optional<QList<CustomCategory>> categories = stored ? decodeCategories(*stored) : std::nullopt;
    if (categories)
      setCustomCategories(std::move(*categories));
    else
      setAsideUnreadable(settings, now, kCustomCategoriesKey);
  }

  // The seed runs once ever, also when categories exist already.
  if (!settings.boolOr(QLatin1String(kDidSeedCategoriesKey), false)) {
    settings.set(QLatin1String(kDidSeedCategoriesKey), true);
    if (customCategories_.isEmpty()) {
      setCustomCategories({CustomCategory{newUuid(), QStringLiteral("Snippets"), 2}});
      saveCustomCategories();
    }
  }

  if (!settings.hasStoredValue(QLatin1String(kCardCategoriesKey))) return;
  const std::optional<QByteArray> stored = settings.dataValue(QLatin1String(kCardCategoriesKey));
  std::optional<IdMap> assignments = stored ? decodeAssignments(*stored) : std::nullopt;
  if (assignments)
    setCardCategories(std::move(*assignments));
  else
    setAsideUnreadable(settings, now, kCardCategoriesKey);
}

CustomCategory PanelState::addCategory(const QString& name, int colorIndex) {
  CustomCategory category{newUuid(), name, colorIndex};
  QList<CustomCategory> categories = customCategories_;
  categories.append(category);
  setCustomCategories(std::move(categories));
  saveCustomCategories();
  return category;
}

bool PanelState::renameCategory(const QUuid& categoryID, const QString& name) {
  const QString trimmed = name.trimmed();
  if (trimmed.isEmpty()) return false;
  QList<CustomCategory> categories = customCategories_;
  CustomCategory* found = findCategory(categories, categoryID);
  if (!found) return false;
  found->name = trimmed;
  setCustomCategories(std::move(categories));
  saveCustomCategories();
  return true;
}

bool PanelState::setCategoryColor(const QUuid& categoryID, int colorIndex) {
  if (colorIndex < 0 || colorIndex >= kCategoryPaletteSize) return false;
  QList<CustomCategory> categories = customCategories_;
  CustomCategory* found = findCategory(categories, categoryID);
  if (!found) return false;
  found->colorIndex = colorIndex;
  setCustomCategories(std::move(categories));
  saveCustomCategories();
  return true;
}

void PanelState::deleteCategory(const QUuid& categoryID) {
  QList<CustomCategory> categories = customCategories_;
  categories.removeIf([&categoryID](const CustomCategory& category) { return category.id == categoryID; });
  setCustomCategories(std::move(categories));
  IdMap assignments = cardCategories_;
  assignments.removeIf([&categoryID](const auto& entry) { return entry.value() == categoryID; });
  setCardCategories(std::move(assignments));
  if (activeFilter_.isCustom(categoryID)) setActiveFilter(FilterType::all());
  saveCustomCategories();
  saveCardCategories();
}

void PanelState::setCategory(const std::optional<QUuid>& categoryID, const QUuid& itemID) {
  IdMap assignments = cardCategories_;
  if (categoryID)
    assignments.insert(itemID, *categoryID);
  else
    assignments.remove(itemID);
  setCardCategories(std::move(assignments));
  saveCardCategories();
}

std::optional<CustomCategory> PanelState::categoryForItem(const QUuid& itemID) const {
  const auto assigned = cardCategories_.constFind(itemID);
  if (assigned == cardCategories_.constEnd()) return std::nullopt;
  for (const CustomCategory& category : customCategories_) {
    if (category.id == *assigned) return category;
  }
  return std::nullopt;
}

QColor PanelState::colorForCategory(const CustomCategory& category) const {
  // The colour being picked shows on the category before it is saved.
  if (editingCategoryFormID_ == category.id && previewCategoryColorIndex_)
    return categoryPaletteColor(*previewCategoryColorIndex_);
  return categoryPaletteColor(category.colorIndex);
}

void PanelState::requestNewCategoryForm(FilterSurface surface) { leaveFormRequest(*this, std::nullopt, surface); }

void PanelState::openCategoryForm(const QUuid& editingCategoryID, FilterSurface surface) {
  leaveFormRequest(*this, editingCategoryID, surface);
}

void PanelState::closeCategoryForm() {
  if (categoryFormOpenedExternally_) {
    setShowFilterPanel(false);
    setLibraryFilterSurfaceOpen(false);
    setCategoryFormOpenedExternally(false);
  }
  setCategoryFormOpen(false);
  setEditingCategoryFormID(std::nullopt);
  setPendingEditCategoryID(std::nullopt);
  setPendingNewCategoryRequest(false);
  setPreviewCategoryColorIndex(std::nullopt);
}

}  // namespace qv
