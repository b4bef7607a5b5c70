// Recording the global shortcut from key presses anywhere in the program.
#include "platform/HotKeyStatus.h"
#include "platform/SettingsStore.h"
#include "settings/RowIconButton.h"
#include "settings/ShortcutRecorder.h"
#include "support/settings/FakeSettingsContext.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QKeyEvent>

using namespace qv;

namespace {

// Where a key press goes when the recorder does not take it.
class KeyTarget : public QWidget {
 public:
  int presses = 0;

 protected:
  void keyPressEvent(QKeyEvent*) override { ++presses; }
};

struct RecorderTest : ::testing::Test {
  RecorderTest() : recorder(*fake.context, 2, 20, {[this](bool on) { told << on; }}) { recorder.show(); }
  // A press delivered to the program, as the focused widget would get it; whether it went on.
  bool press(int key, Qt::KeyboardModifiers modifiers) {
    KeyTarget focused;
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(&focused, &event);
    return focused.presses == 1;
  }
  keys::StoredShortcut stored() { return recorder.storedShortcut(); }
  void store(int keyCode, int modifiers) {
    fake.context->settings->set(ShortcutRecorderButton::kKeyCodeKey, keyCode);
    fake.context->settings->set(ShortcutRecorderButton::kModifiersKey, modifiers);
    fake.drain();
  }

  test::FakeSettingsContext fake;
  QList<bool> told;  // outlives the recorder, which tells it as it goes
  ShortcutRecorderButton recorder;
};

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kShift = Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;

}  // namespace

TEST_F(RecorderTest, RecordsModifiedKeysAndRefusesWhatWouldTakeTypingOrPasting) {
  struct Case {
    const char* name;
    int key;
    Qt::KeyboardModifiers modifiers;
    std::optional<keys::StoredShortcut> recorded;  // none: nothing stored, still recording
    const char* shown;
  };
  const Case cases[] = {
      {"Shift+F5", Qt::Key_F5, kShift, keys::StoredShortcut{96, keys::kShiftFlag}, "Shift+F5"},
      {"all four with F5", Qt::Key_F5, kCtrl | kShift | Qt::AltModifier | Qt::MetaModifier,
       keys::StoredShortcut{96, 0x1E0000}, "Ctrl+Alt+Super+Shift+F5"},
      {"Shift+Left", Qt::Key_Left, kShift, keys::StoredShortcut{123, keys::kShiftFlag}, "Shift+\u2190"},
      {"Ctrl+Shift+V", Qt::Key_V, kCtrl | kShift, keys::StoredShortcut{9, keys::kCommandFlag | keys::kShiftFlag},
       "Ctrl+Shift+V"},
      {"Ctrl+= has no name", Qt::Key_Equal, kCtrl, keys::StoredShortcut{24, keys::kCommandFlag}, "Ctrl+?"},
      {"Alt+Space", Qt::Key_Space, Qt::AltModifier, keys::StoredShortcut{49, keys::kOptionFlag}, "Alt+Space"},
      {"Shift+A", Qt::Key_A, kShift, std::nullopt, "Press keys"},
      {"Shift+!", Qt::Key_Exclam, kShift, std::nullopt, "Press keys"},
      {"Shift+Space", Qt::Key_Space, kShift, std::nullopt, "Press keys"},
      {"Shift+Return", Qt::Key_Return, kShift, std::nullopt, "Press keys"},
      {"Shift+Tab", Qt::Key_Backtab, kShift, std::nullopt, "Press keys"},
      {"Shift+BackSpace", Qt::Key_Backspace, kShift, std::nullopt, "Press keys"},
      {"Ctrl+V", Qt::Key_V, kCtrl, std::nullopt, "Press keys"},
      {"Shift+Insert", Qt::Key_Insert, kShift, std::nullopt, "Press keys"},
      {"Ctrl+Alt+Delete", Qt::Key_Delete, kCtrl | Qt::AltModifier, std::nullopt, "Press keys"},
      {"Ctrl+Q", Qt::Key_Q, kCtrl, std::nullopt, "Press keys"},
      {"Ctrl+W", Qt::Key_W, kCtrl, std::nullopt, "Press keys"},
      {"Ctrl+Tab", Qt::Key_Tab, kCtrl, std::nullopt, "Press keys"},
      {"Ctrl+Space", Qt::Key_Space, kCtrl, std::nullopt, "Press keys"},
      {"Ctrl+BackSpace", Qt::Key_Backspace, kCtrl, std::nullopt, "Press keys"},
      {"Ctrl+Shift+Q is free", Qt::Key_Q, kCtrl | kShift,
       keys::StoredShortcut{keys::code::Q, keys::kCommandFlag | keys::kShiftFlag}, "Ctrl+Shift+Q"},
      {"Ctrl+Alt+BackSpace is free", Qt::Key_Backspace, kCtrl | Qt::AltModifier,
       keys::StoredShortcut{keys::code::Delete, keys::kCommandFlag | keys::kOptionFlag}, "Ctrl+Alt+⌫"},
  };
  for (const Case& c : cases) {
    store(-1, 0);
    recorder.startRecording();
    EXPECT_FALSE(press(c.key, c.modifiers)) << c.name;  // taken either way
    EXPECT_EQ(recorder.isRecording(), !c.recorded) << c.name;
    EXPECT_EQ(stored(), c.recorded.value_or(keys::StoredShortcut{})) << c.name;
    EXPECT_EQ(recorder.pillText(), QString::fromUtf8(c.shown)) << c.name;
    // A refused combination says why while recording goes on; a recorded one says nothing.
    EXPECT_EQ(recorder.caption().isEmpty(), bool(c.recorded)) << c.name;
    recorder.stopRecording();
    EXPECT_TRUE(recorder.caption().isEmpty()) << c.name;
  }
}

