#include "panel/CardContextMenu.h"

#include "platform/Workspace.h"
#include "preview/LinkOpening.h"
#include "ui/InterfaceServices.h"
#include "ui/controls/ControlStyle.h"
#include "ui/theme/Environment.h"

namespace qv {

namespace {

MenuRow actionRow(const QString& title, const QString& symbol, std::function<void()> action) {
  MenuRow row;
  row.title = title;
  row.symbol = symbol;
  row.action = std::move(action);
  return row;
}

// Binds an argument to an action that may be unset (an unset action stays unset).
template <typename Arg, typename Value>
std::function<void()> bound(const std::function<void(Arg)>& action, Value argument) {
  if (!action) return {};
  return [action, argument] { action(argument); };
}

std::vector<MenuRow> transformRows(const CardContextMenuActions& actions) {
  std::vector<MenuRow> rows;
  for (const QList<TextTransform>& group : TextTransform::groups()) {
    if (!rows.empty()) rows.push_back(MenuRow::separator());
    for (const TextTransform transform : group) {
      const TransformRowLook look = transformRowLook(transform);
      rows.push_back(actionRow(look.title, look.symbol, bound(actions.onTransform, transform)));
    }
  }
  return rows;
}

std::vector<MenuRow> categoryRows(const CardContextMenuInputs& inputs, const CardContextMenuActions& actions) {
  std::vector<MenuRow> rows;
  if (inputs.currentCategory) {
    rows.push_back(actionRow(QStringLiteral("None"), QStringLiteral("xmark"),
                             bound(actions.onAssignCategory, std::optional<QUuid>())));
    rows.push_back(MenuRow::separator());
  }
  for (const CustomCategory& category : inputs.categories) {
    MenuRow row = actionRow(category.name, {}, bound(actions.onAssignCategory, std::optional<QUuid>(category.id)));
    row.dotColor = categoryPaletteColor(category.colorIndex);
    row.isChecked = inputs.currentCategory && inputs.currentCategory->id == category.id;
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace

TransformRowLook transformRowLook(TextTransform transform) {
  switch (transform.value()) {
    case TextTransform::trim: return {QStringLiteral("Trim Whitespace"), QStringLiteral("scissors")};
    case TextTransform::collapseWhitespace:
      return {QStringLiteral("Collapse Spaces"), QStringLiteral("arrow.right.and.line.vertical.and.arrow.left")};
    case TextTransform::singleLine: return {QStringLiteral("Join Lines"), QStringLiteral("arrow.turn.up.right")};
    case TextTransform::lowercase: return {QStringLiteral("lowercase"), QStringLiteral("textformat.abc")};
    case TextTransform::uppercase:
      return {QStringLiteral("UPPERCASE"), QStringLiteral("textformat.abc.dottedunderline")};
    case TextTransform::titleCase: return {QStringLiteral("Title Case"), QStringLiteral("textformat")};
    case TextTransform::sentenceCase: return {QStringLiteral("Sentence case"), QStringLiteral("text.alignleft")};
    case TextTransform::urlEncode: return {QStringLiteral("URL Encode"), QStringLiteral("link.badge.plus")};
    case TextTransform::urlDecode: return {QStringLiteral("URL Decode"), QStringLiteral("link")};
  }
  return {transform.rawValue(), {}};
}

std::vector<MenuRow> cardContextMenuRows(const CardContextMenuInputs& inputs, const CardContextMenuActions& actions) {
  const ClipboardItem& item = inputs.item;
  // No rule is ever stored for an empty id, and there is no application to switch to.
  const bool hasSourceApp = isApplicationSource(item.sourceAppBundleID);
  const auto* link = fieldsIf<LinkPayload>(&item.payload);
  const auto* file = fieldsIf<FilePayload>(&item.payload);

  std::vector<MenuRow> rows;
  rows.push_back(actionRow(QStringLiteral("Paste"), QStringLiteral("doc.on.clipboard"), actions.onPaste));
  if (inputs.supportsPlain) {
    rows.push_back(
        actionRow(QStringLiteral("Paste as Plain Text"), QStringLiteral("textformat"), actions.onPastePlain));
    MenuRow transformed = actionRow(QStringLiteral("Paste Transformed"), QStringLiteral("wand.and.sparkles"), {});
    transformed.submenu = transformRows(actions);
    rows.push_back(std::move(transformed));
  }
  rows.push_back(actionRow(QStringLiteral("Copy"), QStringLiteral("doc.on.doc"), actions.onCopy));
  if (link) {
    rows.push_back(
        actionRow(QStringLiteral("Open URL"), QStringLiteral("safari"), bound(actions.onOpenUrl, QUrl(link->url))));
  } else if (hasSourceApp) {
    rows.push_back(actionRow(QStringLiteral("Switch to ") + inputs.appName, QStringLiteral("arrow.up.forward.app"),
                             actions.onSwitchToApp));
  }
  if (file && file->url && file->url->isLocalFile()) {
    rows.push_back(actionRow(QStringLiteral("Show in Files"), QStringLiteral("magnifyingglass"),
                             bound(actions.onShowInFiles, file->url->toLocalFile())));
  }
  rows.push_back(MenuRow::separator());
  rows.push_back(actionRow(inputs.isPinned ? QStringLiteral("Unpin") : QStringLiteral("Pin"),
                           inputs.isPinned ? QStringLiteral("pin.slash") : QStringLiteral("pin"), actions.onTogglePin));
  if (!inputs.categories.isEmpty()) {
    MenuRow move = actionRow(QStringLiteral("Move to Category"), QStringLiteral("tag"), {});
    move.submenu = categoryRows(inputs, actions);
    rows.push_back(std::move(move));
  }
  rows.push_back(MenuRow::separator());
  rows.push_back(actionRow(inputs.isSensitive ? QStringLiteral("Unmark Sensitive") : QStringLiteral("Mark Sensitive"),
                           inputs.isSensitive ? QStringLiteral("eye") : QStringLiteral("eye.slash"),
                           actions.onMarkSensitive));
  if (hasSourceApp) {
    // Like the pin and sensitive rows, a rule already in force is offered as its undoing.
    const bool blurred = inputs.appRule == AppRule::blur, ignored = inputs.appRule == AppRule::never;
    rows.push_back(actionRow(
        (blurred ? QStringLiteral("Stop Blurring clips from ") : QStringLiteral("Blur clips from ")) + inputs.appName,
        blurred ? QStringLiteral("eye") : QStringLiteral("eye.slash"),
        bound(actions.onAppRule, blurred ? AppRule::normal : AppRule::blur)));
    rows.push_back(actionRow((ignored ? QStringLiteral("Stop Ignoring ") : QStringLiteral("Ignore ")) + inputs.appName,
                             QStringLiteral("nosign"),
                             bound(actions.onAppRule, ignored ? AppRule::normal : AppRule::never)));
  }
  rows.push_back(MenuRow::separator());
  MenuRow remove = actionRow(QStringLiteral("Delete"), QStringLiteral("trash"), actions.onDelete);
  remove.tint = systemRed(EnvironmentValues{});
  rows.push_back(std::move(remove));
  return rows;
}

std::unique_ptr<PanelMenu> makeCardContextMenu(InterfaceServices& context, const CardContextMenuInputs& inputs,
                                               CardContextMenuActions actions) {
  std::weak_ptr<Workspace> workspace = context.workspace;
  // Web and mail links open at once; any other scheme asks first.
  if (!actions.onOpenUrl) actions.onOpenUrl = linkOpener(context);
  if (!actions.onShowInFiles) {
    actions.onShowInFiles = [workspace](const QString& path) {
      if (auto live = workspace.lock()) live->revealFile(path);
    };
  }
  std::vector<MenuRow> rows = cardContextMenuRows(inputs, actions);
  rows.back().tint = systemRed(context.environment->values());
  return std::make_unique<PanelMenu>(context, std::move(rows));
}

}  // namespace qv
