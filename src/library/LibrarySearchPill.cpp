#include "library/LibrarySearchPill.h"

#include "library/LibraryCapsules.h"
#include "panel/SearchBarView.h"
#include "ui/InterfaceServices.h"
#include "ui/controls/ControlStyle.h"
#include "ui/controls/TextInput.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"
#include "ui/theme/ReduceMotion.h"
#include "ui/theme/Theme.h"

#include <QPainter>
#include <cmath>

namespace qv {

namespace {

constexpr double kSearchPaddingH = 9;
constexpr double kSearchPaddingV = 5;
constexpr double kSearchSpacing = 6;
constexpr double kFieldHeight = 16;
constexpr double kSearchFontSize = 12;
constexpr double kMagnifierSize = 12;
constexpr double kClearSize = 11;
constexpr double kFilterSize = 12;
constexpr double kClearEnterScale = 0.8;
constexpr double kFilterHoverScale = 1.15;

}  // namespace

LibrarySearchPill::LibrarySearchPill(InterfaceServices& context, QWidget* parent)
    : PaintedWidget(context, parent),
      field_(new QVTextField(context, QStringLiteral("Search"), kSearchFontSize, this)),
      clear_(new SearchBarButton(
          context, QStringLiteral("Clear search"),
          [this](const SearchBarButton&) {
            const double presence = clearPresence_.value();
            const bool reduced = this->context().reduceMotion->isEnabled();
            return SearchBarButton::Look{QStringLiteral("xmark.circle.fill"),
                                         kClearSize,
                                         labelColor(environment(), LabelLevel::tertiary),
                                         reduced ? 1 : lerp(kClearEnterScale, 1, presence),
                                         unitClamped(presence),
                                         0,
                                         {}};
          },
          // Every control reads the callbacks of the latest props when it is used.
          [this] {
            if (const auto onQueryChange = callbacks_.onQueryChange) onQueryChange(QString());
          },
          this)),
      filter_(new SearchBarButton(
          context, QStringLiteral("Filter by type, app, category or date"),
          [this](const SearchBarButton& button) {
            return SearchBarButton::Look{
                QStringLiteral("line.3.horizontal.decrease"),
                kFilterSize,
                searchFilterColor(environment(), props_.filterAccented ? 1 : 0, button.isHovered() ? 1 : 0),
                lerp(1, kFilterHoverScale, button.hoverProgress()),
                1,
                0,
                {}};
          },
          [this] {
            if (const auto onFilterButton = callbacks_.onFilterButton) onFilterButton();
          },
          this)),
      clearPresence_(*context.frameClock, 0.0) {
  setObjectName(QStringLiteral("LibrarySearchCapsule"));
  setHoverEnabled(false);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  filter_->setToolTip(QStringLiteral("Filter by type, app, category or date"));
  field_->setFixedHeight(int(kFieldHeight));
  clearPresence_.setOnChange([this] {
    clear_->setVisible(clearPresence_.value() > 0.001);
    clear_->update();
  });
  clear_->setVisible(false);
  layoutParts();
}

LibrarySearchPill::~LibrarySearchPill() = default;

void LibrarySearchPill::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  if (hasProps_ && props == props_) return;
  const bool first = !std::exchange(hasProps_, true);
  const Props old = std::exchange(props_, props);
  // The field takes callbacks that read this capsule's latest ones when the user types.
  field_->setProps(
      first || props_.query != field_->props().text ? QVTextField::Props{props_.query, 0, 0, false} : field_->props(),
      {[this](const QString& text) {
         if (const auto onQueryChange = callbacks_.onQueryChange) onQueryChange(text);
       },
       {},
       [this](bool focused) {
         if (const auto onFieldFocus = callbacks_.onFieldFocus; focused && onFieldFocus) onFieldFocus();
       }});
  if (first) {
    clearPresence_.jumpTo(props_.query.isEmpty() ? 0 : 1);
  } else if (props_.query.isEmpty() != old.query.isEmpty()) {
    if (!props_.query.isEmpty()) clear_->setVisible(true);
    clearPresence_.animateTo(props_.query.isEmpty() ? 0 : 1, Theme::springSnappy());
  }
  layoutParts();
  filter_->update();
}

QSize LibrarySearchPill::sizeHint() const {
  return QSize(int(kWidth), int(std::ceil(kFieldHeight + 2 * kSearchPaddingV)));
}

void LibrarySearchPill::layoutParts() {
  const QRectF box = rect();
  const double midY = box.center().y();
  auto iconBox = [midY](double x, double size) { return QRectF(x, midY - size / 2, size, size).toAlignedRect(); };
  const double filterSide = kFilterSize + 2, clearSide = kClearSize + 2;
  double right = box.right() - kSearchPaddingH - filterSide;
  filter_->setGeometry(iconBox(right, filterSide));
  right -= kSearchSpacing;
  // The field gives the clear button its room only while there is a query.
  if (!props_.query.isEmpty()) {
    right -= clearSide;
    clear_->setGeometry(iconBox(right, clearSide));
    right -= kSearchSpacing;
  } else {
    clear_->setGeometry(iconBox(right - clearSide, clearSide));
  }
  const double left = box.left() + kSearchPaddingH + kMagnifierSize + 2 + kSearchSpacing;
  field_->setGeometry(QRectF(left, midY - kFieldHeight / 2, std::max(0.0, right - left), kFieldHeight).toAlignedRect());
}

void LibrarySearchPill::resizeEvent(QResizeEvent* event) {
  PaintedWidget::resizeEvent(event);
  layoutParts();
}

void LibrarySearchPill::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  const QRectF box = QRectF(rect());
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillPath(libraryCapsule(box), primaryColor(env, 0.07));
  const double side = kMagnifierSize + 2;
  const QRectF magnifier(box.left() + kSearchPaddingH, box.center().y() - side / 2, side, side);
  painter.drawImage(magnifier, Symbols::image(QStringLiteral("magnifyingglass"), side,
                                              labelColor(env, LabelLevel::secondary), Fx::painterScale(painter)));
}

}  // namespace qv
