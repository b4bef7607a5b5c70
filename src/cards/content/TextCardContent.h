#pragma once
#include "cards/content/VisibleTextLayout.h"
#include "ui/text/AttributedText.h"
#include "ui/theme/Environment.h"

#include <QRectF>
#include <QString>

class QPainter;

namespace qv {

class CodeHighlightCache;

// A text item's card body: the text as plain wrapped prose on the tinted background, fading
// out towards the bottom instead of ending with an ellipsis. Only the lines that can show above
// the end of the fade are laid out, however long the text.
class TextCardContent {
 public:
  struct Props {
    QString content;
    bool operator==(const Props& other) const {
      return content.size() == other.content.size() &&
             (content.constData() == other.content.constData() || content == other.content);
    }
  };

  static constexpr double kSideInset = 14;
  static constexpr double kTopInset = 36;
  static constexpr double kFontSize = 13;
  static constexpr double kLineSpacing = 6;
  static constexpr double kFadeStart = 0.66;
  static constexpr double kFadeEnd = 0.8;

  // False when nothing changed (the caller need not repaint).
  bool setProps(const Props& props);
  const Props& props() const { return props_; }

  void paint(QPainter& painter, const QRectF& rect, const EnvironmentValues& environment);

  // The layout last painted (for tests).
  const VisibleTextLayout& layout() const { return layout_; }

 private:
  Props props_;
  VisibleTextLayout layout_;
};

// A code item's card body: the first 1500 characters of the source in the monospaced font,
// coloured per token for the colour scheme (the language goes to the highlighter and is not
// shown), fading out towards the bottom.
class CodeCardContent {
 public:
  struct Props {
    QString source;
    QString language;
    bool operator==(const Props&) const = default;
  };

  static constexpr qsizetype kCharacterLimit = 1500;
  static constexpr double kSideInset = 12;
  static constexpr double kTopInset = 40;
  static constexpr double kFontSize = 11;
  static constexpr double kLineSpacing = 5;
  static constexpr double kFadeStart = 0.62;
  static constexpr double kFadeEnd = 0.88;

  // `highlights`: the highlighter's shared cache of coloured card texts.
  explicit CodeCardContent(CodeHighlightCache& highlights) : highlights_(highlights) {}

  bool setProps(const Props& props);
  const Props& props() const { return props_; }

  void paint(QPainter& painter, const QRectF& rect, const EnvironmentValues& environment);

  // The coloured text last painted: the first 1500 characters of the source (never splitting
  // one); null before the first paint.
  const SharedAttributedText& shownText() const { return shown_; }
  const VisibleTextLayout& layout() const { return layout_; }

 private:
  CodeHighlightCache& highlights_;
  Props props_;
  // Asked of the highlighter once per source and scheme.
  SharedAttributedText shown_;
  std::optional<ColorScheme> shownScheme_;
  VisibleTextLayout layout_;
};

}  // namespace qv
