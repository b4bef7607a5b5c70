#include "base/HomePath.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(HomeRelativePath, ShortensOnlyTheHomeFolderAndWholeFoldersUnderIt) {
  struct Case {
    const char* path;
    const char* home;
    const char* expected;
  };
  const Case cases[] = {
      {"/home/al", "/home/al", "~"},
      {"/home/al/", "/home/al", "~/"},
      {"/home/al/Documents/a.pdf", "/home/al", "~/Documents/a.pdf"},
      {"/home/alice/x.txt", "/home/al", "/home/alice/x.txt"},  // a longer name, not the same folder
      {"/home/al.bak/x.txt", "/home/al", "/home/al.bak/x.txt"},
      {"/home/al/x.txt", "/home/al/", "~/x.txt"},  // a home written with a trailing slash
      {"/home", "/home/al", "/home"},
      {"/etc/hosts", "/home/al", "/etc/hosts"},
      {"/etc/hosts", "/", "/etc/hosts"},  // a root home would shorten every path
      {"/", "/", "/"},
      {"/etc/hosts", "", "/etc/hosts"},
      {"", "", ""},
      {"", "/home/al", ""},
      {"relative/al", "/home/al", "relative/al"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(homeRelativePath(QString::fromUtf8(c.path), QString::fromUtf8(c.home)), QString::fromUtf8(c.expected))
        << c.path << " with home " << c.home;
}

}  // namespace
}  // namespace qv