TEST_F(RecorderTest, ARefusedCombinationSaysWhyInTheCaption) {
  const struct {
    int key;
    Qt::KeyboardModifiers modifiers;
    const char* caption;
  } cases[] = {
      {Qt::Key_A, kShift, "Shift with a letter, digit or Space types text in every app. Add Ctrl, Alt or Super."},
      {Qt::Key_V, kCtrl, "Ctrl+V pastes in every app. Try another combination."},
      {Qt::Key_Insert, kShift, "Shift+Insert pastes in every app. Try another combination."},
      {Qt::Key_Delete, kCtrl | Qt::AltModifier, "Ctrl+Alt+Delete belongs to the desktop. Try another combination."},
      {Qt::Key_Q, kCtrl, "Ctrl+Q quits apps. Try another combination."},
      {Qt::Key_W, kCtrl, "Ctrl+W closes windows and tabs. Try another combination."},
      {Qt::Key_Tab, kCtrl, "Ctrl+Tab switches tabs. Try another combination."},
      {Qt::Key_Space, kCtrl, "Ctrl+Space switches the input language. Try another combination."},
      {Qt::Key_Backspace, kCtrl, "Ctrl+Backspace deletes words. Try another combination."},
      {Qt::Key_Insert, kCtrl, "That key can't be part of a shortcut. Try another combination."},
  };
  int changes = 0;
  QObject::connect(&recorder, &ShortcutRecorderButton::captionChanged, [&] { ++changes; });
  recorder.startRecording();
  for (const auto& c : cases) {
    press(c.key, c.modifiers);
    EXPECT_EQ(recorder.caption(), QString::fromUtf8(c.caption)) << c.caption;
  }
  EXPECT_EQ(changes, int(std::size(cases)));
  press(Qt::Key_K, kCtrl);
  EXPECT_FALSE(recorder.isRecording());
  EXPECT_TRUE(recorder.caption().isEmpty());
}

// A grab that failed (at launch or since) shows the shortcut as not working, with the reason.
TEST_F(RecorderTest, AShortcutWhoseGrabFailedShowsAsNotWorkingAndSaysWhy) {
  HotKeyStatus& status = *fake.context->hotKeyStatus;
  store(keys::code::K, keys::kCommandFlag | keys::kOptionFlag);
  const struct {
    int status;
    const char* caption;
  } failures[] = {
      {GlobalHotKey::kAlreadyGrabbed,
       "Another program uses Ctrl+Alt+K, so it doesn't open Quorvalen. Record another shortcut."},
      {GlobalHotKey::kUnknownKey, "This keyboard has no key for Ctrl+Alt+K. Record another shortcut."},
      {GlobalHotKey::kUnavailable,
       "This desktop doesn't let apps listen for shortcuts, so Ctrl+Alt+K doesn't open Quorvalen."},
      {2, "The desktop refused Ctrl+Alt+K (error 2). Record another shortcut."},
  };
  for (const auto& failure : failures) {
    status.report(HotKeyStatus::Grab{keys::code::K, keys::kCommandFlag | keys::kOptionFlag, failure.status});
    EXPECT_EQ(recorder.caption(), QString::fromUtf8(failure.caption));
    EXPECT_FALSE(recorder.pill()->props().working);
    EXPECT_EQ(recorder.pill()->accessibleName(), "Ctrl+Alt+K, not working");
  }
  status.report(HotKeyStatus::Grab{keys::code::K, keys::kCommandFlag | keys::kOptionFlag, GlobalHotKey::kOk});
  EXPECT_TRUE(recorder.caption().isEmpty());
  EXPECT_TRUE(recorder.pill()->props().working);
  // A failure of another shortcut (the one before this was recorded) says nothing about this one.
  status.report(HotKeyStatus::Grab{keys::code::J, keys::kCommandFlag, GlobalHotKey::kAlreadyGrabbed});
  EXPECT_TRUE(recorder.caption().isEmpty());
  EXPECT_TRUE(recorder.pill()->props().working);
}

