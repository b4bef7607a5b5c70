// Where a copy came from: markers, the clipboard's owner process, overlay windows under the
// pointer (and the memory of the last one), the frontmost application, the last resort.
#include "items/capture/KnownApplications.h"
#include "items/capture/OverlayScanner.h"
#include "items/capture/PasteboardMarkers.h"
#include "support/items/MonitorHarness.h"

namespace qv {
namespace {

constexpr qint64 kMenuPid = 5100;
constexpr qint64 kPopoverPid = 5200;
constexpr qint64 kNotesPid = 5300;
constexpr qint64 kPanelPid = 5400;
constexpr qint64 kNoIdPid = 5500;

class Source : public test::MonitorHarness {
 protected:
  void SetUp() override {
    MonitorHarness::SetUp();
    fake.workspace->addApplication(app(kMenuPid, QStringLiteral("org.example.Menu")));
    fake.workspace->addApplication(app(kPopoverPid, QStringLiteral("org.example.Popover")));
    fake.workspace->addApplication(app(kNotesPid, QStringLiteral("org.example.Notes")));
    fake.workspace->addApplication(app(kPanelPid, QStringLiteral("xfce4-panel")));
    fake.workspace->addApplication(app(kNoIdPid, QString()));
    fake.workspace->setFrontmost(app(kEditorPid, QStringLiteral("org.example.Editor")));
    fake.screens->setPointer(QPointF(500, 400));
  }

  static WindowInfo window(qint64 pid, QRect bounds, int layer = windowLayer::kPopup,
                           std::optional<double> alpha = std::nullopt) {
    WindowInfo info;
    info.id = quint32(pid);
    info.layer = layer;
    info.bounds = bounds;
    info.alpha = alpha;
    info.ownerPid = pid;
    return info;
  }

  // The overlay owner under the pointer for these windows (front to back).
  std::optional<QString> ownerOf(QList<WindowInfo> windows) {
    fake.windowList->setWindows(std::move(windows));
    return OverlayScanner(fake.windowList, fake.screens, fake.workspace).findOwner();
  }

