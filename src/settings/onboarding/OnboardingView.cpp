#include "settings/onboarding/OnboardingView.h"

#include "platform/AppRelauncher.h"
#include "platform/PastePermission.h"
#include "settings/GeneralSettings.h"
#include "settings/SettingsServices.h"
#include "settings/onboarding/OnboardingControls.h"
#include "settings/onboarding/OnboardingDemos.h"
#include "state/PanelState.h"
#include "ui/controls/AnimatedAppIconView.h"
#include "ui/controls/SegmentedPicker.h"
#include "ui/theme/Environment.h"
#include "ui/theme/Theme.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace qv {

namespace {

const Animation& pageSpring() {
  static const Animation spring = Animation::spring(0.36, 0.85, 0);
  return spring;
}
const Animation& permissionSpring() {
  static const Animation spring = Animation::spring(0.32, 0.85, 0);
  return spring;
}
const Animation& edgeSpring() {
  static const Animation spring = Animation::spring(0.34, 0.86, 0);
  return spring;
}

struct PermissionTexts {
  QString title;
  QString subtitle;
};

PermissionTexts permissionTexts(OnboardingView::PermissionState state) {
  using State = OnboardingView::PermissionState;
  switch (state) {
    case State::asking:
      return {QStringLiteral("Let Quorvalen do the pasting"),
              QStringLiteral("Putting a clip back where you were means pressing\nCtrl+V for you, and your desktop asks "
                             "permission\nbefore any app can press keys on your behalf.")};
    case State::unavailable:
      return {QStringLiteral("Pasting is up to you here"),
              QStringLiteral("This desktop doesn't let one app press keys\nin another, so picking a clip copies it, "
                             "and\nyou press Ctrl+V where you want it.")};
    case State::restart:
      return {QStringLiteral("One more step"),
              QStringLiteral("Permission granted. It reaches Quorvalen when\nthe app next starts — one restart and "
                             "you're set.")};
    case State::ready:
      return {QStringLiteral("That's everything"),
              QStringLiteral("Permission to paste directly into\nother apps is granted.")};
  }
  return {};
}

const QString kSkipPaste = QStringLiteral("Skip — I'll press Ctrl+V myself");

OnboardingText* label(SettingsServices& context, const QString& string, double size, LabelLevel level,
                      QFont::Weight weight = QFont::Normal, double maxWidth = 0, double lineSpacing = 0) {
  OnboardingText::Props props;
  props.text = string;
  props.size = size;
  props.weight = weight;
  props.level = level;
  props.maxWidth = maxWidth;
  props.lineSpacing = lineSpacing;
  return new OnboardingText(context, props);
}

// A column whose items are centred (or leading) with the given spacing.
QVBoxLayout* column(QWidget* owner, int spacing) {
  auto* layout = new QVBoxLayout(owner);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(spacing);
  return layout;
}

// `widget` in the column with extra room above it.
void addPadded(QVBoxLayout* layout, QWidget* widget, int top, Qt::Alignment alignment = Qt::AlignHCenter) {
  if (top > 0) layout->addSpacing(top);
  layout->addWidget(widget, 0, alignment);
}

// The frame every page shares: an optional top spacer, the main block 32 points in from the
// sides, a flexible spacer, and the button row at the bottom.
QWidget* pageFrame(QWidget* main, int topSpacer, int minSpacer, HouseButton* left, HouseButton* right) {
  auto* page = new QWidget;
  auto* layout = column(page, 0);
  if (topSpacer > 0) layout->addSpacing(topSpacer);
  auto* mainRow = new QHBoxLayout;
  mainRow->setContentsMargins(32, 0, 32, 0);
  mainRow->addWidget(main, 0, Qt::AlignHCenter | Qt::AlignTop);
  layout->addLayout(mainRow);
  layout->addSpacerItem(new QSpacerItem(0, minSpacer, QSizePolicy::Minimum, QSizePolicy::Expanding));
  // The buttons leave room around their shapes for hover growth and glow; the row's edges are
  // measured to the shapes.
  for (HouseButton* button : {left, right}) button->resize(button->sizeHint());
  const QRectF leftShape = left->buttonRect(), rightShape = right->buttonRect();
  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(
      32 - int(leftShape.left()), 0, 32 - int(right->width() - rightShape.right()),
      std::max(0, 14 - int(std::max(left->height() - leftShape.bottom(), right->height() - rightShape.bottom()))));
  buttons->addWidget(left, 0, Qt::AlignVCenter);
  buttons->addStretch(1);
  buttons->addWidget(right, 0, Qt::AlignVCenter);
  layout->addLayout(buttons);
  return page;
}

}  // namespace

