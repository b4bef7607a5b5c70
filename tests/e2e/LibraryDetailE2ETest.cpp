// The library's detail pane on a private X server with a window manager, in the light and the
// dark appearance: every kind shown (screenshots land in build/screenshots for people to look
// at), a hidden item peeked with a real click, a text edited with real keys and saved (also one put
// in front by the probe), an edit dropped with Escape, an edit kept while the window is away, and
// the pane over a compositor.
#include "TestCompositor.h"
#include "support/LineProcess.h"
#include "support/ProcessHelpers.h"
#include "support/XvfbSession.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QUrl>

#include <functional>
#include <iostream>
#include <memory>
#include <utility>

using namespace qv::test;

namespace {

class LibraryDetailE2E : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(x_.start()) << x_.log().toStdString();
    probe_ = std::make_unique<LineProcess>(binDir() + "/libraryprobe", QStringList{}, x_.environment());
    ASSERT_TRUE(waitFor([&] { return probe_->lines().contains("ready"); }, 15000));
    probe_->send(QStringLiteral("appearance ") + GetParam());
    probe_->send("kinds");
  }
  void TearDown() override {
    if (HasFailure())
      std::cerr << probe_->log().toStdString() << "\nX session:\n" << x_.log().toStdString() << std::endl;
    probe_.reset();
  }

  // The answer to `command` that starts with `prefix`, without it.
  QString ask(const QString& command, const QString& prefix) { return probe_->ask(command, prefix).mid(prefix.size()); }
  // The item's text comes percent-encoded.
  QHash<QString, QString> status() {
    QHash<QString, QString> values = keyValues(ask("status", "status "));
    for (QString& value : values) value = QUrl::fromPercentEncoding(value.toLatin1());
    return values;
  }
  // Clicks the button once it has stood still for a tenth of a second: the pane may still be
  // arriving, or moving to another item's size.
  bool click(const QString& help) {
    QStringList at;
    QElapsedTimer still;
    still.start();
    const bool rests = waitFor(
        [&] {
          const QStringList before = std::exchange(at, ask("button " + help, "button ").split(' '));
          if (at != before) still.restart();
          return at.size() == 2 && still.elapsed() >= 100;
        },
        10000);
    if (!rests) return false;
    return x_.xdotool({"mousemove", at[0], at[1], "click", "1"});
  }
  QImage shot(const QString& name) {
    const QString path = x_.home() + "/" + name + ".png";
    ask("shot " + path, "shot ");
    QImage image(path);
    XvfbSession::saveScreenshot(image, "library-detail-" + name + "-" + GetParam() + ".png");
    return image;
  }
  XvfbSession x_;
  std::unique_ptr<LineProcess> probe_;
};

TEST_P(LibraryDetailE2E, EveryKindShowsAndAHiddenItemIsPeekedWithAClick) {
  const char* kinds[] = {"text", "code", "image", "colour", "link", "file", "missing-file", "hidden"};
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(kinds[i]);
    probe_->send(QString("detail %1").arg(i));
    ASSERT_TRUE(waitFor([&] { return ask("button Close", "button ") != "none"; }, 15000));
    const QImage screen = shot(kinds[i]);
    ASSERT_FALSE(screen.isNull());
  }
  EXPECT_EQ(status().value("hidden"), "1");
  EXPECT_EQ(ask("button Edit", "button "), "none");
  ASSERT_TRUE(click("Peek"));
  ASSERT_TRUE(waitFor([&] { return status().value("hidden") == "0"; }, 10000));
  EXPECT_NE(ask("button Hide again", "button "), "none");
  EXPECT_NE(ask("button Edit", "button "), "none");
  shot("peeked");
}

TEST_P(LibraryDetailE2E, ATextIsEditedWithRealKeysAndSaved) {
  probe_->send("detail 3");  // the colour: no Edit
  ASSERT_TRUE(waitFor([&] { return ask("button Close", "button ") != "none"; }, 15000));
  EXPECT_EQ(ask("button Edit", "button "), "none");
  probe_->send("detail 0");  // the long text
  ASSERT_TRUE(waitFor([&] { return status().value("text").startsWith("1. The quick"); }, 10000));
  ASSERT_TRUE(click("Edit"));
  ASSERT_TRUE(waitFor([&] { return status().value("editing") == "1"; }, 10000));
  ASSERT_TRUE(waitFor([&] { return status().value("active") == "1"; }, 10000));
  // The editor has the keyboard with the caret at the end.
  ASSERT_TRUE(x_.xdotool({"type", "--delay", "30", "Edited."}));
  shot("editing");
  ASSERT_TRUE(click("Save"));
  ASSERT_TRUE(waitFor([&] { return status().value("editing") == "0"; }, 10000));
  const QHash<QString, QString> after = status();
  EXPECT_EQ(after.value("active"), "0");
  EXPECT_TRUE(
      after.value("text").endsWith("60. The quick brown fox jumps over the lazy dog, again and again.\nEdited."))
      << after.value("text").toStdString();
  shot("saved");
}

