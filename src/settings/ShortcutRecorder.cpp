#include "settings/ShortcutRecorder.h"

#include "platform/HotKeyStatus.h"
#include "platform/SettingsStore.h"
#include "settings/RowIconButton.h"
#include "settings/SettingsServices.h"
#include "settings/SettingsStyle.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/theme/Theme.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <cmath>

namespace qv {

// ---- The pill --------------------------------------------------------------------------------

ShortcutPill::ShortcutPill(SettingsServices& context, double trackPad, double segmentHeight, Callbacks callbacks,
                           QWidget* parent)
    : PaintedWidget(context, parent),
      trackPad_(trackPad),
      segmentHeight_(segmentHeight),
      callbacks_(std::move(callbacks)),
      pillWidth_(*context.frameClock, kFixedWidth),
      shownLook_(*context.frameClock, 0.0),
      recordingLook_(*context.frameClock, 0.0) {
  setFixedHeight(int(std::ceil(segmentHeight_ + 2 * trackPad_)));
  pillWidth_.setOnChange([this] { applyWidth(); });
  shownLook_.setOnChange([this] { update(); });
  recordingLook_.setOnChange([this] { update(); });
  applyWidth();
}

QFont ShortcutPill::textFont() const { return settingsStyle::font(11, QFont::DemiBold, true); }

double ShortcutPill::targetPillWidth() const {
  if (props_.recording || !props_.hasShortcut) return kFixedWidth;
  return std::ceil(QFontMetricsF(textFont()).horizontalAdvance(props_.text)) + 24;
}

void ShortcutPill::applyWidth() {
  setFixedWidth(int(std::ceil(pillWidth_.value() + 2 * trackPad_)));
  update();
}

void ShortcutPill::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  if (props == props_) return;
  props_ = props;
  const Animation change = Animation::easeInOut(kStateSeconds);
  pillWidth_.animateTo(targetPillWidth(), change);
  shownLook_.animateTo(props_.hasShortcut && props_.working && !props_.recording ? 1.0 : 0.0, change);
  recordingLook_.animateTo(props_.recording ? 1.0 : 0.0, change);
  setAccessibleName(props_.hasShortcut && !props_.working && !props_.recording
                        ? props_.text + QStringLiteral(", not working")
                        : props_.text);
  update();
}

QPainterPath ShortcutPill::hitShape() const {
  const QRectF inner = QRectF(rect()).adjusted(trackPad_, trackPad_, -trackPad_, -trackPad_);
  return Fx::continuousRoundedRect(inner, inner.height() / 2);
}

AccessibilityInfo ShortcutPill::accessibility() const {
  AccessibilityInfo info = PaintedWidget::accessibility();
  info.role = QAccessible::Button;
  info.press = [this] { const_cast<ShortcutPill*>(this)->click(); };
  return info;
}