// ---- OnboardingView ------------------------------------------------------------------------

OnboardingView::OnboardingView(SettingsServices& context, Callbacks callbacks, QWidget* parent)
    : QWidget(parent), context_(context), callbacks_(std::move(callbacks)), opacity_(*context.frameClock, 0.0) {
  canPaste_ = permissionHeldNow();
  edgeSide_ = GeneralSettings::read(*context_.settings).edgeSide;
  setFixedSize(int(kWidth), int(kHeight));

  body_ = new QWidget(this);
  body_->setGeometry(rect());
  auto* layout = column(body_, 0);
  layout->addStretch(1);
  addPadded(layout, new AnimatedAppIconView(context_, 88), 2);
  layout->addSpacing(4);
  auto* header = new QWidget;
  auto* headerLayout = column(header, 8);
  OnboardingText* title = label(context_, QStringLiteral("Quorvalen"), 26, LabelLevel::primary, QFont::DemiBold);
  title->setAccessibleName(title->props().text);
  headerLayout->addWidget(title, 0, Qt::AlignHCenter);
  headerLayout->addWidget(
      label(context_, QStringLiteral("Every copy, close at hand."), 14, LabelLevel::secondary, QFont::Normal, 340, 4),
      0, Qt::AlignHCenter);
  layout->addWidget(header, 0, Qt::AlignHCenter);
  auto addDivider = [&](int vertical) {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(48, vertical, 48, vertical);
    row->addWidget(new OnboardingDivider(context_));
    layout->addLayout(row);
  };
  addDivider(12);
  pageArea_ = new OnboardingPageArea(context_);
  pageArea_->setFixedSize(int(kWidth), int(kPageHeight));
  layout->addWidget(pageArea_);
  addDivider(0);
  layout->addStretch(1);

  pageArea_->setPage(buildPage(page_), OnboardingPageArea::Motion::fade, std::nullopt);
  opacity_.setOnChange([this] { setSubtreeOpacity(body_, opacity_.value()); });
  setSubtreeOpacity(body_, 0);

  connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
    if (state == Qt::ApplicationActive) applicationBecameActive();
  });
}

OnboardingView::~OnboardingView() = default;

bool OnboardingView::permissionHeldNow() const {
  return context_.pastePermission && context_.pastePermission->isHeld();
}

bool OnboardingView::reduceMotion() const { return context_.environment && context_.environment->reduceMotion(); }

bool OnboardingView::needsRestart() const {
  return canPaste_ && permissionHeldNow() && !context_.pastePermission->hadPostEventAccessAtLaunch();
}

OnboardingView::PermissionState OnboardingView::permissionState() const {
  if (!canPaste_) {
    const bool grantable = context_.pastePermission && context_.pastePermission->isGrantable();
    return grantable ? PermissionState::asking : PermissionState::unavailable;
  }
  return needsRestart() ? PermissionState::restart : PermissionState::ready;
}

QWidget* OnboardingView::currentPage() const { return pageArea_->page(); }

HouseButton* OnboardingView::button(const QString& title) const {
  if (!currentPage()) return nullptr;
  for (HouseButton* candidate : currentPage()->findChildren<HouseButton*>())
    if (candidate->accessibility().name == title) return candidate;
  return nullptr;
}

void OnboardingView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!hasAppeared_) {
    // The view fades in once and never fades out.
    hasAppeared_ = true;
    opacity_.animateTo(1, Animation::easeOut(0.45));
  }
  poll_ = context_.scheduler->every(
      1.0, [this] { pollPermission(); }, this);
}

void OnboardingView::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  poll_.stop();
}

void OnboardingView::applicationBecameActive() {
  const bool held = permissionHeldNow();
  if (held == canPaste_) return;
  canPaste_ = held;
  if (page_ == Page::permission) showPage(OnboardingPageArea::Motion::fade, std::nullopt);
}

void OnboardingView::pollPermission() {
  if (page_ != Page::permission) return;
  const bool held = permissionHeldNow();
  if (held != canPaste_) setCanPaste(held);
}

void OnboardingView::setCanPaste(bool canPaste) {
  const PermissionState before = permissionState();
  canPaste_ = canPaste;
  if (permissionState() != before) showPage(OnboardingPageArea::Motion::fade, permissionSpring());
}

