#include "settings/AppRuleRows.h"

#include "settings/IgnoredPane.h"
#include "settings/PaneText.h"
#include "settings/RevealSlot.h"
#include "settings/RowIconButton.h"
#include "settings/SettingsStyle.h"
#include "ui/controls/PillButtons.h"
#include "ui/symbols/Symbols.h"
#include "ui/theme/Environment.h"
#include "ui/theme/Theme.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <cmath>
#include <utility>

namespace qv {

// ---- AppRow ----------------------------------------------------------------------------------

class AppRow::IconView : public QWidget {
 public:
  explicit IconView(QWidget* parent) : QWidget(parent) {
    setFixedSize(int(kIconSide), int(kIconSide));
    setAttribute(Qt::WA_TransparentForMouseEvents);
  }
  void setIcon(const QIcon& icon) {
    icon_ = icon;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QPixmap pixmap = icon_.pixmap(size(), devicePixelRatioF());
    painter.drawPixmap(rect(), pixmap);
  }

 private:
  QIcon icon_;
};

AppRow::AppRow(SettingsServices& context, Props props, QWidget* accessory, Callbacks callbacks, QWidget* parent)
    : QWidget(parent), props_(std::move(props)), callbacks_(std::move(callbacks)) {
  auto* line = new QHBoxLayout(this);
  line->setContentsMargins(0, 7, 0, 7);
  line->setSpacing(10);
  icon_ = new IconView(this);
  line->addWidget(icon_);
  TextStyle nameStyle{settingsStyle::font(13)};
  nameStyle.lineLimit = 1;
  name_ = new PaneText(context, {props_.name, nameStyle, PaneText::Shade::primary}, this);
  name_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  line->addWidget(name_, 1, Qt::AlignVCenter);
  line->addSpacing(20);
  auto* controls = new QHBoxLayout;
  controls->setSpacing(6);
  if (accessory) controls->addWidget(accessory);
  // The buttons call back into the row, which reads its callbacks when they are clicked.
  secondary_ = new RowIconButton(context, {props_.secondaryIcon, 13, QFont::Normal, 0.07}, {}, this);
  controls->addWidget(secondary_);
  remove_ = new RowIconButton(context, {props_.removeIcon, 12, QFont::Medium, 0.07}, {}, this);
  controls->addWidget(remove_);
  line->addLayout(controls);
  apply();
}

void AppRow::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  if (props == props_) return;
  props_ = props;
  apply();
}

void AppRow::run(std::function<void()> Callbacks::*callback) {
  // A copy: the call may hand this row new callbacks.
  if (const auto action = callbacks_.*callback) action();
}

void AppRow::apply() {
  icon_->setIcon(props_.icon);
  PaneText::Props name = name_->props();
  name.text = props_.name;
  name_->setProps(name);
  secondary_->setProps({props_.secondaryIcon, 13, QFont::Normal, 0.07}, {[this] {
                         if (props_.secondaryEnabled) run(&Callbacks::onSecondary);
                       }});
  secondary_->setPresence(props_.secondaryEnabled ? 1.0 : 0.35);
  secondary_->setHoverEnabled(props_.secondaryEnabled);
  secondary_->setToolTip(props_.secondaryHelp);
  secondary_->setAccessibleName(props_.secondaryHelp);
  remove_->setProps({props_.removeIcon, 12, QFont::Medium, 0.07}, {[this] { run(&Callbacks::onRemove); }});
  remove_->setActsOnItem(true);
  remove_->setToolTip(props_.removeTitle);
  remove_->setAccessibleName(props_.removeTitle);
  setAccessibleName(props_.name);
}

// ---- AppRuleRowGroup -------------------------------------------------------------------------

namespace {

// The erase question under a row: the count in words, then Cancel and Erase.
class EraseQuestion : public QWidget {
 public:
  EraseQuestion(SettingsServices& context, int count, std::function<void()> cancel, std::function<void()> erase,
                QWidget* parent = nullptr)
      : QWidget(parent) {
    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(2, 8, 2, 8);
    line->setSpacing(10);
    text = new PaneText(
        context, {IgnoredPane::eraseQuestion(count), TextStyle{settingsStyle::font(11.5)}, PaneText::Shade::secondary});
    line->addWidget(text, 0, Qt::AlignVCenter);
    line->addSpacerItem(new QSpacerItem(8, 0, QSizePolicy::Expanding));
    cancelButton = new ConfirmPillButton(context, {QStringLiteral("Cancel"), false}, {std::move(cancel)});
    eraseButton = new ConfirmPillButton(context, {QStringLiteral("Erase"), true}, {std::move(erase)});
    line->addWidget(cancelButton, 0, Qt::AlignVCenter);
    line->addWidget(eraseButton, 0, Qt::AlignVCenter);
  }
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override { return layout()->totalHeightForWidth(width); }

  PaneText* text = nullptr;
  ConfirmPillButton* cancelButton = nullptr;
  ConfirmPillButton* eraseButton = nullptr;
};

}  // namespace

// ---- AppRulePicker ---------------------------------------------------------------------------

