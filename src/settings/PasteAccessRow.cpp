#include "settings/PasteAccessRow.h"

#include "settings/PaneRows.h"
#include "settings/PaneText.h"
#include "settings/SettingsServices.h"
#include "ui/Appearance.h"
#include "ui/controls/ControlStyle.h"
#include "ui/symbols/Symbols.h"
#include "ui/theme/Theme.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <cmath>
#include <utility>

namespace qv {
namespace {

// "✓ Enabled" in the accent colour.
class EnabledBadge : public PaintedWidget {
 public:
  EnabledBadge(SettingsServices& context, const Animated<double>& presence)
      : PaintedWidget(context), presence_(presence) {
    setHoverEnabled(false);
    font_ = systemFont(12, QFont::Medium);
    const double text = QFontMetricsF(font_).horizontalAdvance(QString::fromLatin1(kTitle));
    setFixedSize(int(std::ceil(kSymbol + kSpacing + text)) + 2, 20);
    setAccessibleName(QString::fromLatin1(kTitle));
  }
  static constexpr char kTitle[] = "Enabled";

 protected:
  void paint(QPainter& painter) override {
    const double presence = unitClamped(presence_.value());
    if (presence <= 0) return;
    const bool scales = !environment().reduceMotion;
    painter.setOpacity(presence);
    const QPointF centre = QRectF(rect()).center();
    const double scale = scales ? lerp(0.9, 1.0, presence) : 1.0;
    painter.translate(centre);
    painter.scale(scale, scale);
    painter.translate(-centre);
    const QImage symbol = Symbols::image(QStringLiteral("checkmark.circle.fill"), kSymbol, Theme::accent(),
                                         devicePixelRatioF());
    if (!symbol.isNull()) {
      const QSizeF size = QSizeF(symbol.size()) / symbol.devicePixelRatio();
      painter.drawImage(QPointF(0, (height() - size.height()) / 2), symbol);
    }
    painter.setFont(font_);
    painter.setPen(Theme::accent());
    painter.drawText(QRectF(kSymbol + kSpacing, 0, width(), height()), Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromLatin1(kTitle));
  }

 private:
  static constexpr double kSymbol = 11;
  static constexpr double kSpacing = 4;
  const Animated<double>& presence_;
  QFont font_;
};

}  // namespace

PasteAccessControl pasteAccessControl(bool grantable, bool canPaste, bool liveCheck, bool heldAtLaunch,
                                      bool didRequest) {
  if (!canPaste) {
    if (!grantable) return PasteAccessControl::unavailable;
    return didRequest ? PasteAccessControl::openSettings : PasteAccessControl::enable;
  }
  return liveCheck && !heldAtLaunch ? PasteAccessControl::restartToFinish : PasteAccessControl::enabled;
}

PasteAccessRow::PasteAccessRow(SettingsServices& context, Props props, Callbacks callbacks, QWidget* parent)
    : QWidget(parent),
      context_(context),
      props_(std::move(props)),
      callbacks_(std::move(callbacks)),
      badgePresence_(*context.frameClock, 1.0) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(12);
  status_ = paneText(context, QString(), 11, PaneText::Shade::secondary);
  relaunchNote_ = paneText(context,
                           QStringLiteral("If you turn this off, Quorvalen may need to relaunch before it notices."),
                           10, PaneText::Shade::tertiary);
  status_->setMaximumWidth(int(kTextWidth));
  relaunchNote_->setMaximumWidth(int(kTextWidth));
  row->addWidget(paneColumn({paneText(context, QStringLiteral("Accessibility"), 13, PaneText::Shade::primary), status_,
                             relaunchNote_},
                            2),
                 1, Qt::AlignTop);