void OnboardingView::navigate(NavDirection direction, Page page) {
  navDirection_ = direction;
  page_ = page;
  using Motion = OnboardingPageArea::Motion;
  const Motion motion = reduceMotion()                       ? Motion::fade
                        : direction == NavDirection::forward ? Motion::forward
                                                             : Motion::backward;
  showPage(motion, pageSpring());
}

void OnboardingView::showPage(OnboardingPageArea::Motion motion, const std::optional<Animation>& animation) {
  pageArea_->setPage(buildPage(page_), motion, animation);
}

void OnboardingView::leave(bool launch) {
  if (const auto onContinue = callbacks_.onContinue) onContinue(launch);
}

HouseButton* OnboardingView::pill(const QString& title, std::function<void()> action) {
  return new OnboardingButton(context_, {OnboardingButton::Style::pill, title}, {std::move(action)});
}

HouseButton* OnboardingView::quiet(const QString& title, std::function<void()> action) {
  return new OnboardingButton(context_, {OnboardingButton::Style::quiet, title}, {std::move(action)});
}

QWidget* OnboardingView::buildPage(Page page) {
  switch (page) {
    case Page::summon: return buildSummon();
    case Page::extras: return buildExtras();
    case Page::permission: return buildPermission();
  }
  return buildSummon();
}

QWidget* OnboardingView::buildSummon() {
  auto* main = new QWidget;
  auto* layout = column(main, 8);
  layout->addWidget(label(context_, QStringLiteral("Pick an edge"), 15, LabelLevel::primary, QFont::DemiBold), 0,
                    Qt::AlignHCenter);
  layout->addWidget(label(context_, QStringLiteral("Push your pointer against it to reveal your clipboard."), 12,
                          LabelLevel::secondary, QFont::Normal, 330),
                    0, Qt::AlignHCenter);
  TarnSegmentedPicker<QString>::Options options;
  options.options = {{QStringLiteral("Left"), QStringLiteral("left")},
                     {QStringLiteral("Right"), QStringLiteral("right")},
                     {QStringLiteral("Both"), QStringLiteral("both")}};
  options.selection = edgeSide_;
  options.activeTint = Theme::accent();
  options.itemWidth = 52;
  options.segmentHeight = 20;
  auto* picker = new TarnSegmentedPicker<QString>(context_, options, edgePickerCallbacks());
  picker->setAccessibleName(QStringLiteral("Edge"));
  edgePicker_ = picker;
  addPadded(layout, picker, 2);

  auto* slot = new QWidget;
  slot->setFixedSize(int(EdgeFlickDemo::kScreenWidth), int(EdgeFlickDemo::kScreenHeight));
  demoSlot_ = slot;
  auto* demo = new EdgeFlickDemo(context_, edgeSide_, slot);
  demo->setGeometry(slot->rect());
  edgeDemo_ = demo;
  addPadded(layout, slot, 6);
  addPadded(
      layout,
      label(context_, QStringLiteral("Prefer a keyboard shortcut? Set one in Settings."), 11, LabelLevel::tertiary), 4);
  return pageFrame(main, 0, 18, quiet(QStringLiteral("Skip for now"), [this] { leave(false); }),
                   pill(QStringLiteral("Next"), [this] { navigate(NavDirection::forward, Page::extras); }));
}

TarnSegmentedPicker<QString>::Callbacks OnboardingView::edgePickerCallbacks() {
  return {[this](const QString& side) { pickEdge(side); }};
}

void OnboardingView::pickEdge(const QString& side) {
  // The segment already chosen writes nothing: a stored "edge off" stays off until a real change.
  if (side == edgeSide_) return;
  edgeSide_ = side;
  context_.settings->set(QLatin1String(PanelState::kEdgeSideKey), side);
  context_.settings->set(QLatin1String(kEdgeEnabledKey), true);
  if (edgePicker_) edgePicker_->setSelection(side, edgePickerCallbacks());
  if (!demoSlot_) return;
  // A new side is a new demonstration: it starts over, cross-fading with the old one.
  if (edgeDemo_) {
    EdgeFlickDemo* old = edgeDemo_;
    old->leave(edgeSpring(), [old] { old->deleteLater(); });
  }
  auto* demo = new EdgeFlickDemo(context_, side, demoSlot_);
  demo->setGeometry(demoSlot_->rect());
  demo->enter(edgeSpring());
  demo->show();
  edgeDemo_ = demo;
}

