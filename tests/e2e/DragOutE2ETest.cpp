#include "support/LineProcess.h"
#include "support/ProcessHelpers.h"
#include "support/XvfbSession.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QUrl>

using namespace qv::test;

namespace {

QStringList centreOf(const QString& readyLine) { return readyLine.split(' ').mid(1, 2); }

// A code item dragged from one X client into another: the target gets its text and a file
// written on request in a drag folder of the temporary directory.
TEST(DragOutE2E, CodeItemDropsIntoAnotherWindowAsTextAndASnippetFile) {
  XvfbSession x;
  ASSERT_TRUE(x.start()) << qPrintable(x.log());
  QProcessEnvironment environment = x.environment();
  const QString temp = x.home() + "/tmp";
  ASSERT_TRUE(QDir().mkpath(temp));
  environment.insert("TMPDIR", temp);

  LineProcess target(binDir() + "/dragprobe", {"target"}, environment);
  const QString targetReady = target.waitForLine("ready ");
  ASSERT_FALSE(targetReady.isEmpty()) << qPrintable(target.log());
  LineProcess source(binDir() + "/dragprobe", {"source"}, environment);
  const QString sourceReady = source.waitForLine("ready ");
  ASSERT_FALSE(sourceReady.isEmpty()) << qPrintable(source.log());

  ASSERT_TRUE(x.xdotool(QStringList{"mousemove"} + centreOf(sourceReady)));
  ASSERT_TRUE(x.xdotool({"mousedown", "1"}));
  ASSERT_TRUE(x.xdotool({"mousemove_relative", "10", "10"}));
  ASSERT_TRUE(x.xdotool(QStringList{"mousemove"} + centreOf(targetReady)));
  ASSERT_TRUE(x.xdotool({"mousemove_relative", "5", "5"}));
  ASSERT_FALSE(target.waitForLine("enter").isEmpty()) << qPrintable(target.log() + "\n" + source.log());
  ASSERT_TRUE(x.xdotool({"mousemove_relative", "5", "5"}));
  ASSERT_TRUE(x.xdotool({"mouseup", "1"}));

  ASSERT_FALSE(target.waitForLine("dropped").isEmpty()) << qPrintable(target.log() + "\n" + source.log());
  EXPECT_EQ(target.waitForLine("text "), QString("text fn main() {}\\n"));
  const QString urlLine = target.waitForLine("url ");
  const QString path = QUrl(urlLine.mid(4)).toLocalFile();
  EXPECT_TRUE(path.startsWith(temp + "/QuorvalenDrag-")) << qPrintable(urlLine);
  EXPECT_TRUE(path.endsWith("/Snippet.rs")) << qPrintable(urlLine);
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << qPrintable(path);
  EXPECT_EQ(file.readAll(), QByteArray("fn main() {}\n"));
  EXPECT_EQ(source.waitForLine("result "), QString("result 1")) << qPrintable(source.log());  // copied
}

}  // namespace