  // The source credited to a copy of `content` made by an unknown owner.
  QString sourceOf(const QList<QPair<QString, QByteArray>>& content, qint64 ownerPid = 0) {
    fake.pasteboard->copy(content, ownerPid);
    const int before = int(captured.size());
    pollAndCapture();
    EXPECT_EQ(captured.size(), before + 1);
    return captured.isEmpty() ? QString() : captured.last().item.sourceAppBundleID;
  }
  static QList<QPair<QString, QByteArray>> text(QList<QPair<QString, QByteArray>> more = {}) {
    more.prepend({QLatin1String(mime::kPlainText), QByteArrayLiteral("copied words")});
    return more;
  }
};

const QRect kAroundPointer(400, 300, 300, 200);

TEST_F(Source, MarkersComeFirstThenTheOwnerThenOverlaysThenTheFrontmostApplication) {
  startMonitor();
  fake.windowList->setWindows({window(kPopoverPid, kAroundPointer)});
  const QPair<QString, QByteArray> remote{QLatin1String(markers::kRemoteClipboardType), {}};
  const QPair<QString, QByteArray> named{QLatin1String(markers::kSourceType), QByteArrayLiteral("org.example.Sync")};
  const QPair<QString, QByteArray> unnamed{QLatin1String(markers::kSourceType), {}};

  EXPECT_EQ(sourceOf(text({named, remote}), kEditorPid), QLatin1String(kNearbyDeviceBundleID));
  EXPECT_EQ(sourceOf(text({named}), kEditorPid), QStringLiteral("org.example.Sync"));
  EXPECT_EQ(sourceOf(text({unnamed}), kEditorPid), QStringLiteral("org.example.Editor"))
      << "an empty source marker falls through";
  EXPECT_EQ(sourceOf(text(), kNotesPid), QStringLiteral("org.example.Notes")) << "the owner beats the overlay";
  EXPECT_EQ(sourceOf(text(), kBrowserHelperPid), QStringLiteral("org.example.Browser"))
      << "a helper process counts for the application it belongs to";
  EXPECT_EQ(sourceOf(text({unnamed})), QStringLiteral("org.example.Popover")) << "unknown owner: the overlay";
  EXPECT_EQ(sourceOf(text(), kNoIdPid), QStringLiteral("org.example.Popover")) << "an owner without identity";
  EXPECT_EQ(sourceOf(text(), 100), QStringLiteral("org.example.Popover")) << "our own process is never the owner";

  fake.windowList->setWindows({});
  ticks(5);  // the remembered overlay ages out
  EXPECT_EQ(sourceOf(text()), QStringLiteral("org.example.Editor")) << "then the frontmost application";
  fake.workspace->setFrontmost(app(kNoIdPid, QString()));
  EXPECT_EQ(sourceOf(text()), QLatin1String(knownApplications::kLastResortSourceID));
  fake.workspace->setFrontmost(std::nullopt);
  EXPECT_EQ(sourceOf(text()), QLatin1String(knownApplications::kLastResortSourceID));
}

// A copy nothing identifies is credited to the desktop's own file manager where one is
// installed; the fixed stand-in only where none is.
TEST_F(Source, TheLastResortIsTheDesktopsFileManager) {
  DesktopEntry thunar;
  thunar.id = QStringLiteral("thunar");
  thunar.name = QStringLiteral("Thunar");
  fake.desktopEntries->install(thunar);
  fake.desktopEntries->setDefaultApplication(QStringLiteral("inode/directory"), QStringLiteral("thunar"));
  startMonitor();
  fake.workspace->setFrontmost(std::nullopt);
  EXPECT_EQ(sourceOf(text()), QStringLiteral("thunar"));
}

// A copy is never credited to this program: while one of its windows (the panel) is in front, a
// copy whose owner names no application goes to the application that was in front before it.
TEST_F(Source, ACopyMadeWhileThisProgramIsInFrontGoesToTheApplicationInFrontBeforeIt) {
  startMonitor();
  constexpr qint64 kOwnPid = 100;
  fake.workspace->addApplication(app(kOwnPid, QStringLiteral("quorvalen")));
  fake.workspace->setFrontmost(app(kNotesPid, QStringLiteral("org.example.Notes")));
  fake.workspace->setFrontmost(app(kOwnPid, QStringLiteral("quorvalen")));
  EXPECT_EQ(sourceOf(text()), QStringLiteral("org.example.Notes")) << "unknown owner";
  EXPECT_EQ(sourceOf(text(), kNoIdPid), QStringLiteral("org.example.Notes")) << "an owner without identity";
  EXPECT_EQ(sourceOf(text(), kEditorPid), QStringLiteral("org.example.Editor")) << "the owner still decides";
  fake.workspace->setPreviousApplication(std::nullopt);
  EXPECT_EQ(sourceOf(text()), QLatin1String(knownApplications::kLastResortSourceID)) << "nothing was in front before";
}

TEST_F(Source, TheLowestLayerWinsThenTheSmallestWindowThenTheFrontOne) {
  EXPECT_EQ(ownerOf({window(kMenuPid, kAroundPointer, 101), window(kPopoverPid, kAroundPointer, 25)}),
            QStringLiteral("org.example.Popover"));
  EXPECT_EQ(ownerOf({window(kMenuPid, kAroundPointer), window(kPopoverPid, QRect(450, 350, 100, 100))}),
            QStringLiteral("org.example.Popover"));
  EXPECT_EQ(ownerOf({window(kPopoverPid, QRect(450, 350, 100, 100)), window(kMenuPid, kAroundPointer)}),
            QStringLiteral("org.example.Popover"));
  EXPECT_EQ(ownerOf({window(kMenuPid, kAroundPointer), window(kPopoverPid, kAroundPointer)}),
            QStringLiteral("org.example.Menu"))
      << "on a full tie the front window stays";
}

TEST_F(Source, WindowsThatNeverOwnACopy) {
  EXPECT_EQ(ownerOf({window(kMenuPid, kAroundPointer)}), QStringLiteral("org.example.Menu"));
  EXPECT_FALSE(ownerOf({window(kMenuPid, kAroundPointer, windowLayer::kNormal)})) << "ordinary windows";
  EXPECT_FALSE(ownerOf({window(kMenuPid, QRect(480, 300, 79, 300))})) << "79 points wide";
  EXPECT_FALSE(ownerOf({window(kMenuPid, QRect(400, 380, 300, 79))})) << "79 points high";
  EXPECT_TRUE(ownerOf({window(kMenuPid, QRect(480, 380, 80, 80))})) << "80 by 80 is enough";
  EXPECT_FALSE(ownerOf({window(kMenuPid, kAroundPointer, 101, 0.05)})) << "alpha 0.05";
  EXPECT_TRUE(ownerOf({window(kMenuPid, kAroundPointer, 101, 0.06)}));
  // The fake screen is 1920 by 1080: 95 % is 1824 by 1026.
  EXPECT_FALSE(ownerOf({window(kMenuPid, QRect(0, 0, 1824, 1026))})) << "covers the screen";
  EXPECT_TRUE(ownerOf({window(kMenuPid, QRect(0, 0, 1824, 1025))}));
  EXPECT_TRUE(ownerOf({window(kMenuPid, QRect(0, 0, 1920, 1025))})) << "covering takes both directions";
  EXPECT_FALSE(ownerOf({window(100, kAroundPointer)})) << "our own process";
  EXPECT_FALSE(ownerOf({window(0, kAroundPointer)})) << "unknown process";
  EXPECT_FALSE(ownerOf({window(9999, kAroundPointer)})) << "no running application";
  EXPECT_FALSE(ownerOf({window(kNoIdPid, kAroundPointer)})) << "no identity";
  EXPECT_FALSE(ownerOf({window(kPanelPid, kAroundPointer)})) << "the desktop shell";
  EXPECT_FALSE(ownerOf({window(kMenuPid, QRect(100, 100, 300, 200))})) << "not under the pointer";
  EXPECT_FALSE(ownerOf({window(kMenuPid, QRect(200, 200, 300, 200))})) << "right edge is outside";
  EXPECT_TRUE(ownerOf({window(kMenuPid, QRect(500, 400, 100, 100))})) << "top-left corner is inside";
  // A window that does not qualify does not hide one behind it.
  EXPECT_EQ(
      ownerOf({window(100, kAroundPointer), window(kPanelPid, kAroundPointer, 20), window(kMenuPid, kAroundPointer)}),
      QStringLiteral("org.example.Menu"));
  EXPECT_EQ(ownerOf({window(kBrowserHelperPid, kAroundPointer)}), QStringLiteral("org.example.Browser"))
      << "nested applications count for the outermost one";
}

TEST_F(Source, AnOverlaySeenUpToOneAndAHalfSecondsBeforeTheChangeStillCounts) {
  // Seen by the background scan at 0.4 s, then closed.
  fake.windowList->setWindows({window(kPopoverPid, kAroundPointer)});
  startMonitor();
  ticks(1);
  fake.windowList->setWindows({});
  // Restart so that a tick falls exactly 1.5 s after the sighting (0.4 + 1.5 = 1.9).
  monitor->stop();
  fake.scheduler->advance(0.3);  // 0.7 s
  monitor->start();
  ticks(2);  // 1.5 s
  fake.pasteboard->copyText(QStringLiteral("from the popover"));
  ticks(1);  // seen at 1.9 s
  ticks(1);
  ASSERT_EQ(captured.size(), 1);
  EXPECT_EQ(captured[0].item.sourceAppBundleID, QStringLiteral("org.example.Popover"));
}

TEST_F(Source, AnOverlaySeenOnePointSixSecondsBeforeTheChangeNoLongerCounts) {
  fake.windowList->setWindows({window(kPopoverPid, kAroundPointer)});
  startMonitor();
  ticks(1);  // seen at 0.4 s
  fake.windowList->setWindows({});
  ticks(3);  // 1.6 s
  fake.pasteboard->copyText(QStringLiteral("from the editor"));
  ticks(1);  // seen at 2.0 s
  ticks(1);
  ASSERT_EQ(captured.size(), 1);
  EXPECT_EQ(captured[0].item.sourceAppBundleID, QStringLiteral("org.example.Editor"));
}

TEST_F(Source, TheChangeCheckRemembersTheOverlayItFound) {
  startMonitor();
  fake.windowList->setWindows({window(kMenuPid, kAroundPointer)});
  monitor->setPanelVisible(true);  // no background scans: only the change check looks
  fake.pasteboard->copyText(QStringLiteral("from the menu"));
  ticks(1);
  fake.windowList->setWindows({});
  ticks(1);
  fake.pasteboard->copyText(QStringLiteral("right after the menu closed"));
  pollAndCapture();
  ASSERT_EQ(captured.size(), 2);
  EXPECT_EQ(captured[0].item.sourceAppBundleID, QStringLiteral("org.example.Menu"));
  EXPECT_EQ(captured[1].item.sourceAppBundleID, QStringLiteral("org.example.Menu"));
}

// The background scan runs every tick while the panel is hidden; it asks the display where the
// pointer is only when some window could be an overlay.
TEST_F(Source, IdleScansAskForThePointerOnlyWhenAnOverlayCouldBeThere) {
  startMonitor();
  fake.windowList->setWindows({window(kNotesPid, QRect(0, 0, 800, 600), windowLayer::kNormal)});
  const int before = fake.screens->pointerQueries;
  ticks(10);
  EXPECT_EQ(fake.screens->pointerQueries, before);
  fake.windowList->setWindows({window(kMenuPid, kAroundPointer)});
  ticks(1);
  EXPECT_GT(fake.screens->pointerQueries, before);
}

}  // namespace
}  // namespace qv
