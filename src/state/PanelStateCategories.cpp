#include "state/PanelState.h"

namespace qv {

namespace {

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

void PanelState::notifyCategories(ItemCategories::Changes changes) {
  if (changes & ItemCategories::categoriesChanged) Q_EMIT customCategoriesChanged();
  if (changes & ItemCategories::assignmentsChanged) Q_EMIT cardCategoriesChanged();
}

void PanelState::saveCustomCategories() { categories_.saveCustomCategories(); }
void PanelState::saveCardCategories() { categories_.saveCardCategories(); }
void PanelState::loadCategories() { notifyCategories(categories_.load()); }

CustomCategory PanelState::addCategory(const QString& name, int colorIndex) {
  ItemCategories::Changes changes = ItemCategories::none;
  CustomCategory category = categories_.add(name, colorIndex, &changes);
  notifyCategories(changes);
  return category;
}

bool PanelState::renameCategory(const QUuid& categoryID, const QString& name) {
  ItemCategories::Changes changes = ItemCategories::none;
  const bool renamed = categories_.rename(categoryID, name, &changes);
  notifyCategories(changes);
  return renamed;
}

bool PanelState::setCategoryColor(const QUuid& categoryID, int colorIndex) {
  ItemCategories::Changes changes = ItemCategories::none;
  const bool recoloured = categories_.setColor(categoryID, colorIndex, &changes);
  notifyCategories(changes);
  return recoloured;
}

void PanelState::deleteCategory(const QUuid& categoryID) {
  notifyCategories(categories_.remove(categoryID));
  if (activeFilter_.isCustom(categoryID)) setActiveFilter(FilterType::all());
}

void PanelState::setCategory(const std::optional<QUuid>& categoryID, const QUuid& itemID) {
  notifyCategories(categories_.assign(categoryID, itemID));
}

std::optional<CustomCategory> PanelState::categoryForItem(const QUuid& itemID) const {
  return categories_.categoryForItem(itemID);
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
