// The library window in the whole program under Xvfb with jwm's tray, in the light and the dark
// appearance: "Open Library" from the tray menu opens it centred in the usable area showing the
// history; a search typed into it survives closing it through the title bar and opening it again;
// minimising it tells the program it is gone and the tray brings it back; the zoom button fills
// the usable area; quitting with it open ends cleanly and keeps its frame. The grid in three date
// sections (one collapsed) at three widths of the window, and the empty states that an empty
// history, typing and the tabs lead to. A double-click on a card pastes it into the window that
// was in front when the library opened; when that window has closed meanwhile, the pick is only
// copied and the tray says so. Screenshots land in build/screenshots for people to look at.
#include "LibraryDesktop.h"
#include "items/model/ClipboardItem.h"
#include "items/model/ItemJson.h"
#include "support/LineProcess.h"
#include "support/ProcessHelpers.h"
#include "support/XvfbSession.h"

#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <vector>

namespace qv {
namespace {

class LibraryOnX11 : public ::testing::TestWithParam<const char*>, protected test::LibraryDesktop {
 protected:
  void SetUp() override {
    ASSERT_TRUE(startSession()) << session_.log().toStdString();
    ASSERT_TRUE(session_.storeSettings({{"qv.didSeeOnboarding.v1", true}, {"qv.appearance", GetParam()}}));
  }
  void TearDown() override {
    if (HasFailure())
      std::cerr << "quorvalen said:\n" << log().constData() << "\nX session:\n" << session_.log().toStdString();
  }

  // The library's frame as the program placed it.
  QRect placedFrame() {
    static const QRegularExpression placed(QStringLiteral("Library opens at (\\d+),(\\d+) (\\d+)x(\\d+)"));
    const QRegularExpressionMatch m = placed.match(QString::fromUtf8(log()));
    return m.hasMatch()
               ? QRect(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(), m.captured(4).toInt())
               : QRect();
  }
  // Where the window's client area lies on the screen now (the window manager may have moved it).
  QRect clientArea(const QString& window) {
    xcb_connection_t* c = xcb_connect(session_.display().toLatin1().constData(), nullptr);
    const xcb_window_t id = xcb_window_t(window.toUInt(nullptr, 16));
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    QRect area;
    auto* geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, id), nullptr);
    auto* at = xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, id, root, 0, 0), nullptr);
    if (geometry && at) area = QRect(at->dst_x, at->dst_y, geometry->width, geometry->height);
    std::free(geometry);
    std::free(at);
    xcb_disconnect(c);
    return area;
  }
  // The last frame the log gave for the tab titled `title`, in window coordinates.
  QRect tabFrame(const QString& title) {
    const QRegularExpression logged(QStringLiteral("Library tab \u201C%1\u201D at (-?\\d+),(-?\\d+) (\\d+)x(\\d+)")
                                        .arg(QRegularExpression::escape(title)));
    QRect frame;
    for (QRegularExpressionMatchIterator it = logged.globalMatch(QString::fromUtf8(log())); it.hasNext();) {
      const QRegularExpressionMatch m = it.next();
      frame = QRect(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(), m.captured(4).toInt());
    }
    return frame;
  }
  // The mean lightness of the window's middle.
  static int lightness(const QImage& shot, const QRect& frame) {
    qint64 sum = 0, count = 0;
    const QRect middle = frame.adjusted(frame.width() / 4, frame.height() / 4, -frame.width() / 4, -frame.height() / 4);
    for (int y = middle.top(); y < middle.bottom(); y += 7)
      for (int x = middle.left(); x < middle.right(); x += 7, ++count) sum += qGray(shot.pixel(x, y));
    return count ? int(sum / count) : 0;
  }
};

