#pragma once
#include "settings/SettingsServices.h"
#include "ui/text/TextBlock.h"
#include "ui/view/PaintedWidget.h"

namespace qv {

// A piece of text on a settings pane, in one of the label shades, wrapped onto as many lines as
// the width needs (its height follows its width).
class PaneText : public PaintedWidget {
  Q_OBJECT
 public:
  enum class Shade { primary, secondary, tertiary };
  struct Props {
    QString text;
    TextStyle style;
    Shade shade = Shade::primary;
    bool operator==(const Props&) const = default;
  };

  PaneText(SettingsServices& context, Props props, QWidget* parent = nullptr);
  void setProps(const Props& props);
  const Props& props() const { return props_; }

  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paint(QPainter& painter) override;

 private:
  Props props_;
  TextBlock block_;
};

// Pane text in the settings font at `size` points.
PaneText* paneText(SettingsServices& context, const QString& text, double size, PaneText::Shade shade,
                   QFont::Weight weight = QFont::Normal);

// A hairline across a settings list or the sidebar, in the divider shade at `opacity`.
class PaneDivider : public QWidget {
 public:
  PaneDivider(SettingsServices& context, double opacity, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  SettingsServices& context_;
  double opacity_;
};

}  // namespace qv
