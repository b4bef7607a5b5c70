#pragma once
#include "items/model/ClipboardItem.h"

#include <QRectF>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

class QWidget;

namespace qv {

struct InterfaceServices;
class OrnamentRailButton;

// What a button of the preview pane's rail does.
enum class PreviewRailAction { close, copy, copyPlainText, edit, share, pin, openInBrowser, reveal, save, discard };

// One button of the rail as it shows now.
struct PreviewRailRow {
  QString icon;
  QString label;  // its tooltip and accessible name
  bool isSelected = false;
  PreviewRailAction action = PreviewRailAction::close;
  bool operator==(const PreviewRailRow&) const = default;
};

// The preview pane's toolbar rail: which buttons it shows for an item, and the buttons
// themselves (the pane's children), stacked top-down and grown about the rail's middle while it
// enters.
class PreviewRail {
 public:
  using Action = PreviewRailAction;
  using Row = PreviewRailRow;

  // The buttons outside edit mode: 4, one more each for a plain-text form, a text or code item,
  // a link and a file URL.
  static int actionCount(const ClipboardItem& item);
  static std::vector<Row> rowsFor(const ClipboardItem& item, bool isPinned, bool isSharing, bool isEditing);
  // "Show in Files  Ctrl+R": the shortcut in the desktop's words.
  static QString revealLabel();

  // A button runs onAction.
  PreviewRail(InterfaceServices& context, QWidget* pane, std::function<void(Action)> onAction);

  // Whether the number of buttons changed.
  bool setRows(std::vector<Row> rows);
  const std::vector<Row>& rows() const { return rows_; }
  const std::vector<OrnamentRailButton*>& buttons() const { return buttons_; }
  // The height of the buttons' stack inside its padding.
  double height() const;
  // Lays the buttons out in `rail`, grown by `scale` about its middle and at `opacity`.
  void place(const QRectF& rail, double scale, double opacity);
  // Where the Share button stands once the rail is in; none without one.
  std::optional<QRectF> shareFace(const QRectF& rail) const;

 private:
  InterfaceServices& context_;
  QWidget* pane_;
  std::function<void(Action)> onAction_;
  std::vector<Row> rows_;
  std::vector<OrnamentRailButton*> buttons_;
};

}  // namespace qv
