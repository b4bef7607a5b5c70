#include "support/LineProcess.h"
#include "support/ProcessHelpers.h"
#include "support/XvfbSession.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <iostream>
#include <memory>

using namespace qv::test;

namespace {

// The panel probe (the real panel controller and the real Quick Look window) on a private X
// server with a window manager.
class QuickLookE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(x_.start()) << x_.log().toStdString();
    probe_ = std::make_unique<LineProcess>(binDir() + "/panelprobe", QStringList{}, x_.environment());
    ASSERT_TRUE(waitForLine("ready"));
    probe_->send("items 12");
    probe_->send("side right");
    probe_->send("show");
    ASSERT_TRUE(waitFor([&] { return count("visible true") == 1; }, 15000));
    probe_->send("advance 1");
    ASSERT_TRUE(waitFor([&] { return count("panel active") >= 1; }, 15000)) << "the panel never took the focus";
    writeFiles();
  }
  void TearDown() override {
    if (HasFailure())
      std::cerr << probe_->log().toStdString() << "\nX session:\n" << x_.log().toStdString() << std::endl;
    probe_.reset();
  }

  void writeFiles() {
    QImage photo(3000, 2000, QImage::Format_RGB32);
    photo.fill(QColor(40, 120, 200));
    QPainter(&photo).fillRect(QRect(0, 1200, 3000, 800), QColor(60, 150, 70));
    ASSERT_TRUE(photo.save(jpeg(), "jpeg"));
    {
      // A document named without an extension: only its content says it is a PDF.
      QPdfWriter writer(pdf());
      QPainter page(&writer);
      page.setFont(QFont(QStringLiteral("DejaVu Sans"), 24));
      page.drawText(QRect(0, 0, writer.width(), writer.height() / 4), Qt::AlignCenter, QStringLiteral("Statement"));
    }
    QFile blob(unknown());
    ASSERT_TRUE(blob.open(QIODevice::WriteOnly));
    blob.write(QByteArray(40000, '\0'));
  }
  QString jpeg() const { return files_.filePath("holiday.jpg"); }
  QString pdf() const { return files_.filePath("statement"); }
  QString unknown() const { return files_.filePath("backup.qvx"); }

  int count(const QString& line) { return int(probe_->lines().count(line)); }
  bool waitForLine(const QString& line, int timeoutMs = 15000) {
    return waitFor([&] { return probe_->lines().contains(line); }, timeoutMs);
  }
  // The last answer to a status command, as key=value pairs.
  QHash<QString, QString> ask(const QString& command, const QString& prefix) {
    return keyValues(probe_->ask(command, prefix).mid(prefix.size()));
  }

  XvfbSession x_;
  QTemporaryDir files_;
  std::unique_ptr<LineProcess> probe_;
};

TEST_F(QuickLookE2E, AJpegAPdfWithoutExtensionAndAnUnknownFileShowWhileThePanelStaysOpen) {
  const struct {
    QString path;
    QString shows;
    QString closeKey;
  } cases[] = {
      {jpeg(), "picture", "Escape"},
      {pdf(), "thumbnail", "space"},
      {unknown(), "details", "Escape"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    const int shown = count("quicklook shows " + c.shows), active = count("quicklook active"),
              closed = count("quicklook closed"), panelActive = count("panel active");
    probe_->send("quicklook " + c.path);
    ASSERT_TRUE(waitFor([&] { return count("quicklook shows " + c.shows) > shown; }, 15000));
    ASSERT_TRUE(waitFor([&] { return count("quicklook active") > active; }, 15000)) << "Quick Look took no focus";
    const QHash<QString, QString> window = ask("quicklook-status", "quicklook ");
    ASSERT_EQ(window.value("visible"), "1");
    EXPECT_EQ(ask("status", "status ").value("visible"), "1") << "the panel hid when Quick Look came";
    XvfbSession::saveScreenshot(x_.screenshot(), "quicklook-" + QFileInfo(c.path).fileName() + ".png");

    // A click inside Quick Look, then its close key: neither hides the panel.
    const int x = window.value("x").toInt() + window.value("w").toInt() / 2;
    const int y = window.value("y").toInt() + window.value("h").toInt() / 2;
    ASSERT_TRUE(x_.xdotool({"mousemove", QString::number(x), QString::number(y), "click", "1"}));
    ASSERT_TRUE(x_.xdotool({"key", c.closeKey}));
    ASSERT_TRUE(waitFor([&] { return count("quicklook closed") > closed; }, 15000)) << c.closeKey.toStdString();
    EXPECT_EQ(ask("quicklook-status", "quicklook ").value("visible"), "0");
    ASSERT_TRUE(waitFor([&] { return count("panel active") > panelActive; }, 15000)) << "the focus did not come back";
    const QHash<QString, QString> panel = ask("status", "status ");
    EXPECT_EQ(panel.value("visible"), "1");
    EXPECT_EQ(panel.value("mapped"), "1");
    EXPECT_EQ(count("visible false"), 0);
  }
}

// A file without a richer preview shows its thumbnail in the pane, with the Quick Look button: a
// click on it opens Quick Look over the panel, which stays open with its pane, and gets the focus
// back when Quick Look closes.
TEST_F(QuickLookE2E, TheButtonOfAFilesPaneOpensQuickLookAndThePanelStaysOpen) {
  probe_->send("file " + unknown());
  probe_->send("preview 0");
  probe_->send("advance 1");
  QHash<QString, QString> preview;
  ASSERT_TRUE(waitFor([&] { return (preview = ask("preview-status", "preview ")).value("shown") == "1"; }, 15000));
  const QStringList at = preview.value("quicklook").split(',');
  ASSERT_EQ(at.size(), 2) << "no Quick Look button in the pane";
  const int shown = count("quicklook shows details"), active = count("quicklook active"),
            closed = count("quicklook closed"), panelActive = count("panel active");
  // Without a compositor the pane enters the window's cut with the frame that paints it, a turn
  // of the probe's loop after it says the pane is shown: a pointer that moved there before it
  // moved over the desktop, and a press on what came under a resting pointer does not count. The
  // probe answers once more before the pointer moves onto the button.
  ask("status", "status ");
  ASSERT_TRUE(x_.xdotool({"mousemove", at[0], at[1], "click", "1"}));
  ASSERT_TRUE(waitFor([&] { return count("quicklook shows details") > shown; }, 15000));
  ASSERT_TRUE(waitFor([&] { return count("quicklook active") > active; }, 15000)) << "Quick Look took no focus";
  EXPECT_EQ(ask("status", "status ").value("visible"), "1") << "the panel hid when Quick Look came";
  EXPECT_EQ(ask("preview-status", "preview ").value("shown"), "1") << "the pane closed";
  XvfbSession::saveScreenshot(x_.screenshot(), "quicklook-from-pane.png");

  ASSERT_TRUE(x_.xdotool({"key", "Escape"}));
  ASSERT_TRUE(waitFor([&] { return count("quicklook closed") > closed; }, 15000));
  ASSERT_TRUE(waitFor([&] { return count("panel active") > panelActive; }, 15000)) << "the focus did not come back";
  EXPECT_EQ(ask("status", "status ").value("visible"), "1");
  EXPECT_EQ(ask("preview-status", "preview ").value("shown"), "1");
  EXPECT_EQ(count("visible false"), 0);
}

}  // namespace