// The clear button is there only with a shortcut, also when the recorder is first shown.
TEST(Recorder, TheClearButtonIsHiddenFromTheStartWithoutAShortcut) {
  for (const bool recorded : {false, true}) {
    test::FakeSettingsContext fake;
    if (recorded) {
      fake.context->settings->set(ShortcutRecorderButton::kKeyCodeKey, keys::code::K);
      fake.context->settings->set(ShortcutRecorderButton::kModifiersKey, keys::kCommandFlag);
    }
    ShortcutRecorderButton recorder(*fake.context, 2, 20, {});
    recorder.show();
    EXPECT_EQ(recorder.clearButton()->isVisible(), recorded) << recorded;
  }
}

TEST_F(RecorderTest, BareKeysAndModifiersAlonePassOnEscapeCancelsAndTheHotKeyIsToldThroughout) {
  store(keys::code::K, keys::kCommandFlag);
  EXPECT_EQ(recorder.pillText(), "Ctrl+K");
  EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
  recorder.click();
  EXPECT_EQ(recorder.pillText(), "Press keys");
  // Keys another program holds come here too while recording.
  EXPECT_EQ(QWidget::keyboardGrabber(), &recorder);
  EXPECT_TRUE(press(Qt::Key_A, kNone));
  EXPECT_TRUE(press(Qt::Key_Shift, kShift));
  EXPECT_TRUE(press(Qt::Key_Control, kCtrl));
  EXPECT_TRUE(recorder.isRecording());
  EXPECT_FALSE(press(Qt::Key_Escape, kCtrl));
  EXPECT_FALSE(recorder.isRecording());
  EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
  EXPECT_EQ(stored(), (keys::StoredShortcut{keys::code::K, keys::kCommandFlag}));
  EXPECT_EQ(told, (QList<bool>{true, false}));

  // A second click cancels as well; leaving the screen ends recording.
  recorder.click();
  recorder.click();
  recorder.click();
  recorder.hide();
  EXPECT_FALSE(recorder.isRecording());
  EXPECT_EQ(told, (QList<bool>{true, false, true, false, true, false}));
  EXPECT_TRUE(press(Qt::Key_F5, kShift));  // nothing listens any more
}

TEST_F(RecorderTest, ClearWritesBothValuesAndThePillGoesBackToItsFixedWidth) {
  store(keys::code::F5, keys::kCommandFlag | keys::kOptionFlag);
  fake.clock->advance(1);
  EXPECT_EQ(recorder.pillText(), "Ctrl+Alt+F5");
  EXPECT_TRUE(recorder.clearButton()->isVisible());
  EXPECT_LT(recorder.pill()->pillWidth(), ShortcutPill::kFixedWidth);
  recorder.clear();
  EXPECT_EQ(fake.context->settings->intOr(ShortcutRecorderButton::kKeyCodeKey, 0), -1);
  EXPECT_EQ(fake.context->settings->intOr(ShortcutRecorderButton::kModifiersKey, 1), 0);
  fake.clock->advance(1);
  EXPECT_EQ(recorder.pillText(), "Record Shortcut");
  EXPECT_DOUBLE_EQ(recorder.pill()->pillWidth(), ShortcutPill::kFixedWidth);
  EXPECT_FALSE(recorder.clearButton()->isVisible());
  EXPECT_EQ(recorder.clearButton()->accessibleName(), "Clear shortcut");
}