  button_ = new AccentPillButton(context, {}, {[this] { act(); }});
  auto* badge = new EnabledBadge(context, badgePresence_);
  badge_ = badge;
  badgePresence_.setOnChange([badge] { badge->update(); });
  unavailable_ = paneText(context, QStringLiteral("Not available"), 12, PaneText::Shade::secondary, QFont::Medium);
  // The controls share one place: the badge fades out over the button that takes its place.
  auto* controls = new QWidget;
  auto* place = new QGridLayout(controls);
  place->setContentsMargins(0, 0, 0, 0);
  for (QWidget* control : {static_cast<QWidget*>(button_), badge_, static_cast<QWidget*>(unavailable_)})
    place->addWidget(control, 0, 0, Qt::AlignTop | Qt::AlignRight);
  row->addWidget(controls, 0, Qt::AlignTop | Qt::AlignRight);
  // Everything is shown once, as after a row that showed no badge.
  Props before;
  before.control = PasteAccessControl::unavailable;
  apply(before);
}

void PasteAccessRow::act() {
  // A copy: the call may hand this row new callbacks.
  const auto action = props_.control == PasteAccessControl::restartToFinish ? callbacks_.onRestart
                                                                            : callbacks_.onRequest;
  if (action) action();
}

QString PasteAccessRow::statusSentence(const Props& props) {
  if (props.canPaste)
    return QStringLiteral("Quorvalen presses Ctrl+V for you, so items paste straight into the app you were using.");
  if (!props.grantable)
    return QStringLiteral(
        "This desktop doesn't let one app press keys in another, so Quorvalen can't press Ctrl+V for you. Items "
        "are copied to the clipboard and you paste them yourself.");
  return QStringLiteral(
      "Allow Quorvalen to press Ctrl+V for you. Without it, items are copied to the clipboard and you paste them "
      "yourself.");
}

void PasteAccessRow::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  if (props == props_) return;
  const Props before = std::exchange(props_, props);
  apply(before);
}

void PasteAccessRow::apply(const Props& before) {
  const bool badgeWas = before.control == PasteAccessControl::enabled;
  status_->setProps([&] {
    PaneText::Props text = status_->props();
    text.text = statusSentence(props_);
    return text;
  }());
  relaunchNote_->setVisible(props_.grantable);
  QString title;
  switch (props_.control) {
    case PasteAccessControl::enable: title = QStringLiteral("Enable"); break;
    case PasteAccessControl::openSettings: title = QStringLiteral("Open Settings"); break;
    case PasteAccessControl::restartToFinish: title = QStringLiteral("Restart to Finish"); break;
    case PasteAccessControl::enabled:
    case PasteAccessControl::unavailable: break;
  }
  button_->setProps({title, std::nullopt, true}, {[this] { act(); }});
  button_->setVisible(!title.isEmpty());
  const QString restartHelp = QStringLiteral(
      "Restarts Quorvalen — the desktop gives it this permission when the app next starts");
  const bool restarts = props_.control == PasteAccessControl::restartToFinish;
  button_->setToolTip(restarts ? restartHelp : QString());
  button_->setAccessibleName(restarts ? restartHelp : title);
  unavailable_->setVisible(props_.control == PasteAccessControl::unavailable);
  // The badge comes and goes scaling from 0.9 with a fade (the painting scales it), with the
  // row's ease-out; out of sight at once.
  const bool badgeIs = props_.control == PasteAccessControl::enabled;
  const std::optional<Animation> fade = isVisible() ? std::optional(Theme::easeOutQuick()) : std::nullopt;
  if (badgeIs && !badgeWas) {
    badge_->show();
    if (fade) badgePresence_.jumpTo(0.0);
    badgePresence_.animateTo(1.0, fade);
  } else if (!badgeIs && badgeWas) {
    badgePresence_.animateTo(0.0, fade, [this](bool finished) {
      if (finished && props_.control != PasteAccessControl::enabled) badge_->hide();
    });
    if (!fade) badge_->hide();
  } else if (!badgeIs) {
    badge_->hide();
  }
}

}  // namespace qv
