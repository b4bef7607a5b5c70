#include "preview/PreviewRail.h"

#include "platform/keys/KeyCodes.h"
#include "preview/ItemPreviewView.h"
#include "preview/PreviewContent.h"
#include "ui/controls/OrnamentRail.h"

#include <algorithm>

namespace qv {

namespace {
constexpr double kFace = OrnamentRailButton::kFace;
constexpr double kPadding = ItemPreviewView::kRailPadding;
constexpr double kSpacing = ItemPreviewView::kRailSpacing;
}  // namespace

// ---- Rules --------------------------------------------------------------------------------------

int PreviewRail::actionCount(const ClipboardItem& item) {
  int count = 4;
  if (item.plainText()) ++count;
  if (std::holds_alternative<CodePayload>(item.payload) || std::holds_alternative<TextPayload>(item.payload)) ++count;
  if (std::holds_alternative<LinkPayload>(item.payload)) ++count;
  if (localFileURL(item)) ++count;
  return count;
}

QString PreviewRail::revealLabel() {
  return QStringLiteral("Show in Files  ") + keys::shortcutText({keys::code::R, keys::kCommandFlag});
}

std::vector<PreviewRail::Row> PreviewRail::rowsFor(const ClipboardItem& item, bool isPinned, bool isSharing,
                                                   bool isEditing) {
  if (isEditing)
    return {{QStringLiteral("checkmark"), QStringLiteral("Save changes"), true, Action::save},
            {QStringLiteral("xmark"), QStringLiteral("Discard changes"), false, Action::discard}};
  std::vector<Row> rows;
  rows.push_back({QStringLiteral("xmark"), QStringLiteral("Close"), false, Action::close});
  rows.push_back({QStringLiteral("doc.on.doc"), QStringLiteral("Copy to clipboard"), false, Action::copy});
  if (item.plainText())
    rows.push_back({QStringLiteral("textformat"), QStringLiteral("Copy as plain text"), false, Action::copyPlainText});
  if (std::holds_alternative<CodePayload>(item.payload) || std::holds_alternative<TextPayload>(item.payload))
    rows.push_back({QStringLiteral("pencil"), QStringLiteral("Edit"), false, Action::edit});
  rows.push_back({QStringLiteral("square.and.arrow.up"),
                  isSharing ? QStringLiteral("Close share sheet") : QStringLiteral("Share"), isSharing, Action::share});
  rows.push_back({isPinned ? QStringLiteral("pin.fill") : QStringLiteral("pin"),
                  isPinned ? QStringLiteral("Unpin") : QStringLiteral("Pin"), isPinned, Action::pin});
  if (std::holds_alternative<LinkPayload>(item.payload))
    rows.push_back({QStringLiteral("safari"), QStringLiteral("Open in Browser"), false, Action::openInBrowser});
  if (localFileURL(item)) rows.push_back({QStringLiteral("magnifyingglass"), revealLabel(), false, Action::reveal});
  return rows;
}

// ---- The buttons --------------------------------------------------------------------------------

PreviewRail::PreviewRail(InterfaceServices& context, QWidget* pane, std::function<void(Action)> onAction)
    : context_(context), pane_(pane), onAction_(std::move(onAction)) {}

bool PreviewRail::setRows(std::vector<Row> rows) {
  const bool moved = rows.size() != rows_.size();
  // A button kept for another action is another button to the pointer resting on it.
  for (size_t i = 0; i < std::min(rows.size(), buttons_.size()); ++i)
    if (i >= rows_.size() || rows[i].action != rows_[i].action) buttons_[i]->actsAnew();
  rows_ = std::move(rows);
  while (buttons_.size() > rows_.size()) {
    delete buttons_.back();
    buttons_.pop_back();
  }
  while (buttons_.size() < rows_.size()) {
    auto* button = new OrnamentRailButton(context_, {}, {}, pane_);
    button->show();
    buttons_.push_back(button);
  }
  for (size_t i = 0; i < rows_.size(); ++i) {
    const Row& row = rows_[i];
    buttons_[i]->setToolTip(row.label);
    buttons_[i]->setProps({row.icon, row.isSelected, false, true, false},
                          {[this, action = row.action] { onAction_(action); }});
    buttons_[i]->setActsOnItem(row.action == Action::save || row.action == Action::copy ||
                               row.action == Action::copyPlainText);
  }
  return moved;
}

double PreviewRail::height() const {
  const auto count = double(rows_.size());
  return kFace * count + kSpacing * std::max(0.0, count - 1) + 2 * kPadding;
}

void PreviewRail::place(const QRectF& rail, double scale, double opacity) {
  // Each button's face from the middle of its place, moved towards the rail's middle as the
  // rail grows.
  double y = rail.top() + kPadding;
  for (OrnamentRailButton* button : buttons_) {
    const QPointF middle(rail.left() + kPadding + kFace / 2, y + kFace / 2);
    const QPointF shown = rail.center() + (middle - rail.center()) * scale;
    button->setGeometry(QRectF(shown - QPointF(kFace, kFace) / 2, QSizeF(kFace, kFace)).toRect());
    button->setTransitionLook(scale, opacity);
    y += kFace + kSpacing;
  }
}

std::optional<QRectF> PreviewRail::shareFace(const QRectF& rail) const {
  std::optional<QRectF> face;
  double y = rail.top() + kPadding;
  for (size_t i = 0; i < rows_.size() && i < buttons_.size(); ++i, y += kFace + kSpacing)
    if (rows_[i].action == Action::share) face = QRectF(rail.left() + kPadding, y, kFace, kFace);
  return face;
}

}  // namespace qv