// Any text can be put in front and edited: one with a percent sign, CR LF breaks, letters outside
// ASCII and a space at its end shows as it is, and typing at its end saves it with that added.
TEST_P(LibraryDetailE2E, AnyTextPutInFrontIsShownAndEdited) {
  const QString text = QStringLiteral("50% off\r\nna\u00efve caf\u00e9\r\nend ");
  probe_->send("text " + QString::fromLatin1(QUrl::toPercentEncoding(text)));
  probe_->send("detail 0");
  ASSERT_TRUE(waitFor([&] { return status().value("text") == text; }, 15000)) << status().value("text").toStdString();
  ASSERT_TRUE(click("Edit"));
  ASSERT_TRUE(waitFor([&] { return status().value("editing") == "1"; }, 10000));
  ASSERT_TRUE(waitFor([&] { return status().value("active") == "1"; }, 10000));
  ASSERT_TRUE(x_.xdotool({"type", "--delay", "30", "now"}));
  ASSERT_TRUE(waitFor([&] { return status().value("draft") == text + "now"; }, 10000))
      << status().value("draft").toStdString();
  ASSERT_TRUE(click("Save"));
  ASSERT_TRUE(waitFor([&] { return status().value("editing") == "0"; }, 10000));
  EXPECT_EQ(status().value("text"), text + "now");
}

// Select All in the editor sets the X selection as a selection made with Shift and an arrow does:
// the whole text, its breaks as they are.
TEST_P(LibraryDetailE2E, SelectAllInTheEditorSetsTheXSelection) {
  const QString text = QStringLiteral("first line\r\nsecond line");
  probe_->send("text " + QString::fromLatin1(QUrl::toPercentEncoding(text)));
  probe_->send("detail 0");
  ASSERT_TRUE(waitFor([&] { return status().value("text") == text; }, 15000));
  ASSERT_TRUE(click("Edit"));
  ASSERT_TRUE(waitFor([&] { return status().value("editing") == "1"; }, 10000));
  ASSERT_TRUE(waitFor([&] { return status().value("active") == "1"; }, 10000));
  const auto primary = [&] {
    QProcess xclip;
    xclip.setProcessEnvironment(x_.environment());
    xclip.start(QStringLiteral("xclip"),
                {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("primary")});
    xclip.waitForFinished(5000);
    return xclip.readAllStandardOutput();
  };
  ASSERT_TRUE(x_.xdotool({"type", "--delay", "30", "ab"}));
  ASSERT_TRUE(x_.xdotool({"key", "shift+Left"}));
  ASSERT_TRUE(waitFor([&] { return primary() == "b"; }, 10000)) << primary().constData();
  ASSERT_TRUE(x_.xdotool({"key", "ctrl+a"}));
  EXPECT_TRUE(waitFor([&] { return primary() == (text + "ab").toUtf8(); }, 5000)) << primary().constData();
}

// Escape in the editor drops the edit and leaves the pane open; the next Escape closes the pane.
TEST_P(LibraryDetailE2E, EscapeDropsTheEditThenClosesThePane) {
  probe_->send("detail 1");  // the code
  ASSERT_TRUE(waitFor([&] { return status().value("text").startsWith("def greet"); }, 15000));
  ASSERT_TRUE(click("Edit"));
  ASSERT_TRUE(waitFor([&] { return status().value("editing") == "1"; }, 10000));
  // The editor takes the keyboard once it shows: keys typed before would go elsewhere.
  ASSERT_TRUE(waitFor([&] { return status().value("active") == "1"; }, 10000));
  ASSERT_TRUE(x_.xdotool({"type", "--delay", "30", "# dropped"}));
  ASSERT_TRUE(x_.xdotool({"key", "Escape"}));
  ASSERT_TRUE(waitFor([&] { return status().value("editing") == "0"; }, 10000));
  const QHash<QString, QString> after = status();
  EXPECT_EQ(after.value("active"), "0");
  EXPECT_FALSE(after.value("text").contains("dropped"));
  EXPECT_NE(ask("button Close", "button "), "none") << "the first Escape closed the pane";
  ASSERT_TRUE(x_.xdotool({"key", "Escape"}));
  EXPECT_TRUE(waitFor([&] { return ask("button Close", "button ") == "none"; }, 10000));
}

