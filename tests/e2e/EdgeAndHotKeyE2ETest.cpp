#include "support/LineProcess.h"
#include "support/ProcessHelpers.h"
#include "support/XvfbSession.h"

#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <QElapsedTimer>
#include <QJsonObject>

#include <cstdlib>
#include <iostream>
#include <memory>

using namespace qv::test;

namespace {

// The probe program runs the real edge trigger and hot key manager on the test's X server.
class Probe {
 public:
  explicit Probe(XvfbSession& x) : process_(binDir() + "/inputprobe", {}, x.environment()) {}
  bool waitForOutput(const QString& line, int timeoutMs = 10000) {
    return waitFor([&] { return process_.lines().contains(line); }, timeoutMs);
  }
  bool waitForLog(const QString& text, int timeoutMs = 10000) {
    return waitFor([&] { return process_.errors().contains(text); }, timeoutMs);
  }
  int count(const QString& line) { return int(process_.lines().count(line)); }
  void send(const QString& command) { process_.send(command); }
  // The side the edge trigger is armed for, or "none", as of the pointer events the probe has
  // read so far. Answers come in order, one line each.
  QString armedSide(int timeoutMs = 10000) {
    const qsizetype index = questions_++;
    send("armed");
    QStringList answers;
    waitFor([&] { return answers = process_.lines().filter("armed "), answers.size() > index; }, timeoutMs);
    return answers.value(index).section(' ', 1);
  }
  QString log() { return process_.log(); }

 private:
  LineProcess process_;
  qsizetype questions_ = 0;
};

// Another client holding a key grab, as a program that already owns a shortcut would.
class GrabbingClient {
 public:
  GrabbingClient(const QString& display, const char* keysymName, uint16_t modifiers) {
    connection_ = xcb_connect(display.toLatin1().constData(), nullptr);
    if (xcb_connection_has_error(connection_)) return;
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    // Find the X key code of the keysym ('v' or 'c') from the keyboard map.
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    const uint32_t keysym = uint32_t(keysymName[0]);
    xcb_get_keyboard_mapping_reply_t* map = xcb_get_keyboard_mapping_reply(
        connection_,
        xcb_get_keyboard_mapping(connection_, setup->min_keycode, uint8_t(setup->max_keycode - setup->min_keycode + 1)),
        nullptr);
    if (map) {
      const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
      const int per = map->keysyms_per_keycode;
      for (int code = setup->min_keycode; code <= setup->max_keycode && !key_; ++code)
        if (syms[(code - setup->min_keycode) * per] == keysym) key_ = uint8_t(code);
      std::free(map);
    }
    modifiers_ = modifiers;
    xcb_generic_error_t* error = xcb_request_check(
        connection_,
        xcb_grab_key_checked(connection_, 1, root_, modifiers_, key_, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    grabbed_ = key_ != 0 && !error;
    std::free(error);
  }
  ~GrabbingClient() { xcb_disconnect(connection_); }
  bool grabbed() const { return grabbed_; }
  void release() {
    xcb_ungrab_key(connection_, key_, root_, modifiers_);
    xcb_aux_sync();
  }

 private:
  void xcb_aux_sync() { std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr)); }
  xcb_connection_t* connection_ = nullptr;
  xcb_window_t root_ = 0;
  uint8_t key_ = 0;
  uint16_t modifiers_ = 0;
  bool grabbed_ = false;
};

constexpr int kCommandShift = 0x120000;

// One X server with jwm per test; on failure, what the probe and the X session printed.
class EdgeAndHotKeyE2E : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(x_.start()) << x_.log().toStdString(); }
  void TearDown() override {
    if (HasFailure())
      std::cerr << (probe_ ? probe_->log().toStdString() : std::string("no probe")) << "\nX session:\n"
                << x_.log().toStdString() << std::endl;
    probe_.reset();
  }
  Probe& startProbe(const QJsonObject& settings) {
    // Stored before the probe starts, so that it reads them at launch.
    EXPECT_TRUE(x_.storeSettings(settings));
    probe_ = std::make_unique<Probe>(x_);
    return *probe_;
  }

  XvfbSession x_;
  std::unique_ptr<Probe> probe_;
};

}  // namespace

