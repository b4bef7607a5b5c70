#include "settings/SettingsView.h"

#include "platform/SettingsStore.h"
#include "settings/AboutPane.h"
#include "settings/GeneralPane.h"
#include "settings/IgnoredPane.h"
#include "settings/PaneContainer.h"
#include "settings/PaneText.h"
#include "settings/SettingsServices.h"
#include "settings/SettingsStyle.h"
#include "settings/Sidebar.h"
#include "ui/controls/ControlStyle.h"
#include "ui/theme/Theme.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPointer>
#include <QShortcut>
#include <QVBoxLayout>
#include <algorithm>

namespace qv {

namespace {

// Lays the window's background over the detail column: at `1 - opacity` it shows the column as
// if at `opacity` (the column stands on that same background), while the live pane underneath
// keeps drawing itself.
class DetailVeil : public QWidget {
 public:
  DetailVeil(const Animated<double>& opacity, QWidget* parent) : QWidget(parent), opacity_(opacity) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter(this).fillRect(rect(), withAlpha(palette().color(QPalette::Window), 1 - opacity_.value()));
  }

 private:
  const Animated<double>& opacity_;
};

}  // namespace

SettingsView::SettingsView(SettingsServices& context, Callbacks callbacks, QWidget* parent)
    : QWidget(parent), context_(context), callbacks_(std::move(callbacks)), detailOpacity_(*context.frameClock, 1.0) {
  setFixedSize(kWidth, kHeight);
  setFocusPolicy(Qt::ClickFocus);
  auto* columns = new QHBoxLayout(this);
  columns->setContentsMargins(0, 0, 0, 0);
  columns->setSpacing(0);

  sidebar_ = new QWidget(this);
  sidebar_->setFixedWidth(kSidebarWidth);
  auto* sidebarStack = new QVBoxLayout(sidebar_);
  sidebarStack->setContentsMargins(0, 0, 0, 0);
  sidebarStack->setSpacing(0);
  auto* rowStack = new QVBoxLayout;
  rowStack->setContentsMargins(8, 8, 8, 0);
  rowStack->setSpacing(2);
  for (std::size_t i = 0; i < kAllPanes.size(); ++i) {
    rows_[i] = new SidebarRow(context, {kAllPanes[i], kAllPanes[i] == selectedPane_}, rowCallbacks(kAllPanes[i]),
                              sidebar_);
    rowStack->addWidget(rows_[i]);
  }
  sidebarStack->addLayout(rowStack);
  sidebarStack->addStretch(1);
  auto* dividerRow = new QHBoxLayout;
  dividerRow->setContentsMargins(8, 0, 8, 0);
  dividerRow->addWidget(new PaneDivider(context, 0.3, sidebar_));
  sidebarStack->addLayout(dividerRow);
  auto* quitRow = new QHBoxLayout;
  quitRow->setContentsMargins(8, 6, 8, 6);
  quit_ = new QuitButton(context, {[this] { quit(); }}, sidebar_);
  quitRow->addWidget(quit_);
  sidebarStack->addLayout(quitRow);
  columns->addWidget(sidebar_);

  detail_ = new QWidget(this);
  detailLayout_ = new QVBoxLayout(detail_);
  detailLayout_->setContentsMargins(0, 0, 0, 0);
  columns->addWidget(detail_, 1);
  detailVeil_ = new DetailVeil(detailOpacity_, detail_);
  detailVeil_->hide();
  detailOpacity_.setOnChange([this] {
    detailVeil_->setVisible(detailOpacity_.value() < 1);
    detailVeil_->setGeometry(detail_->rect());
    detailVeil_->raise();
    detailVeil_->update();
  });

  auto* quitShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
  quitShortcut->setContext(Qt::WindowShortcut);
  connect(quitShortcut, &QShortcut::activated, this, &SettingsView::quit);

  display(AppPane::general);
}

// The pane goes first: a recorder on it still tells `onShortcutRecording` as it stops.
SettingsView::~SettingsView() { delete paneView_; }

SidebarRow* SettingsView::sidebarRow(AppPane pane) const {
  for (SidebarRow* row : rows_)
    if (row->pane() == pane) return row;
  return nullptr;
}

void SettingsView::quit() {
  if (const auto onQuit = callbacks_.onQuit) onQuit();
}

SidebarRow::Callbacks SettingsView::rowCallbacks(AppPane pane) {
  return {[this, pane] { select(pane); }};
}

void SettingsView::showSelection(AppPane pane) {
  for (SidebarRow* row : rows_) row->setProps({row->pane(), row->pane() == pane}, rowCallbacks(row->pane()));
}

void SettingsView::display(AppPane pane) {
  displayedPane_ = pane;
  if (paneView_) {
    detailLayout_->removeWidget(paneView_);
    delete paneView_;  // a recorder on it stops recording as it goes
  }
  switch (pane) {
    case AppPane::general:
      paneView_ = makeGeneralPane(context_, {[this](bool recording) {
                                    if (const auto told = callbacks_.onShortcutRecording) told(recording);
                                  }});
      break;
    case AppPane::ignored: paneView_ = new IgnoredPane(context_); break;
    case AppPane::about: paneView_ = new AboutPane(context_); break;
  }
  detailLayout_->addWidget(paneView_);
  detailVeil_->raise();
  if (window()) window()->setWindowTitle(paneTitle(pane));
}

void SettingsView::select(AppPane pane) {
  if (pane == selectedPane_) return;
  selectedPane_ = pane;
  showSelection(pane);
  detailOpacity_.animateTo(0.0, Animation::easeOut(kFadeOutSeconds));
  // Each tap schedules its own swap; the last one to run shows the last pane tapped.
  QPointer<SettingsView> self(this);
  context_.scheduler->after(
      kFadeOutSeconds,
      [self, pane] {
        if (!self) return;
        self->display(pane);
        self->detailOpacity_.animateTo(1.0, Animation::easeIn(kFadeInSeconds));
      },
      this);
}

void SettingsView::applyOpenPaneRequest() {
  SettingsStore& settings = *context_.settings;
  const QString requested = settings.stringOr(QLatin1String(kOpenPaneKey), QString());
  if (requested.isEmpty()) return;
  const std::optional<AppPane> pane = paneFromTitle(requested);
  if (!pane) return;
  settings.set(QLatin1String(kOpenPaneKey), QString());
  selectedPane_ = *pane;
  showSelection(*pane);
  if (*pane != displayedPane_) display(*pane);
  detailOpacity_.jumpTo(1.0);
}

void SettingsView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Window shortcuts (Ctrl+Q) need a focused widget in the window; the sidebar takes no focus.
  if (!window()->focusWidget()) setFocus(Qt::OtherFocusReason);
  applyOpenPaneRequest();
  if (window()) window()->setWindowTitle(paneTitle(displayedPane_));
}

void SettingsView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const EnvironmentValues env = context_.environment ? context_.environment->values() : EnvironmentValues{};
  // The sidebar sits on a slightly deeper shade of the window, with a hairline beside it.
  painter.fillRect(QRect(0, 0, kSidebarWidth, height()), settingsStyle::primary(env, env.isDark() ? 0.05 : 0.035));
  painter.fillRect(QRect(kSidebarWidth - 1, 0, 1, height()), settingsStyle::primary(env, 0.08));
}

}  // namespace qv
