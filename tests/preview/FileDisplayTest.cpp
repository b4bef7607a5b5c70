#include "preview/FileDisplay.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace qv {
namespace {

TEST(FileDisplay, IsPDFByTheNameAlone) {
  QTemporaryDir dir;
  // A PDF's bytes under a text name, and text under a PDF name: the name decides, nothing is read.
  QFile pdfBytes(dir.filePath(QStringLiteral("notes.txt")));
  ASSERT_TRUE(pdfBytes.open(QIODevice::WriteOnly));
  pdfBytes.write("%PDF-1.4\n");
  pdfBytes.close();
  const struct {
    QString path;
    bool pdf;
  } cases[] = {
      {QStringLiteral("/docs/report.pdf"), true},
      {QStringLiteral("/docs/REPORT.PDF"), true},
      {QStringLiteral("/docs/Report.Pdf"), true},
      {QStringLiteral("/docs/with space.pdf"), true},
      {dir.filePath(QStringLiteral("notes.txt")), false},
      {QStringLiteral("/docs/report.pdf.txt"), false},
      {QStringLiteral("/docs/pdf"), false},
      {QStringLiteral("/docs/report.pdfx"), false},
      {QStringLiteral("/docs/photo.png"), false},
      {QStringLiteral("/docs/folder/"), false},
      {QString(), false},
  };
  for (const auto& c : cases) EXPECT_EQ(isPDF(QUrl::fromLocalFile(c.path)), c.pdf) << c.path.toStdString();
  EXPECT_TRUE(isPDF(QUrl(QStringLiteral("https://example.org/paper.pdf"))));
  EXPECT_FALSE(isPDF(QUrl()));
}

TEST(FileDisplay, AbbreviatedPathTable) {
  const QString home = QStringLiteral("/home/al");
  const struct {
    const char* url;
    const char* shown;
  } cases[] = {
      {"file:///home/al", "~"},
      {"file:///home/al/", "~/"},
      {"file:///home/al/Documents/a%20b.pdf", "~/Documents/a b.pdf"},
      {"file:///home/alice/x.txt", "/home/alice/x.txt"},
      {"file:///etc/hosts", "/etc/hosts"},
      {"https://example.org/a?b=c#d", "https://example.org/a?b=c#d"},
      {"HTTPS://Example.org/A", "HTTPS://Example.org/A"},  // as it was copied
      {"javascript:alert(1)", "javascript:alert(1)"},
      {"mailto:al@example.org", "mailto:al@example.org"},
  };
  for (const auto& c : cases) {
    const QString text = QString::fromUtf8(c.url);
    const std::optional<Url> url = parseStrictUrl(text);
    ASSERT_TRUE(url) << c.url;
    EXPECT_EQ(abbreviatedPath(*url, home), QString::fromUtf8(c.shown)) << c.url;
  }
  EXPECT_EQ(abbreviatedPath(QUrl::fromLocalFile(QStringLiteral("/home/al/x")), home), QStringLiteral("~/x"));
  EXPECT_EQ(abbreviatedPath(QUrl::fromLocalFile(QStringLiteral("/home/al/x")), QStringLiteral("/")),
            QStringLiteral("/home/al/x"));
  EXPECT_EQ(abbreviatedPath(QUrl::fromLocalFile(QDir::homePath() + QStringLiteral("/y"))), QStringLiteral("~/y"))
      << "the user's own home by default";
}

}  // namespace
}  // namespace qv
