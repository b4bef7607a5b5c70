#include "library/LibraryDetailHeader.h"

#include "library/LibraryDetailView.h"
#include "library/LibraryHeaderButton.h"
#include "preview/PreviewContent.h"
#include "preview/SharePickerAnchor.h"
#include "ui/controls/ControlStyle.h"
#include "ui/controls/PillButtons.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"
#include "ui/text/Fonts.h"
#include "ui/text/TextBlock.h"

#include <QPainter>

namespace qv {

// ---- The edit bar -------------------------------------------------------------------------------

// What takes the action row's place while the item is edited: a pencil, "Editing", and the
// Cancel and Save pills at the right, 8 apart.
class DetailEditBar : public PaintedWidget {
 public:
  DetailEditBar(InterfaceServices& context, std::function<void()> onCancel, std::function<void()> onSave,
                QWidget* parent)
      : PaintedWidget(context, parent),
        cancel(new ToolbarPillButton(context, {LibraryDetailView::tr("Cancel"), false}, {std::move(onCancel)}, this)),
        save(new ToolbarPillButton(context, {LibraryDetailView::tr("Save"), true}, {std::move(onSave)}, this)),
        label_(LibraryDetailView::tr("Editing"), TextStyle{systemFont(12, QFont::Medium), 0, 1}) {
    setHoverEnabled(false);
  }
  // Lays the bar out from `right` leftwards in its own coordinates; where its pencil starts.
  double place(double right) {
    double left = right;
    for (ToolbarPillButton* pill : {save, cancel}) {
      const QSize size = pill->sizeHint();
      left = right - size.width();
      pill->setGeometry(
          QRectF(left, height() / 2.0 - size.height() / 2.0, size.width(), size.height()).toAlignedRect());
      right = left - LibraryDetailView::kButtonSpacing;
    }
    // The pencil, "Editing" and the space before the pills.
    pencilLeft_ = left - (kPencilSize + LibraryDetailView::kButtonSpacing + label_.size(0).width() +
                          LibraryDetailView::kButtonSpacing);
    update();
    return pencilLeft_;
  }
  QPainterPath hitShape() const override { return {}; }

  ToolbarPillButton* cancel;
  ToolbarPillButton* save;

 protected:
  void paint(QPainter& painter) override {
    const EnvironmentValues env = environment();
    painter.setRenderHint(QPainter::Antialiasing);
    const double middle = height() / 2.0;
    const QImage pencil = Symbols::image(QStringLiteral("pencil"), kPencilSize, labelColor(env, LabelLevel::secondary),
                                         Fx::painterScale(painter));
    if (!pencil.isNull())
      painter.drawImage(QPointF(pencilLeft_, middle - pencil.deviceIndependentSize().height() / 2), pencil);
    const QSizeF label = label_.size(0);
    label_.draw(painter,
                QPointF(pencilLeft_ + kPencilSize + LibraryDetailView::kButtonSpacing, middle - label.height() / 2), 0,
                labelColor(env, LabelLevel::primary));
  }

