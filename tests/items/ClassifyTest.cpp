#include "items/classify/ContentClassifier.h"
#include "items/classify/FileInfo.h"
#include "platform/ImageDecoder.h"

#include "base/Url.h"

#include <gtest/gtest.h>
#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

namespace qv {
namespace {

using namespace ContentClassifier;

struct LinkCase {
  const char* text;
  const char* domain;  // nullptr: no link
  const char* title = nullptr;
};

TEST(Classify, LinkTable) {
  const QString home = QStringLiteral("/home/ann");
  const LinkCase cases[] = {
      {"https://example.org/path?q=1", "example.org"},
      {"http://sub.example.org:8080", "sub.example.org"},
      {"https://example.org/a b", nullptr},
      {"https://example.org/a\tb", nullptr},
      {"https:/path-only", nullptr},
      {"https:", nullptr},
      {"example.org", nullptr},  // no scheme
      {"mailto:ann@example.org", "ann@example.org"},
      {"mailto:", "mailto"},
      {"tel:+15551234", "+15551234"},
      {"sms:5551234", "5551234"},
      {"facetime-audio:ann@example.org", "ann@example.org"},
      {"file:///home/ann/Documents/report.pdf", "~/Documents", "report.pdf"},
      {"file:///home/ann/report.pdf", "~", "report.pdf"},
      {"file:///home/anna/report.pdf", "/home/anna", "report.pdf"},  // not the same folder
      {"file:///etc/hosts", "/etc", "hosts"},
      {"file:///home/ann/folder/", "~", "folder"},
      {"ssh:", "ssh"},
      {"ssh://build.example.org", "build.example.org"},
      {"smb://nas/share", "nas"},
      {"vnc:", "vnc"},
      {"slack://open?team=T1", "open"},
      {"myapp:thing", nullptr},  // no "://"
      {"myapp:///nohost", nullptr},
  };
  for (const LinkCase& c : cases) {
    const auto payload = linkPayload(QString::fromUtf8(c.text), home);
    if (!c.domain) {
      EXPECT_FALSE(payload) << c.text;
      continue;
    }
    ASSERT_TRUE(payload) << c.text;
    const LinkFields& link = **payload;
    EXPECT_EQ(link.domain, QString::fromUtf8(c.domain)) << c.text;
    EXPECT_EQ(link.title, c.title ? std::optional<QString>(QString::fromUtf8(c.title)) : std::nullopt) << c.text;
    EXPECT_EQ(absoluteString(link.url), QString::fromUtf8(c.text)) << c.text;
    EXPECT_FALSE(link.description || link.ogImageURL) << c.text;
  }
}

TEST(Classify, FileLinkFoldersShortenOnlyUnderARealHome) {
  const struct {
    const char* home;
    const char* domain;
  } cases[] = {
      {"/home/ann/", "~/Documents"},  // a home with a trailing slash
      {"/", "/home/ann/Documents"},
      {"", "/home/ann/Documents"},
  };
  for (const auto& c : cases) {
    const auto link = linkPayload(QStringLiteral("file:///home/ann/Documents/report.pdf"), QString::fromUtf8(c.home));
    ASSERT_TRUE(link) << c.home;
    EXPECT_EQ((*link)->domain, QString::fromUtf8(c.domain)) << c.home;
  }
  const auto inRoot = linkPayload(QStringLiteral("file:///hosts"), QStringLiteral("/"));
  ASSERT_TRUE(inRoot);
  EXPECT_EQ((*inRoot)->domain, QStringLiteral("/")) << "the root folder is no home";
}

TEST(Classify, ColourTable) {
  struct Case {
    const char* text;
    const char* hex;  // nullptr: no colour
  };
  const Case cases[] = {
      {"#abc", "#AABBCC"},
      {"#ABCDEF", "#ABCDEF"},
      {"  #00ff7f \n", "#00FF7F"},
      {"#abcd", nullptr},
      {"#aabbccdd", nullptr},
      {"#", nullptr},
      {"#ggg", nullptr},
      {"#abc\n#def", nullptr},
      {"rgb(255, 0, 0)", "#FF0000"},
      {"RGB(255, 0, 0)", "#FF0000"},
      {"rgb(1,,2,3)", "#010203"},
      {"rgb(+1, 2, 3)", "#010203"},
      {"rgba(0, 0, 255, 1.0)", "#0000FF"},
      {"rgba(0, 0, 255, 1)", "#0000FF"},
      {"rgba(0, 0, 255, 0.5)", nullptr},
      {"rgba(0, 0, 255)", nullptr},
      {"rgb(256, 0, 0)", nullptr},
      {"rgb(-1, 0, 0)", nullptr},
      {"rgb(0, 0)", nullptr},
      {"rgb(1.5, 0, 0)", nullptr},
      {"rgb (1, 2, 3)", nullptr},
      {"hsl(0, 0%, 0%)", nullptr},
      {"rgb(1, 2, 3", nullptr},
      {"", nullptr},
      {"red", nullptr},
  };
  for (const Case& c : cases) {
    const auto colour = color(QString::fromUtf8(c.text));
    if (!c.hex) {
      EXPECT_FALSE(colour) << c.text;
      continue;
    }
    ASSERT_TRUE(colour) << c.text;
    EXPECT_EQ(colour->hex, QString::fromUtf8(c.hex)) << c.text;
  }
  EXPECT_EQ(color(QStringLiteral("#abc")), (ColorPayload{QStringLiteral("#AABBCC"), 170, 187, 204}));
}

TEST(Classify, CodeAndLanguageTables) {
  EXPECT_FALSE(looksLikeCode(QStringLiteral("{ { } } // {}")));
  EXPECT_TRUE(looksLikeCode(QStringLiteral("if (a) {\n}")));
  EXPECT_FALSE(looksLikeCode(QStringLiteral("a -> b\nc -> d")));
  EXPECT_TRUE(looksLikeCode(QStringLiteral("def f():\n  return 1")));
  EXPECT_FALSE(looksLikeCode(QStringLiteral("define the\nreturned value")));  // markers need their space

  struct Case {
    const char* text;
    const char* label;
  };
  const Case cases[] = {
      {"#!/bin/bash\necho hi", "Shell"},
      {"#!/usr/bin/env bash\necho hi", "Shell"},
      {"#!/bin/sh\necho hi", ""},
      {"#!/usr/bin/env python3\nprint(1)", "Python"},
      {"#!/usr/bin/env node\nconsole.log(1)", "JavaScript"},
      {"<p><?php echo 1; ?></p>", "PHP"},
      {"<html><body></body></html>", "HTML"},
      {"<!DOCTYPE x><p>a</p>", "HTML"},
      {"<p>a</p>\n<b>c</b>", ""},
      {"struct A {\n  var a: Int\n  let b: Int\n}", "Swift"},
      {"struct A {\n  var a = 1\n  let b = 2\n}", ""},
      {"plain words", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(detectLanguage(QString::fromUtf8(c.text)), QString::fromUtf8(c.label)) << c.text;
}

// A JPEG of a 16×8 picture, red on the left half and blue on the right, with an optional EXIF
// orientation tag.
QByteArray halfRedJpeg(int orientation) {
  QImage image(16, 8, QImage::Format_RGB32);
  image.fill(Qt::blue);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) image.setPixelColor(x, y, Qt::red);
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPG", 100);
  if (orientation == 0) return jpeg;
  const char exif[] = {'\xFF', '\xE1', 0, 34, 'E', 'x', 'i', 'f', 0, 0,
                       'M',    'M',    0, 42, 0,   0,   0,   8,  // TIFF header
                       0,      1,                                // one entry
                       1,      0x12,   0, 3,  0,   0,   0,   1,   0, static_cast<char>(orientation),
                       0,      0,      0, 0,  0,   0};  // no next IFD
  return jpeg.left(2) + QByteArray(exif, sizeof exif) + jpeg.mid(2);
}

TEST(Classify, ImageFilesComeBackUpright) {
  QTemporaryDir dir;
  auto write = [&](const QString& name, const QByteArray& bytes) {
    QFile file(dir.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return file.fileName();
  };
  const auto rotated = decodeImageFile(write(QStringLiteral("six.jpg"), halfRedJpeg(6)));
  ASSERT_TRUE(rotated);
  ASSERT_EQ(rotated->image.size(), QSize(8, 16));
  EXPECT_EQ(rotated->fileSize, QSize(8, 16));
  EXPECT_GT(rotated->image.pixelColor(4, 2).red(), 200);  // the left half is now on top
  EXPECT_GT(rotated->image.pixelColor(4, 13).blue(), 200);

  const auto upright = decodeImageFile(write(QStringLiteral("one.jpg"), halfRedJpeg(1)));
  ASSERT_TRUE(upright);
  EXPECT_EQ(upright->image.size(), QSize(16, 8));
  EXPECT_GT(upright->image.pixelColor(2, 4).red(), 200);

  EXPECT_FALSE(decodeImageFile(dir.filePath(QStringLiteral("missing.png"))));
  EXPECT_FALSE(decodeImageFile(write(QStringLiteral("empty.png"), {})));
  EXPECT_FALSE(decodeImageFile(write(QStringLiteral("junk.png"), "not an image at all")));
}

TEST(Classify, FileSizeText) {
  QTemporaryDir dir;
  QFile file(dir.filePath(QStringLiteral("a.bin")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray(1500, 'x'));
  file.close();
  EXPECT_EQ(FileInfo::sizeText(QUrl::fromLocalFile(file.fileName())), QStringLiteral("2 KB"));
  EXPECT_EQ(FileInfo::sizeText(QUrl::fromLocalFile(dir.filePath(QStringLiteral("missing")))),
            QStringLiteral("Zero KB"));
  EXPECT_EQ(FileInfo::sizeText(QUrl::fromLocalFile(dir.path())), QStringLiteral("Zero KB"));
}

}  // namespace
}  // namespace qv
