#include "TestCompositor.h"
#include "support/LineProcess.h"
#include "support/ProcessHelpers.h"
#include "support/XvfbSession.h"

#include <gtest/gtest.h>
#include <xcb/shape.h>
#include <xcb/xcb.h>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegion>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdlib>
#include <iostream>
#include <memory>

using namespace qv::test;

namespace {

constexpr QSize kScreen(1280, 800);

// The panel probe: the real panel controller on the test's X server.
class PanelProbe {
 public:
  explicit PanelProbe(XvfbSession& x) : process_(binDir() + "/panelprobe", {}, x.environment()) {}
  void send(const QString& command) { process_.send(command); }
  QString ask(const QString& command, const QString& prefix) { return process_.ask(command, prefix); }
  bool waitForOutput(const QString& line, int timeoutMs = 15000) {
    return waitFor([&] { return process_.lines().contains(line); }, timeoutMs);
  }
  int count(const QString& line) { return int(process_.lines().count(line)); }
  QStringList lines() { return process_.lines(); }
  // The answer to "status" as key=value pairs.
  QHash<QString, QString> status() { return keyValues(ask("status", "status ").mid(7)); }
  bool shot(const QString& path) {
    send("shot " + path);
    return waitForOutput("shot " + path);
  }
  QString log() { return process_.log(); }

 private:
  LineProcess process_;
};

// A connection of the test's own to inspect windows.
class XInspector {
 public:
  explicit XInspector(const QString& display) : c_(xcb_connect(display.toLatin1().constData(), nullptr)) {}
  ~XInspector() { xcb_disconnect(c_); }
  // The input region of a window in its own coordinates.
  QRegion inputShape(xcb_window_t window) {
    QRegion region;
    auto* reply = xcb_shape_get_rectangles_reply(c_, xcb_shape_get_rectangles(c_, window, XCB_SHAPE_SK_INPUT), nullptr);
    if (!reply) return region;
    const xcb_rectangle_t* rects = xcb_shape_get_rectangles_rectangles(reply);
    for (int i = 0; i < xcb_shape_get_rectangles_rectangles_length(reply); ++i)
      region += QRect(rects[i].x, rects[i].y, rects[i].width, rects[i].height);
    std::free(reply);
    return region;
  }

 private:
  xcb_connection_t* c_;
};

class PanelE2E : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    XvfbSession::Options options;
    options.screenSize = kScreen;
    x_ = std::make_unique<XvfbSession>(options);
    ASSERT_TRUE(x_->start()) << x_->log().toStdString();
    if (GetParam()) startCompositor();
    probe_ = std::make_unique<PanelProbe>(*x_);
    ASSERT_TRUE(probe_->waitForOutput("ready"));
    probe_->send("items 40");
    QDir().mkpath(shotFolder());
  }
  void TearDown() override {
    if (HasFailure())
      std::cerr << (probe_ ? probe_->log().toStdString() : std::string("no probe")) << "\ncompositor:\n"
                << (compositor_ ? compositor_->log().toStdString() : std::string("none")) << "\nX session:\n"
                << x_->log().toStdString() << std::endl;
    probe_.reset();
    compositor_.reset();
  }
  void startCompositor() {
    compositor_ = std::make_unique<TestCompositor>(*x_);
    ASSERT_TRUE(compositor_->start(15000)) << "picom did not start";
  }
  static QString shotFolder() { return binDir() + "/../screenshots"; }
  QString shotPath(const QString& name) const {
    return shotFolder() + "/panel-" + name + (GetParam() ? "-compositor" : "-plain") + ".png";
  }
  // Shows the panel and lets its slide finish.
  void showFully() {
    const int before = probe_->count("visible true");
    probe_->send("show");
    ASSERT_TRUE(waitFor([&] { return probe_->count("visible true") > before; }, 10000));
    probe_->send("advance 1");
  }
  void hideFully() {
    const int before = probe_->count("visible false");
    probe_->send("hide");
    ASSERT_TRUE(waitFor([&] { return probe_->count("visible false") > before; }, 10000));
    probe_->send("advance 1");
    ASSERT_TRUE(waitFor([&] { return probe_->status().value("mapped") == "0"; }, 10000));
  }
  static QRgb pixel(const QImage& image, int x, int y) { return image.pixel(x, y); }
  // Asks the probe for the preview pane and waits for its answer, as key=value pairs.
  QHash<QString, QString> previewStatus() { return keyValues(probe_->ask("preview-status", "preview shown=").mid(8)); }
  // Waits until the pane has arrived (or left) and answers its last status.
  QHash<QString, QString> waitForPreview(bool shown) {
    QHash<QString, QString> values;
    waitFor([&] { return (values = previewStatus()).value("shown") == (shown ? "1" : "0"); }, 10000);
    return values;
  }

  std::unique_ptr<XvfbSession> x_;
  std::unique_ptr<TestCompositor> compositor_;
  std::unique_ptr<PanelProbe> probe_;
};

}  // namespace

