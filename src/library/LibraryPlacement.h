#pragma once
#include "platform/Screens.h"
#include "platform/Workspace.h"

#include <QJsonValue>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <optional>

namespace qv::libraryWindow {

// The window's smallest size, and its largest first size on a roomy screen.
inline constexpr QSizeF kMinimumSize(440, 480);
inline constexpr QSizeF kPreferredSize(1202, 868);
// A first size on a small screen leaves this much of its usable area free (half on each side).
inline constexpr double kScreenMargin = 40;
// Where the window's frame is kept between launches, in the user defaults.
inline constexpr char kSavedFrameKey[] = "NSWindow Frame QuorvalenLibrary";

// The frame kept under kSavedFrameKey: a string of the window's x, y, width and height, then
// those of the screen it was on ("100 80 1202 868 0 0 1920 1080"). Anything else (another type,
// too few or too many numbers, no size, a size or place beyond any screen) reads as no frame.
std::optional<QRectF> decodeSavedFrame(const QJsonValue& value);
QString encodeSavedFrame(const QRectF& frame, const QRectF& screenFrame);

// Where the window opens the first time. On the screen under the pointer: at the saved frame
// while that overlaps any screen's usable area (shrunk to its screen where larger), otherwise
// centred there with the saved size, or centred at the preferred size cut to the screen less
// kScreenMargin. Never below the minimum size. With no screen at all: the preferred size at the
// origin.
QRectF initialFrame(const QList<ScreenInfo>& screens, QPointF pointer, const std::optional<QRectF>& savedFrame);

// A shown-again window whose frame lies on no screen's usable area (its monitor went): where it
// opens instead, centred on the screen under the pointer with its size (cut to that screen).
// None while the frame is on some screen, or there is no screen.
std::optional<QRectF> frameOffScreens(const QList<ScreenInfo>& screens, QPointF pointer, const QRectF& frame);

// The application that paste-back returns to after this show: the one in front now, unless that
// is this program (then the earlier one stays); none when nothing is in front.
std::optional<RunningApp> previousAppAfterShow(const std::optional<RunningApp>& previous,
                                               const std::optional<RunningApp>& frontmost, qint64 ownPid);

}  // namespace qv::libraryWindow
