// The real clipboard monitor (tools/capturewatch, a Qt program on xcb) under Xvfb: a copy made
// with xclip reaches the new-item callback with its text and source; our own write does not.
#include "support/ProcessHelpers.h"
#include "support/XvfbSession.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <iostream>
#include <memory>
#include <vector>

namespace qv {
namespace {

class MonitorOnX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(session_.start()) << session_.log().toStdString();
    QProcessEnvironment env = session_.environment();
    for (const char* name : {"XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"})
      env.insert(QLatin1String(name), folder_.filePath(QLatin1String(name)));
    env_ = env;
    watch_.setProcessEnvironment(env_);
    watch_.start(test::binDir() + QStringLiteral("/capturewatch"), {});
    ASSERT_TRUE(watch_.waitForStarted(10000));
    const QJsonObject hello = next([](const QJsonObject& line) { return line.contains(QStringLiteral("ready")); });
    ASSERT_TRUE(hello.value(QStringLiteral("ready")).toBool()) << diagnostics();
  }

  void TearDown() override {
    if (HasFailure()) std::cerr << diagnostics() << std::endl;
    for (auto& process : clients_) {
      process->kill();
      process->waitForFinished(3000);
    }
    watch_.closeWriteChannel();
    if (!watch_.waitForFinished(5000)) {
      watch_.kill();
      watch_.waitForFinished(3000);
    }
    session_.stop();
  }

  std::string diagnostics() {
    log_ += watch_.readAllStandardError();
    QByteArray lines;
    for (const QJsonObject& line : seen_) lines += QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n';
    return ("capturewatch said:\n" + lines + "stderr:\n" + log_ + "\nX session:\n" + session_.log().toUtf8())
        .toStdString();
  }

  // The next line (after those already taken) that satisfies `wanted`; lines passed over are kept
  // in `seen_`.
  QJsonObject next(const std::function<bool(const QJsonObject&)>& wanted, int timeoutMs = 10000) {
    QJsonObject found;
    test::waitFor(
        [&] {
          buffer_ += watch_.readAllStandardOutput();
          log_ += watch_.readAllStandardError();
          for (int end; (end = buffer_.indexOf('\n')) >= 0;) {
            const QJsonObject line = QJsonDocument::fromJson(buffer_.left(end)).object();
            buffer_.remove(0, end + 1);
            seen_.push_back(line);
            if (wanted(line)) {
              found = line;
              return true;
            }
          }
          return watch_.state() == QProcess::NotRunning;
        },
        timeoutMs);
    return found;
  }
  QJsonObject ask(const QByteArray& command, const QString& answerKey) {
    watch_.write(command + '\n');
    watch_.waitForBytesWritten(1000);
    return next([&](const QJsonObject& line) { return line.contains(answerKey); });
  }
  static auto itemWithText(const QString& text) {
    return [text](const QJsonObject& line) {
      return line.contains(QStringLiteral("item")) && line.value(QStringLiteral("text")).toString() == text;
    };
  }