TEST_P(PanelE2E, ThePanelOpensAtEitherEdgeSlidesAndCoversNothingBeyondItsColumn) {
  const bool compositor = GetParam();
  EXPECT_EQ(probe_->status().value("compositor"), compositor ? "1" : "0");

  showFully();
  QHash<QString, QString> status = probe_->status();
  EXPECT_EQ(status.value("x").toInt(), kScreen.width() - 916);
  EXPECT_EQ(status.value("w").toInt(), 916);
  ASSERT_TRUE(probe_->shot(shotPath("right")));
  QImage image(shotPath("right"));
  ASSERT_FALSE(image.isNull());
  // The column is painted at the right edge; the rest of the panel shows the desktop.
  EXPECT_NE(image.pixel(kScreen.width() - 160, 400), image.pixel(200, 400));
  EXPECT_EQ(image.pixel(kScreen.width() - 500, 400), image.pixel(200, 400));

  const auto window = xcb_window_t(status.value("window").toULongLong());
  XInspector inspector(x_->display());
  // Only the column's rounded surface (8 points inside the column) takes clicks, with or without a
  // compositor.
  const auto surfaceOf = [&] {
    const QRegion shape = inspector.inputShape(window);
    return std::pair(shape.boundingRect(), shape.contains(shape.boundingRect().topLeft()));
  };
  QRect surface = surfaceOf().first;
  EXPECT_EQ(QRect(surface.left(), surface.top(), surface.width(), 0), QRect(916 - 320 + 8, 8, 304, 0));
  EXPECT_LE(surface.bottom(), status.value("h").toInt() - 8);
  EXPECT_FALSE(surfaceOf().second);  // the corners are round

  hideFully();
  probe_->send("side left");
  showFully();
  status = probe_->status();
  EXPECT_EQ(status.value("x").toInt(), 0);
  ASSERT_TRUE(probe_->shot(shotPath("left")));
  image = QImage(shotPath("left"));
  EXPECT_NE(image.pixel(160, 400), image.pixel(kScreen.width() - 100, 400));
  surface = surfaceOf().first;
  EXPECT_EQ(QRect(surface.left(), surface.top(), surface.width(), 0), QRect(8, 8, 304, 0));

  // Midway through the slide in: part of the column is still beyond the left edge.
  hideFully();
  probe_->send("show");
  ASSERT_TRUE(waitFor([&] { return probe_->count("visible true") == 3; }, 10000));
  probe_->send("advance 0.05");
  ASSERT_TRUE(probe_->shot(shotPath("left-midslide")));
  const QRect column = inspector.inputShape(window).boundingRect();
  EXPECT_EQ(column.left(), 0);
  EXPECT_LT(column.width(), 320);
  EXPECT_GT(column.width(), 0);
  probe_->send("advance 1");
}

TEST_P(PanelE2E, AClickOutsideTheColumnHidesThePanel) {
  probe_->send("side right");
  // Beyond the window, and in the window's transparent part beside the column.
  for (const QString& x : {QString("100"), QString("600")}) {
    SCOPED_TRACE(x.toStdString());
    showFully();
    ASSERT_TRUE(waitFor([&] { return probe_->status().value("mapped") == "1"; }, 10000));
    // A click on the column keeps it.
    ASSERT_TRUE(x_->xdotool({"mousemove", QString::number(kScreen.width() - 100), "400", "click", "1"}));
    const int hides = probe_->count("visible false");
    ASSERT_TRUE(x_->xdotool({"mousemove", x, "400", "click", "1"}));
    EXPECT_TRUE(waitFor([&] { return probe_->count("visible false") == hides + 1; }, 10000));
    EXPECT_EQ(hides, probe_->count("visible false") - 1);
    probe_->send("advance 1");
    ASSERT_TRUE(waitFor([&] { return probe_->status().value("mapped") == "0"; }, 10000));
  }
}

// "x,y,w,h" -> a rectangle.
QRect rectOf(const QString& text) {
  const QStringList parts = text.split(',');
  return QRect(parts.value(0).toInt(), parts.value(1).toInt(), parts.value(2).toInt(), parts.value(3).toInt());
}

