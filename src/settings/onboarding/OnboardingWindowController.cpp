#include "settings/onboarding/OnboardingWindowController.h"
#include "platform/Compositor.h"

#include "base/Log.h"
#include "platform/WindowShaper.h"
#include "settings/SettingsServices.h"
#include "settings/onboarding/OnboardingView.h"
#include "ui/theme/Environment.h"

#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

namespace qv {

// ---- OnboardingPanel -----------------------------------------------------------------------

OnboardingPanel::OnboardingPanel(SettingsServices& context, TranslucencySupport translucency, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint),
      context_(context),
      translucency_(translucency),
      alpha_(*context.frameClock, 1.0) {
  setObjectName(QStringLiteral("OnboardingPanel"));
  setWindowTitle(QStringLiteral(" "));  // no visible title
  setFixedSize(kWidth, kHeight);
  setAttribute(Qt::WA_DeleteOnClose, false);
  Translucency::prepareWindow(this);
  alpha_.setOnChange([this] { setWindowOpacity(alpha_.value()); });
  if (context.environment)
    connect(context.environment.get(), &Environment::changed, this, qOverload<>(&QWidget::update));
  // A compositor that comes or goes while the panel is open: translucent or opaque from then on.
  if (context.compositor)
    connect(context.compositor.get(), &Compositor::changed, this, [this] {
      translucency_ = context_.compositor->support();
      requestBlur();
      update();
    });
}

void OnboardingPanel::requestBlur() {
  // The whole window shows the material; nothing happens where no compositor blurs.
  if (translucency_.blurBehind && context_.compositor && windowHandle())
    context_.compositor->requestBlurBehind(windowHandle(), {});
}

void OnboardingPanel::setView(OnboardingView* view) {
  view_ = view;
  view->setParent(this);
  // The view keeps its own height, centred in the panel.
  view->move((kWidth - view->width()) / 2, (kHeight - view->height()) / 2);
}

void OnboardingPanel::fadeIn(double seconds) {
  alpha_.jumpTo(0);
  alpha_.animateTo(1, Animation::easeOut(seconds));
}

void OnboardingPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  QPainterPath shape;
  shape.addRect(QRectF(rect()));
  const EnvironmentValues env = context_.environment ? context_.environment->values() : EnvironmentValues{};
  painter.fillPath(shape, Translucency::backgroundColor(Material::menu, env, translucency_));
}

void OnboardingPanel::closeEvent(QCloseEvent* event) {
  event->accept();
  // A copy: the handler may forget itself while it runs.
  if (const std::function<void()> closed = onClosed) closed();
}

void OnboardingPanel::mousePressEvent(QMouseEvent* event) {
  // The background moves the panel, as a title bar would.
  if (event->button() == Qt::LeftButton && windowHandle() && windowHandle()->startSystemMove()) {
    event->accept();
    return;
  }
  QWidget::mousePressEvent(event);
}

// ---- OnboardingWindowController ------------------------------------------------------------

OnboardingWindowController::OnboardingWindowController(SettingsServices& context) : context_(context) {}

OnboardingWindowController::~OnboardingWindowController() {
  // Going away is not the user closing the panel.
  if (window_) retire(window_);
  deleteRetired();
}

OnboardingWindowController& OnboardingWindowController::shared(SettingsServices& context) {
  if (!context.onboardingWindow) context.onboardingWindow = std::make_shared<OnboardingWindowController>(context);
  return *context.onboardingWindow;
}

void OnboardingWindowController::show(FinishHandler onFinish) {
  if (window_) {
    window_->raise();
    window_->activateWindow();
    return;
  }
  QPointer<OnboardingWindowController> self(this);
  auto* panel = new OnboardingPanel(context_,
                                    context_.compositor ? context_.compositor->support() : TranslucencySupport{});
  QPointer<OnboardingPanel> weakPanel(panel);
  panel->setView(new OnboardingView(context_, {[self, onFinish](bool launch) {
                                      if (self) self->finish();
                                      if (onFinish) onFinish(launch);
                                    }}));
  panel->onClosed = [self, weakPanel, onFinish] {
    if (!self || !weakPanel || self->window_ != weakPanel) return;
    self->window_ = nullptr;
    self->retire(weakPanel);
    if (onFinish) onFinish(false);
  };

  // The first-run panel opens in the middle of the screen the user is looking at.
  const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (screen) {
    QRect frame(QPoint(), panel->size());
    frame.moveCenter(screen->availableGeometry().center());
    panel->move(frame.topLeft());
  }
  panel->winId();  // the native window exists from now on, so its hints can be set before mapping
  if (context_.windowShaper) context_.windowShaper->keepOnAllDesktops(panel->windowHandle());
  panel->requestBlur();
  window_ = panel;

  panel->fadeIn(kFadeInSeconds);
  panel->show();
  if (context_.windowShaper) context_.windowShaper->keepOnAllDesktops(panel->windowHandle());
  panel->raise();
  panel->activateWindow();
  qCInfo(lcSettings).nospace() << "Onboarding shown in window 0x" << Qt::hex << panel->winId();
}

void OnboardingWindowController::finish() {
  if (!window_) return;
  OnboardingPanel* panel = window_;
  window_ = nullptr;
  // Hidden, not closed: no close report follows the view's own.
  retire(panel);
}

void OnboardingWindowController::retire(OnboardingPanel* panel) {
  panel->onClosed = nullptr;
  panel->hide();
  retired_.emplace_back(panel);
  // Not at once: the panel's own button or close handler may still be running.
  context_.scheduler->post([this] { deleteRetired(); }, this);
}

void OnboardingWindowController::deleteRetired() {
  for (QPointer<OnboardingPanel>& panel : std::exchange(retired_, {}))
    if (panel) delete panel.data();
}

}  // namespace qv
