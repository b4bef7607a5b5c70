// The whole program under Xvfb and jwm, clicked again where the first click changed what lies
// under the pointer: a second click 0.15, 0.3, 0.5 or 1 s after the first, or a double-click
// 100 ms apart (xdotool), on a card's hover Delete in the panel and in the library, and on the
// library card menu's Delete. Only the item aimed at goes; nothing else is deleted or pasted.
#include "LibraryDesktop.h"
#include "support/LineProcess.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <cstdlib>
#include <iostream>

namespace qv {
namespace {

// The second clicks: xdotool's commands after the first click.
const struct SecondClick {
  const char* name;
  QStringList commands;
} kSecondClicks[] = {
    {"double-click", {"click", "--repeat", "2", "--delay", "100", "1"}},
    {"0.15 s", {"click", "1", "sleep", "0.15", "click", "1"}},
    {"0.3 s", {"click", "1", "sleep", "0.3", "click", "1"}},
    {"0.5 s", {"click", "1", "sleep", "0.5", "click", "1"}},
    {"1.0 s", {"click", "1", "sleep", "1.0", "click", "1"}},
};

constexpr int kCopies = 12;
// The quick actions' Delete button: the last of the row, 10 from the card's top and right edges.
constexpr QPoint kDeleteInCard(280 - 10 - 10, 10 + 10);

class SecondClickOnX11 : public ::testing::Test, protected test::LibraryDesktop {
 protected:
  SecondClickOnX11() : LibraryDesktop({1280, 800}) {}
  void SetUp() override {
    ASSERT_TRUE(startSession());
    env_.insert(QStringLiteral("QT_LOGGING_RULES"),
                QStringLiteral("com.tarnwick.quorvalen.app.debug=true\ncom.tarnwick.quorvalen.panel.debug=true"));
    constexpr int kCtrlShift = 0x120000;  // stored modifier bits
    ASSERT_TRUE(session_.storeSettings(
        {{"qv.shortcut.keyCode", 9}, {"qv.shortcut.modifiers", kCtrlShift}, {"qv.didSeeOnboarding.v1", true}}));
    QList<QByteArray> texts;
    for (int i = 0; i < kCopies; ++i) texts << QByteArray("Clip ") + QByteArray::number(i) + " of the filled history";
    ASSERT_TRUE(launchAndCopy(texts));
  }
  void TearDown() override {
    if (HasFailure()) std::cerr << logs() << std::endl;
  }

  QString run(const QString& program, const QStringList& arguments) {
    QProcess& process = start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAll());
  }
  bool xdotool(const QStringList& arguments) { return session_.xdotool(arguments); }
  // An absolute move beside the point, then a small relative one onto it: real motion.
  bool moveTo(QPoint point) {
    return xdotool({"mousemove", QString::number(point.x() - 1), QString::number(point.y() - 1)}) &&
           xdotool({"mousemove_relative", "1", "1"});
  }
  QString clipboard() { return run(QStringLiteral("xclip"), {"-selection", "clipboard", "-o"}); }
  // The screen once nothing on it has changed for 0.3 s.
  bool settle() { return !settledScreenshot().isNull(); }

  // The items in the history file, which is written whole after a removal.
  int historyCount() {
    QFile file(session_.home() + QStringLiteral("/data/Quorvalen/history.json"));
    return file.open(QIODevice::ReadOnly) ? int(file.readAll().count("\"text\":\"Clip ")) : -1;
  }
  // Waits until a removal reached the file, and a little more for a second one.
  int countAfterRemoval(int before) {
    test::waitFor([&] { return historyCount() < before && historyCount() >= 0; }, 5000);
    settle();
    test::waitFor([] { return false; }, 1000);
    return historyCount();
  }

  // ---- The library ----
  // Picks pasted back, or only copied for want of an application to paste into.
  int libraryPicks() {
    return int(log().count("Library ordered out for a paste") + log().count("the pick is only copied"));
  }
  QPoint libraryFirstCard() {
    static const QRegularExpression logged(QStringLiteral("Library first card at (\\d+),(\\d+)"));
    QPoint card;
    for (QRegularExpressionMatchIterator it = logged.globalMatch(QString::fromUtf8(log())); it.hasNext();) {
      const QRegularExpressionMatch m = it.next();
      card = QPoint(m.captured(1).toInt(), m.captured(2).toInt());
    }
    // Where the window's client area is on the screen.
    const QString info = run("xwininfo", {"-id", libraryWindow()});
    static const QRegularExpression x(QStringLiteral("Absolute upper-left X:\\s+(-?\\d+)"));
    static const QRegularExpression y(QStringLiteral("Absolute upper-left Y:\\s+(-?\\d+)"));
    return QPoint(x.match(info).captured(1).toInt(), y.match(info).captured(1).toInt()) + card;
  }

