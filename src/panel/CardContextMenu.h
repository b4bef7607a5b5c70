#pragma once
#include "items/model/ClipboardItem.h"
#include "items/rules/AppRule.h"
#include "items/transform/TextTransform.h"
#include "state/CustomCategory.h"
#include "ui/controls/PanelMenu.h"

#include <QList>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace qv {

struct InterfaceServices;

// What a card's right-click menu shows, as plain values: the panel's card cell and the
// library's grid each fill it from their own state.
struct CardContextMenuInputs {
  ClipboardItem item;
  bool isPinned = false;
  bool isSensitive = false;
  QList<CustomCategory> categories;
  std::optional<CustomCategory> currentCategory;
  // The item has a plain-text form: plain and transformed pastes are offered.
  bool supportsPlain = false;
  // The display name of the item's source application.
  QString appName;
  // The capture rule in force for that application.
  AppRule appRule = AppRule::normal;
};

// What the rows do. "Open URL" follows the link rule (openLink) and "Show in Files" goes to the
// workspace unless set here.
struct CardContextMenuActions {
  std::function<void()> onMarkSensitive;
  std::function<void(AppRule)> onAppRule;
  std::function<void()> onPaste;
  std::function<void()> onPastePlain;
  std::function<void(TextTransform)> onTransform;
  std::function<void()> onCopy;
  std::function<void()> onTogglePin;
  std::function<void(std::optional<QUuid>)> onAssignCategory;
  std::function<void()> onDelete;
  std::function<void()> onSwitchToApp;
  std::function<void(const QUrl&)> onOpenUrl;
  std::function<void(const QString& path)> onShowInFiles;
};

// The rows of a card's menu, in order: the pastes (plain and "Paste Transformed" only with a
// plain-text form), "Copy", "Open URL" for a link or "Switch to <app>" for other items, "Show in
// Files" for a file item with a local file; the pin row and "Move to Category" (when there are
// categories); the sensitive row and the two application rules, each turned into its undoing
// ("Stop Blurring …", "Stop Ignoring …") while that rule is in force; "Delete". An item from a
// nearby device, or with no source application at all, has no switch row and no rule rows.
std::vector<MenuRow> cardContextMenuRows(const CardContextMenuInputs& inputs, const CardContextMenuActions& actions);

// The title and symbol of a transform's row.
struct TransformRowLook {
  QString title;
  QString symbol;
};
TransformRowLook transformRowLook(TextTransform transform);

// The menu, built afresh for one opening; "Open URL" and "Show in Files" go through the
// context's workspace unless the actions say otherwise. Open it with the MenuPresenter.
std::unique_ptr<PanelMenu> makeCardContextMenu(InterfaceServices& context, const CardContextMenuInputs& inputs,
                                               CardContextMenuActions actions);

}  // namespace qv
