#include "panel/PanelGallery.h"

#include "cards/ViewServices.h"
#include "items/model/ClipboardItem.h"
#include "panel/CopiedToastView.h"
#include "panel/PanelView.h"
#include "panel/SearchBarView.h"
#include "platform/Scheduler.h"
#include "state/PanelState.h"
#include "ui/anim/FrameClock.h"
#include "ui/controls/ControlStyle.h"
#include "ui/view/GalleryRegistry.h"

#include <QPainter>

namespace qv {

namespace {

QImage copiedToast(GalleryScene& scene) {
  CopiedToastView toast(scene.context);
  toast.resize(toast.sizeHint());
  toast.setProps({true});
  scene.runFrames();
  GallerySheet sheet(scene, QSizeF(toast.width() + 40, toast.height() + 40));
  // A stand-in for the column surface the toast floats over.
  sheet.painter().fillRect(QRectF(0, 0, toast.width() + 40, toast.height() + 40),
                           primaryColor(scene.environment, 0.04));
  sheet.put(toast, {20, 20});
  return sheet.finish();
}

QImage searchBars(GalleryScene& scene) {
  struct Row {
    const char* label;
    SearchBarView::Props props;
  };
  SearchBarView::Props shown;
  shown.panelVisible = true;
  SearchBarView::Props typed = shown;
  typed.query = QStringLiteral("invoice 2024");
  SearchBarView::Props filtering = typed;
  filtering.filtersInForce = true;
  SearchBarView::Props menuOpen = shown;
  menuOpen.showDotsMenu = true;
  menuOpen.showFilterPanel = false;
  const Row rows[] = {{"hidden (placeholder)", {}},
                      {"empty", shown},
                      {"with a query", typed},
                      {"filters in force", filtering},
                      {"dots menu open", menuOpen}};
  constexpr double kWidth = 320;
  constexpr double kRowStep = 66;
  GallerySheet sheet(scene, QSizeF(kWidth, kRowStep * std::size(rows)));
  double y = 0;
  for (const Row& row : rows) {
    SearchBarView bar(scene.context, {}, {});
    bar.resize(int(kWidth), bar.sizeHint().height());
    bar.setProps(row.props, {});
    scene.runFrames();
    sheet.label(QString::fromLatin1(row.label), {10, y + 12});
    sheet.put(bar, {0, y + 14});
    y += kRowStep;
  }
  return sheet.finish();
}

// The whole panel content, on the right edge with a query, a filter in force and the filter
// panel open, and on the left edge with the quick-actions menu open and the copied toast.
QImage panelRoots(GalleryScene& scene) {
  ViewServices& context = scene.services<ViewServices>();
  const QList<ClipboardItem> items = gallerySampleItems(context.scheduler->now());
  const QSize size(916, 640);
  GallerySheet sheet(scene, QSizeF(size.width(), 2 * size.height() + 10));
  for (int look = 0; look < 2; ++look) {
    PanelState state(context);
    state.setEdgeSide(look == 0 ? QStringLiteral("right") : QStringLiteral("left"));
    state.setIsVisible(true);
    state.setItems(items);
    PanelView root(context, state, {});
    root.resize(size);
    root.setAttribute(Qt::WA_DontShowOnScreen);
    root.show();
    if (look == 0) {
      state.setSearchQuery(QStringLiteral("re"));
      state.setFilterTypes({TypeFilter::text});
      state.setShowFilterPanel(true);
    } else {
      state.setShowDotsMenu(true);
      state.setShowCopiedToast(true);
    }
    scene.runFrames();
    sheet.put(root, {0, double(look * (size.height() + 10))});
  }
  return sheet.finish();
}

}  // namespace

void addPanelChromeGalleryViews(GalleryRegistry& registry) {
  registry.add(QStringLiteral("panel-root"), panelRoots);
  registry.add(QStringLiteral("panel-copied-toast"), copiedToast);
  registry.add(QStringLiteral("panel-search-bar"), searchBars);
}

}  // namespace qv
