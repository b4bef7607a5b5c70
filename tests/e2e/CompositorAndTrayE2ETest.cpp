// The compositor and the tray under Xvfb (+ jwm): the platform services follow the owners of
// _NET_WM_CM_S0 and _NET_SYSTEM_TRAY_S0 and the tray's colours, and the whole program with picom lets a click beside
// the open panel reach the window below, and keeps drawing the panel properly while picom is stopped and started again
// (screenshots in build/screenshots).
#include "platform/x11/X11Compositor.h"
#include "platform/x11/X11TrayColors.h"
#include "support/LineProcess.h"
#include "support/ProcessHelpers.h"
#include "support/XvfbSession.h"

#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <QDir>
#include <QImage>
#include <QProcess>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>

namespace qv {
namespace {

// A client of its own on `display` that owns the selection `name` with a window of its own until
// it disconnects.
struct SelectionOwner {
  SelectionOwner(const QString& display, const char* name) : c(xcb_connect(display.toLatin1().constData(), nullptr)) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    window = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_set_selection_owner(c, window, atom(name), XCB_CURRENT_TIME);
    xcb_flush(c);
  }
  ~SelectionOwner() { xcb_disconnect(c); }
  xcb_atom_t atom(const char* name) {
    auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
  }
  xcb_connection_t* c;
  xcb_window_t window;
};

TEST(TrayColorsOnX11, FollowsTheTraysForegroundColour) {
  test::XvfbSession session(test::XvfbSession::Options{false, {640, 480}, false});
  ASSERT_TRUE(session.start()) << session.log().toStdString();
  int changes = 0;
  x11::X11TrayColors colors([&changes] { ++changes; }, session.display());
  EXPECT_FALSE(colors.foreground());

  auto tray = std::make_unique<SelectionOwner>(session.display(), "_NET_SYSTEM_TRAY_S0");
  const auto setColours = [&](uint32_t red, uint32_t green, uint32_t blue) {
    const uint32_t values[12] = {red, green, blue, 0xffff, 0, 0, 0xffff, 0xffff, 0, 0, 0xffff, 0};
    xcb_change_property(tray->c, XCB_PROP_MODE_REPLACE, tray->window, tray->atom("_NET_SYSTEM_TRAY_COLORS"),
                        XCB_ATOM_CARDINAL, 32, 12, values);
    xcb_flush(tray->c);
  };
  setColours(0xffff, 0xffff, 0xffff);
  EXPECT_TRUE(test::waitFor([&] { return colors.foreground() == QColor(Qt::white); }, 5000));
  setColours(0xffff, 0, 0);
  EXPECT_TRUE(test::waitFor([&] { return colors.foreground() == QColor(Qt::red); }, 5000));
  tray.reset();
  EXPECT_TRUE(test::waitFor([&] { return !colors.foreground(); }, 5000));
  EXPECT_EQ(changes, 3);
}

TEST(CompositorOnX11, FollowsTheOwnerOfTheCompositorSelection) {
  test::XvfbSession session(test::XvfbSession::Options{false, {640, 480}, false});
  ASSERT_TRUE(session.start()) << session.log().toStdString();
  x11::X11Compositor compositor(session.display());
  EXPECT_FALSE(compositor.support().compositor);
  int changes = 0;
  QObject::connect(&compositor, &Compositor::changed, [&changes] { ++changes; });

  // A stand-in compositor: a client that owns the selection, then quits.
  auto owner = std::make_unique<SelectionOwner>(session.display(), "_NET_WM_CM_S0");
  EXPECT_TRUE(test::waitFor([&] { return compositor.support().compositor; }, 5000));
  EXPECT_EQ(changes, 1);
  owner.reset();
  EXPECT_TRUE(test::waitFor([&] { return !compositor.support().compositor; }, 5000));
  EXPECT_EQ(changes, 2);
}

class PanelWithPicom : public ::testing::Test {
 protected:
  PanelWithPicom() : session_(test::XvfbSession::Options{true, {1280, 800}, true}) {}

  void SetUp() override {
    ASSERT_TRUE(session_.start()) << session_.log().toStdString();
    env_ = session_.environment();
    constexpr int kCommandShift = 0x120000;  // Ctrl+Shift
    ASSERT_TRUE(session_.storeSettings(
        {{"qv.shortcut.keyCode", 9}, {"qv.shortcut.modifiers", kCommandShift}, {"qv.didSeeOnboarding.v1", true}}));
  }
  void TearDown() override {
    if (HasFailure())
      std::cerr << "quorvalen said:\n"
                << log().constData() << "\npicom said:\n"
                << picomLog_.constData() << "\nX session:\n"
                << session_.log().toStdString();
    stopPicom();
    if (program_) {
      program_->kill();
      program_->waitForFinished(3000);
    }
    session_.stop();
  }

