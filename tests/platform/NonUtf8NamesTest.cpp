#include "base/NativePath.h"
#include "platform/DetachedLaunch.h"
#include "platform/Thumbnailers.h"
#include "platform/x11/X11Workspace.h"
#include "support/base/NonUtf8Names.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

namespace qv {
namespace {

// What reaches the system for a file named "bad\xFF\xFE name.txt": its own bytes, never U+FFFD.
struct NonUtf8Names : ::testing::Test {
  NonUtf8Names() : path(test::writeFileNamedInBytes(folder.path(), "content")) {}
  QByteArray bytes() const { return nativePath(folder.path()) + '/' + test::nonUtf8Name(); }
  QString script(const QByteArray& body) const {
    const QString file = folder.filePath(QStringLiteral("script"));
    QFile out(file);
    out.open(QIODevice::WriteOnly);
    out.write("#!/bin/sh\n" + body);
    out.close();
    out.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return file;
  }
  // The file's bytes once something has written it, waiting at most 10 s.
  static std::optional<QByteArray> awaitFile(const QString& file) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10'000) {
      QFile in(file);
      if (in.open(QIODevice::ReadOnly) && in.size() > 0) return in.readAll();
      ::usleep(20'000);
    }
    return std::nullopt;
  }

  QTemporaryDir folder;
  QString path;
};

TEST_F(NonUtf8Names, AnApplicationStartedOnItsOwnGetsTheNameByteForByte) {
  ASSERT_FALSE(path.isEmpty());
  const QString record = folder.filePath(QStringLiteral("argument"));
  const QString program = script("printf '%s' \"$1\" > '" + QFile::encodeName(record) + ".tmp'\nmv '" +
                                 QFile::encodeName(record) + ".tmp' '" + QFile::encodeName(record) + "'\n");
  ASSERT_TRUE(launchDetached({program, path}));
  EXPECT_EQ(awaitFile(record), bytes());
  EXPECT_FALSE(launchDetached({folder.filePath(QStringLiteral("no-such-program")), path}));
}

TEST_F(NonUtf8Names, TheFileManagerIsAskedForTheFileByItsEscapedBytes) {
  const std::optional<x11::X11Workspace::RevealTarget> target = x11::X11Workspace::revealTargetOf(path);
  ASSERT_TRUE(target);
  const QByteArray folderAddress = "file://" + QFile::encodeName(folder.path());
  EXPECT_EQ(target->file.toEncoded(), folderAddress + "/bad%FF%FE%20name.txt");
  EXPECT_EQ(target->folder.toEncoded(), folderAddress);
  EXPECT_FALSE(x11::X11Workspace::revealTargetOf(path + QStringLiteral(".gone")));
}

TEST_F(NonUtf8Names, AThumbnailerGetsThePathAndTheAddressOfTheFile) {
  QDir().mkpath(folder.filePath(QStringLiteral("tmp")));
  const QString picture = folder.filePath(QStringLiteral("picture.png"));
  QImage(8, 8, QImage::Format_RGB32).save(picture);
  const QString record = folder.filePath(QStringLiteral("inputs"));
  const QString program = script("[ -f \"$1\" ] || exit 3\nprintf '%s\\n%s' \"$1\" \"$2\" > '" +
                                 QFile::encodeName(record) + "'\ncp '" + QFile::encodeName(picture) + "' \"$3\"\n");
  const Thumbnailer thumbnailer{program + ".thumbnailer", program, "\"" + program + "\" %i %u %o", {"text/plain"}};
  const QByteArray address = "file://" + QFile::encodeName(folder.path()) + "/bad%FF%FE%20name.txt";
  EXPECT_TRUE(runThumbnailer(thumbnailer, path, address, 64, folder.filePath(QStringLiteral("tmp"))).picture);
  QFile in(record);
  ASSERT_TRUE(in.open(QIODevice::ReadOnly));
  EXPECT_EQ(in.readAll(), bytes() + '\n' + address);
}

}  // namespace
}  // namespace qv
