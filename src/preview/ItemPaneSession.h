#pragma once
#include "items/model/ClipboardItem.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

namespace qv {

struct ViewServices;
class PanelState;
class SharePickerAnchor;
class EditableTextView;
struct EditableTextLook;

// What the two item panes (the preview beside the edge panel, the library's detail pane) do with
// the item they show, written once: the edit of a text or code item (the draft, the state's flag
// that an editor holds the keys, the trigger that cancels it), the share menu (its trigger and
// whether it shows), the size of a file item that was captured without one, and the actions on
// the item. The panes differ in their look and in what follows an action (the preview closes,
// the detail pane marks the copy); they ask this and do the rest.
//
// An edit ends only by save, discard, the state's cancel trigger or another item: a pane that is
// hidden keeps it (the preview gives the panel its keys back meanwhile, releaseEditFlag).
class ItemPaneSession : public QObject {
  Q_OBJECT
 public:
  // Which pair of the state's editing signals the pane's editor answers to.
  enum class Surface { panel, library };
  struct Hooks {
    std::function<void()> onEditingChange;  // an edit began or ended (not by another item)
    std::function<void()> onSharingChange;  // the share menu came or went
  };

  // Files whose size is read for a pane go one at a time through this queue.
  static constexpr char kFileSizeQueue[] = "fileSizes";

  // `anchor` is the pane's share anchor, which this drives.
  ItemPaneSession(ViewServices& context, PanelState& state, Surface surface, SharePickerAnchor& anchor, Hooks hooks);
  // Gives back the editing flag of an edit still open (to a state still there: at quit the state
  // goes before the library window, which keeps an edit through its closing).
  ~ItemPaneSession() override;

  // The item the pane shows now. Another id than before drops an open edit and closes the share
  // menu of the previous item (the next press of Share opens the new item's), and a file item
  // captured without its size has it read, off the main thread, into the history. True for
  // another item.
  bool setItem(const ClipboardItem& item);
  const ClipboardItem& item() const { return item_; }

  // ---- Editing ------------------------------------------------------------------------------------
  bool isEditing() const { return editing_; }
  // The text of the open editor, taken from it when asked (an editor builds it only then).
  const QString& draft() const;
  // The draft becomes the item's text; false (and nothing changes) for another kind or while
  // editing already.
  bool beginEditing();
  // Closes the editor; the draft stays.
  void endEditing();
  // The draft becomes the item's text in the history (unchanged when the item is gone), then
  // the editor closes.
  void saveEdit();
  // The draft is dropped, then the editor closes.
  void discardEdit();
  // While the pane is away, the keys go back to the window (the edit stays).
  void releaseEditFlag();
  // The editor over the draft (monospaced for code), writing every change into it.
  EditableTextView* makeEditor(QWidget* parent);
  // The same with the text standing as `look` says.
  EditableTextView* makeEditor(QWidget* parent, const EditableTextLook& look);

  // ---- Sharing ------------------------------------------------------------------------------------
  // A press of the pane's Share control.
  void pressShare();
  bool isSharing() const { return sharing_; }
  int shareTrigger() const { return shareTrigger_; }

  // ---- Acting on the item -----------------------------------------------------------------------
  // Writes the item to the clipboard, as plain text when asked; the writer's answer.
  bool copy(bool asPlainText) const;
  void togglePin() const;
  void togglePeek() const;
  // Shows a local file in the file manager; false (nothing done) for any other item.
  bool reveal() const;
  // Opens a link item's address by the one rule for links; false for any other item.
  bool openLink() const;
  void remove() const;

 private:
  bool editFlag() const;
  void setEditFlag(bool active);
  void syncShareAnchor();
  void readFileSize();
  void changed(const std::function<void()>& hook) const;
  // The newest editor's text becomes the draft when it was edited since.
  void takeDraftFromEditor() const;

  ViewServices& context_;
  PanelState& state_;
  QPointer<PanelState> stateAlive_;
  Surface surface_;
  SharePickerAnchor& anchor_;
  Hooks hooks_;
  ClipboardItem item_;
  bool hasItem_ = false;
  bool editing_ = false;
  mutable QString draft_;
  QPointer<EditableTextView> editor_;  // the newest editor over the draft
  mutable bool editorEdited_ = false;  // since the draft was taken from it
  int shareTrigger_ = 0;
  bool sharing_ = false;
};

}  // namespace qv
