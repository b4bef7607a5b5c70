#include "panel/PanelGallery.h"

#include "cards/ViewServices.h"
#include "items/ItemServices.h"
#include "panel/CardScrollView.h"
#include "panel/CategoryForm.h"
#include "panel/CategoryStripBinding.h"
#include "panel/DotsMenuRailView.h"
#include "panel/FilterControls.h"
#include "panel/FilterPanel.h"
#include "panel/FilterStatusBarView.h"
#include "panel/QuickActions.h"
#include "platform/Scheduler.h"
#include "state/PanelState.h"
#include "ui/anim/FrameClock.h"
#include "ui/anim/Transaction.h"
#include "ui/controls/OrnamentRail.h"
#include "ui/theme/Theme.h"
#include "ui/view/GalleryRegistry.h"

#include <QApplication>
#include <QPainter>

namespace qv {

namespace {

QImage chips(GalleryScene& scene) {
  InterfaceServices& context = scene.context;
  GallerySheet canvas(scene, {560, 150});
  const FilterChip::Props kinds[] = {
      {.label = "Text", .icon = "doc"},
      {.label = "Work", .dotColor = QColor(255, 95, 87)},
      {.label = "Editor", .icon = "doc", .bundleID = "org.example.Editor", .dotColor = QColor(Qt::red)},
      {.label = "Today"}};
  double y = 6;
  for (int look = 0; look < 3; ++look) {  // resting, hovered, on
    double x = 6;
    for (FilterChip::Props props : kinds) {
      props.isOn = look == 2;
      FilterChip chip(context, props, {[] {}});
      if (look == 1) scene.hover(chip, QRectF(chip.rect()).center());
      canvas.put(chip, {x, y});
      x += chip.width() + 10;
    }
    y += 34;
  }
  double x = 330;
  for (int hovered = 0; hovered < 2; ++hovered) {
    FilterChipView chip(context, {"Image"}, {[] {}});
    if (hovered) scene.hover(chip, QRectF(chip.rect()).center());
    canvas.put(chip, {x, 6});
    ClearAllButton clear(context, {}, {[] {}});
    clear.resize(clear.sizeHint());
    if (hovered) scene.hover(clear, QRectF(clear.rect()).center());
    canvas.put(clear, {x, 40});
    x += 100;
  }
  x = 330;
  for (int look = 0; look < 3; ++look) {  // plain, hovered, chosen
    CategoryColorDot swatch(context, {.color = QColor(0, 122, 255), .isSelected = look == 2}, {[] {}});
    if (look == 1) scene.hover(swatch, {12, 12});
    canvas.put(swatch, {x, 80});
    x += 34;
  }
  return canvas.finish();
}

QImage rail(GalleryScene& scene) {
  InterfaceServices& context = scene.context;
  GallerySheet canvas(scene, {160, 200});
  OrnamentRail tabs(context);
  tabs.addButton({.icon = "textformat", .isSelected = true}, {[] {}});
  tabs.addButton({.icon = "app.badge", .showsDot = true}, {[] {}});
  auto* hovered = tabs.addButton({.icon = "calendar"}, {[] {}});
  tabs.addButton({.icon = "tag", .isEnabled = false}, {[] {}});
  tabs.resize(tabs.sizeHint());
  scene.hover(*hovered, {17, 17});
  canvas.put(tabs, {10, 10});
  // A selection that moved halfway: the circle between two buttons.
  OrnamentRail moving(context);
  auto* first = moving.addButton({.icon = "textformat", .isSelected = true}, {[] {}});
  auto* second = moving.addButton({.icon = "app.badge"}, {[] {}});
  moving.resize(moving.sizeHint());
  first->setProps({.icon = "textformat", .sharesSelection = true}, {[] {}});
  second->setProps({.icon = "app.badge", .isSelected = true, .sharesSelection = true}, {[] {}});
  scene.runFrames(6);
  canvas.put(moving, {70, 10});
  OrnamentRailButton reset(context, {.icon = "arrow.counterclockwise"}, {[] {}});
  canvas.put(reset, {70, 100});
  scene.runFrames(90);
  return canvas.finish();
}

// The chips with one hovered; below, a row of two a few frames into its arrival and one leaving.
QImage statusBar(GalleryScene& scene) {
  PanelState state(scene.services<ItemServices>());
  QWidget host;
  FilterStatusBarView bar(scene.context, state, &host);
  state.setFilterTypes({TypeFilter::text, TypeFilter::image, TypeFilter::link, TypeFilter::color, TypeFilter::file});
  state.setFilterDate(DateFilter::last30Days);
  bar.resize(320, bar.heightForWidth(320));
  if (!bar.chipViews().empty()) scene.hover(*bar.chipViews()[1], {20, 12});
  constexpr double kRow = 36;  // a moving bar's slot: one row of chips and a gap
  GallerySheet canvas(scene, {320, double(bar.height()) + 2 * kRow});
  canvas.put(bar, {0, 0});
  for (const bool arriving : {true, false}) {
    PanelState moving(scene.services<ItemServices>());
    QWidget movingHost;
    FilterStatusBarView movingBar(scene.context, moving, &movingHost);
    if (!arriving) moving.setFilterTypes({TypeFilter::text, TypeFilter::image});
    movingBar.resize(320, movingBar.heightForWidth(320));
    withAnimation(Theme::springStandard(), [&] {
      if (arriving) moving.setFilterTypes({TypeFilter::text, TypeFilter::image});
      else movingBar.clearAllFilters();
    });
    scene.runFrames(5);
    movingBar.resize(320, movingBar.shownHeight(320));
    canvas.put(movingBar, {0, bar.height() + (arriving ? 0 : kRow)});
    scene.runFrames(90);
  }
  return canvas.finish();
}

// New with a name typed; editing an empty category (delete offered); editing one with items.
QImage categoryForms(GalleryScene& scene) {
  PanelState state(scene.services<ItemServices>());
  const CustomCategory empty = state.addCategory(QStringLiteral("Recipes"), 3);
  const CustomCategory full = state.addCategory(QStringLiteral("Work"), 6);
  for (int i = 0; i < 3; ++i) state.setCategory(full.id, QUuid::createUuid());
  constexpr double kWidth = 300;
  GallerySheet canvas(scene, {kWidth + 12, 400});
  double y = 6;
  for (int look = 0; look < 3; ++look) {
    CategoryForm form(state, *scene.context.scheduler, FilterSurface::panel);
    CategoryFormView view(scene.context, form);
    state.setCategoryFormOpen(true);
    if (look == 0) {
      form.setName(QStringLiteral("Travel"));
      form.pickColor(4);
    } else {
      form.loadCategory(look == 1 ? empty : full);
    }
    view.resize(int(kWidth), view.sizeHint().height());
    scene.runFrames(90);
    canvas.put(view, {6, y});
    y += view.height() + 8;
    state.setCategoryFormOpen(false);
  }
  return canvas.finish();
}

// The strip at rest from the start, then scrolled to its last category (both fades), hovered.
QImage categoryStrip(GalleryScene& scene) {
  PanelState state(scene.services<ItemServices>());
  CustomCategory last;
  for (const QString& name : {QStringLiteral("Work"), QStringLiteral("Recipes"), QStringLiteral("Travel plans"),
                              QStringLiteral("Snippets archive"), QStringLiteral("Reading")})
    last = state.addCategory(name, int(state.customCategories().size()) % kCategoryPaletteSize);
  constexpr double kWidth = 340;
  GallerySheet canvas(scene, {kWidth, 2 * CategoryStripView::kHeight + 8});
  CategoryStripView first(scene.context, {}, {});
  connectCategoryStrip(first, state);
  first.resize(int(kWidth), int(CategoryStripView::kHeight));
  canvas.put(first, {0, 0});
  CategoryStripView scrolled(scene.context, {}, {});
  connectCategoryStrip(scrolled, state);
  scrolled.resize(int(kWidth), int(CategoryStripView::kHeight));
  state.setActiveFilter(FilterType::custom(state.customCategories()[3].id));
  scene.runFrames(90);
  scene.hover(scrolled, {kWidth - 30, CategoryStripView::kHeight / 2});
  canvas.put(scrolled, {0, CategoryStripView::kHeight + 8});
  return canvas.finish();
}

// The filter panel on each tab over a small history; the category tab with its form open.
QImage filterPanels(GalleryScene& scene) {
  PanelState state(scene.services<ItemServices>());
  const QDateTime now = scene.context.scheduler->now();
  auto item = [&](const char* app, double hoursAgo, ClipboardPayload payload) {
    return ClipboardItem::make(QUuid::createUuid(), QString::fromLatin1(app), now.addSecs(qint64(-hoursAgo * 3600)),
                               std::move(payload));
  };
  state.setItems({item("org.gnome.TextEditor", 1, TextPayload{QStringLiteral("Notes")}),
                  item("org.gnome.Terminal", 30, CodePayload{QStringLiteral("ls -la"), QStringLiteral("bash")}),
                  item("firefox-esr", 200, TextPayload{QStringLiteral("Quote")})});
  state.addCategory(QStringLiteral("Work"), 0);
  state.addCategory(QStringLiteral("Recipes"), 3);
  state.setFilterTypes({TypeFilter::code});
  state.setFilterDate(DateFilter::yesterday);
  state.setEdgeSide(QStringLiteral("right"));
  constexpr double kCell = 420;
  GallerySheet canvas(scene, {2 * kCell, 2 * 300});
  for (int index = 0; index < int(kFilterTabs.size()); ++index) {
    FilterPanelView panel(scene.context, state);
    panel.selectTab(kFilterTabs[index]);
    if (kFilterTabs[index] == FilterTab::category) panel.form().toggle();
    panel.adjustSize();
    scene.runFrames(90);
    canvas.put(panel, {(index % 2) * kCell, (index / 2) * 300.0});
    state.setCategoryFormOpen(false);
  }
  return canvas.finish();
}

// Mid-transition, a tenth of a second in: the strip's pencil moving from one category to the
// next, and the filter panel with its form sliding in and its reset button growing in.
QImage transitions(GalleryScene& scene) {
  auto& clock = static_cast<ManualFrameClock&>(*scene.context.frameClock);
  PanelState state(scene.services<ItemServices>());
  state.setItems({ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.gnome.TextEditor"),
                                      scene.context.scheduler->now(), TextPayload{QStringLiteral("Notes")})});
  const CustomCategory work = state.addCategory(QStringLiteral("Work"), 0);
  const CustomCategory recipes = state.addCategory(QStringLiteral("Recipes"), 3);
  state.setEdgeSide(QStringLiteral("left"));
  state.setActiveFilter(FilterType::custom(work.id));
  CategoryStripView strip(scene.context, {}, {});
  connectCategoryStrip(strip, state);
  strip.resize(360, int(CategoryStripView::kHeight));
  FilterPanelView panel(scene.context, state);
  panel.selectTab(FilterTab::category);
  scene.runFrames(90);
  withAnimation(Theme::springStandard(), [&] { state.setActiveFilter(FilterType::custom(recipes.id)); });
  withAnimation(Theme::springSnappy(), [&] { state.setFilterTypes({TypeFilter::text}); });
  panel.form().toggle();
  clock.advanceFrames(6);
  GallerySheet canvas(scene, {std::max(360.0, double(panel.width())), CategoryStripView::kHeight + panel.height()});
  canvas.put(strip, {0, 0});
  canvas.put(panel, {0, CategoryStripView::kHeight});
  QImage image = canvas.finish();
  scene.runFrames(90);
  return image;
}

QImage menus(GalleryScene& scene) {
  InterfaceServices& context = scene.context;
  std::unique_ptr<PanelMenu> status = makeQuickActionsMenu(context, false, {}, {}, {}, {}, {});
  status->popup(QPoint(0, 0));
  status->setActiveAction(status->rowTitled(QStringLiteral("Settings")));
  scene.runFrames(90);
  const QImage menu = status->grab().toImage();
  status->hide();

  PanelState state(scene.services<ItemServices>());
  DotsMenuRailView dots(context, state);
  dots.setProps({.isMonitoringPaused = true, .translucency = {}}, {});
  scene.hover(dots, dots.rowRect(1).center());
  const QSizeF menuSize = menu.deviceIndependentSize();
  GallerySheet canvas(scene,
                      {menuSize.width() + 20 + dots.width(), std::max(menuSize.height(), double(dots.height())) + 4});
  canvas.painter().drawImage(QPointF(0, 0), menu);
  canvas.put(dots, {menuSize.width() + 20, 0});
  return canvas.finish();
}

// The card list grouped, with a collapsed section, and empty under a search that finds nothing.
QImage cardLists(GalleryScene& scene) {
  ViewServices& context = scene.services<ViewServices>();
  const QList<ClipboardItem> items = gallerySampleItems(context.scheduler->now());
  GallerySheet canvas(scene, {3 * 330, 640});
  for (int look = 0; look < 3; ++look) {
    PanelState state(context);
    state.setItems(items);
    if (look == 1 && !state.collapsedGroups().contains(QStringLiteral("Today")))
      state.toggleCollapsedGroup(QStringLiteral("Today"));
    if (look == 2) state.setSearchQuery(QStringLiteral("no such words"));
    CardScrollView list(context, state);
    list.setAvailableRect(QRectF(0, 0, 320, 640));
    scene.runFrames(90);
    canvas.put(list, {look * 330.0, 0});
  }
  return canvas.finish();
}

// The list halfway through its transitions: a card that came in (blur-scale) beneath the cards
// gliding down, a card blown away with the card below gliding into its place, the empty state
// arriving, and the first card of an empty history coming in as the empty state leaves.
QImage cardListTransitions(GalleryScene& scene) {
  ViewServices& context = scene.services<ViewServices>();
  const QList<ClipboardItem> items = gallerySampleItems(context.scheduler->now());
  constexpr int kLooks = 4;
  GallerySheet canvas(scene, {kLooks * 330, 640});
  for (int look = 0; look < kLooks; ++look) {
    PanelState state(context);
    state.setIsVisible(true);
    QList<ClipboardItem> shown = items;
    if (look == 0) shown.removeAt(0);
    if (look == 3) shown.clear();
    state.setItems(shown);
    CardScrollView list(context, state);
    list.setAvailableRect(QRectF(0, 0, 320, 640));
    // On screen, so that its height follows the change as the panel's does.
    list.setAttribute(Qt::WA_DontShowOnScreen);
    list.show();
    scene.runFrames(90);
    QList<ClipboardItem> changed = items;
    if (look == 1) changed.removeAt(0);
    if (look == 2) changed.clear();
    if (look == 3) changed = items.first(1);
    state.setItems(changed);
    scene.runFrames(look == 2 ? 8 : 6);  // about halfway through 0.26 s
    canvas.put(list, {look * 330.0, 0});
  }
  return canvas.finish();
}

}  // namespace