  void xclip(const QByteArray& text) {
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(env_);
    process->start(QStringLiteral("xclip"),
                   {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-quiet")});
    ASSERT_TRUE(process->waitForStarted(5000));
    process->write(text);
    process->closeWriteChannel();
    clients_.push_back(std::move(process));
  }

  // A copy by tools/clipsource, once it owns the clipboard.
  void clipsource(const QString& text) { clipsourceWith({QStringLiteral("--text"), text}); }
  void clipsourceWith(const QStringList& arguments) {
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(env_);
    process->start(test::binDir() + QStringLiteral("/clipsource"), arguments);
    ASSERT_TRUE(process->waitForStarted(5000));
    QByteArray output;
    ASSERT_TRUE(test::waitFor(
        [&] {
          output += process->readAllStandardOutput();
          return output.contains("ready") || process->state() == QProcess::NotRunning;
        },
        10000));
    ASSERT_TRUE(output.contains("ready")) << process->readAllStandardError().constData();
    clients_.push_back(std::move(process));
  }

  test::XvfbSession session_{test::XvfbSession::Options{false, {1024, 768}}};
  QTemporaryDir folder_;
  QProcessEnvironment env_;
  QProcess watch_;
  QByteArray buffer_;
  QByteArray log_;
  std::vector<QJsonObject> seen_;
  std::vector<std::unique_ptr<QProcess>> clients_;
};

bool anyItemWithText(const std::vector<QJsonObject>& lines, const QString& text) {
  for (const QJsonObject& line : lines)
    if (line.contains(QStringLiteral("item")) && line.value(QStringLiteral("text")).toString() == text) return true;
  return false;
}

TEST_F(MonitorOnX11, AForeignCopyIsCapturedWithItsSourceAndOurOwnWriteIsNot) {
  xclip("hello from xclip");
  const QJsonObject item = next(itemWithText(QStringLiteral("hello from xclip")));
  ASSERT_FALSE(item.isEmpty());
  EXPECT_EQ(item.value(QStringLiteral("item")).toString(), QStringLiteral("text"));
  // The clipboard's owner process names the source: xclip, known by its executable.
  EXPECT_EQ(item.value(QStringLiteral("source")).toString(), QStringLiteral("xclip"));
  EXPECT_FALSE(item.value(QStringLiteral("blurred")).toBool());

  // Our own write: the monitor sees the change, spends the credit and records nothing.
  ASSERT_TRUE(ask("write picked from history", QStringLiteral("wrote")).value(QStringLiteral("wrote")).toBool());
  const bool spent = test::waitFor(
      [&] {
        const QJsonObject state = ask("state", QStringLiteral("skipNextChanges"));
        return state.value(QStringLiteral("own")).toBool() &&
               state.value(QStringLiteral("skipNextChanges")).toInt() == 0;
      },
      10000);
  EXPECT_TRUE(spent) << "the monitor never saw our write";

  xclip("copied after our write");
  ASSERT_FALSE(next(itemWithText(QStringLiteral("copied after our write"))).isEmpty());
  EXPECT_FALSE(anyItemWithText(seen_, QStringLiteral("picked from history")));
}

// The reader thread reads each copy as it is made; copies made while the main thread is held up
// wait for it and are all recorded, in order.
TEST_F(MonitorOnX11, CopiesMadeWhileTheMainThreadIsHeldUpAreAllRecordedInOrder) {
  const QString freeAgain = folder_.filePath(QStringLiteral("free"));
  ASSERT_TRUE(ask("busy " + freeAgain.toUtf8(), QStringLiteral("busy")).value(QStringLiteral("busy")).toBool());
  constexpr int kCopies = 8;
  for (int copy = 0; copy < kCopies; ++copy) {
    clipsource(QStringLiteral("held copy %1").arg(copy));
    QThread::msleep(400);  // the copies' pace: further apart than the capture's delay
  }
  QFile(freeAgain).open(QIODevice::WriteOnly);
  ASSERT_GT(next([](const QJsonObject& line) { return line.contains(QStringLiteral("free")); }).size(), 0);
  for (int copy = 0; copy < kCopies; ++copy)
    EXPECT_FALSE(next(itemWithText(QStringLiteral("held copy %1").arg(copy))).isEmpty()) << "copy " << copy;
}

// A large picture still on its way when the next copy comes: its owner finishes the transfer it
// was asked for after losing the clipboard, and both copies are recorded, in order.
TEST_F(MonitorOnX11, ALargePictureStillOnItsWayWhenTheNextCopyComesIsRecorded) {
  QImage noise(1200, 900, QImage::Format_RGB32);
  QRandomGenerator random(85);
  for (int y = 0; y < noise.height(); ++y)
    random.fillRange(reinterpret_cast<quint32*>(noise.scanLine(y)), noise.width());
  const QString picture = folder_.filePath(QStringLiteral("noise.png"));
  ASSERT_TRUE(noise.save(picture));
  // About 4 MB in 256 KB chunks, each held back 60 ms by its owner: a transfer of about a second.
  clipsourceWith({QStringLiteral("-t"), QStringLiteral("image/png"), QLatin1Char('@') + picture,
                  QStringLiteral("--chunk-delay"), QStringLiteral("60")});
  QThread::msleep(400);  // the next copy comes while the picture is read, after the capture's delay
  clipsource(QStringLiteral("copied after the picture"));
  const QJsonObject image = next([](const QJsonObject& line) { return line.contains(QStringLiteral("item")); });
  EXPECT_EQ(image.value(QStringLiteral("item")).toString(), QStringLiteral("image"));
  EXPECT_FALSE(next(itemWithText(QStringLiteral("copied after the picture"))).isEmpty());
}

}  // namespace
}  // namespace qv
