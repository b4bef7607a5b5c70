#pragma once
#include <QString>
#include <QStringList>

namespace qv::test {

// File names that a shell would read as commands, each creating a file named "PWNED" in its
// working folder when a name reaches a shell's command text.
inline QStringList hostileFileNames() {
  return {
      QStringLiteral("a$(touch PWNED).txt"),
      QStringLiteral("b;touch PWNED;.txt"),
      QStringLiteral("c`touch PWNED`.txt"),
      QStringLiteral("d\"; touch PWNED; \".txt"),
      QStringLiteral("e'; touch PWNED; '.txt"),
      QStringLiteral("f\ntouch PWNED\n.txt"),
      QStringLiteral("-g --version touch PWNED.txt"),
      QStringLiteral("h $(touch PWNED) & .txt"),
      QStringLiteral("i\\$(touch PWNED)|touch PWNED.txt"),
  };
}

}  // namespace qv::test
