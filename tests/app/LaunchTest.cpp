#include "support/ProcessHelpers.h"

#include <gtest/gtest.h>
#include <QProcess>
#include <QTemporaryDir>

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

}  // namespace
}  // namespace qv
