#include "base/NativePath.h"
#include "base/Url.h"

#include <gtest/gtest.h>
#include <QFile>

namespace qv {
namespace {

TEST(NativePath, EveryByteOfANameSurvivesTheStringAndTheAddress) {
  const struct {
    const char* name;
    QByteArray bytes;
    const char* address;  // the file URL's encoded form
  } cases[] = {
      {"utf-8", "/home/u/r\xc3\xa9sum\xc3\xa9 \xf0\x9f\x93\x84.txt",
       "file:///home/u/r%C3%A9sum%C3%A9%20%F0%9F%93%84.txt"},
      {"latin-1 bytes", "/tmp/bad\xff\xfe name.txt", "file:///tmp/bad%FF%FE%20name.txt"},
      {"a cut character", "/tmp/cut\xe2\x82", "file:///tmp/cut%E2%82"},
      {"a lone continuation", "/tmp/\x80x", "file:///tmp/%80x"},
      {"an overlong slash", "/tmp/\xc0\xaf", "file:///tmp/%C0%AF"},
      {"an encoded surrogate", "/tmp/\xed\xb3\xbf", "file:///tmp/%ED%B3%BF"},
      {"past U+10FFFF", "/tmp/\xf4\x90\x80\x80", "file:///tmp/%F4%90%80%80"},
      {"a character beside a byte", "/tmp/\xf0\x9f\x93\x84\xff", "file:///tmp/%F0%9F%93%84%FF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = pathFromNative(c.bytes);
    EXPECT_EQ(nativePath(path), c.bytes);
    EXPECT_EQ(localFileUrl(path).toEncoded(), QByteArray(c.address));
    const QUrl address = QUrl::fromEncoded(c.address, QUrl::StrictMode);
    EXPECT_EQ(nativePath(localFilePath(address)), c.bytes);
    EXPECT_EQ(nativePath(Url::fromQUrl(address).toLocalFile()), c.bytes);
    EXPECT_EQ(Url::fromLocalFile(path).text(), QString::fromLatin1(c.address));
    // Shown with a replacement for each byte kept.
    EXPECT_FALSE(hasNativeBytes(shownPath(path)));
    EXPECT_EQ(shownPath(path).size(), path.size());
  }
  // Whatever is UTF-8 is what Qt makes of it.
  EXPECT_EQ(pathFromNative("/tmp/r\xc3\xa9"), QFile::decodeName("/tmp/r\xc3\xa9"));
  EXPECT_FALSE(hasNativeBytes(pathFromNative("/tmp/r\xc3\xa9")));
  EXPECT_EQ(localFilePath(QUrl(QStringLiteral("https://example.org/a%FF"))), QString());
}

}  // namespace
}  // namespace qv
