#pragma once
#include "items/rules/AppRule.h"
#include "settings/SettingsServices.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/controls/SegmentedPicker.h"
#include "ui/view/PaintedWidget.h"

#include <QIcon>
#include <functional>
#include <optional>

class QGraphicsOpacityEffect;
class QVBoxLayout;

namespace qv {

class ConfirmPillButton;
class PaneText;
class RowIconButton;

// Holds a view that comes in sliding down from its top edge while it fades in, and goes out the
// same way (or by fading alone): the slot's height follows, so what lies below moves along.
// Under reduced motion it only fades. Changes animate with the current transaction. The slot
// fixes its own height, so the layouts it sits in follow it frame by frame.
class RevealSlot : public QWidget {
  Q_OBJECT
 public:
  RevealSlot(SettingsServices& context, QWidget* content, QWidget* parent = nullptr);
  // Comes in (from nothing).
  void reveal();
  // Goes out, sliding up too when `slides`; `gone` runs once it has (at once without animation).
  void conceal(bool slides, std::function<void()> gone);
  double presence() const { return presence_.value(); }
  QWidget* content() const { return content_; }

  QSize sizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  // The content asks for another size (an erase question opened in a row).
  bool event(QEvent* event) override;

 private:
  int contentHeight(int width) const;
  // The slot's height now: the content's, times the presence while it slides.
  int slotHeight(int width) const;
  void follow();

  SettingsServices& context_;
  QWidget* content_;
  Animated<double> presence_;
  bool slides_ = true;
  QGraphicsOpacityEffect* fade_ = nullptr;
};

// One application's row: its icon and name, then the controls: an accessory, the secondary
// button (dimmed and inert while disabled) and the remove button, each with its help.
class AppRow : public QWidget {
  Q_OBJECT
 public:
  struct Props {
    QIcon icon;
    QString name;
    QString rowID;
    QString removeIcon;
    QString removeTitle;
    QString secondaryIcon;
    bool secondaryEnabled = false;
    QString secondaryHelp;
    bool operator==(const Props& other) const {
      return icon.cacheKey() == other.icon.cacheKey() && name == other.name && rowID == other.rowID &&
             removeIcon == other.removeIcon && removeTitle == other.removeTitle &&
             secondaryIcon == other.secondaryIcon && secondaryEnabled == other.secondaryEnabled &&
             secondaryHelp == other.secondaryHelp;
    }
  };
  struct Callbacks {
    std::function<void()> onRemove;
    std::function<void()> onSecondary;  // asked only while the secondary button is enabled
  };
  static constexpr double kIconSide = 28;

  AppRow(SettingsServices& context, Props props, QWidget* accessory, Callbacks callbacks, QWidget* parent = nullptr);
  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }

  RowIconButton* secondaryButton() const { return secondary_; }
  RowIconButton* removeButton() const { return remove_; }
  PaneText* nameText() const { return name_; }

 private:
  class IconView;
  void apply();
  void run(std::function<void()> Callbacks::*callback);

  Props props_;
  Callbacks callbacks_;
  IconView* icon_ = nullptr;
  PaneText* name_ = nullptr;
  RowIconButton* secondary_ = nullptr;
  RowIconButton* remove_ = nullptr;
};

// The list's "Add App" line: a plus and a label in the accent colour, brighter and a touch larger
// while hovered; secondary and inert when disabled.
class AddButton : public PaintedWidget {
  Q_OBJECT
 public:
  struct Props {
    QString label;
    bool disabled = false;
    bool operator==(const Props&) const = default;
  };
  struct Callbacks {
    std::function<void()> onClick;
  };
  AddButton(SettingsServices& context, Props props, Callbacks callbacks, QWidget* parent = nullptr);
  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }
  QColor labelColor() const;
  double labelScale() const;

  QSize sizeHint() const override;
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void click();

  Props props_;
  Callbacks callbacks_;
};

// The picker of an application's rule: two segments, "Blur" and "Ignore" (the normal rule has
// none, so it shows no choice). A click asks the `onSelect` of the latest props for the rule;
// the owner shows the choice with setProps.
class AppRulePicker : public SegmentedPicker {
  Q_OBJECT
 public:
  static constexpr double kItemWidth = 54;
  static constexpr double kSegmentHeight = 20;
  struct Props {
    AppRule selection = AppRule::normal;
    bool operator==(const Props&) const = default;
  };
  struct Callbacks {
    std::function<void(AppRule)> onSelect;
  };

  AppRulePicker(InterfaceServices& context, Props props, Callbacks callbacks, QWidget* parent = nullptr);
  // The callbacks are replaced every time; the segments follow a changed selection.
  void setProps(const Props& props, Callbacks callbacks);
  AppRule selection() const { return rule_.selection; }

 private:
  void apply(const Props& props);
  void choose(int index);

  Props rule_;
  Callbacks ruleCallbacks_;
};

// An application's row group in the App Rules list: the row, its erase question while open, and
// a divider. The group stands for one application for its whole life.
class AppRuleRowGroup : public QWidget {
  Q_OBJECT
 public:
  struct Props {
    QString name;
    QIcon icon;
    AppRule rule = AppRule::never;
    // The application's saved clips: the eraser's help and whether it can be used.
    int clipCount = 0;
    // The erase question, open for this many clips; none: closed.
    std::optional<int> question;
    bool operator==(const Props& other) const {
      return name == other.name && icon.cacheKey() == other.icon.cacheKey() && rule == other.rule &&
             clipCount == other.clipCount && question == other.question;
    }
  };
  struct Callbacks {
    std::function<void(AppRule)> onChangeRule;
    std::function<void()> onRemove;
    std::function<void()> onAskToErase;
    std::function<void()> onCancelErase;
    std::function<void()> onConfirmErase;
  };
  AppRuleRowGroup(SettingsServices& context, const QString& bundleID, Props props, Callbacks callbacks,
                  QWidget* parent = nullptr);
  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }

  const QString& bundleID() const { return bundleID_; }
  AppRow* appRow() const { return row_; }
  AppRulePicker* picker() const { return picker_; }
  // The open question, if any: its text and its two buttons.
  PaneText* questionText() const;
  ConfirmPillButton* cancelButton() const;
  ConfirmPillButton* eraseButton() const;

 private:
  AppRulePicker::Callbacks pickerCallbacks();
  AppRow::Props rowProps() const;
  AppRow::Callbacks rowCallbacks();
  void showQuestion(std::optional<int> count);
  void run(std::function<void()> Callbacks::*callback);

  SettingsServices& context_;
  QString bundleID_;
  Props props_;
  Callbacks callbacks_;
  AppRow* row_ = nullptr;
  AppRulePicker* picker_ = nullptr;
  QVBoxLayout* stack_ = nullptr;
  RevealSlot* question_ = nullptr;
};

}  // namespace qv