void ShortcutPill::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  const bool dark = env.isDark();
  const QRectF track = QRectF(rect());
  painter.fillPath(Fx::continuousRoundedRect(track, track.height() / 2),
                   settingsStyle::primary(env, dark ? 0.085 : 0.055));
  QLinearGradient border(track.topLeft(), track.bottomLeft());
  if (dark) {
    border.setColorAt(0, QColor::fromRgbF(1, 1, 1, 0.14f));
    border.setColorAt(0.35, Qt::transparent);
    border.setColorAt(0.65, Qt::transparent);
    border.setColorAt(1, QColor::fromRgbF(1, 1, 1, 0.14f));
  } else {
    border.setColorAt(0, QColor::fromRgbF(0, 0, 0, 0.18f));
    border.setColorAt(0.3, QColor::fromRgbF(0, 0, 0, 0.04f));
    border.setColorAt(0.7, QColor::fromRgbF(0, 0, 0, 0.04f));
    border.setColorAt(1, QColor::fromRgbF(0, 0, 0, 0.18f));
  }
  Fx::strokeInnerBorder(painter, track, track.height() / 2, border, 0.75);

  const QRectF pill = track.adjusted(trackPad_, trackPad_, -trackPad_, -trackPad_);
  const double radius = pill.height() / 2;
  const QColor& accent = Theme::accent();
  if (const double shown = shownLook_.value(); shown > 0) {
    painter.save();
    painter.setOpacity(shown);
    QColor glow = accent;
    glow.setAlphaF(0.28f);
    Fx::drawShadows(painter, pill, radius, {{glow, 6, 0, 2}, {QColor::fromRgbF(0, 0, 0, 0.1f), 1, 0, 0.5}});
    QLinearGradient fill(pill.topLeft(), pill.bottomLeft());
    QColor top = accent;
    top.setAlphaF(0.92f);
    fill.setColorAt(0, top);
    fill.setColorAt(1, accent);
    painter.fillPath(Fx::continuousRoundedRect(pill, radius), fill);
    painter.restore();
  }
  if (const double recording = recordingLook_.value(); recording > 0) {
    painter.fillPath(Fx::continuousRoundedRect(pill, radius), withAlpha(accent, 0.1 * recording));
  }
  const bool notWorking = props_.hasShortcut && !props_.working && !props_.recording;
  if (notWorking) {
    // A shortcut that opens nothing: drawn plain, with a faint outline, never on the accent.
    QPen outline(settingsStyle::primary(env, 0.3), 1, Qt::DashLine);
    painter.save();
    painter.setPen(outline);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(Fx::continuousRoundedRect(pill.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5));
    painter.restore();
  }
  const QColor text = props_.recording     ? accent
                      : notWorking         ? settingsStyle::primary(env, 0.6)
                      : props_.hasShortcut ? QColor(Qt::white)
                                           : settingsStyle::primary(env, 0.5);
  painter.setFont(textFont());
  painter.setPen(text);
  painter.drawText(pill.adjusted(12, 0, -12, 0), Qt::AlignCenter, props_.text);
}

void ShortcutPill::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && hits(event->position())) click();
}

void ShortcutPill::click() {
  // A copy: the click may hand this pill new callbacks.
  if (const auto onClick = callbacks_.onClick) onClick();
}

// ---- The recorder ----------------------------------------------------------------------------

namespace {

const RowIconButton::Props kClearButton{QStringLiteral("xmark.circle.fill"), 14, QFont::Normal, 0};

bool isModifierKey(int key) {
  switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Mode_switch: return true;
    default: return false;
  }
}

}  // namespace

ShortcutRecorderButton::ShortcutRecorderButton(SettingsServices& context, double trackPad, double segmentHeight,
                                               Callbacks callbacks, QWidget* parent)
    : QWidget(parent),
      context_(context),
      settings_(*context.settings),
      callbacks_(std::move(callbacks)),
      clearPresence_(*context.frameClock, 0.0) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(6);
  pill_ = new ShortcutPill(context, trackPad, segmentHeight, {[this] { click(); }}, this);
  clear_ = new RowIconButton(context, kClearButton, {[this] { clear(); }}, this);
  clear_->setToolTip(QString::fromLatin1(kClearTitle));
  clear_->setAccessibleName(QString::fromLatin1(kClearTitle));
  layout->addWidget(pill_, 0, Qt::AlignVCenter);
  layout->addWidget(clear_, 0, Qt::AlignVCenter);
  layout->addStretch(1);
  clearPresence_.setOnChange([this] {
    clear_->setPresence(clearPresence_.value());
    clear_->setVisible(clearPresence_.value() > 0.001 || clearPresence_.target() > 0);
  });
  // The clear button exists only while a shortcut is recorded, from the start.
  const bool hasShortcut = storedShortcut().keyCode >= 0;
  clearPresence_.jumpTo(hasShortcut ? 1.0 : 0.0);
  clear_->setPresence(clearPresence_.value());
  clear_->setVisible(hasShortcut);
  connect(&settings_, &SettingsStore::changed, this, &ShortcutRecorderButton::refresh);
  if (context.hotKeyStatus)
    connect(context.hotKeyStatus.get(), &HotKeyStatus::changed, this, &ShortcutRecorderButton::refresh);
  refresh();
}

ShortcutRecorderButton::~ShortcutRecorderButton() { stopRecording(); }

