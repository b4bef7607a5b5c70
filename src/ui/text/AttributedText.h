#pragma once
#include <QList>
#include <QString>
#include <QTextLayout>
#include <memory>

namespace qv {

// Text whose runs carry their own font and colour: the program's attributed string. Runs are
// in ascending order and never overlap. Shared immutably, so "the same text" can be told by
// identity (the pointer) as well as by value.
struct AttributedText {
  QString text;
  QList<QTextLayout::FormatRange> formats;

  // Appends `run` with `format`.
  void append(const QString& run, const QTextCharFormat& format) {
    if (run.isEmpty()) return;
    formats.append({int(text.size()), int(run.size()), format});
    text += run;
  }
};

using SharedAttributedText = std::shared_ptr<const AttributedText>;

}  // namespace qv