  // ---- The panel ----
  // Where the panel draws its first card at the right screen edge (see PanelPointerE2ETest).
  QPoint panelFirstCard() const { return {screen_.width() - 300, 95 + 8}; }
  void openPanel() {
    const int shown = int(log().count("Panel shown"));
    ASSERT_TRUE(xdotool({"key", "ctrl+shift+v"}));
    ASSERT_TRUE(logCount("Panel shown", shown + 1));
    ASSERT_TRUE(settle());
  }
};

// The panel's hover Delete, clicked again as the next card slides up into the removed one's
// place: each round removes one card only.
TEST_F(SecondClickOnX11, ThePanelsHoverDeleteRemovesOnlyTheCardAimedAt) {
  openPanel();
  // The history file is written whole after a removal; before the first it may hold fewer.
  int before = kCopies;
  for (const SecondClick& second : kSecondClicks) {
    SCOPED_TRACE(second.name);
    ASSERT_TRUE(moveTo(panelFirstCard() + QPoint(140, 120)));
    ASSERT_TRUE(settle());
    ASSERT_TRUE(moveTo(panelFirstCard() + kDeleteInCard));
    ASSERT_TRUE(settle());
    ASSERT_TRUE(xdotool(second.commands));
    const int after = countAfterRemoval(before);
    std::cout << "panel, second click " << second.name << ": " << before - after << " deleted" << std::endl;
    EXPECT_EQ(after, before - 1);
    before = after;
  }
}

// The library's hover Delete, clicked again as the next card slides into the removed one's place,
// and a double-click there: one card goes, nothing is pasted.
TEST_F(SecondClickOnX11, TheLibrarysHoverDeleteRemovesOnlyTheCardAimedAt) {
  ASSERT_TRUE(openLibraryFromTheTray());
  ASSERT_TRUE(logCount("Library on screen", 1));
  ASSERT_TRUE(settle());
  int before = kCopies;
  for (const SecondClick& second : kSecondClicks) {
    SCOPED_TRACE(second.name);
    const int picks = libraryPicks();
    const QPoint card = libraryFirstCard();
    ASSERT_TRUE(moveTo(card + QPoint(140, 120)));
    ASSERT_TRUE(settle());
    ASSERT_TRUE(moveTo(card + kDeleteInCard));
    ASSERT_TRUE(settle());
    ASSERT_TRUE(xdotool(second.commands));
    const int after = countAfterRemoval(before);
    const int pasted = libraryPicks() - picks;
    std::cout << "library card, second click " << second.name << ": " << before - after << " deleted, " << pasted
              << " pasted" << std::endl;
    EXPECT_EQ(after, before - 1);
    EXPECT_EQ(pasted, 0);
    before = after;
  }
}

// The library card menu's Delete chosen with a click, clicked again where the menu's row was, over
// a card that moved up under it: one card goes, nothing is pasted or copied.
TEST_F(SecondClickOnX11, TheLibraryMenusDeleteRemovesOnlyTheCardAimedAt) {
  ASSERT_TRUE(openLibraryFromTheTray());
  ASSERT_TRUE(logCount("Library on screen", 1));
  ASSERT_TRUE(settle());
  const QString copied = clipboard();
  int before = kCopies;
  for (const SecondClick& second : kSecondClicks) {
    SCOPED_TRACE(second.name);
    const int picks = libraryPicks();
    const QPoint card = libraryFirstCard();
    ASSERT_TRUE(moveTo(card + QPoint(140, 60)));
    const QImage plain = settledScreenshot();
    const int menus = int(log().count("Library card menu opened"));
    ASSERT_TRUE(xdotool({"click", "3"}));
    ASSERT_TRUE(logCount("Library card menu opened", menus + 1));
    const QImage open = settledScreenshot();
    // The menu: the rows below and right of the pointer that changed clearly, down to the first
    // that did not (further down a card's time may have ticked meanwhile, and a card drawn anew
    // may differ by a level of rounding); its last row is Delete.
    const auto clearlyChanged = [](QRgb a, QRgb b) {
      return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))}) >
             16;
    };
    int bottom = 0;
    const QPoint at = card + QPoint(140, 60);
    for (int y = at.y(); y < screen_.height() - 40; ++y) {
      bool changed = false;
      for (int x = at.x(); x < std::min(screen_.width(), at.x() + 300) && !changed; x += 3)
        changed = clearlyChanged(plain.pixel(x, y), open.pixel(x, y));
      if (changed) bottom = y;
      else if (bottom > 0) break;
    }
    ASSERT_GT(bottom, at.y() + 100);
    const QPoint onDelete(at.x() + 40, bottom - 16);
    test::XvfbSession::saveScreenshot(open, QStringLiteral("second-click-menu.png"));
    ASSERT_TRUE(moveTo(onDelete));
    ASSERT_TRUE(xdotool(second.commands));
    const int after = countAfterRemoval(before);
    const int pasted = libraryPicks() - picks;
    std::cout << "library menu, second click " << second.name << ": " << before - after << " deleted, " << pasted
              << " pasted, clipboard " << (clipboard() == copied ? "kept" : "replaced") << std::endl;
    EXPECT_EQ(after, before - 1);
    EXPECT_EQ(pasted, 0);
    EXPECT_EQ(clipboard(), copied);
    before = after;
  }
}