QList<ClipboardItem> gallerySampleItems(const QDateTime& now) {
  const char* texts[] = {"Meeting notes for the project review on Thursday", "git commit -m 'Fix the invoice totals'",
                         "https://example.org/reports/quarterly", "Street address: 12 Harbour Lane"};
  QList<ClipboardItem> items;
  for (int i = 0; i < 4; ++i)
    items << ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.example.Editor"),
                                 now.addSecs(i < 2 ? -60 * i : -86400 - 60 * i),
                                 TextPayload{QString::fromLatin1(texts[i])});
  return items;
}

void addPanelGalleryViews(GalleryRegistry& registry) {
  registry.add(QStringLiteral("card-list"), cardLists);
  registry.add(QStringLiteral("card-list-transitions"), cardListTransitions);
  registry.add(QStringLiteral("filter-chips"), chips);
  registry.add(QStringLiteral("filter-rail"), rail);
  registry.add(QStringLiteral("filter-status-bar"), statusBar);
  registry.add(QStringLiteral("quick-actions-menus"), menus);
  registry.add(QStringLiteral("category-form"), categoryForms);
  registry.add(QStringLiteral("category-strip"), categoryStrip);
  registry.add(QStringLiteral("filter-panel"), filterPanels);
  registry.add(QStringLiteral("filter-transitions"), transitions);
  addPanelChromeGalleryViews(registry);
}

}  // namespace qv
