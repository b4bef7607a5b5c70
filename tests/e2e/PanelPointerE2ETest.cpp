// The edge panel of the whole program under Xvfb and jwm, driven with real pointer events
// (xdotool) as a user drives it: the quick actions after a fast wheel act on the card under the
// pointer, Delete after a card's menu removes the selected card, and a double click on a card
// below the list's middle pastes that card into the window that was in front.
#include "support/LineProcess.h"
#include "support/ProcessHelpers.h"
#include "support/XvfbSession.h"

#include <gtest/gtest.h>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QUuid>
#include <algorithm>

#include <iostream>
#include <memory>

namespace qv {
namespace {

// Where the panel draws its cards at the right screen edge (points from the screen's top right):
// the list starts under the search bar and the category strip, each card is 240 high with 14
// between, and a wheel notch scrolls 96 points.
constexpr int kListTop = 95;
constexpr int kListTopPadding = 8;
constexpr int kCardPitch = 254;
constexpr int kCardLeftFromRight = 300;  // the column's margin (8) and the list's side inset (12)
constexpr int kWheelStep = 96;
// The quick actions' Delete button: the last of the row, 10 from the card's top and right edges.
constexpr QPoint kDeleteInCard(280 - 10 - 10, 10 + 10);
constexpr double kReferenceEpoch = 978307200;  // 2001-01-01 in Unix time: stored times count from it

class PanelPointerOnX11 : public ::testing::Test {
 protected:
  void start(QSize screen, int items) {
    session_ = std::make_unique<test::XvfbSession>(test::XvfbSession::Options{true, screen, false});
    ASSERT_TRUE(session_->start()) << session_->log().toStdString();
    screen_ = screen;
    env_ = session_->environment();
    env_.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("com.tarnwick.quorvalen.panel.debug=true"));
    constexpr int kCtrlShift = 0x120000;  // stored modifier bits
    ASSERT_TRUE(session_->storeSettings(
        {{"qv.shortcut.keyCode", 9}, {"qv.shortcut.modifiers", kCtrlShift}, {"qv.didSeeOnboarding.v1", true}}));
    writeHistory(items);
    program_ = std::make_unique<QProcess>();
    program_->setProcessEnvironment(env_);
    program_->setProcessChannelMode(QProcess::MergedChannels);
    program_->start(test::binDir() + QStringLiteral("/quorvalen"));
    ASSERT_TRUE(logContains("Quorvalen launched"));
  }
  void TearDown() override {
    if (HasFailure()) {
      std::cerr << "quorvalen said:\n" << log().constData();
      if (target_) std::cerr << "\npaste target said:\n" << target_->log().toStdString();
      if (session_) std::cerr << "\nX session:\n" << session_->log().toStdString() << std::endl;
      if (session_) test::XvfbSession::saveScreenshot(session_->screenshot(), failureShotName());
    }
    if (program_) {
      program_->kill();
      program_->waitForFinished(3000);
    }
    target_.reset();
  }
  static QString failureShotName() {
    return QStringLiteral("panel-pointer-failed-%1.png")
        .arg(QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name()));
  }