TEST_F(EdgeAndHotKeyE2E, RelativeMovesAgainstTheRightEdgeFireAfterTheDwell) {
  Probe& probe = startProbe({{"qv.edgeSide", "right"}, {"qv.edgeDwellDelay", 0.3}});
  ASSERT_TRUE(probe.waitForOutput("ready"));
  ASSERT_TRUE(probe.waitForLog("EdgeTrigger started — side: right, delay: 0.300000"));

  ASSERT_TRUE(x_.xdotool({"mousemove", "640", "400"}));
  ASSERT_TRUE(x_.xdotool({"mousemove_relative", "100", "0"}));
  ASSERT_TRUE(x_.xdotool({"mousemove_relative", "--", "-100", "0"}));
  EXPECT_EQ(probe.armedSide(), "none");
  EXPECT_EQ(probe.count("show right"), 0);

  QElapsedTimer sinceMove;
  sinceMove.start();
  ASSERT_TRUE(x_.xdotool({"mousemove_relative", "2000", "0"}));
  ASSERT_TRUE(probe.waitForOutput("show right"));
  EXPECT_GE(sinceMove.elapsed(), 290);  // never before the dwell delay
  // Resting against the edge and moving along it: no second report.
  ASSERT_TRUE(x_.xdotool({"mousemove_relative", "0", "50"}));
  EXPECT_FALSE(waitFor([&] { return probe.count("show right") > 1; }, 800));
  // Away and back: a second report. The probe reads the pointer once per batch of events, so
  // the move away must have been read before the move back, or the two could arrive together
  // and look like resting at the edge.
  ASSERT_TRUE(x_.xdotool({"mousemove_relative", "--", "-300", "0"}));
  ASSERT_TRUE(waitFor([&] { return probe.armedSide() == "none"; }, 10000));
  ASSERT_TRUE(x_.xdotool({"mousemove_relative", "300", "0"}));
  EXPECT_TRUE(waitFor([&] { return probe.count("show right") == 2; }, 10000));
}

TEST_F(EdgeAndHotKeyE2E, TheStoredShortcutFiresTheHandlerAlsoWithCapsLockOn) {
  Probe& probe = startProbe({{"qv.shortcut.keyCode", 9}, {"qv.shortcut.modifiers", kCommandShift}});
  ASSERT_TRUE(probe.waitForOutput("ready"));
  ASSERT_TRUE(probe.waitForLog("Global hotkey registered — keyCode:9 modifiers:768"));

  ASSERT_TRUE(x_.xdotool({"key", "ctrl+shift+v"}));
  ASSERT_TRUE(probe.waitForOutput("hotkey"));
  ASSERT_TRUE(x_.xdotool({"key", "Caps_Lock", "ctrl+shift+v", "Caps_Lock"}));
  EXPECT_TRUE(waitFor([&] { return probe.count("hotkey") == 2; }, 10000));
  // Other combinations of the key are not ours. The presses reach the probe in order: were one
  // of them taken, the real press after it would make a fourth report.
  ASSERT_TRUE(x_.xdotool({"key", "ctrl+v", "shift+v", "v"}));
  ASSERT_TRUE(x_.xdotool({"key", "ctrl+shift+v"}));
  EXPECT_TRUE(waitFor([&] { return probe.count("hotkey") >= 3; }, 10000));
  EXPECT_FALSE(waitFor([&] { return probe.count("hotkey") > 3; }, 500));
}

TEST_F(EdgeAndHotKeyE2E, AShortcutHeldByAnotherClientIsReportedAndRegisteredAfterASettingsChange) {
  GrabbingClient other(x_.display(), "v", XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT);
  ASSERT_TRUE(other.grabbed());
  Probe& probe = startProbe({{"qv.shortcut.keyCode", 9}, {"qv.shortcut.modifiers", kCommandShift}});
  ASSERT_TRUE(probe.waitForOutput("ready"));
  ASSERT_TRUE(probe.waitForLog("Grabbing the hotkey failed, status:10 — may conflict with a system shortcut"));

  // The user records a free shortcut instead: Command-Shift-C.
  probe.send(QString("shortcut 8 %1").arg(kCommandShift));
  ASSERT_TRUE(probe.waitForLog("Global hotkey registered — keyCode:8 modifiers:768"));
  ASSERT_TRUE(x_.xdotool({"key", "ctrl+shift+c"}));
  ASSERT_TRUE(probe.waitForOutput("hotkey"));

  // Once the other program lets go, the original shortcut can be had again.
  other.release();
  probe.send(QString("shortcut 9 %1").arg(kCommandShift));
  ASSERT_TRUE(probe.waitForLog("Global hotkey registered — keyCode:9 modifiers:768"));
  ASSERT_TRUE(x_.xdotool({"key", "ctrl+shift+v"}));
  EXPECT_TRUE(waitFor([&] { return probe.count("hotkey") == 2; }, 10000));
}
