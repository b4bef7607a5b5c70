#include "support/ProcessHelpers.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>

#include <unistd.h>

namespace qv {
namespace {

TEST(Launch, StartsAndQuitsCleanlyOnSigterm) {
  QTemporaryDir home;
  QProcess program;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  for (const char* name : {"XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"})
    env.insert(QString::fromLatin1(name), home.path() + u'/' + QString::fromLatin1(name));
  program.setProcessEnvironment(env);
  program.setProcessChannelMode(QProcess::MergedChannels);
  QByteArray log;
  QObject::connect(&program, &QProcess::readyRead, [&] { log += program.readAll(); });
  program.start(test::binDir() + QStringLiteral("/quorvalen"), {});
  ASSERT_TRUE(program.waitForStarted(10000));
  ASSERT_TRUE(test::waitFor([&] { return log.contains("Quorvalen launched"); }, 20000)) << log.constData();
  program.terminate();
  ASSERT_TRUE(program.waitForFinished(10000)) << log.constData();
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << log.constData();
  EXPECT_EQ(program.exitCode(), 0) << log.constData();
}

// A started program, its log collected as it comes.
struct Started {
  std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
  QByteArray log;
};

std::unique_ptr<Started> start(const QProcessEnvironment& env) {
  auto started = std::make_unique<Started>();
  QProcess& program = *started->process;
  program.setProcessEnvironment(env);
  program.setProcessChannelMode(QProcess::MergedChannels);
  QObject::connect(&program, &QProcess::readyRead, [raw = started.get()] { raw->log += raw->process->readAll(); });
  program.start(test::binDir() + QStringLiteral("/quorvalen"), {});
  return started;
}

// A runtime folder that cannot hold the lock (a file, a folder that cannot be made, one whose
// socket path is too long for a local socket) moves the lock and the socket to a private folder
// of the user: the program starts, and a second start finds it there. When that folder cannot
// be had either, the start fails with the reason and a non-zero exit, never "already running".
TEST(Launch, AnUnusableRuntimeFolderFallsBackOrFailsWithTheReason) {
  const struct {
    const char* what;
    QString runtime;  // below the test's home
    bool blockFallback;
    const char* reason;
  } cases[] = {{"a file", QStringLiteral("/file"), false, "is not a folder"},
               {"under a file", QStringLiteral("/file/runtime"), false, "cannot be created"},
               {"a socket path over 108 bytes", u'/' + QString(110, u'r'), false, "more than 107"},
               {"a file, and no private folder", QStringLiteral("/file"), true, "is not a private folder"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    for (const char* name : {"XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"})
      env.insert(QString::fromLatin1(name), home.path() + u'/' + QString::fromLatin1(name));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path() + c.runtime);
    env.insert(QStringLiteral("TMPDIR"), home.path() + QStringLiteral("/tmp"));
    ASSERT_TRUE(QDir().mkpath(home.path() + QStringLiteral("/tmp")));
    QFile file(home.path() + QStringLiteral("/file"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    if (c.blockFallback) {
      QFile blocker(home.path() + QStringLiteral("/tmp/quorvalen-%1").arg(::getuid()));
      ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }

    auto first = start(env);
    ASSERT_TRUE(first->process->waitForStarted(10000));
    if (c.blockFallback) {
      ASSERT_TRUE(first->process->waitForFinished(20000)) << first->log.constData();
      first->log += first->process->readAll();
      EXPECT_NE(first->process->exitCode(), 0) << first->log.constData();
      EXPECT_TRUE(first->log.contains("Cannot start")) << first->log.constData();
      EXPECT_TRUE(first->log.contains(c.reason)) << first->log.constData();
      EXPECT_FALSE(first->log.contains("already running")) << first->log.constData();
      continue;
    }
    ASSERT_TRUE(test::waitFor([&] { return first->log.contains("Quorvalen launched"); }, 20000))
        << first->log.constData();
    EXPECT_TRUE(first->log.contains(c.reason)) << first->log.constData();
    auto second = start(env);
    ASSERT_TRUE(second->process->waitForFinished(20000)) << second->log.constData();
    second->log += second->process->readAll();
    EXPECT_EQ(second->process->exitCode(), 0) << second->log.constData();
    EXPECT_TRUE(second->log.contains("already running; it says so")) << second->log.constData();
    first->process->terminate();
    ASSERT_TRUE(first->process->waitForFinished(10000)) << first->log.constData();
    EXPECT_EQ(first->process->exitCode(), 0) << first->log.constData();
  }
}

// Two starts on one data folder with different runtime folders (a second login, sudo -E, a
// script): the second cannot reach the first through the runtime folder's socket, so it says why
// and fails; the first runs on and quits cleanly.
TEST(Launch, ASecondProgramOnTheSameDataFolderIsRefusedWhateverItsRuntimeFolder) {
  QTemporaryDir home;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  for (const char* name : {"XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"})
    env.insert(QString::fromLatin1(name), home.path() + u'/' + QString::fromLatin1(name));
  auto first = start(env);
  ASSERT_TRUE(test::waitFor([&] { return first->log.contains("Quorvalen launched"); }, 20000))
      << first->log.constData();
  env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path() + QStringLiteral("/another-runtime"));
  auto second = start(env);
  ASSERT_TRUE(second->process->waitForFinished(20000)) << second->log.constData();
  second->log += second->process->readAll();
  EXPECT_NE(second->process->exitCode(), 0) << second->log.constData();
  EXPECT_TRUE(second->log.contains("Cannot start: another Quorvalen")) << second->log.constData();
  EXPECT_FALSE(second->log.contains("Quorvalen launched")) << second->log.constData();
  first->process->terminate();
  ASSERT_TRUE(first->process->waitForFinished(10000)) << first->log.constData();
  EXPECT_EQ(first->process->exitCode(), 0) << first->log.constData();
}

}  // namespace
}  // namespace qv
