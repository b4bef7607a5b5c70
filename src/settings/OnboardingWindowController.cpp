#include "settings/OnboardingWindowController.h"

#include "settings/SettingsServices.h"

#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace qv {

class OnboardingWindowController::Window : public QWidget {
 public:
  std::function<void()> onHidden;

 protected:
  void hideEvent(QHideEvent* event) override {
    QWidget::hideEvent(event);
    if (onHidden) onHidden();
  }
};

OnboardingWindowController::OnboardingWindowController() = default;
OnboardingWindowController::~OnboardingWindowController() {
  if (window_) window_->onHidden = nullptr;  // going away is not the user closing it
}

OnboardingWindowController& OnboardingWindowController::shared(SettingsServices& context) {
  if (!context.onboardingWindow) context.onboardingWindow = std::make_shared<OnboardingWindowController>();
  return *context.onboardingWindow;
}

QWidget* OnboardingWindowController::window() const { return window_.get(); }

void OnboardingWindowController::show(FinishHandler onFinish) {
  onFinish_ = std::move(onFinish);
  if (!window_) {
    window_ = std::make_unique<Window>();
    window_->setWindowTitle(QStringLiteral("Welcome to Quorvalen"));
    window_->setFixedSize(520, 360);
    auto* layout = new QVBoxLayout(window_.get());
    auto* text = new QLabel(
        QStringLiteral("Quorvalen keeps everything you copy.\n\nOpen your history by resting the pointer at the "
                       "edge of the screen, with your keyboard shortcut, or from the tray icon. Pick an item to "
                       "paste it into the app you were using."),
        window_.get());
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignCenter);
    start_ = new QPushButton(QStringLiteral("Start"), window_.get());
    start_->setDefault(true);
    layout->addWidget(text, 1);
    layout->addWidget(start_, 0, Qt::AlignHCenter);
    QObject::connect(start_, &QPushButton::clicked, window_.get(), [this] {
      starting_ = true;
      window_->close();
    });
    window_->onHidden = [this] { finish(starting_); };
    // The first-run window opens in the middle of the screen the user is looking at.
    const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (screen) {
      QRect frame(QPoint(), window_->size());
      frame.moveCenter(screen->availableGeometry().center());
      window_->move(frame.topLeft());
    }
  }
  starting_ = false;
  window_->show();
  window_->raise();
  window_->activateWindow();
}

void OnboardingWindowController::finish(bool launch) {
  starting_ = false;
  // Taken first: the handler may show the window again with a new one.
  FinishHandler handler = std::exchange(onFinish_, nullptr);
  if (handler) handler(launch);
}

}  // namespace qv
