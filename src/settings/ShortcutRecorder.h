#pragma once
#include "platform/keys/KeyCodes.h"
#include "settings/SettingsServices.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/view/PaintedWidget.h"

#include <QWidget>
#include <functional>

class QKeyEvent;

namespace qv {

class RowIconButton;
class SettingsStore;

// The recorder's pill on its track: "Record Shortcut", "Press keys" while recording, or the
// recorded shortcut on an accent capsule.
class ShortcutPill : public PaintedWidget {
  Q_OBJECT
 public:
  static constexpr double kFixedWidth = 148;
  static constexpr double kStateSeconds = 0.15;

  struct Props {
    QString text;
    bool recording = false;
    bool hasShortcut = false;
    // False when the shortcut's grab failed: it shows without the accent capsule.
    bool working = true;
    bool operator==(const Props&) const = default;
  };
  struct Callbacks {
    std::function<void()> onClick;
  };

  ShortcutPill(SettingsServices& context, double trackPad, double segmentHeight, Callbacks callbacks,
               QWidget* parent = nullptr);
  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }
  // The inner pill's width where it settles for these props.
  double targetPillWidth() const;
  double pillWidth() const { return pillWidth_.value(); }

  QPainterPath hitShape() const override;
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QFont textFont() const;
  void applyWidth();
  void click();

  double trackPad_;
  double segmentHeight_;
  Callbacks callbacks_;
  Props props_;
  Animated<double> pillWidth_;
  Animated<double> shownLook_;      // 1 with a shortcut shown
  Animated<double> recordingLook_;  // 1 while recording
};

// Records the global shortcut into the two stored settings ("qv.shortcut.keyCode" and
// "qv.shortcut.modifiers") from one key press anywhere in the program, shows it with the
// desktop's key names and clears it. While recording it holds the program's key presses (and
// tells `onRecordingChange`, so that the global hot key lets go of its keys meanwhile); it
// stops when it leaves the screen. Presses of a modifier alone and keys without a modifier pass
// on; Escape cancels; shortcuts that would take ordinary typing or pasting from every program
// (Shift with a typing key, exactly Ctrl+V, Shift+Insert) or that every desktop uses (Ctrl+Q,
// Ctrl+W, …) are refused and recording goes on. Its caption says why a combination was refused,
// and why a recorded shortcut does not work when its grab failed (the hot key status).
class ShortcutRecorderButton : public QWidget {
  Q_OBJECT
 public:
  static constexpr char kKeyCodeKey[] = "qv.shortcut.keyCode";
  static constexpr char kModifiersKey[] = "qv.shortcut.modifiers";
  static constexpr char kRecordTitle[] = "Record Shortcut";
  static constexpr char kRecordingTitle[] = "Press keys";
  static constexpr char kClearTitle[] = "Clear shortcut";

  // It shows what the settings hold, so it has no props; its callbacks come once, here.
  struct Callbacks {
    std::function<void(bool recording)> onRecordingChange;  // true when recording starts, false when it ends
  };

  ShortcutRecorderButton(SettingsServices& context, double trackPad, double segmentHeight, Callbacks callbacks,
                         QWidget* parent = nullptr);
  ~ShortcutRecorderButton() override;

  // The shown text of a stored shortcut ("Ctrl+Alt+F5"; "?" for a key without a name).
  static QString displayString(int keyCode, int modifiers);

  bool isRecording() const { return recording_; }
  keys::StoredShortcut storedShortcut() const;
  QString pillText() const;
  // The sentence to show under the recorder; empty when there is nothing to say.
  QString caption() const;
  // Whether the recorded shortcut's grab failed.
  bool grabFailed() const;
  static QString refusalCaption(const keys::StoredShortcut& shortcut, keys::ShortcutRefusal refusal);
  static QString grabFailureCaption(const keys::StoredShortcut& shortcut, int status);
  ShortcutPill* pill() const { return pill_; }
  RowIconButton* clearButton() const { return clear_; }

  // The main button: starts recording, or cancels it while recording.
  void click();
  void startRecording();
  void stopRecording();
  void clear();

 Q_SIGNALS:
  void captionChanged();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  // True when the press was taken (stored, refused or Escape).
  bool handleKeyPress(const QKeyEvent& event);
  void refresh();

  SettingsServices& context_;
  SettingsStore& settings_;
  Callbacks callbacks_;
  ShortcutPill* pill_ = nullptr;
  RowIconButton* clear_ = nullptr;
  Animated<double> clearPresence_;
  bool recording_ = false;
  QString refusal_;  // why the last press while recording was refused
  QString caption_;
};

}  // namespace qv
