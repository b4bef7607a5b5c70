#pragma once
#include "items/model/ClipboardItem.h"
#include "preview/CrossFade.h"
#include "ui/anim/Animation.h"

#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <vector>

class QWidget;
class QRectF;

namespace qv {

struct InterfaceServices;
class LibraryHeaderButton;
class SharePickerAnchor;
class ToolbarPillButton;
class DetailEditBar;

// What a button of the detail pane's action row does.
enum class LibraryDetailAction { peek, copy, copyPlainText, edit, share, pin, reveal, openLink, remove, close };
inline constexpr int kLibraryDetailActionCount = 10;

// One button of the action row as it shows now.
struct LibraryDetailActionButton {
  LibraryDetailAction action = LibraryDetailAction::close;
  QString symbol;
  QString help;  // its tooltip and spoken name
  bool isActive = false;
  bool isDestructive = false;
  bool operator==(const LibraryDetailActionButton&) const = default;
};

// The detail pane's header but for its caption: the two faces that crossfade in it, the action
// row and (while the item's text is edited) the edit bar, and the share menu's anchor behind the
// Share button. The widgets are the pane's children; the pane lays the caption beside them.
class LibraryDetailHeader {
 public:
  using Action = LibraryDetailAction;
  using ActionButton = LibraryDetailActionButton;
  // What decides the action row besides the item.
  struct Marks {
    bool isSensitive = false;
    bool isPeeked = false;
    bool isPinned = false;
    bool copied = false;
    bool isSharing = false;
  };

  // The buttons of the action row, in order.
  static std::vector<ActionButton> rowFor(const ClipboardItem& item, const Marks& marks);

  // A button of the row runs onAction; the edit bar's pills run onCancel and onSave.
  LibraryDetailHeader(InterfaceServices& context, QWidget* pane, std::function<void(Action)> onAction,
                      std::function<void()> onCancel, std::function<void()> onSave);

  // The action row's buttons, in order; whether another set of actions came. While editing the
  // row is empty and its buttons keep their look while it fades out.
  bool setRow(std::vector<ActionButton> row, bool isEditing);
  const std::vector<ActionButton>& row() const { return row_; }
  // Crossfades to the edit bar while editing, to the action row otherwise.
  void showFace(bool isEditing, const std::optional<Animation>& animation);
  // Lays both faces out over the pane's width in the band of `header` (in the pane's
  // coordinates); where the face shown starts on the left.
  double place(const QRectF& header, double paneWidth, bool isEditing);

  // The shown button of an action; null while it is not in the row (or the row is leaving).
  LibraryHeaderButton* button(Action action) const;
  ToolbarPillButton* cancelButton() const;
  ToolbarPillButton* saveButton() const;
  SharePickerAnchor& shareAnchor() const { return *shareAnchor_; }
  const CrossFade& fade() const { return fade_; }

 private:
  QWidget* pane_;
  std::function<void(Action)> onAction_;
  QWidget* actionRow_;  // the action buttons, over the header's width
  DetailEditBar* editBar_;
  SharePickerAnchor* shareAnchor_;
  std::array<LibraryHeaderButton*, kLibraryDetailActionCount> buttons_{};
  std::vector<ActionButton> row_;
  CrossFade fade_;
};

}  // namespace qv
