// The whole program under Xvfb with jwm: a copy made in mousepad, whose desktop entry has a
// reverse-DNS id, is recorded with that id as its source.
#include "support/ProcessHelpers.h"
#include "support/SideFileHelpers.h"
#include "support/XvfbSession.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <iostream>
#include <memory>
#include <vector>

namespace qv {
namespace {

class SourceIdentityOnX11 : public ::testing::Test {
 protected:
  SourceIdentityOnX11() : session_(test::XvfbSession::Options{true, {1280, 800}, true}) {}

  void SetUp() override {
    if (QStandardPaths::findExecutable(QStringLiteral("mousepad")).isEmpty()) GTEST_SKIP() << "mousepad is not installed";
    ASSERT_TRUE(session_.start()) << session_.log().toStdString();
    env_ = session_.environment();
    // Only the entries of this test name applications.
    env_.insert(QStringLiteral("XDG_DATA_DIRS"), data_.path());
  }
  void TearDown() override {
    if (HasFailure()) std::cerr << "quorvalen said:\n" << log().constData() << "\nX session:\n" << session_.log().toStdString();
    for (auto& process : processes_) {
      process->kill();
      process->waitForFinished(3000);
    }
    session_.stop();
  }

  QProcess& start(const QString& program, const QStringList& arguments = {}) {
    processes_.push_back(std::make_unique<QProcess>());
    QProcess& process = *processes_.back();
    process.setProcessEnvironment(env_);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    return process;
  }
  QByteArray& log() {
    if (program_) log_ += program_->readAll();
    return log_;
  }
  // The source of the history's item with this text; empty while there is none.
  QString sourceOf(const QString& text) {
    QFile file(session_.home() + QStringLiteral("/data/Quorvalen/history.json"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    for (const QJsonValue& item : QJsonDocument::fromJson(file.readAll()).array()) {
      if (item[QLatin1String("payload")][QLatin1String("text")].toString().trimmed() == text)
        return item[QLatin1String("sourceAppBundleID")].toString();
    }
    return {};
  }

  test::XvfbSession session_;
  QTemporaryDir data_;
  QProcessEnvironment env_;
  std::vector<std::unique_ptr<QProcess>> processes_;
  QProcess* program_ = nullptr;
  QByteArray log_;
};

TEST_F(SourceIdentityOnX11, ACopyFromMousepadIsRecordedWithItsDesktopEntryId) {
  ASSERT_TRUE(test::writeTestFile(data_.filePath(QStringLiteral("applications/org.xfce.mousepad.desktop")),
                                  "[Desktop Entry]\nType=Application\nName=Mousepad\nExec=mousepad %U\n"));
  program_ = &start(test::binDir() + QStringLiteral("/quorvalen"));
  ASSERT_TRUE(test::waitFor([&] { return log().contains("Quorvalen launched"); }, 20000));

  const QString text = QStringLiteral("written in mousepad");
  const QString note = data_.filePath(QStringLiteral("note.txt"));
  ASSERT_TRUE(test::writeTestFile(note, text.toUtf8() + '\n'));
  start(QStringLiteral("mousepad"), {note});
  // The title names the file once it is loaded. Each key in a call of its own: mousepad misses
  // a second chord sent straight after the first.
  ASSERT_TRUE(session_.xdotool({"search", "--sync", "--onlyvisible", "--name", "note.txt", "windowactivate", "--sync", "%1"},
                               20000));
  ASSERT_TRUE(session_.xdotool({"key", "ctrl+a"}));
  ASSERT_TRUE(session_.xdotool({"key", "ctrl+c"}));
  ASSERT_TRUE(test::waitFor([&] { return !sourceOf(text).isEmpty(); }, 20000));
  EXPECT_EQ(sourceOf(text), QStringLiteral("org.xfce.mousepad"));
}

}  // namespace
}  // namespace qv
