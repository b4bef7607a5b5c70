#include "ui/Appearance.h"

#include "ui/InterfaceServices.h"
#include "ui/theme/Theme.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>

namespace qv {
namespace {

QPalette darkPalette() {
  QPalette palette;
  const QColor window(0x2b, 0x2b, 0x2e), base(0x1e, 0x1e, 0x21), text(0xe8, 0xe8, 0xea);
  const QColor& accent = Theme::accent();
  palette.setColor(QPalette::Window, window);
  palette.setColor(QPalette::WindowText, text);
  palette.setColor(QPalette::Base, base);
  palette.setColor(QPalette::AlternateBase, window);
  palette.setColor(QPalette::Text, text);
  palette.setColor(QPalette::Button, window.lighter(120));
  palette.setColor(QPalette::ButtonText, text);
  palette.setColor(QPalette::ToolTipBase, base);
  palette.setColor(QPalette::ToolTipText, text);
  palette.setColor(QPalette::PlaceholderText, text.darker(160));
  palette.setColor(QPalette::Highlight, accent);
  palette.setColor(QPalette::HighlightedText, Qt::white);
  palette.setColor(QPalette::Link, accent.lighter(140));
  palette.setColor(QPalette::Disabled, QPalette::Text, text.darker(200));
  palette.setColor(QPalette::Disabled, QPalette::WindowText, text.darker(200));
  palette.setColor(QPalette::Disabled, QPalette::ButtonText, text.darker(200));
  return palette;
}

QPalette lightPalette() {
  QPalette palette(QColor(0xec, 0xec, 0xee));
  const QColor text(0x1d, 0x1d, 0x1f);
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::Text, text);
  palette.setColor(QPalette::WindowText, text);
  palette.setColor(QPalette::ButtonText, text);
  palette.setColor(QPalette::Highlight, Theme::accent());
  palette.setColor(QPalette::HighlightedText, Qt::white);
  return palette;
}

bool desktopPaletteIsDark() { return QApplication::palette().color(QPalette::Window).lightness() < 128; }

bool hasApplication() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

// Menus and tool tips live too briefly to be worth a cross-fade.
bool isShortLived(const QWidget* window) {
  const Qt::WindowType type = window->windowType();
  return type == Qt::Popup || type == Qt::ToolTip;
}

}  // namespace

void applyAppearance(InterfaceServices& context, const QString& appearance) {
  if (context.environment) context.environment->setKeptAppearance(Environment::appearanceChoice(appearance));
}

// ---- Windows ---------------------------------------------------------------------------------

AppearanceWindows::AppearanceWindows(Environment& environment, FrameClock& clock, QObject* parent)
    : QObject(parent), environment_(environment), clock_(clock) {
  connect(&environment_, &Environment::colorSchemeAboutToChange, this, &AppearanceWindows::fadeVisibleWindows);
  connect(&environment_, &Environment::changed, this, &AppearanceWindows::dressAll);
  if (hasApplication()) qApp->installEventFilter(this);
}

AppearanceWindows::~AppearanceWindows() {
  if (hasApplication()) qApp->removeEventFilter(this);
}

QPalette AppearanceWindows::paletteFor(ColorScheme scheme) {
  const bool dark = scheme == ColorScheme::dark;
  if (dark == desktopPaletteIsDark()) return QApplication::palette();
  return dark ? darkPalette() : lightPalette();
}

bool AppearanceWindows::followsDesktopOnly(const QWidget* window) {
  // Qt's own window for the tray icon where the tray embeds windows, and its message balloon,
  // which paints its own light background under text in the window's colours.
  const QLatin1String name(window->metaObject()->className());
  return name.contains(QLatin1String("SystemTrayIcon")) || name == QLatin1String("QBalloonTip");
}

void AppearanceWindows::fadeVisibleWindows() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (!window->isVisible() || !window->isWindow() || followsDesktopOnly(window) || isShortLived(window)) continue;
    new AppearanceFade(window, window->grab(), clock_);
  }
}

void AppearanceWindows::dressAll() {
  for (QWidget* window : QApplication::topLevelWidgets())
    if (window->isWindow()) dress(window);
}

void AppearanceWindows::dress(QWidget* window) {
  if (followsDesktopOnly(window)) return;
  const QPalette wanted = paletteFor(environment_.colorScheme());
  if (wanted == QApplication::palette()) {
    if (window->testAttribute(Qt::WA_SetPalette)) window->setPalette(QPalette());
  } else if (!window->testAttribute(Qt::WA_SetPalette) || window->palette() != wanted) {
    window->setPalette(wanted);
  }
}

bool AppearanceWindows::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Show && watched->isWidgetType()) {
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->isWindow()) dress(widget);
  }
  return false;
}

// ---- The cross-fade --------------------------------------------------------------------------

AppearanceFade::AppearanceFade(QWidget* window, const QPixmap& snapshot, FrameClock& clock)
    : QWidget(window), snapshot_(snapshot), opacity_(clock, 1.0) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_NoSystemBackground);
  setGeometry(window->rect());
  opacity_.setOnChange([this] { update(); });
  show();
  raise();
  // A fade is what reduced motion asks for, so it runs either way.
  opacity_.animateTo(0.0, Animation::easeInOut(AppearanceWindows::kFadeSeconds), [this](bool finished) {
    if (finished) deleteLater();
  });
}

void AppearanceFade::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setOpacity(opacity_.value());
  painter.drawPixmap(rect(), snapshot_);
}

}  // namespace qv
