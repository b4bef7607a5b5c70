#include "panel/CategoryStripBinding.h"

#include "state/PanelState.h"
#include "ui/anim/Transaction.h"
#include "ui/theme/Theme.h"

namespace qv {

CategoryStripView::Props categoryStripProps(const PanelState& state) {
  CategoryStripView::Props props;
  const FilterType active = state.activeFilter();
  props.pills.push_back(
      {CategoryStripView::allPillID(), QStringLiteral("All"), {}, std::nullopt, active.kind == FilterType::Kind::all});
  props.pills.push_back({CategoryStripView::pinnedPillID(), QStringLiteral("Pinned"), QStringLiteral("pin.fill"),
                         std::nullopt, active.kind == FilterType::Kind::pinned});
  for (const CustomCategory& category : state.customCategories()) {
    const bool isActive = active.isCustom(category.id);
    props.pills.push_back({category.id, category.name, {}, state.colorForCategory(category), isActive});
    if (isActive) {
      props.pencilCategory = category.id;
      props.pencilHelp = QStringLiteral("Edit “%1”").arg(category.name);
    }
  }
  return props;
}

CategoryStripView::Callbacks categoryStripCallbacks(PanelState& state) {
  return {
      .onPill =
          [&state](const CategoryStripView::Pill& pill) {
            withAnimation(Theme::springStandard(), [&] {
              if (pill.id == CategoryStripView::allPillID()) {
                state.setActiveFilter(FilterType::all());
                state.setSelectedIndex(std::nullopt);
                state.cancelPreviewWork();
              } else if (pill.id == CategoryStripView::pinnedPillID()) {
                state.toggleBadgeFilter(BadgeFilter::pinned());
              } else {
                state.toggleBadgeFilter(BadgeFilter::ofCategory(pill.id));
              }
            });
          },
      .onPencil =
          [&state](const QUuid& categoryID) {
            withAnimation(Theme::springSnappy(), [&] {
              if (state.editingCategoryFormID() == categoryID) state.closeCategoryForm();
              else state.openCategoryForm(categoryID, FilterSurface::panel);
            });
          },
      .onPlus = [&state] { state.requestNewCategoryForm(FilterSurface::panel); },
  };
}

void connectCategoryStrip(CategoryStripView& strip, PanelState& state) {
  auto refresh = [&strip, &state] { strip.setProps(categoryStripProps(state), categoryStripCallbacks(state)); };
  QObject::connect(&state, &PanelState::customCategoriesChanged, &strip, refresh);
  QObject::connect(&state, &PanelState::editingCategoryFormIDChanged, &strip, refresh);
  QObject::connect(&state, &PanelState::previewCategoryColorIndexChanged, &strip, refresh);
  QObject::connect(&state, &PanelState::activeFilterChanged, &strip, [&strip, &state, refresh] {
    refresh();
    strip.scrollToPill(CategoryStripView::pillIDFor(state.activeFilter()));
  });
  refresh();
}

}  // namespace qv