// The pointer rests over the library where the panel's first card will be; the library closes and
// the hot key opens the panel under the resting pointer: that card shows its hover (its quick
// actions), and a double-click there, with no move, pastes it (the panel hides to paste).
TEST_F(SecondClickOnX11, ThePanelOpenedUnderAPointerThatRestedOnAClosedWindowTakesADoubleClickInPlace) {
  ASSERT_TRUE(openLibraryFromTheTray());
  ASSERT_TRUE(logCount("Library on screen", 1));
  ASSERT_TRUE(settle());
  ASSERT_TRUE(moveTo(panelFirstCard() + QPoint(140, 60)));
  ASSERT_TRUE(settle());
  ASSERT_TRUE(xdotool({"key", "ctrl+w"}));
  ASSERT_TRUE(logCount("Library off screen", 1));
  openPanel();
  // The quick actions' row at the card's top right: dark symbols on a hovered card, blank else.
  const QImage shown = settledScreenshot();
  const QRect quickActions(panelFirstCard() + QPoint(205, 5), QSize(70, 18));
  int darkest = 255;
  for (int y = quickActions.top(); y <= quickActions.bottom(); ++y)
    for (int x = quickActions.left(); x <= quickActions.right(); ++x)
      darkest = std::min(darkest, qGray(shown.pixel(x, y)));
  EXPECT_LT(darkest, 150) << "the card under the resting pointer shows no hover";
  if (darkest >= 150) test::XvfbSession::saveScreenshot(shown, QStringLiteral("second-click-panel-no-hover.png"));
  const int hidden = int(log().count("Panel hidden"));
  ASSERT_TRUE(xdotool({"click", "--repeat", "2", "--delay", "100", "1"}));
  EXPECT_TRUE(logCount("Panel hidden", hidden + 1)) << "the double-click in place pasted nothing";
}

// The panel's preview (Space on the hovered first card) beside its rail: Edit brings Discard under
// the pointer and Discard brings Edit back; each takes a click in place, the pointer never moving.
TEST_F(SecondClickOnX11, ThePreviewRailsEditAndDiscardTakeClicksInPlace) {
  openPanel();
  ASSERT_TRUE(moveTo(panelFirstCard() + QPoint(140, 60)));
  ASSERT_TRUE(settle());
  ASSERT_TRUE(xdotool({"key", "space"}));
  ASSERT_TRUE(settle());
  // The rail stands left of the preview, beside the card: Edit is its fourth button for a text,
  // and while editing Save (in the accent colour) comes above Discard, which takes Edit's place.
  const QPoint edit = panelFirstCard() + QPoint(-47, 108), save = edit - QPoint(0, 38);
  const auto editing = [&](bool wanted) {
    return !waitForScreenshot([&](const QImage& shot) {
              const QRgb face = shot.pixel(save);
              return (qBlue(face) > qRed(face) + 40) == wanted;
            }).isNull();
  };
  ASSERT_TRUE(editing(false));
  ASSERT_TRUE(moveTo(edit));
  ASSERT_TRUE(settle());
  ASSERT_TRUE(xdotool({"click", "1"}));
  ASSERT_TRUE(editing(true)) << "Edit took no click";
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(xdotool({"sleep", "0.5", "click", "1"}));
    ASSERT_TRUE(editing(false)) << "Discard, come under the pointer, took no click";
    ASSERT_TRUE(xdotool({"sleep", "0.5", "click", "1"}));
    ASSERT_TRUE(editing(true)) << "Edit, come back under the pointer, took no click";
  }
}

