#pragma once
#include <QString>
#include <vector>

namespace qv {

// A short realistic snippet per language the highlighter knows (and one it does not), for the
// gallery and the highlighting benchmark.
struct CodeSample {
  QString language;
  QString source;
};

const std::vector<CodeSample>& codeSamples();

}  // namespace qv