namespace {
// The segments, left to right.
constexpr std::pair<const char*, AppRule> kRuleSegments[] = {{"Blur", AppRule::blur}, {"Ignore", AppRule::never}};
}  // namespace

AppRulePicker::AppRulePicker(InterfaceServices& context, Props props, Callbacks callbacks, QWidget* parent)
    : SegmentedPicker(context, {}, {}, parent), ruleCallbacks_(std::move(callbacks)) {
  apply(props);
}

void AppRulePicker::setProps(const Props& props, Callbacks callbacks) {
  ruleCallbacks_ = std::move(callbacks);
  if (props == rule_) return;
  apply(props);
}

void AppRulePicker::apply(const Props& props) {
  rule_ = props;
  SegmentedPicker::Props segments;
  segments.itemWidth = kItemWidth;
  segments.segmentHeight = kSegmentHeight;
  for (const auto& [title, rule] : kRuleSegments) {
    if (rule == rule_.selection) segments.selectedIndex = int(segments.segments.size());
    segments.segments.push_back({QString::fromLatin1(title), false});
  }
  SegmentedPicker::setProps(segments, {[this](int index) { choose(index); }});
}

void AppRulePicker::choose(int index) {
  // A copy: the owner may hand the picker new callbacks under the call.
  const auto onSelect = ruleCallbacks_.onSelect;
  if (onSelect && index >= 0 && index < int(std::size(kRuleSegments))) onSelect(kRuleSegments[index].second);
}

AppRuleRowGroup::AppRuleRowGroup(SettingsServices& context, const QString& bundleID, Props props, Callbacks callbacks,
                                 QWidget* parent)
    : QWidget(parent),
      context_(context),
      bundleID_(bundleID),
      props_(std::move(props)),
      callbacks_(std::move(callbacks)) {
  stack_ = new QVBoxLayout(this);
  stack_->setContentsMargins(0, 0, 0, 0);
  stack_->setSpacing(0);
  picker_ = new AppRulePicker(context, {props_.rule}, pickerCallbacks());
  row_ = new AppRow(context, rowProps(), picker_, rowCallbacks(), this);
  stack_->addWidget(row_);
  stack_->addWidget(new PaneDivider(context, 0.3, this));
  showQuestion(props_.question);
}

AppRow::Props AppRuleRowGroup::rowProps() const {
  AppRow::Props row;
  row.icon = props_.icon;
  row.name = props_.name;
  row.rowID = bundleID_;
  row.removeIcon = QStringLiteral("minus");
  row.removeTitle = QStringLiteral("Remove ") + props_.name + QStringLiteral(" from List");
  row.secondaryIcon = QStringLiteral("eraser.fill");
  row.secondaryEnabled = props_.clipCount > 0;
  row.secondaryHelp = IgnoredPane::eraseHelp(props_.clipCount);
  return row;
}

// The parts call back into the group, which reads its callbacks when the user acts.
AppRulePicker::Callbacks AppRuleRowGroup::pickerCallbacks() {
  return {[this](AppRule rule) {
    if (const auto onChangeRule = callbacks_.onChangeRule) onChangeRule(rule);
  }};
}

AppRow::Callbacks AppRuleRowGroup::rowCallbacks() {
  return {[this] { run(&Callbacks::onRemove); }, [this] { run(&Callbacks::onAskToErase); }};
}

void AppRuleRowGroup::run(std::function<void()> Callbacks::*callback) {
  // A copy: the call may hand this group new callbacks.
  if (const auto action = callbacks_.*callback) action();
}

void AppRuleRowGroup::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  if (props == props_) return;
  const Props before = std::exchange(props_, props);
  row_->setProps(rowProps(), rowCallbacks());
  picker_->setProps({props_.rule}, pickerCallbacks());
  if (props_.question != before.question) showQuestion(props_.question);
}

void AppRuleRowGroup::showQuestion(std::optional<int> count) {
  if (!count) {
    if (!question_) return;
    RevealSlot* leaving = question_;
    question_ = nullptr;
    leaving->conceal(true, [leaving] { leaving->deleteLater(); });
    return;
  }
  if (question_) {
    static_cast<EraseQuestion*>(question_->content())
        ->text->setProps(
            {IgnoredPane::eraseQuestion(*count), TextStyle{settingsStyle::font(11.5)}, PaneText::Shade::secondary});
    return;
  }
  auto* question = new EraseQuestion(
      context_, *count, [this] { run(&Callbacks::onCancelErase); }, [this] { run(&Callbacks::onConfirmErase); });
  question_ = new RevealSlot(context_, question, this);
  stack_->insertWidget(1, question_);
  question_->reveal();
}

PaneText* AppRuleRowGroup::questionText() const {
  return question_ ? static_cast<EraseQuestion*>(question_->content())->text : nullptr;
}
ConfirmPillButton* AppRuleRowGroup::cancelButton() const {
  return question_ ? static_cast<EraseQuestion*>(question_->content())->cancelButton : nullptr;
}
ConfirmPillButton* AppRuleRowGroup::eraseButton() const {
  return question_ ? static_cast<EraseQuestion*>(question_->content())->eraseButton : nullptr;
}

}  // namespace qv