QString ShortcutRecorderButton::displayString(int keyCode, int modifiers) {
  // Only the four shortcut modifiers are ever stored; anything else written there shows none.
  return keys::shortcutText({keyCode, modifiers < 0 ? 0 : modifiers & keys::kShortcutModifierMask});
}

keys::StoredShortcut ShortcutRecorderButton::storedShortcut() const {
  const qint64 keyCode = settings_.intOr(QLatin1String(kKeyCodeKey), -1);
  const qint64 modifiers = settings_.intOr(QLatin1String(kModifiersKey), 0);
  if (keyCode < 0 || keyCode > std::numeric_limits<int>::max()) return {};
  return {int(keyCode), int(modifiers < 0 || modifiers > std::numeric_limits<int>::max() ? 0 : modifiers)};
}

QString ShortcutRecorderButton::pillText() const {
  if (recording_) return QString::fromLatin1(kRecordingTitle);
  const keys::StoredShortcut shortcut = storedShortcut();
  if (shortcut.keyCode < 0) return QString::fromLatin1(kRecordTitle);
  return displayString(shortcut.keyCode, shortcut.modifiers);
}

bool ShortcutRecorderButton::grabFailed() const {
  const keys::StoredShortcut shortcut = storedShortcut();
  if (shortcut.keyCode < 0 || !context_.hotKeyStatus) return false;
  const std::optional<HotKeyStatus::Grab>& grab = context_.hotKeyStatus->lastGrab();
  return grab && grab->keyCode == shortcut.keyCode &&
         (grab->modifiers & keys::kShortcutModifierMask) == (shortcut.modifiers & keys::kShortcutModifierMask) &&
         grab->status != GlobalHotKey::kOk;
}

QString ShortcutRecorderButton::caption() const {
  if (recording_) return refusal_;
  if (!grabFailed()) return {};
  return grabFailureCaption(storedShortcut(), context_.hotKeyStatus->lastGrab()->status);
}

QString ShortcutRecorderButton::refusalCaption(const keys::StoredShortcut& shortcut, keys::ShortcutRefusal refusal) {
  const QString another = QStringLiteral(" Try another combination.");
  switch (refusal) {
    case keys::ShortcutRefusal::typing:
      return QStringLiteral("Shift with a letter, digit or Space types text in every app. Add Ctrl, Alt or Super.");
    case keys::ShortcutRefusal::pasting:
      return (shortcut.keyCode == keys::kInsertKeyCode ? QStringLiteral("Shift+Insert") : QStringLiteral("Ctrl+V")) +
             QStringLiteral(" pastes in every app.") + another;
    case keys::ShortcutRefusal::desktop: break;
  }
  switch (shortcut.keyCode) {
    case keys::code::Q: return QStringLiteral("Ctrl+Q quits apps.") + another;
    case keys::code::W: return QStringLiteral("Ctrl+W closes windows and tabs.") + another;
    case keys::code::Tab: return QStringLiteral("Ctrl+Tab switches tabs.") + another;
    case keys::code::Space: return QStringLiteral("Ctrl+Space switches the input language.") + another;
    case keys::code::Delete: return QStringLiteral("Ctrl+Backspace deletes words.") + another;
    default: return QStringLiteral("Ctrl+Alt+Delete belongs to the desktop.") + another;
  }
}

QString ShortcutRecorderButton::grabFailureCaption(const keys::StoredShortcut& shortcut, int status) {
  const QString name = displayString(shortcut.keyCode, shortcut.modifiers);
  switch (status) {
    case GlobalHotKey::kAlreadyGrabbed:
      return QStringLiteral("Another program uses %1, so it doesn't open Quorvalen. Record another shortcut.")
          .arg(name);
    case GlobalHotKey::kUnknownKey:
      return QStringLiteral("This keyboard has no key for %1. Record another shortcut.").arg(name);
    case GlobalHotKey::kUnavailable:
      return QStringLiteral("This desktop doesn't let apps listen for shortcuts, so %1 doesn't open Quorvalen.")
          .arg(name);
    default: return QStringLiteral("The desktop refused %1 (error %2). Record another shortcut.").arg(name).arg(status);
  }
}