TEST_P(LibraryOnX11, OpenedFromTheTrayThroughCloseMinimiseZoomAndQuit) {
  const bool dark = QByteArray(GetParam()) == "dark";
  ASSERT_TRUE(launchAndCopy({"alpha, the first copy", "beta, the second copy", "gamma, the third copy"}));

  ASSERT_TRUE(openLibraryFromTheTray());
  ASSERT_TRUE(logCount("Library on screen", 1));
  EXPECT_TRUE(log().contains("Library shows \"3 items\""));
  // One screen with the tray along its bottom: the preferred width, 20 short of the usable height.
  const QRect frame = placedFrame();
  ASSERT_TRUE(frame.isValid()) << log().constData();
  EXPECT_EQ(frame.width(), 1202);
  EXPECT_EQ(frame.x() + frame.width() / 2, 640);
  const QImage shown = waitForScreenshot([&](const QImage& shot) {
    const int light = lightness(shot, frame);
    return dark ? light > 15 && light < 60 : light > 180;
  });
  ASSERT_FALSE(shown.isNull());
  test::XvfbSession::saveScreenshot(shown, QStringLiteral("library-%1.png").arg(GetParam()));

  // Nothing was focused: a click puts the caret into the search field, then the typing narrows.
  const QString window = libraryWindow();
  ASSERT_FALSE(window.isEmpty());
  ASSERT_TRUE(session_.xdotool({"mousemove", "--window", window, "80", "22", "click", "1"}));
  ASSERT_TRUE(session_.xdotool({"type", "--delay", "40", "beta"}));
  const QImage narrowed = waitForScreenshot([&](const QImage& shot) { return shot != shown; });
  ASSERT_FALSE(narrowed.isNull());

  // jwm's close button stands at the right end of the title bar, just above the client area.
  const QRect client = clientArea(window);
  ASSERT_TRUE(client.isValid());
  ASSERT_TRUE(session_.xdotool(
      {"mousemove", QString::number(client.right() - 12), QString::number(client.top() - 11), "click", "1"}));
  ASSERT_TRUE(logCount("Library off screen", 1));
  ASSERT_TRUE(openLibraryFromTheTray());
  ASSERT_TRUE(logCount("Library on screen", 2));
  EXPECT_TRUE(log().contains("Library shows \"1 of 3 items\"")) << log().constData();
  const QImage reopened = waitForScreenshot([&](const QImage& shot) {
    const int light = lightness(shot, frame);
    return dark ? light > 15 && light < 60 : light > 180;
  });
  ASSERT_FALSE(reopened.isNull());
  test::XvfbSession::saveScreenshot(reopened, QStringLiteral("library-reopened-%1.png").arg(GetParam()));

  ASSERT_TRUE(session_.xdotool({"windowminimize", libraryWindow()}));
  ASSERT_TRUE(logCount("Library off screen", 2));
  ASSERT_TRUE(openLibraryFromTheTray());
  ASSERT_TRUE(logCount("Library on screen", 3));
  EXPECT_EQ(log().count("Library opens at"), 1);  // made once, shown again

  // The title bar's zoom button (left of the close button) fills the usable area and gives the
  // frame back on a second press.
  const QRect placed = clientArea(libraryWindow());
  const QString zoomX = QString::number(placed.right() - 36), zoomY = QString::number(placed.top() - 11);
  ASSERT_TRUE(session_.xdotool({"mousemove", zoomX, zoomY, "click", "1"}));
  EXPECT_TRUE(test::waitFor([&] { return clientArea(libraryWindow()).width() >= 1270; }, 10000))
      << clientArea(libraryWindow()).width();
  const QRect zoomed = clientArea(libraryWindow());
  ASSERT_TRUE(session_.xdotool(
      {"mousemove", QString::number(zoomed.right() - 36), QString::number(zoomed.top() - 11), "click", "1"}));
  EXPECT_TRUE(test::waitFor([&] { return clientArea(libraryWindow()) == placed; }, 10000));

  // Quitting with the library and its filter surface open ends cleanly and keeps its frame.
  ASSERT_TRUE(session_.xdotool({"mousemove", "--window", libraryWindow(), "256", "22", "click", "1"}));
  ASSERT_TRUE(logCount("Library filter surface opened", 1));
  program_->terminate();
  ASSERT_TRUE(program_->waitForFinished(10000));
  EXPECT_EQ(program_->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program_->exitCode(), 0);
  QFile defaults(session_.home() + QStringLiteral("/config/Quorvalen/defaults.json"));
  ASSERT_TRUE(defaults.open(QIODevice::ReadOnly));
  const QJsonObject stored = QJsonDocument::fromJson(defaults.readAll()).object();
  const QString saved = stored.value(QStringLiteral("NSWindow Frame QuorvalenLibrary")).toString();
  EXPECT_TRUE(saved.startsWith(QStringLiteral("%1 %2 1202 ").arg(placed.x()).arg(placed.y()))) << saved.toStdString();
}