 private:
  static constexpr double kPencilSize = 11;
  TextBlock label_;
  double pencilLeft_ = 0;
};

// ---- The action row ------------------------------------------------------------------------------

std::vector<LibraryDetailActionButton> LibraryDetailHeader::rowFor(const ClipboardItem& item, const Marks& marks) {
  const bool hidden = marks.isSensitive && !marks.isPeeked;
  std::vector<ActionButton> row;
  if (marks.isSensitive)
    row.push_back({Action::peek, hidden ? QStringLiteral("eye") : QStringLiteral("eye.slash"),
                   hidden ? LibraryDetailView::tr("Peek") : LibraryDetailView::tr("Hide again")});
  row.push_back({Action::copy, marks.copied ? QStringLiteral("checkmark") : QStringLiteral("doc.on.doc"),
                 LibraryDetailView::tr("Copy to the clipboard")});
  if (item.plainText())
    row.push_back({Action::copyPlainText, QStringLiteral("textformat"), LibraryDetailView::tr("Copy as plain text")});
  if (LibraryDetailView::canEdit(item, hidden))
    row.push_back({Action::edit, QStringLiteral("pencil"), LibraryDetailView::tr("Edit")});
  row.push_back({Action::share, QStringLiteral("square.and.arrow.up"),
                 marks.isSharing ? LibraryDetailView::tr("Close share sheet") : LibraryDetailView::tr("Share"),
                 marks.isSharing});
  row.push_back(
      {Action::pin, marks.isPinned ? QStringLiteral("pin.fill") : QStringLiteral("pin"),
       marks.isPinned ? LibraryDetailView::tr("Unpin") : LibraryDetailView::tr("Keep regardless of retention"),
       marks.isPinned});
  if (localFileURL(item))
    row.push_back({Action::reveal, QStringLiteral("magnifyingglass"), LibraryDetailView::tr("Show in Files")});
  if (std::holds_alternative<LinkPayload>(item.payload))
    row.push_back({Action::openLink, QStringLiteral("safari"), LibraryDetailView::tr("Open link")});
  row.push_back({Action::remove, QStringLiteral("trash"), LibraryDetailView::tr("Delete this item"), false, true});
  row.push_back({Action::close, QStringLiteral("xmark"), LibraryDetailView::tr("Close")});
  return row;
}

// ---- The header ----------------------------------------------------------------------------------

LibraryDetailHeader::LibraryDetailHeader(InterfaceServices& context, QWidget* pane,
                                         std::function<void(Action)> onAction, std::function<void()> onCancel,
                                         std::function<void()> onSave)
    : pane_(pane),
      onAction_(std::move(onAction)),
      actionRow_(new QWidget(pane)),
      editBar_(new DetailEditBar(context, std::move(onCancel), std::move(onSave), pane)),
      shareAnchor_(new SharePickerAnchor(context, actionRow_)),
      // The edit bar's pills and the row's buttons share the header's right end: one goes before
      // the other comes.
      fade_(context, CrossFade::Outgoing::hide, nullptr, CrossFade::Blend::inTurn) {
  for (int i = 0; i < kLibraryDetailActionCount; ++i) {
    buttons_[i] = new LibraryHeaderButton(context, actionRow_);
    buttons_[i]->hide();
    const auto action = Action(i);
    buttons_[i]->setActsOnItem(action == Action::copy || action == Action::copyPlainText || action == Action::remove);
  }
  editBar_->save->setActsOnItem(true);
  editBar_->hide();
  shareAnchor_->setAttribute(Qt::WA_TransparentForMouseEvents);
}

bool LibraryDetailHeader::setRow(std::vector<ActionButton> row, bool isEditing) {
  const bool moved = [&] {
    if (row.size() != row_.size()) return true;
    for (size_t i = 0; i < row.size(); ++i)
      if (row[i].action != row_[i].action) return true;
    return false;
  }();
  row_ = std::move(row);
  if (!isEditing) {
    std::array<bool, kLibraryDetailActionCount> shown{};
    for (const ActionButton& each : row_) {
      LibraryHeaderButton* button = buttons_[size_t(each.action)];
      shown[size_t(each.action)] = true;
      button->setToolTip(each.help);
      button->setAccessibleName(each.help);
      button->setProps({each.symbol, each.isActive, each.isDestructive},
                       {[this, action = each.action] { onAction_(action); }});
    }
    for (int i = 0; i < kLibraryDetailActionCount; ++i) buttons_[i]->setVisible(shown[i]);
  }
  return moved;
}

void LibraryDetailHeader::showFace(bool isEditing, const std::optional<Animation>& animation) {
  fade_.swapTo(isEditing ? static_cast<QWidget*>(editBar_) : actionRow_, animation);
}

double LibraryDetailHeader::place(const QRectF& header, double paneWidth, bool isEditing) {
  // Both faces of the header span the pane's width in the header's band, so that their
  // controls stand where the pane's coordinates say.
  const QRect band = QRectF(0, header.top(), paneWidth, header.height()).toAlignedRect();
  actionRow_->setGeometry(band);
  editBar_->setGeometry(band);
  const double middle = header.height() / 2;
  // The action row (or the edit bar's pills) from the right, 14 in from the edge.
  double right = header.right() - LibraryDetailView::kRowPadding;
  double rowLeft = right;
  for (auto it = row_.rbegin(); it != row_.rend(); ++it) {
    LibraryHeaderButton* button = buttons_[size_t(it->action)];
    rowLeft = right - LibraryHeaderButton::kSide;
    button->setGeometry(
        QRectF(rowLeft, middle - LibraryHeaderButton::kSide / 2, LibraryHeaderButton::kSide, LibraryHeaderButton::kSide)
            .toAlignedRect());
    right = rowLeft - LibraryDetailView::kButtonSpacing;
  }
  shareAnchor_->setGeometry(buttons_[size_t(Action::share)]->geometry());
  shareAnchor_->lower();
  const double barLeft = editBar_->place(header.right() - LibraryDetailView::kRowPadding);
  return isEditing ? barLeft : rowLeft;
}

LibraryHeaderButton* LibraryDetailHeader::button(Action action) const {
  LibraryHeaderButton* button = buttons_[size_t(action)];
  return fade_.current() == actionRow_ && button->isVisibleTo(pane_) ? button : nullptr;
}

ToolbarPillButton* LibraryDetailHeader::cancelButton() const { return editBar_->cancel; }

ToolbarPillButton* LibraryDetailHeader::saveButton() const { return editBar_->save; }

}  // namespace qv
