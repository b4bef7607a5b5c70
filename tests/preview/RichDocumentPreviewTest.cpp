#include "preview/RichDocumentPreview.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(RichDocumentPreviewTest, TakesItsSevenExtensionsInAnyCase) {
  EXPECT_EQ(RichDocumentPreview::documentExtensions(),
            (QStringList{"doc", "docx", "odt", "rtf", "rtfd", "webarchive", "wordml"}));
  const std::pair<const char*, bool> names[] = {
      {"Report.DOCX", true},      {"notes.rtf", true},  {"Page.WebArchive", true}, {"Old.doc", true},
      {"Draft.rtfd/", true},      {"letter.odt", true}, {"memo.wordml", true},     {"sheet.xlsx", false},
      {"archive.rtf.zip", false}, {"README", false},    {".rtf", false},           {"docx", false},
  };
  for (const auto& [name, taken] : names) EXPECT_EQ(RichDocumentPreview::takes(QString::fromUtf8(name)), taken) << name;
}

}  // namespace
}  // namespace qv