// Three date sections with "Yesterday" collapsed at three widths of the window, and the empty
// states: an empty history, a query nothing matches, no pinned item, an empty category.
TEST_P(LibraryOnX11, DateSectionsAtThreeWidthsAndTheEmptyStates) {
  const QString scheme = QString::fromLatin1(GetParam());
  const QJsonObject settings{{"qv.didSeeOnboarding.v1", true},
                             {"qv.appearance", scheme},
                             {"qv.historyRetention", "forever"},
                             {"qv.collapsedGroups.v1", QJsonArray{"Yesterday"}}};
  ASSERT_TRUE(session_.storeSettings(settings));

  // An empty history first.
  program_ = &start(test::binDir() + QStringLiteral("/quorvalen"));
  ASSERT_TRUE(logCount("Quorvalen launched", 1, 20000));
  ASSERT_TRUE(openLibraryFromTheTray());
  ASSERT_TRUE(logCount("Library on screen", 1));
  ASSERT_TRUE(logCount("Library empty state: No Items", 1));
  const QImage noItems = settledScreenshot();
  ASSERT_FALSE(noItems.isNull());
  test::XvfbSession::saveScreenshot(noItems, QStringLiteral("library-no-items-%1.png").arg(scheme));
  program_->terminate();
  ASSERT_TRUE(program_->waitForFinished(10000));

  // Three copies each today, yesterday and ten days ago.
  QList<ClipboardItem> items;
  const QDateTime now = QDateTime::currentDateTime();
  const char* const texts[] = {"Quarterly budget draft for the finance review",
                               "git rebase -i HEAD~3",
                               "Meeting moved to room 4, bring the printed agenda",
                               "https://example.org/reports/quarterly",
                               "Dinner on Friday at eight?",
                               "The parcel number is 7741 0093 2210",
                               "SELECT name FROM staff WHERE team = 'design'",
                               "Remember to water the plants",
                               "Lorem ipsum dolor sit amet, consectetur adipiscing elit"};
  for (int i = 0; i < 9; ++i) {
    const int daysAgo = i < 3 ? 0 : i < 6 ? 1 : 10;
    items << ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.example.Editor"),
                                 now.addDays(-daysAgo).addSecs(-i), TextPayload{QString::fromUtf8(texts[i])});
  }
  const QString folder = session_.home() + QStringLiteral("/data/Quorvalen");
  ASSERT_TRUE(QDir().mkpath(folder));
  QFile history(folder + QStringLiteral("/history.json"));
  ASSERT_TRUE(history.open(QIODevice::WriteOnly));
  history.write(encodeItems(items));
  history.close();

  log_.clear();
  program_ = &start(test::binDir() + QStringLiteral("/quorvalen"));
  ASSERT_TRUE(logCount("Quorvalen launched", 1, 20000));
  ASSERT_TRUE(openLibraryFromTheTray());
  ASSERT_TRUE(logCount("Library on screen", 1));
  ASSERT_TRUE(log().contains("Library shows \"9 items\"")) << log().constData();
  const QString window = libraryWindow();
  const struct {
    int width;
    int columns;
  } widths[] = {{1202, 4}, {760, 2}, {440, 1}};
  for (const auto& w : widths) {
    SCOPED_TRACE(w.width);
    const QImage before = session_.screenshot();
    ASSERT_TRUE(session_.xdotool({"windowsize", window, QString::number(w.width), "640"}));
    ASSERT_TRUE(test::waitFor([&] { return clientArea(window).size() == QSize(w.width, 640); }, 10000))
        << clientArea(window).width();
    ASSERT_TRUE(
        logCount(QStringLiteral("Library grid in %1 columns, %2 wide").arg(w.columns).arg(w.width).toUtf8(), 1));
    // Drawn anew at the new size, then at rest.
    ASSERT_FALSE(waitForScreenshot([&](const QImage& shot) { return shot != before; }).isNull());
    const QImage shot = settledScreenshot();
    ASSERT_FALSE(shot.isNull());
    test::XvfbSession::saveScreenshot(shot, QStringLiteral("library-sections-%1-%2.png").arg(w.width).arg(scheme));
  }

  // Back to the full width, where every tab shows.
  ASSERT_TRUE(session_.xdotool({"windowsize", window, "1202", "640"}));
  ASSERT_TRUE(logCount("Library grid in 4 columns, 1202 wide", 2));
  ASSERT_TRUE(session_.xdotool({"mousemove", "--window", window, "80", "22", "click", "1"}));
  ASSERT_TRUE(session_.xdotool({"type", "--delay", "40", "zebra"}));
  ASSERT_TRUE(logCount("Library empty state: No Results", 1));
  const QImage noResults = settledScreenshot();
  ASSERT_FALSE(noResults.isNull());
  test::XvfbSession::saveScreenshot(noResults, QStringLiteral("library-no-results-%1.png").arg(scheme));
  ASSERT_TRUE(session_.xdotool({"key", "ctrl+a", "BackSpace"}));
  ASSERT_TRUE(logCount("Library empty state: none", 1));

  struct TabCase {
    const char* tab;
    const char* state;
    const char* shot;
  };
  for (const TabCase& c : {TabCase{"Pinned", "Nothing Pinned", "nothing-pinned"},
                           TabCase{"Snippets", "Snippets Is Empty", "empty-category"}}) {
    SCOPED_TRACE(c.tab);
    const QRect tab = tabFrame(QString::fromLatin1(c.tab));
    ASSERT_TRUE(tab.isValid()) << log().constData();
    ASSERT_TRUE(session_.xdotool({"mousemove", "--window", window, QString::number(tab.center().x()),
                                  QString::number(tab.center().y()), "click", "1"}));
    ASSERT_TRUE(logCount(QByteArray("Library empty state: ") + c.state, 1));
    const QImage shot = settledScreenshot();
    ASSERT_FALSE(shot.isNull());
    test::XvfbSession::saveScreenshot(shot, QStringLiteral("library-%1-%2.png").arg(c.shot, scheme));
  }
}

