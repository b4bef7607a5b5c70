#include "panel/CardCellGallery.h"

#include "cards/ViewServices.h"
#include "panel/CardCellView.h"
#include "state/PanelState.h"
#include "ui/text/Fonts.h"

#include <QPainter>

namespace qv {

namespace {

ClipboardItem sampleText(const ViewServices& context, const QString& text, const QString& app, int minutesAgo) {
  return ClipboardItem::make(QUuid::createUuid(), app, context.scheduler->now().addSecs(-60 * minutesAgo),
                             TextPayload{text});
}

// Three cells: at rest, lifted under the pointer with its quick actions, and selected with the
// paste hint showing.
QImage cardCells(GalleryScene& scene) {
  ViewServices& context = scene.services<ViewServices>();
  PanelState state(context);
  const QList<ClipboardItem> items = {
      sampleText(context, "Meet at the north entrance at half past nine.", "org.gnome.TextEditor", 2),
      sampleText(context, "git rebase --onto main feature~3 feature", "org.gnome.Terminal", 12),
      sampleText(context, "The quarterly numbers are in the shared folder.", "org.gnome.Nautilus", 60)};
  state.setItems(items);
  CardTapMemory taps;
  std::vector<std::unique_ptr<CardCellView>> cells;
  for (int i = 0; i < items.size(); ++i) {
    cells.push_back(std::make_unique<CardCellView>(context, state, taps));
    cells.back()->setItem(items[i], i);
  }
  cells[1]->pointerHovered(true);
  state.setSelectedIndex(2);
  state.showPasteHint(items[2]);
  scene.clock().advanceFrames(90);

  QImage image = scene.canvas(3 * 320 + 20, 300);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setFont(systemFont(10));
  painter.setPen(scene.environment.isDark() ? QColor(220, 220, 225) : QColor(60, 60, 66));
  const char* labels[] = {"resting", "lifted (hovered)", "selected, paste hint"};
  for (int i = 0; i < 3; ++i) {
    const QPointF origin(20 + i * 320.0, 30);
    painter.drawImage(origin - cells[i]->renderOrigin(), cells[i]->renderForTest(scene.devicePixelRatio));
    painter.drawText(QPointF(origin.x(), 290), QString::fromLatin1(labels[i]));
  }
  cells[1]->pointerHovered(false);
  return image;
}

// A text card's menu with its transforms open, and a file card's menu with categories.
QImage cardMenu(GalleryScene& scene) {
  ViewServices& context = scene.services<ViewServices>();
  CustomCategory work{QUuid::createUuid(), QStringLiteral("Work"), 4};
  CustomCategory snippets{QUuid::createUuid(), QStringLiteral("Snippets"), 2};
  const ClipboardItem text = sampleText(context, QStringLiteral("hello"), QStringLiteral("org.gnome.TextEditor"), 1);
  const ClipboardItem file = ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.gnome.Nautilus"),
                                                 context.scheduler->now(),
                                                 FilePayload{QStringLiteral("report.pdf"), QStringLiteral("2 MB"),
                                                             Url::fromLocalFile(QStringLiteral("/tmp/report.pdf"))});
  std::vector<QImage> shots;
  auto grab = [&](const CardContextMenuInputs& inputs, const QString& active, const QString& openSubmenu) {
    std::unique_ptr<PanelMenu> menu = makeCardContextMenu(context, inputs, {});
    menu->popup(QPoint(0, 0));
    if (PanelMenuRowView* row = menu->rowTitled(active)) menu->setActiveAction(row);
    scene.clock().advanceFrames(20);
    shots.push_back(menu->grab().toImage());
    if (!openSubmenu.isEmpty())
      if (PanelMenuRowView* row = menu->rowTitled(openSubmenu); row && row->menu()) {
        row->menu()->popup(QPoint(0, 0));
        scene.clock().advanceFrames(20);
        shots.push_back(row->menu()->grab().toImage());
        row->menu()->hide();
      }
    menu->hide();
  };
  grab({text, false, false, {work, snippets}, std::nullopt, true, QStringLiteral("Text Editor")},
       QStringLiteral("Paste Transformed"), QStringLiteral("Paste Transformed"));
  // Its application's clips already blurred: the rule row offers to stop.
  grab({file, true, true, {work, snippets}, snippets, true, QStringLiteral("Files"), AppRule::blur},
       QStringLiteral("Show in Files"), QStringLiteral("Move to Category"));

  return scene.sideBySide(shots, 6);
}

}  // namespace

void addCardCellGalleryViews(GalleryRegistry& registry) {
  registry.add(QStringLiteral("panel-card-cells"), cardCells);
  registry.add(QStringLiteral("panel-card-menu"), cardMenu);
}

}  // namespace qv
