#include "cards/badges/CardQuickActions.h"

#include "cards/ViewServices.h"
#include "cards/content/CardContentStyle.h"
#include "platform/Scheduler.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"
#include "ui/theme/Theme.h"

#include <QPainter>

namespace qv {

namespace {
constexpr double kSymbolSize = 10;
// How small a replaced symbol gets as it leaves, and a new one as it comes in.
constexpr double kSwapScale = 0.5;
}  // namespace

QuickActionButton::QuickActionButton(ViewServices& context, QGraphicsItem* parent)
    : ClickableItem(context, parent), swap_(*context.frameClock, 1.0) {
  setSize({kSize, kSize});
  swap_.setOnChange([this] { update(); });
}

void QuickActionButton::setProps(const Props& props, Callbacks callbacks) {
  replaceCallbacks(std::move(callbacks));
  if (props == props_) return;
  const bool swapped = !props_.icon.isEmpty() && props.icon != props_.icon;
  if (swapped) {
    previousIcon_ = props_.icon;
    swap_.jumpTo(0.0);
    swap_.animateTo(1.0, Theme::springStandard(), [this](bool finished) {
      if (finished) previousIcon_.clear();
    });
  }
  props_ = props;
  setToolTip(props_.help);
  update();
}

void QuickActionButton::settle() {
  swap_.jumpTo(1.0);
  previousIcon_.clear();
  update();
}

QuickActionButton::Look QuickActionButton::look() const {
  const EnvironmentValues env = environment();
  const double hover = hoverProgress();
  Look l;
  l.symbol = primaryColor(env, env.increasedContrast ? 1.0 : lerp(0.62, 1.0, unitClamped(hover)));
  l.hoverFill = primaryColor(env, 0.1 * unitClamped(hover));
  l.border = primaryColor(env, env.increasedContrast ? 0.45 : 0.1);
  l.borderWidth = env.increasedContrast ? 1 : 0.5;
  l.scale = lerp(1, 1.1, hover);
  return l;
}

QPainterPath QuickActionButton::hitShape() const {
  QPainterPath path;
  path.addEllipse(rect());
  return path;
}

AccessibilityInfo QuickActionButton::accessibility() const {
  AccessibilityInfo info = clickableAccessibility(QAccessible::Button, props_.help);
  info.selectable = false;
  return info;
}

void QuickActionButton::paintItem(QPainter& painter) {
  const EnvironmentValues env = environment();
  const Look l = look();
  const QRectF disc = rect();
  painter.save();
  scaleAboutCentre(painter, disc, l.scale);
  painter.setPen(Qt::NoPen);
  // A frosted disc: painted items cannot blur what lies under them, so a thin veil stands in.
  painter.setBrush(env.isDark() ? QColor::fromRgbF(0.16f, 0.16f, 0.18f, 0.62f) : QColor::fromRgbF(1, 1, 1, 0.66f));
  painter.drawEllipse(disc);
  if (l.hoverFill.alphaF() > 0) {
    painter.setBrush(l.hoverFill);
    painter.drawEllipse(disc);
  }
  Fx::strokeInnerBorder(painter, disc, disc.width() / 2, l.border, l.borderWidth);

  const double scale = Fx::painterScale(painter);
  auto drawSymbol = [&](const QString& icon, double opacity, double size) {
    if (opacity <= 0.001 || icon.isEmpty()) return;
    const QRectF target(disc.center().x() - size / 2, disc.center().y() - size / 2, size, size);
    painter.setOpacity(opacity);
    painter.drawImage(target, Symbols::image(icon, kSymbolSize, l.symbol, scale));
  };
  const double p = unitClamped(swap_.value());
  const bool scaled = !env.reduceMotion;
  if (!previousIcon_.isEmpty() && p < 1) {
    drawSymbol(previousIcon_, 1 - p, kSymbolSize * (scaled ? lerp(1, kSwapScale, p) : 1));
    drawSymbol(props_.icon, p, kSymbolSize * (scaled ? lerp(kSwapScale, 1, p) : 1));
  } else {
    drawSymbol(props_.icon, 1, kSymbolSize);
  }
  painter.restore();
}

// ---- CardQuickActions ----------------------------------------------------------------------

double CardQuickActions::rowWidth(bool showPeek) {
  const int count = showPeek ? 4 : 3;
  return count * QuickActionButton::kSize + (count - 1) * kSpacing;
}

CardQuickActions::CardQuickActions(ViewServices& context, QGraphicsItem* parent)
    : PaintedItem(context, parent), opacity_(*context.frameClock, 0.0) {
  setSize(CardContentStyle::cardSize());
  setHoverEnabled(false);
  setAcceptedMouseButtons(Qt::NoButton);
  opacity_.setOnChange([this] { setOpacity(opacity_.value()); });
  setOpacity(0);
}

CardQuickActions::~CardQuickActions() = default;

QRectF CardQuickActions::rowRect() const {
  const double width = rowWidth(props_.showPeek);
  return {rect().right() - kInset - width, rect().top() + kInset, width, QuickActionButton::kSize};
}

std::vector<QuickActionButton*> CardQuickActions::buttons() const {
  std::vector<QuickActionButton*> result;
  for (const auto& button : buttons_) result.push_back(button.get());
  return result;
}

void CardQuickActions::setProps(const Props& props, Callbacks callbacks) {
  // Taken whatever the props: a button calls the callback given last, when it is clicked.
  const bool hadPeek = bool(callbacks_.onPeek);
  callbacks_ = std::move(callbacks);
  const bool changed = props != props_ || hadPeek != bool(callbacks_.onPeek);
  const bool hoverChanged = props.isHovering != props_.isHovering;
  props_ = props;
  if (hoverChanged) {
    if (props_.isHovering) {
      // A row shown again starts with fresh, un-hovered buttons.
      retireButtons();
    }
    opacity_.animateTo(props_.isHovering ? 1.0 : 0.0, Theme::springSnappy(), [this](bool finished) {
      if (finished && !props_.isHovering) retireButtons();
    });
  }
  if (changed || hoverChanged) layoutButtons();
}

void CardQuickActions::settle() {
  opacity_.jumpTo(props_.isHovering ? 1.0 : 0.0);
  if (!props_.isHovering) retireButtons();
  for (const auto& button : buttons_) button->settle();
}

// A button's own click may end here (its card removed, recycled or hovered afresh): buttons
// leave at once, hidden and inert, and are deleted on a later turn of the event loop.
void CardQuickActions::retireButtons() {
  if (buttons_.empty()) return;
  for (auto& button : buttons_) {
    button->setProps(button->props(), {});
    button->hide();
    retired_.push_back(std::move(button));
  }
  buttons_.clear();
  context().scheduler->post([this] { retired_.clear(); }, this);
}

void CardQuickActions::run(std::function<void()> Callbacks::*callback) {
  // A copy: the call may hand this row new props and callbacks, or remove its card.
  if (const std::function<void()> call = callbacks_.*callback) call();
}

void CardQuickActions::layoutButtons() {
  struct Wanted {
    QString icon;
    QString help;
    std::function<void()> Callbacks::*callback;
  };
  std::vector<Wanted> wanted;
  if (props_.showPeek && callbacks_.onPeek)
    wanted.push_back({props_.isPeeked ? QStringLiteral("eye.slash") : QStringLiteral("eye"),
                      props_.isPeeked ? QStringLiteral("Hide again") : QStringLiteral("Peek"), &Callbacks::onPeek});
  wanted.push_back({props_.didCopy ? QStringLiteral("checkmark") : QStringLiteral("doc.on.doc"), QStringLiteral("Copy"),
                    &Callbacks::onCopy});
  wanted.push_back({props_.isPinned ? QStringLiteral("pin.slash") : QStringLiteral("pin"),
                    props_.isPinned ? QStringLiteral("Unpin") : QStringLiteral("Pin"), &Callbacks::onPin});
  wanted.push_back({QStringLiteral("trash"), QStringLiteral("Delete"), &Callbacks::onDelete});

  if (!props_.isHovering) {
    // Leaving: the buttons fade with the row and take no more pointer.
    for (const auto& button : buttons_) button->setProps(button->props(), {});
    return;
  }
  if (buttons_.size() != wanted.size()) {
    retireButtons();
    for (size_t i = 0; i < wanted.size(); ++i)
      buttons_.push_back(std::make_unique<QuickActionButton>(viewServices(context()), this));
  }
  const QRectF row = rowRect();
  const double content = double(wanted.size()) * QuickActionButton::kSize + double(wanted.size() - 1) * kSpacing;
  double x = row.left() + (row.width() - content) / 2;
  for (size_t i = 0; i < wanted.size(); ++i) {
    QuickActionButton& button = *buttons_[i];
    button.setProps({wanted[i].icon, wanted[i].help}, {[this, callback = wanted[i].callback] { run(callback); }});
    button.setActsOnItem(wanted[i].callback == &Callbacks::onCopy || wanted[i].callback == &Callbacks::onDelete);
    button.setPos(x, row.top());
    x += QuickActionButton::kSize + kSpacing;
  }
}

}  // namespace qv