// The preview pane opens beside the card that opened it on either edge. Only its three boxes
// take the pointer: a click beside them reaches the window below. The filter panel takes its
// place.
TEST_P(PanelE2E, ThePreviewPaneStandsBesideItsCardAndLetsClicksBesideItThrough) {
  LineProcess target(binDir() + "/pastetarget", {}, x_->environment());
  const QString ready = target.waitForLine("ready ", 15000);
  ASSERT_FALSE(ready.isEmpty()) << target.log().toStdString();
  const QString targetWindow = ready.section(' ', 1, 1);
  ASSERT_TRUE(x_->xdotool({"windowmove", targetWindow, "0", "0"}));
  ASSERT_TRUE(
      x_->xdotool({"windowsize", targetWindow, QString::number(kScreen.width()), QString::number(kScreen.height())}));
  for (const QString side : {"right", "left"}) {
    SCOPED_TRACE(side.toStdString());
    probe_->send("side " + side);
    showFully();
    probe_->send("preview 1");
    probe_->send("advance 1");
    const QHash<QString, QString> preview = waitForPreview(true);
    ASSERT_EQ(preview.value("shown"), "1");
    const QHash<QString, QString> status = probe_->status();
    const QRect window(status.value("x").toInt(), status.value("y").toInt(), status.value("w").toInt(),
                       status.value("h").toInt());
    const QRect content = rectOf(preview.value("content")), rail = rectOf(preview.value("rail")),
                caption = rectOf(preview.value("caption"));
    // 4 points past the column, the rail on the side facing it.
    if (side == "right") EXPECT_EQ(rail.left() + rail.width(), window.left() + window.width() - 324);
    else EXPECT_EQ(rail.left(), window.left() + 324);
    EXPECT_EQ(side == "right" ? rail.left() > content.left() : rail.left() < content.left(), true);
    // Centred on the card that opened it (kept 20 inside the window).
    const int anchor = preview.value("anchor").toInt();
    ASSERT_GE(anchor, 0);
    const int top = content.top(), bottom = caption.top() + caption.height();
    EXPECT_NEAR((top + bottom) / 2.0, anchor, 1);

    const auto local = [&](QPoint p) { return p - window.topLeft(); };
    XInspector inspector(x_->display());
    const auto xwindow = xcb_window_t(status.value("window").toULongLong());
    const QRegion shape = inspector.inputShape(xwindow);
    EXPECT_TRUE(shape.contains(local(content.center())));
    EXPECT_TRUE(shape.contains(local(rail.center())));
    EXPECT_TRUE(shape.contains(local(caption.center())));
    const QPoint beside(side == "right" ? content.right() + 6 : content.left() - 6, rail.top() - 20);
    EXPECT_FALSE(shape.contains(local(beside)));
    ASSERT_TRUE(probe_->shot(shotPath("preview-" + side)));

    // The filter panel takes the pane's place.
    probe_->send("filters on");
    probe_->send("advance 1");
    ASSERT_EQ(waitForPreview(false).value("shown"), "0");
    ASSERT_TRUE(waitFor([&] { return !inspector.inputShape(xwindow).contains(local(caption.center())); }, 10000));
    probe_->send("filters off");
    probe_->send("advance 1");

    // A click beside the pane goes to the window below it.
    probe_->send("preview 1");
    probe_->send("advance 1");
    ASSERT_EQ(waitForPreview(true).value("shown"), "1");
    ASSERT_TRUE(waitFor([&] { return inspector.inputShape(xwindow).contains(local(content.center())); }, 10000));
    const qsizetype clicks = target.lines().filter("click ").size();
    ASSERT_TRUE(x_->xdotool({"mousemove", QString::number(beside.x()), QString::number(beside.y()), "click", "1"}));
    EXPECT_TRUE(waitFor([&] { return target.lines().filter("click ").size() > clicks; }, 10000))
        << target.log().toStdString();
    // A click outside the panel's content closes the panel, as anywhere else.
    EXPECT_TRUE(waitFor([&] { return probe_->status().value("visible") == "0"; }, 10000));
    probe_->send("advance 1");
    ASSERT_TRUE(waitFor([&] { return probe_->status().value("mapped") == "0"; }, 10000));
  }
}

// Every kind of item in the real pane, light and dark, for people to look at; a file that is
// gone shows its notice.
TEST_P(PanelE2E, EveryKindOfItemPreviewsInBothAppearances) {
  QTemporaryDir folder;
  const QString gone = folder.filePath("Quarterly report.pdf");
  probe_->send("file " + gone);
  probe_->send("kinds");
  const QStringList names = {"colour", "image", "link", "code", "file", "text"};
  for (const QString appearance : {"light", "dark"}) {
    probe_->send("appearance " + appearance);
    showFully();
    for (int index = 0; index < names.size(); ++index) {
      SCOPED_TRACE((appearance + " " + names[index]).toStdString());
      probe_->send(QString("preview %1").arg(index));
      probe_->send("advance 1");
      const QHash<QString, QString> preview = waitForPreview(true);
      ASSERT_EQ(preview.value("shown"), "1");
      ASSERT_TRUE(probe_->shot(shotPath("kind-" + names[index] + "-" + appearance)));
      const QImage shot(shotPath("kind-" + names[index] + "-" + appearance));
      const QRect content = rectOf(preview.value("content"));
      // The content box is painted: not the desktop's colour at its edge.
      EXPECT_NE(shot.pixel(content.left() + 4, content.center().y()), shot.pixel(5, kScreen.height() - 5));
      probe_->send(QString("preview %1").arg(index));  // the same card again closes it
      probe_->send("advance 1");
      ASSERT_EQ(waitForPreview(false).value("shown"), "0");
    }
    hideFully();
  }
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutCompositor, PanelE2E, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& param) {
                           return param.param ? std::string("Compositor") : std::string("NoCompositor");
                         });