// An edit stays open, draft and all, while the library goes away by Ctrl+W and by a paste-back
// (Ctrl+2) and comes back; Save then stores it. A file copied without its size shows it.
TEST_P(LibraryDetailE2E, AnEditOutlivesCtrlWAndAPasteBack) {
  // The window in front, which a paste-back goes to.
  LineProcess target(binDir() + "/pastetarget", {}, x_.environment());
  ASSERT_FALSE(target.waitForLine("ready ").isEmpty());
  ASSERT_FALSE(target.waitForLine("active").isEmpty()) << "the target never got the focus";
  probe_->send("detail 0");  // the long text
  ASSERT_TRUE(waitFor([&] { return status().value("text").startsWith("1. The quick"); }, 15000));
  ASSERT_TRUE(click("Edit"));
  ASSERT_TRUE(waitFor([&] { return status().value("active") == "1"; }, 10000));
  ASSERT_TRUE(x_.xdotool({"type", "--delay", "30", "Kept."}));
  ASSERT_TRUE(waitFor([&] { return status().value("draft").endsWith("Kept."); }, 10000));
  QString typed;
  for (const char* keys : {"ctrl+w", "ctrl+2"}) {
    SCOPED_TRACE(keys);
    ASSERT_TRUE(x_.xdotool({"key", keys}));
    ASSERT_TRUE(waitFor([&] { return status().value("open") == "0"; }, 10000));
    EXPECT_EQ(status().value("editing"), "1");
    probe_->send("reopen");
    ASSERT_TRUE(waitFor([&] { return status().value("open") == "1"; }, 10000));
    const QHash<QString, QString> back = status();
    EXPECT_EQ(back.value("editing"), "1");
    EXPECT_EQ(back.value("active"), "1");
    EXPECT_TRUE(back.value("draft").endsWith("again and again.\nKept." + typed)) << back.value("draft").toStdString();
    EXPECT_FALSE(back.value("text").contains("Kept."));
    // Back from Ctrl+W (a window in front of the library's after a paste-back keeps the focus
    // that the window manager gave it), the editor has the keys: typing goes on into the draft.
    if (std::string(keys) == "ctrl+w") {
      EXPECT_TRUE(waitFor([&] { return status().value("focus") == "editor"; }, 10000))
          << status().value("focus").toStdString();
      ASSERT_TRUE(x_.xdotool({"type", "--delay", "30", "!"}));
      typed += "!";
      EXPECT_TRUE(waitFor([&] { return status().value("draft").endsWith("Kept." + typed); }, 10000))
          << status().value("draft").toStdString();
      EXPECT_EQ(status().value("query"), "");
    }
    shot(QStringLiteral("edit-back-after-") + keys);
  }
  EXPECT_FALSE(target.waitForLine("text def greet").isEmpty()) << "the paste-back went nowhere";
  shot("edit-kept");
  ASSERT_TRUE(click("Save"));
  ASSERT_TRUE(waitFor([&] { return status().value("editing") == "0"; }, 10000));
  EXPECT_TRUE(status().value("text").endsWith("Kept.!"));

  probe_->send("detail 8");  // a file copied without its size
  EXPECT_TRUE(
      waitFor([&] { return status().value("caption") == QString::fromUtf8("prices.csv  \u00b7  3 KB"); }, 10000))
      << status().value("caption").toStdString();
  shot("file-size");
}

// The category form's name field, left by Escape or by a press beside the surface, leaves nothing
// focused: a letter typed next searches nothing.
TEST_P(LibraryDetailE2E, LeavingTheCategoryFormLeavesNothingFocused) {
  probe_->send("reopen");
  ASSERT_TRUE(waitFor([&] { return status().value("open") == "1"; }, 15000));
  const struct {
    const char* name;
    std::function<bool()> leave;
  } ways[] = {
      {"escape",
       [&] {
         return x_.xdotool({"key", "Escape"});
       }},
      {"press-beside", [&] { return click("Grid"); }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.name);
    ASSERT_TRUE(click("New category"));
    // The form gives its name field the keys as it opens.
    ASSERT_TRUE(waitFor([&] { return status().value("focus") == "name"; }, 10000))
        << status().value("focus").toStdString();
    ASSERT_TRUE(x_.xdotool({"type", "--delay", "30", "Wo"}));
    shot(QStringLiteral("category-form-") + way.name);
    ASSERT_TRUE(way.leave());
    ASSERT_TRUE(waitFor([&] { return ask("button Name", "button ") == "none"; }, 10000));
    EXPECT_EQ(status().value("focus"), "window");
    ASSERT_TRUE(x_.xdotool({"type", "--delay", "30", "b"}));
    EXPECT_FALSE(waitFor([&] { return status().value("query") != ""; }, 1000)) << "the letter went into the search";
    EXPECT_EQ(status().value("focus"), "window");
    shot(QStringLiteral("category-form-left-by-") + way.name);
  }
}

// With a compositor the pane's material lets the library show through.
TEST_P(LibraryDetailE2E, ThePaneIsTranslucentWithACompositor) {
  TestCompositor picom(x_);
  ASSERT_TRUE(picom.start()) << picom.log().constData();
  probe_->send("detail 0");
  EXPECT_TRUE(waitFor([&] { return status().value("compositor") == "1"; }, 20000)) << picom.log().constData();
  shot("text-compositor");
}

INSTANTIATE_TEST_SUITE_P(Appearances, LibraryDetailE2E, ::testing::Values("light", "dark"));

}  // namespace
