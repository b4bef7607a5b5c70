#pragma once
#include "items/model/ClipboardItem.h"
#include "items/transform/TextTransform.h"
#include "items/writer/PasteBack.h"
#include "platform/Workspace.h"

#include <QObject>
#include <functional>
#include <optional>

namespace qv {

struct ViewServices;
class PanelState;

// What the library does with an item it shows: copies it (the copied feedback on its card),
// copies it through a text transform (copied, never pasted), and pastes it back into the
// application that was in front when the library opened. A failed clipboard write shakes the
// item's card and leaves the window where it is.
//
// Paste-back hides the library and types the paste keystroke into that application 0.2 s later.
// Where keys cannot be typed into it (no permission, no application remembered, the application
// gone or never active again), the item stays on the clipboard and the user is told: the paste
// hint on the card while the library shows, the host's message once it has gone.
// A pick made by a press (a double-click's second) waits for that press's release: hidden at
// once, the window would let the release land on what lies below it, which may take the keyboard
// (a desktop's menu opens on release) from the application the paste goes to.
class LibraryActions : public QObject {
  Q_OBJECT
 public:
  // What the window around the library does for a paste-back.
  struct Host {
    // The application that was in front when the library opened.
    std::function<std::optional<RunningApp>()> previousApp;
    // Orders the window out (it reports itself not visible) and drops the keyboard focus.
    std::function<void()> hideWindow;
    // Tells the user the item was only copied, once the window has gone.
    std::function<void()> tellCopiedOnly;
  };

  LibraryActions(ViewServices& context, PanelState& state, QObject* parent = nullptr);
  ~LibraryActions() override;

  void setHost(Host host) { host_ = std::move(host); }

  void copyItem(const ClipboardItem& item);
  void copyTransformed(const ClipboardItem& item, TextTransform transform);
  // `plainText` comes from the Shift key or the menu row chosen, never from the setting.
  void pasteBack(const ClipboardItem& item, bool plainText);

  // How long a pick waits for its press's release (one that never comes: the grab was broken).
  static constexpr double kReleaseWaitSeconds = 1.0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void pasteBackNow(const ClipboardItem& item, bool plainText);
  void pasteWaitingForRelease();
  bool write(const ClipboardItem& item, bool plainText, std::optional<TextTransform> transform);
  void copyWithHint(const ClipboardItem& item, bool plainText);
  void hideWindow();
  void tellCopiedOnly();

  ViewServices& context_;
  PanelState& state_;
  Host host_;
  PasteBack pasteBack_;
  // The pick waiting for the release of the press that made it.
  struct WaitingPaste {
    ClipboardItem item;
    bool plainText = false;
  };
  std::optional<WaitingPaste> waiting_;
  WorkItem releaseWait_;
};

}  // namespace qv