// The library's detail pane (the library window on the real services, libraryprobe): Save after an
// edit brings the action row back with Delete where Save was; clicked again, the item stays.
TEST(SecondClickInTheDetailPane, SaveAfterAnEditLeavesTheItemThatTheDeleteBelowItWouldRemove) {
  test::XvfbSession x(test::XvfbSession::Options{true, {1280, 800}, false});
  ASSERT_TRUE(x.start()) << x.log().toStdString();
  test::LineProcess probe(test::binDir() + "/libraryprobe", QStringList{}, x.environment());
  ASSERT_TRUE(test::waitFor([&] { return probe.lines().contains("ready"); }, 15000));
  probe.send("kinds");
  const auto ask = [&](const QString& command, const QString& prefix) {
    return probe.ask(command, prefix).mid(prefix.size());
  };
  const auto at = [&](const QString& help) { return ask("button " + help, "button ").split(' '); };
  const auto moveTo = [&](const QStringList& point) {
    return point.size() == 2 &&
           x.xdotool({"mousemove", QString::number(point[0].toInt() - 1), QString::number(point[1].toInt() - 1)}) &&
           x.xdotool({"mousemove_relative", "1", "1"});
  };
  const auto editing = [&] { return ask("status", "status ").contains("editing=1"); };
  for (const SecondClick& second : kSecondClicks) {
    SCOPED_TRACE(second.name);
    probe.send("detail 0");
    ASSERT_TRUE(test::waitFor([&] { return at("Edit").size() == 2; }, 15000));
    test::waitFor([] { return false; }, 1000);
    ASSERT_TRUE(moveTo(at("Edit")));
    ASSERT_TRUE(x.xdotool({"click", "1"}));
    ASSERT_TRUE(test::waitFor(editing, 10000));
    ASSERT_TRUE(x.xdotool({"type", "--delay", "20", " x"}));
    test::waitFor([] { return false; }, 500);
    const QStringList save = at("Save");
    ASSERT_TRUE(moveTo(save));
    ASSERT_TRUE(x.xdotool(second.commands));
    ASSERT_TRUE(test::waitFor([&] { return !editing(); }, 10000));
    test::waitFor([] { return false; }, 1500);
    const bool kept = at("Close").size() == 2;
    std::cout << "detail pane Save, second click " << second.name << ": " << (kept ? "kept" : "deleted") << std::endl;
    EXPECT_TRUE(kept) << "the item was deleted by the Delete that came under the pointer";
    if (!kept) break;
  }
}

// Clicks in place in the detail pane, the pointer never moving: Edit brings Cancel under the
// pointer and Cancel brings Edit back; each takes a click half a second later.
TEST(ClicksInPlaceInTheDetailPane, EditAndCancelTakeClicksWithoutAMove) {
  test::XvfbSession x(test::XvfbSession::Options{true, {1280, 800}, false});
  ASSERT_TRUE(x.start()) << x.log().toStdString();
  test::LineProcess probe(test::binDir() + "/libraryprobe", QStringList{}, x.environment());
  ASSERT_TRUE(test::waitFor([&] { return probe.lines().contains("ready"); }, 15000));
  probe.send("kinds");
  const auto ask = [&](const QString& command, const QString& prefix) {
    return probe.ask(command, prefix).mid(prefix.size());
  };
  const auto at = [&](const QString& help) { return ask("button " + help, "button ").split(' '); };
  const auto editing = [&] { return ask("status", "status ").contains("editing=1"); };
  probe.send("detail 0");
  ASSERT_TRUE(test::waitFor([&] { return at("Edit").size() == 2; }, 15000));
  const QStringList edit = at("Edit");
  ASSERT_TRUE(x.xdotool({"mousemove", edit[0], edit[1]}));
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(x.xdotool({"sleep", "0.5", "click", "1"}));
    ASSERT_TRUE(test::waitFor(editing, 10000)) << "Edit took no click";
    ASSERT_TRUE(test::waitFor([&] { return at("Cancel").size() == 2; }, 10000));
    ASSERT_TRUE(x.xdotool({"sleep", "0.5", "click", "1"}));
    ASSERT_TRUE(test::waitFor([&] { return !editing(); }, 10000)) << "Cancel, come under the pointer, took no click";
    ASSERT_TRUE(test::waitFor([&] { return at("Edit") == edit; }, 10000));
  }
}

}  // namespace
}  // namespace qv