QWidget* OnboardingView::buildExtras() {
  auto* main = new QWidget;
  auto* layout = column(main, 12);
  layout->addWidget(
      label(context_, QStringLiteral("Three things worth knowing"), 15, LabelLevel::primary, QFont::DemiBold), 0,
      Qt::AlignHCenter);
  auto* tips = new QWidget;
  auto* tipLayout = column(tips, 14);
  struct Tip {
    const char* symbol;
    QString title, detail;
  };
  const Tip rows[] = {
      {"space", QStringLiteral("Press Space to preview"),
       QStringLiteral("See the whole clip without pasting it. Hovering another card moves the preview with you.")},
      {"hand.draw", QStringLiteral("Drag a card anywhere"),
       QStringLiteral("Drop it straight into another app, or onto the Desktop to save it as a file.")},
      {"macwindow", QStringLiteral("Open the full window"),
       QStringLiteral("Right-click the tray icon for a bigger view — search, categories, and everything at once.")},
  };
  for (const Tip& tip : rows)
    tipLayout->addWidget(new OnboardingRow(context_, OnboardingRow::Kind::tip, QString::fromLatin1(tip.symbol),
                                           tip.title, tip.detail, 340),
                         0, Qt::AlignLeft);
  addPadded(layout, tips, 6);
  return pageFrame(main, 18, 18,
                   quiet(QStringLiteral("Back"), [this] { navigate(NavDirection::backward, Page::summon); }),
                   pill(QStringLiteral("Next"), [this] { navigate(NavDirection::forward, Page::permission); }));
}

QWidget* OnboardingView::buildPermission() {
  const PermissionState state = permissionState();
  const PermissionTexts texts = permissionTexts(state);
  auto* main = new QWidget;
  auto* layout = column(main, 12);
  layout->addWidget(label(context_, texts.title, 15, LabelLevel::primary, QFont::DemiBold), 0, Qt::AlignHCenter);
  layout->addWidget(label(context_, texts.subtitle, 12, LabelLevel::secondary, QFont::Normal, 330, 2), 0,
                    Qt::AlignHCenter);

  HouseButton* right = nullptr;
  switch (state) {
    case PermissionState::asking: {
      auto* request = new QWidget;
      auto* requestLayout = column(request, 8);
      auto* reassurance = new QWidget;
      auto* reassuranceLayout = column(reassurance, 8);
      const std::pair<const char*, QString> rows[] = {
          {"keyboard", QStringLiteral("Pressing keys is all it allows.")},
          {"eye.slash", QStringLiteral("It can't read other apps or see your screen.")},
          {"arrow.uturn.backward", QStringLiteral("You can take it back whenever you like.")},
      };
      for (const auto& [symbol, line] : rows)
        reassuranceLayout->addWidget(
            new OnboardingRow(context_, OnboardingRow::Kind::reassurance, QString::fromLatin1(symbol), {}, line, 330),
            0, Qt::AlignLeft);
      addPadded(requestLayout, reassurance, 4);
      addPadded(requestLayout,
                label(context_, QStringLiteral("Your desktop keeps this under “Accessibility”."), 11,
                      LabelLevel::tertiary, QFont::Normal, 0, 2),
                2);
      addPadded(requestLayout,
                pill(QStringLiteral("Allow Pasting"),
                     [this] {
                       // The grant shows through the next poll or activation.
                       context_.pastePermission->requestPostEventAccessOnce();
                     }),
                14);
      layout->addWidget(request, 0, Qt::AlignHCenter);
      right = quiet(kSkipPaste, [this] { leave(false); });
      break;
    }
    case PermissionState::unavailable: right = quiet(kSkipPaste, [this] { leave(false); }); break;
    case PermissionState::restart:
      right = pill(QStringLiteral("Restart Quorvalen"), [this] {
        if (context_.appRelauncher) context_.appRelauncher->relaunch();
      });
      break;
    case PermissionState::ready: {
      auto* demo = new PasteLandsDemo(context_);
      addPadded(layout, demo, 18);
      right = pill(QStringLiteral("Launch Quorvalen"), [this] { leave(true); });
      break;
    }
  }
  return pageFrame(main, 24, 22,
                   quiet(QStringLiteral("Back"), [this] { navigate(NavDirection::backward, Page::extras); }), right);
}

}  // namespace qv