  // The history the program finds at launch: `count` text items, newest first, a minute apart, all
  // of today (soon after midnight closer together), so that no date header moves the cards.
  void writeHistory(int count) {
    QJsonArray items;
    const QDateTime current = QDateTime::currentDateTime();
    const double now = double(current.toSecsSinceEpoch()) - kReferenceEpoch;
    const double sinceMidnight = double(current.date().startOfDay().secsTo(current));
    const double apart = std::min(60.0, sinceMidnight / (count + 1));
    for (int index = 0; index < count; ++index)
      items.append(QJsonObject{{"id", QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()},
                               {"contentType", "text"},
                               {"sourceAppBundleID", "org.example.Editor"},
                               {"capturedAt", now - apart * index},
                               {"payload", QJsonObject{{"type", "text"}, {"text", itemText(index)}}}});
    const QString folder = session_->home() + QStringLiteral("/data/Quorvalen");
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile file(folder + QStringLiteral("/history.json"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QJsonDocument(items).toJson(QJsonDocument::Compact));
  }
  static QString itemText(int index) {
    return QStringLiteral("Clip number %1 of the history, a line of about the length people copy").arg(index);
  }
  QByteArray history() const {
    QFile file(session_->home() + QStringLiteral("/data/Quorvalen/history.json"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  bool historyHas(int index) const { return history().contains(itemText(index).toUtf8()); }

  QByteArray& log() {
    if (program_) log_ += program_->readAll();
    return log_;
  }
  bool logContains(const QByteArray& text, int timeoutMs = 20000) {
    return test::waitFor([&] { return log().contains(text); }, timeoutMs);
  }
  bool waitForLogCount(const QByteArray& text, int count, int timeoutMs = 10000) {
    return test::waitFor([&] { return log().count(text) >= count; }, timeoutMs);
  }
  bool xdotool(const QStringList& arguments) { return session_->xdotool(arguments); }
  bool moveTo(QPoint point) {
    // An absolute move, then a small relative one: the latter also makes raw motion.
    return xdotool({"mousemove", QString::number(point.x() - 1), QString::number(point.y() - 1)}) &&
           xdotool({"mousemove_relative", "1", "1"});
  }

  // The shortcut opens the panel; returns once its column has slid in over the desktop's black.
  void openPanel() {
    const int shown = int(log().count("Panel shown"));
    ASSERT_TRUE(xdotool({"key", "ctrl+shift+v"}));
    ASSERT_TRUE(waitForLogCount("Panel shown", shown + 1));
    ASSERT_TRUE(waitForScreen([&](const QImage& shot) {
      int drawn = 0;
      for (int y = 20; y < 320; y += 10) drawn += qGray(shot.pixel(screen_.width() - 320 + 12, y)) > 40;
      return drawn > 25;
    }));
    // The slide and the cards' arrival run on wall time: a column unchanged for half a second has
    // come to rest however slowly a loaded machine draws, and a click lands where it aims.
    const QRect column(screen_.width() - 320, 60, 320, screen_.height() - 60);
    QImage still;
    QElapsedTimer stillFor;
    ASSERT_TRUE(waitForScreen([&](const QImage& shot) {
      if (still.isNull() || still != shot.copy(column)) {
        still = shot.copy(column);
        stillFor.start();
      }
      return stillFor.elapsed() >= 500;
    }));
  }
  bool waitForScreen(const std::function<bool(const QImage&)>& drawn, int timeoutMs = 10000) {
    return test::waitFor(
        [&] {
          const QImage shot = session_->screenshot();
          return !shot.isNull() && drawn(shot);
        },
        timeoutMs);
  }

  // The top-left corner on the screen of the card at `index` with the list scrolled by `offset`.
  QPoint cardTopLeft(int index, int offset = 0) const {
    return {screen_.width() - kCardLeftFromRight, kListTop + kListTopPadding + index * kCardPitch - offset};
  }
  // The card under `point` with the list scrolled by `offset`.
  static int cardUnder(QPoint point, int offset) {
    return (point.y() - kListTop + offset - kListTopPadding) / kCardPitch;
  }
  // Whether the quick actions are drawn on the card whose top-left corner is `card`: the Delete
  // symbol's dark ink where the card is otherwise light.
  static bool quickActionsShownOn(const QImage& shot, QPoint card) {
    const QPoint centre = card + kDeleteInCard;
    int ink = 0;
    for (int y = centre.y() - 8; y <= centre.y() + 8; ++y)
      for (int x = centre.x() - 8; x <= centre.x() + 8; ++x) ink += qGray(shot.pixel(x, y)) < 150;
    return ink >= 4;
  }

  std::unique_ptr<test::XvfbSession> session_;
  QSize screen_;
  QProcessEnvironment env_;
  std::unique_ptr<QProcess> program_;
  std::unique_ptr<test::LineProcess> target_;
  QByteArray log_;
};

// Hover a card, wheel the list fast by many notches, nudge the pointer and click the Delete of
// the card that is under it now: that card goes, the one hovered before the wheel stays.
TEST_F(PanelPointerOnX11, QuickDeleteAfterAFastWheelRemovesTheCardUnderThePointer) {
  start({1280, 800}, 40);
  openPanel();
  const QPoint pointer(screen_.width() - 160, 400);
  ASSERT_TRUE(moveTo(pointer));
  const int hoveredFirst = cardUnder(pointer, 0);
  ASSERT_TRUE(waitForScreen([&](const QImage& shot) { return quickActionsShownOn(shot, cardTopLeft(hoveredFirst)); }));

  constexpr int kNotches = 25;
  ASSERT_TRUE(xdotool({"click", "--repeat", QString::number(kNotches), "--delay", "5", "5"}));
  ASSERT_TRUE(xdotool({"mousemove_relative", "2", "1"}));
  const int offset = kNotches * kWheelStep;
  const int under = cardUnder(pointer + QPoint(2, 1), offset);
  ASSERT_NE(under, hoveredFirst);
  ASSERT_TRUE(waitForScreen([&](const QImage& shot) { return quickActionsShownOn(shot, cardTopLeft(under, offset)); }));
  test::XvfbSession::saveScreenshot(session_->screenshot(), QStringLiteral("panel-quick-actions-after-wheel.png"));

  ASSERT_TRUE(moveTo(cardTopLeft(under, offset) + kDeleteInCard));
  ASSERT_TRUE(xdotool({"click", "1"}));
  EXPECT_TRUE(test::waitFor([&] { return !historyHas(under); }, 10000)) << "card " << under << " was not removed";
  EXPECT_TRUE(historyHas(hoveredFirst)) << "the card hovered before the wheel was removed";
  EXPECT_EQ(history().count("\"text\":\"Clip number"), 39);
}

// Select a card, open another card's menu, leave the panel with the pointer and press Escape:
// the menu closes and the panel stays. No card is hovered then, so Delete removes the selected
// card, not the one whose menu it was.
TEST_F(PanelPointerOnX11, DeleteAfterACardMenuRemovesTheSelectedCard) {
  start({1280, 800}, 6);
  openPanel();
  const QPoint onFirst = cardTopLeft(0) + QPoint(140, 120);
  const QPoint onSecond = cardTopLeft(1) + QPoint(140, 100);
  ASSERT_TRUE(moveTo(onFirst));
  ASSERT_TRUE(xdotool({"click", "1"}));
  ASSERT_TRUE(moveTo(onSecond));
  ASSERT_TRUE(waitForScreen([&](const QImage& shot) { return quickActionsShownOn(shot, cardTopLeft(1)); }));
  ASSERT_TRUE(xdotool({"click", "3"}));
  ASSERT_TRUE(logContains("Card menu opened", 10000));
  test::XvfbSession::saveScreenshot(session_->screenshot(), QStringLiteral("panel-card-menu.png"));
  ASSERT_TRUE(moveTo({300, 400}));  // beside the panel
  ASSERT_TRUE(xdotool({"key", "Escape"}));
  ASSERT_TRUE(logContains("Card menu closed", 10000));
  EXPECT_FALSE(log().contains("Panel hidden")) << "Escape with the menu open also hid the panel";

  ASSERT_TRUE(xdotool({"key", "Delete"}));
  EXPECT_TRUE(test::waitFor([&] { return !historyHas(0); }, 10000)) << "the selected card was not removed";
  EXPECT_TRUE(historyHas(1)) << "the card whose menu it was was removed";
}

// The first click selects the fourth card, below the list's middle, and scrolls it towards the
// middle, which moves the fifth card under the pointer before the second click: the double click
// still pastes the fourth card into the window that was in front.
TEST_F(PanelPointerOnX11, ADoubleClickOnTheFourthCardPastesIt) {
  start({1280, 1200}, 8);
  target_ = std::make_unique<test::LineProcess>(test::binDir() + QStringLiteral("/pastetarget"), QStringList{}, env_);
  ASSERT_FALSE(target_->waitForLine(QStringLiteral("ready ")).isEmpty());
  ASSERT_FALSE(target_->waitForLine(QStringLiteral("active")).isEmpty()) << "the target never got the focus";
  openPanel();
  ASSERT_FALSE(target_->waitForLine(QStringLiteral("inactive")).isEmpty());
  ASSERT_TRUE(moveTo(cardTopLeft(3) + QPoint(140, 220)));  // near the card's bottom edge
  ASSERT_TRUE(xdotool({"click", "--repeat", "2", "--delay", "90", "1"}));
  EXPECT_FALSE(target_->waitForLine(QStringLiteral("text ") + itemText(3), 10000).isEmpty());
  EXPECT_TRUE(logContains("Paste into the previous application: pasted", 10000));
}

}  // namespace
}  // namespace qv