void ShortcutRecorderButton::refresh() {
  const bool hasShortcut = storedShortcut().keyCode >= 0;
  pill_->setProps({pillText(), recording_, hasShortcut, !grabFailed()}, {[this] { click(); }});
  clear_->setProps(kClearButton, {[this] { clear(); }});
  if (const QString now = caption(); now != caption_) {
    caption_ = now;
    Q_EMIT captionChanged();
  }
  if (clearPresence_.target() != (hasShortcut ? 1.0 : 0.0)) {
    const bool reduceMotion = context_.environment && context_.environment->reduceMotion();
    clearPresence_.animateTo(hasShortcut ? 1.0 : 0.0,
                             reduceMotion ? std::optional<Animation>() : std::optional(Theme::springStandard()));
  }
}

void ShortcutRecorderButton::click() {
  if (recording_) stopRecording();
  else startRecording();
}

void ShortcutRecorderButton::startRecording() {
  if (recording_) return;
  recording_ = true;
  refusal_.clear();
  qApp->installEventFilter(this);
  // Keys another program holds would go to it and never arrive here: while recording, every key
  // comes here. A combination that program holds is then recorded, its grab fails and the caption
  // says so.
  if (isVisible()) grabKeyboard();
  if (const auto onRecordingChange = callbacks_.onRecordingChange) onRecordingChange(true);
  refresh();
}

void ShortcutRecorderButton::stopRecording() {
  if (!recording_) return;
  recording_ = false;
  refusal_.clear();
  if (keyboardGrabber() == this) releaseKeyboard();
  qApp->removeEventFilter(this);
  if (const auto onRecordingChange = callbacks_.onRecordingChange) onRecordingChange(false);
  refresh();
}

void ShortcutRecorderButton::clear() {
  settings_.set(QLatin1String(kKeyCodeKey), -1);
  settings_.set(QLatin1String(kModifiersKey), 0);
  refresh();
}

void ShortcutRecorderButton::hideEvent(QHideEvent* event) {
  // Leaving the screen (a pane switch, the window closed) ends recording.
  stopRecording();
  QWidget::hideEvent(event);
}

bool ShortcutRecorderButton::eventFilter(QObject* watched, QEvent* event) {
  if (!recording_) return QWidget::eventFilter(watched, event);
  if (event->type() == QEvent::ShortcutOverride) {
    // Keys go to the recorder, not to the window's shortcuts (Ctrl+Q would quit).
    const auto& key = static_cast<const QKeyEvent&>(*event);
    if (!isModifierKey(key.key()) && (keys::modifierFlagsFromQt(key.modifiers()) & keys::kShortcutModifierMask)) {
      event->accept();
      return true;
    }
    return false;
  }
  if (event->type() == QEvent::KeyPress) return handleKeyPress(static_cast<const QKeyEvent&>(*event));
  return false;
}

bool ShortcutRecorderButton::handleKeyPress(const QKeyEvent& event) {
  if (event.key() == Qt::Key_Escape) {
    stopRecording();
    return true;
  }
  if (isModifierKey(event.key())) return false;
  if (!(keys::modifierFlagsFromQt(event.modifiers()) & keys::kShortcutModifierMask)) return false;
  const std::optional<keys::StoredShortcut> shortcut = keys::pressedShortcut(event.key(), event.modifiers());
  const std::optional<keys::ShortcutRefusal> refusal = shortcut ? keys::shortcutRefusal(*shortcut) : std::nullopt;
  if (!shortcut || refusal) {
    // Refused: recording goes on, and the caption says why.
    refusal_ = refusal ? refusalCaption(*shortcut, *refusal)
                       : QStringLiteral("That key can't be part of a shortcut. Try another combination.");
    refresh();
    return true;
  }
  settings_.set(QLatin1String(kKeyCodeKey), shortcut->keyCode);
  settings_.set(QLatin1String(kModifiersKey), shortcut->modifiers);
  stopRecording();
  return true;
}

}  // namespace qv
