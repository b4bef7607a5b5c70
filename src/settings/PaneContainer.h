#pragma once
#include "ui/anim/AnimatedValue.h"

#include <QColor>
#include <QWidget>

class QScrollArea;
class QVBoxLayout;
class QLabel;

namespace qv {

struct SettingsServices;

// The page that hosts a settings pane: the pane's content in a leading-aligned column (spacing
// 18, 24 points of margin) that scrolls without scroll bars, with fades at the top and bottom
// edges that show while content lies beyond them. The fades fade from `fadeColor` (an invalid
// colour: the window's background, whichever appearance it has).
class PaneContainer : public QWidget {
  Q_OBJECT
 public:
  static constexpr double kContentSpacing = 18;
  static constexpr double kContentMargin = 24;
  // Content scrolled by more than this lies beyond an edge.
  static constexpr double kFadeThreshold = 6;

  PaneContainer(SettingsServices& context, QString title, double fadeHeight, QColor fadeColor,
                QWidget* parent = nullptr);

  const QString& title() const { return title_; }
  // Adds a view (or a section's title and card) to the column.
  void addContent(QWidget* view);
  QVBoxLayout* contentLayout() const { return layout_; }
  QScrollArea* scrollArea() const { return scroll_; }

  bool showTopFade() const { return showTopFade_; }
  bool showBottomFade() const { return showBottomFade_; }
  double topFadeOpacity() const { return topFade_.value(); }
  double bottomFadeOpacity() const { return bottomFade_.value(); }
  double fadeHeight() const { return fadeHeight_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class EdgeFade;
  void updateFades();

  QString title_;
  double fadeHeight_;
  QColor fadeColor_;
  QScrollArea* scroll_ = nullptr;
  QWidget* content_ = nullptr;
  QVBoxLayout* layout_ = nullptr;
  EdgeFade* top_ = nullptr;
  EdgeFade* bottom_ = nullptr;
  bool showTopFade_ = false;
  bool showBottomFade_ = false;
  Animated<double> topFade_;
  Animated<double> bottomFade_;
};

// One settings section: an optional upper-case title over a rounded card holding the content
// (spacing 10 and 14 points of padding; `flush` drops the spacing and the vertical padding).
// The caller stacks the two.
struct SettingsSection {
  QWidget* title = nullptr;  // none for an empty title
  QWidget* card = nullptr;
  QVBoxLayout* body = nullptr;
};
SettingsSection settingsSection(SettingsServices& context, const QString& title, bool flush,
                                const QList<QWidget*>& content);

}  // namespace qv