  void startPicom() {
    picom_ = std::make_unique<QProcess>();
    picom_->setProcessEnvironment(env_);
    picom_->setProcessChannelMode(QProcess::MergedChannels);
    picom_->start(QStringLiteral("picom"), {QStringLiteral("--backend"), QStringLiteral("xrender"),
                                            QStringLiteral("--config"), QStringLiteral("/dev/null")});
    ASSERT_TRUE(picom_->waitForStarted(5000));
  }
  void stopPicom() {
    if (!picom_) return;
    picom_->terminate();
    if (!picom_->waitForFinished(5000)) picom_->kill();
    picom_->waitForFinished(3000);
    picomLog_ += picom_->readAll();
    picom_.reset();
  }
  QByteArray& log() {
    if (program_) log_ += program_->readAll();
    return log_;
  }
  bool logCount(const QByteArray& text, int count, int timeoutMs = 20000) {
    return test::waitFor([&] { return log().count(text) >= count; }, timeoutMs);
  }
  // Waits until the open panel has slid in fully over the target and keeps the screen.
  QImage panelShot(const QString& name) {
    QImage shot;
    test::waitFor(
        [&] {
          shot = session_.screenshot();
          int drawn = 0;
          for (int y = 100; y < 700; y += 20) drawn += qAbs(qGray(shot.pixel(970, y)) - 240) < 12;  // slid in fully
          return drawn > 25;
        },
        10000);
    test::XvfbSession::saveScreenshot(shot, name);
    return shot;
  }
  // Beside the column, the white target below shows through: no black box.
  static int blackBeside(const QImage& shot) {
    int black = 0;
    for (int y = 100; y < 700; y += 20) black += qGray(shot.pixel(700, y)) < 60;
    return black;
  }

  test::XvfbSession session_;
  QProcessEnvironment env_;
  std::unique_ptr<QProcess> picom_;
  std::unique_ptr<QProcess> program_;
  QByteArray log_;
  QByteArray picomLog_;
};

TEST_F(PanelWithPicom, AClickBesideThePanelReachesTheWindowBelowAndTheCompositorMayComeAndGo) {
  // A white window under the whole panel.
  test::LineProcess target(test::binDir() + QStringLiteral("/pastetarget"), {}, env_);
  const QString ready = target.waitForLine(QStringLiteral("ready "));
  ASSERT_FALSE(ready.isEmpty());
  ASSERT_FALSE(target.waitForLine(QStringLiteral("active")).isEmpty()) << "the target never got the focus";
  const QString id = ready.section(u' ', 1);
  ASSERT_TRUE(session_.xdotool({"windowsize", id, "1280", "740", "windowmove", id, "0", "0"}));
  startPicom();
  program_ = std::make_unique<QProcess>();
  program_->setProcessEnvironment(env_);
  program_->setProcessChannelMode(QProcess::MergedChannels);
  program_->start(test::binDir() + QStringLiteral("/quorvalen"), {});
  ASSERT_TRUE(logCount("Quorvalen launched", 1));
  ASSERT_TRUE(log().contains("compositor: true"));

  ASSERT_TRUE(session_.xdotool({"key", "ctrl+shift+v"}));
  ASSERT_TRUE(logCount("Panel shown", 1, 10000));
  panelShot("panel-with-picom.png");
  ASSERT_TRUE(session_.xdotool({"mousemove", "700", "400", "click", "1"}));
  EXPECT_FALSE(target.waitForLine(QStringLiteral("click 700 400"), 10000).isEmpty())
      << target.lines().join(u'\n').toStdString();
  EXPECT_TRUE(logCount("Panel hidden", 1, 10000));

  // A shortcut right after a hide is ignored (it would reopen what a click just closed): press
  // until it shows.
  ASSERT_TRUE(test::waitFor(
      [&] {
        return session_.xdotool({"key", "ctrl+shift+v"}) && logCount("Panel shown", 2, 500);
      },
      10000));
  stopPicom();
  ASSERT_TRUE(logCount("Compositor left", 1, 10000));
  EXPECT_EQ(blackBeside(panelShot("panel-picom-stopped.png")), 0);
  startPicom();
  ASSERT_TRUE(logCount("Compositor arrived", 1, 10000));
  EXPECT_EQ(blackBeside(panelShot("panel-picom-started.png")), 0);
  EXPECT_EQ(program_->state(), QProcess::Running);
}

}  // namespace
}  // namespace qv