TEST_P(LibraryOnX11, ADoubleClickPastesIntoTheWindowInFrontAndAPickForAClosedOneOnlyCopies) {
  const QString scheme = QString::fromLatin1(GetParam());
  program_ = &start(test::binDir() + QStringLiteral("/quorvalen"));
  ASSERT_TRUE(logCount("Quorvalen launched", 1, 20000));
  ASSERT_TRUE(copy("delta, to paste back"));
  ASSERT_TRUE(logCount("Captured a", 1, 20000));
  auto target = std::make_unique<test::LineProcess>(test::binDir() + QStringLiteral("/pastetarget"), QStringList{},
                                                    env_);
  ASSERT_FALSE(target->waitForLine(QStringLiteral("ready ")).isEmpty());
  ASSERT_FALSE(target->waitForLine(QStringLiteral("active")).isEmpty()) << "the target never got the focus";

  const auto doubleClickFirstCard = [&] {
    ASSERT_TRUE(logCount("Library first card at", 1));
    static const QRegularExpression logged(QStringLiteral("Library first card at (\\d+),(\\d+)"));
    QPoint card;
    for (QRegularExpressionMatchIterator it = logged.globalMatch(QString::fromUtf8(log())); it.hasNext();) {
      const QRegularExpressionMatch m = it.next();
      card = QPoint(m.captured(1).toInt(), m.captured(2).toInt());
    }
    const QPoint at = clientArea(libraryWindow()).topLeft() + card + QPoint(140, 120);
    ASSERT_TRUE(session_.xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "--repeat",
                                  "2", "--delay", "60", "1"}));
  };

  ASSERT_TRUE(openLibraryFromTheTray());
  ASSERT_TRUE(logCount("Library on screen", 1));
  const QImage before = settledScreenshot();
  test::XvfbSession::saveScreenshot(before, QStringLiteral("library-paste-%1.png").arg(scheme));
  doubleClickFirstCard();
  ASSERT_TRUE(logCount("Library off screen", 1));
  EXPECT_FALSE(target->waitForLine(QStringLiteral("text delta, to paste back")).isEmpty());
  EXPECT_TRUE(logCount("Library paste into the previous application: pasted", 1));

  // Opened again over the target, which then closes: the pick is only copied, and said so.
  ASSERT_TRUE(openLibraryFromTheTray());
  ASSERT_TRUE(logCount("Library on screen", 2));
  ASSERT_FALSE(settledScreenshot().isNull());
  target->stop();
  doubleClickFirstCard();
  ASSERT_TRUE(logCount("Library off screen", 2));
  EXPECT_TRUE(logCount("Library paste into the previous application: targetGone", 1)) << log().constData();
  EXPECT_TRUE(logCount("Telling the user the library's pick was only copied", 1));
  QProcess& paste = start(QStringLiteral("xclip"),
                          {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-o")});
  ASSERT_TRUE(paste.waitForFinished(5000));
  EXPECT_EQ(paste.readAll(), QByteArray("delta, to paste back"));
  const QImage told = settledScreenshot();
  test::XvfbSession::saveScreenshot(told, QStringLiteral("library-copied-only-%1.png").arg(scheme));
}

// A left click on the tray icon opens the panel; a right click then hides it and opens the
// tray's menu, whose "Open Library" opens the library.
TEST_P(LibraryOnX11, TheTrayMenuOpensWhileThePanelIsOpen) {
  ASSERT_TRUE(launchAndCopy({"copied before the tray's clicks"}));
  for (int round = 1; round <= 2; ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(session_.xdotool(
        {"mousemove", QString::number(trayIcon().x()), QString::number(trayIcon().y()), "click", "1"}));
    ASSERT_TRUE(logCount("Panel shown", round));
    // The menu comes over the panel as it slides away; its first row opens the library.
    ASSERT_TRUE(openLibraryFromTheTray());
    ASSERT_TRUE(logCount("Panel hidden", round));
    ASSERT_TRUE(logCount("Library on screen", round)) << "the menu never took the keys";
    const QImage shot = settledScreenshot();
    if (!shot.isNull() && round == 1)
      test::XvfbSession::saveScreenshot(shot, QStringLiteral("library-from-tray-over-panel-%1.png").arg(GetParam()));
    ASSERT_TRUE(session_.xdotool({"key", "ctrl+w"}));
    ASSERT_TRUE(logCount("Library off screen", round));
  }
}

INSTANTIATE_TEST_SUITE_P(Appearances, LibraryOnX11, ::testing::Values("light", "dark"));

}  // namespace
}  // namespace qv
