// The key poster on a private X server: however a hold of the keyboard ends, the next program
// that takes the keyboard (a menu opening) gets it, with nothing more sent by us.
#include "platform/x11/X11KeyPoster.h"
#include "support/ProcessHelpers.h"
#include "support/XvfbSession.h"

#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <QByteArray>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>
#include <ostream>
#include <utility>
#include <vector>

namespace qv {
namespace {

constexpr quint32 kEscapeCode = 9;
constexpr quint32 kKeyACode = 38;

// The variables the poster reads as it starts, set for the private display and put back after.
class SessionEnvironment {
 public:
  explicit SessionEnvironment(const QString& display) {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE"}) saved_.push_back({name, qgetenv(name)});
    qputenv("DISPLAY", display.toLatin1());
    qunsetenv("WAYLAND_DISPLAY");
    qunsetenv("XDG_SESSION_TYPE");
  }
  ~SessionEnvironment() {
    for (const auto& [name, value] : saved_)
      if (value.isNull()) qunsetenv(name);
      else qputenv(name, value);
  }
  SessionEnvironment(const SessionEnvironment&) = delete;
  SessionEnvironment& operator=(const SessionEnvironment&) = delete;

 private:
  std::vector<std::pair<const char*, QByteArray>> saved_;
};

// Another client's grab of the keyboard, as a popup menu takes it.
bool anotherClientCanGrabTheKeyboard(const QString& display) {
  xcb_connection_t* c = xcb_connect(display.toLatin1().constData(), nullptr);
  if (xcb_connection_has_error(c)) {
    xcb_disconnect(c);
    return false;
  }
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  auto* reply = xcb_grab_keyboard_reply(
      c, xcb_grab_keyboard(c, 0, root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC), nullptr);
  const bool grabbed = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
  std::free(reply);
  xcb_disconnect(c);  // gives the grab up
  return grabbed;
}

struct HoldEnd {
  const char* name;
  std::function<void(x11::X11KeyPoster&, test::XvfbSession&)> end;
  friend void PrintTo(const HoldEnd& row, std::ostream* out) { *out << row.name; }
};

class KeyHoldOnX11 : public ::testing::TestWithParam<HoldEnd> {
 protected:
  void SetUp() override { ASSERT_TRUE(session_.start()) << session_.log().toStdString(); }
  void TearDown() override {
    if (HasFailure()) std::cerr << "X session:\n" << session_.log().toStdString() << std::endl;
    session_.xdotool({QStringLiteral("keyup"), QStringLiteral("Escape")});
  }

  test::XvfbSession session_{test::XvfbSession::Options{false, {640, 480}, false}};
};

TEST_P(KeyHoldOnX11, TheKeyboardIsFreeOnceTheHoldEnds) {
  std::unique_ptr<x11::X11KeyPoster> keys;
  {
    const SessionEnvironment environment(session_.display());
    keys = std::make_unique<x11::X11KeyPoster>();
  }
  ASSERT_TRUE(keys->canPost());
  GetParam().end(*keys, session_);
  EXPECT_TRUE(test::waitFor([&] { return anotherClientCanGrabTheKeyboard(session_.display()); }, 3000))
      << "the keyboard is still held after: " << GetParam().name;
}

const HoldEnd kHoldEnds[] = {
    {"a hold with nothing typed",
     [](x11::X11KeyPoster& keys, test::XvfbSession& session) {
       ASSERT_TRUE(keys.holdKeys(0));
       ASSERT_FALSE(anotherClientCanGrabTheKeyboard(session.display())) << "the hold has the keyboard";
       keys.releaseHeldKeys();
     }},
    // A close with Escape: its release comes to the hold and is left out, so nothing is typed.
    {"a close by a key released during the hold",
     [](x11::X11KeyPoster& keys, test::XvfbSession& session) {
       ASSERT_TRUE(session.xdotool({QStringLiteral("keydown"), QStringLiteral("Escape")}));
       ASSERT_TRUE(keys.holdKeys(kEscapeCode));
       ASSERT_TRUE(keys.pickingKeyDown());
       ASSERT_TRUE(session.xdotool({QStringLiteral("keyup"), QStringLiteral("Escape")}));
       ASSERT_TRUE(test::waitFor([&] { return !keys.pickingKeyDown(); }, 3000));
       keys.releaseHeldKeys();
     }},
    {"a key typed into our window during the hold",
     [](x11::X11KeyPoster& keys, test::XvfbSession&) {
       ASSERT_TRUE(keys.holdKeys(0));
       keys.keepTypedKey({kKeyACode, true, 10, 0});
       keys.keepTypedKey({kKeyACode, false, 20, 0});
       keys.releaseHeldKeys();
     }},
    {"a paste",
     [](x11::X11KeyPoster& keys, test::XvfbSession&) {
       ASSERT_TRUE(keys.holdKeys(0));
       ASSERT_TRUE(keys.postPaste(QStringLiteral("Mousepad")));
       keys.releaseHeldKeys();
     }},
};

INSTANTIATE_TEST_SUITE_P(EachEnd, KeyHoldOnX11, ::testing::ValuesIn(kHoldEnds));

}  // namespace
}  // namespace qv
