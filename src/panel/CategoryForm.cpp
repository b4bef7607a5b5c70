#include "panel/CategoryForm.h"

#include "base/Graphemes.h"
#include "panel/FilterControls.h"
#include "platform/Scheduler.h"
#include "state/PanelState.h"
#include "ui/InterfaceServices.h"
#include "ui/controls/ControlStyle.h"
#include "ui/controls/TextInput.h"
#include "ui/text/Fonts.h"
#include "ui/theme/Theme.h"

#include <QFontMetricsF>
#include <QPainter>

namespace qv {

CategoryForm::CategoryForm(PanelState& state, Scheduler& scheduler, FilterSurface surface, QObject* parent)
    : QObject(parent), state_(state), scheduler_(scheduler), surface_(surface) {
  connect(&state, &PanelState::categoryFormTokenChanged, this, &CategoryForm::handleRequest);
  connect(&state, &PanelState::categoryFormOpenChanged, this, &CategoryForm::openChanged);
  connect(&state, &PanelState::customCategoriesChanged, this, &CategoryForm::categoriesChanged);
  connect(&state, &PanelState::cardCategoriesChanged, this, &CategoryForm::changed);
  connect(&state, &PanelState::showFilterPanelChanged, this, &CategoryForm::surfaceVisibilityChanged);
  connect(&state, &PanelState::libraryFilterSurfaceOpenChanged, this, &CategoryForm::surfaceVisibilityChanged);
}

QString CategoryForm::trimmedName() const {
  // Spaces and tabs only: a line break is never part of a name field's edges.
  qsizetype first = 0, last = name_.size();
  auto blank = [](QChar c) {
    return c.isSpace() && c != u'\n' && c != u'\r' && c != QChar(0x2028) && c != QChar(0x2029);
  };
  while (first < last && blank(name_[first])) ++first;
  while (last > first && blank(name_[last - 1])) --last;
  return name_.mid(first, last - first);
}

std::optional<CustomCategory> CategoryForm::editedCategory() const {
  if (!editingID_) return std::nullopt;
  for (const CustomCategory& category : state_.customCategories())
    if (category.id == *editingID_) return category;
  return std::nullopt;
}

int itemCountInCategory(const PanelState& state, const QUuid& categoryID) {
  int count = 0;
  for (const QUuid& assigned : state.cardCategories())
    if (assigned == categoryID) ++count;
  return count;
}

std::optional<int> CategoryForm::assignedCount() const {
  const auto edited = editedCategory();
  if (!edited) return std::nullopt;
  return itemCountInCategory(state_, edited->id);
}

QString CategoryForm::deleteGuardText() const {
  const int count = assignedCount().value_or(0);
  if (count == 0) return {};
  if (count == 1) return QStringLiteral("Move its 1 item elsewhere to delete this category");
  return QStringLiteral("Move its %1 items elsewhere to delete this category").arg(count);
}

bool CategoryForm::canSubmit() const { return hasVisibleCharacter(trimmedName()); }

void CategoryForm::setName(const QString& name) {
  const QString capped = graphemePrefix(name, kMaxNameLength);
  if (capped == name_) {
    // The field may hold more than was kept: it is set back to the kept name.
    if (capped != name) Q_EMIT changed();
    return;
  }
  name_ = capped;
  Q_EMIT changed();
}

void CategoryForm::toggle() {
  if (state_.categoryFormOpen()) {
    reset();
    state_.closeCategoryForm();
    return;
  }
  // Opened here, so closing it later leaves the surface open.
  state_.setCategoryFormOpenedExternally(false);
  state_.setCategoryFormOpen(true);
  reset();
}

void CategoryForm::reset() {
  name_.clear();
  colorIndex_ = 0;
  editingID_.reset();
  Q_EMIT changed();
}

void CategoryForm::submit() {
  if (!canSubmit()) return;
  const QString name = trimmedName();
  // The same test as the button's title: "Create" always creates, even when the category it
  // was editing has gone meanwhile.
  if (const auto edited = editedCategory()) {
    state_.renameCategory(edited->id, name);
    state_.setCategoryColor(edited->id, colorIndex_);
  } else {
    state_.addCategory(name, colorIndex_);
  }
  reset();
  state_.closeCategoryForm();
}

void CategoryForm::deleteEdited() {
  const auto edited = editedCategory();
  if (!edited || assignedCount().value_or(0) > 0) return;
  state_.deleteCategory(edited->id);
  reset();
  state_.closeCategoryForm();
}

void CategoryForm::pickColor(int index) {
  if (index < 0 || index >= kCategoryPaletteSize) return;
  colorIndex_ = index;
  if (editingID_) state_.setPreviewCategoryColorIndex(index);
  Q_EMIT changed();
}

void CategoryForm::loadCategory(const CustomCategory& category) {
  editingID_ = category.id;
  name_ = category.name;
  colorIndex_ = category.colorIndex;
  state_.setEditingCategoryFormID(category.id);
  state_.setPreviewCategoryColorIndex(std::nullopt);
  ++nameFocusToken_;
  Q_EMIT changed();
}

bool CategoryForm::categoryChipTapped(const CustomCategory& category) {
  if (!editingID_) return false;
  loadCategory(category);
  return true;
}

bool CategoryForm::surfaceVisible() const {
  return surface_ == FilterSurface::panel ? state_.showFilterPanel() : state_.libraryFilterSurfaceOpen();
}

bool CategoryForm::requestIsMine() const {
  return state_.pendingNewCategoryRequest() && state_.pendingCategoryFormSurface() == surface_;
}

void CategoryForm::handleRequest() {
  if (!requestIsMine()) return;
  scheduler_.post([this] { applyRequest(); }, this);
}

void CategoryForm::applyRequest() {
  if (!requestIsMine()) return;
  state_.setPendingNewCategoryRequest(false);
  std::optional<CustomCategory> target;
  if (const auto& wanted = state_.pendingEditCategoryID())
    for (const CustomCategory& category : state_.customCategories())
      if (category.id == *wanted) target = category;
  editingID_.reset();
  name_.clear();
  colorIndex_ = 0;
  if (target) {
    editingID_ = target->id;
    name_ = target->name;
    colorIndex_ = target->colorIndex;
  }
  state_.setPendingEditCategoryID(std::nullopt);
  state_.setEditingCategoryFormID(editingID_);
  if (onShowCategoryTab) onShowCategoryTab();
  state_.setCategoryFormOpen(true);
  Q_EMIT changed();
}

void CategoryForm::openChanged() {
  const bool open = state_.categoryFormOpen();
  state_.setNewCategoryFormActive(open);
  if (open) ++nameFocusToken_;
  Q_EMIT changed();
}

void CategoryForm::clearPublishedEdit() {
  state_.setEditingCategoryFormID(std::nullopt);
  state_.setPreviewCategoryColorIndex(std::nullopt);
  state_.setPendingEditCategoryID(std::nullopt);
}

void CategoryForm::categoriesChanged() {
  // The edited category was deleted elsewhere: the form starts over rather than edit nothing.
  if (editingID_ && !editedCategory()) {
    reset();
    clearPublishedEdit();
    return;
  }
  Q_EMIT changed();
}

void CategoryForm::surfaceVisibilityChanged() {
  if (surfaceVisible() || !state_.categoryFormOpen()) return;
  // The surface went away with the form open: no unsaved colour may linger on the cards.
  // A request still waiting for this surface keeps its edit id for when the surface returns.
  reset();
  state_.setEditingCategoryFormID(std::nullopt);
  state_.setPreviewCategoryColorIndex(std::nullopt);
  if (!requestIsMine()) state_.setPendingEditCategoryID(std::nullopt);
}

// ---- Submit button ---------------------------------------------------------------------------

HouseButtonLook CategoryFormSubmitButton::look(double) const {
  const EnvironmentValues env = environment();
  const bool enabled = props().isEnabled;
  HouseButtonLook l;
  l.title = props().title;
  l.font = systemFont(11, QFont::DemiBold);
  l.foreground = enabled ? QColor(Qt::white) : primaryColor(env, 0.25);
  l.paddingH = 12;
  l.paddingV = 5;
  const QColor fill = enabled ? Theme::accent() : primaryColor(env, 0.08);
  l.fill = {{0, fill}, {1, fill}};
  return l;
}

// ---- View ------------------------------------------------------------------------------------

namespace {
constexpr double kPadding = 10;
constexpr double kRowSpacing = 10;
constexpr double kFieldHeight = 17 + 2 * 6;
constexpr double kGuardFontSize = 10;
}  // namespace

CategoryFormView::CategoryFormView(InterfaceServices& context, CategoryForm& form, QWidget* parent)
    : PaintedWidget(context, parent), form_(form) {
  field_ = new QVTextField(context, QStringLiteral("Name"), 12, this);
  submit_ = new CategoryFormSubmitButton(context, {}, {[this] { form_.submit(); }}, this);
  for (int index = 0; index < kCategoryPaletteSize; ++index)
    dots_.push_back(new CategoryColorDot(context, {.color = categoryPaletteColor(index)},
                                         {[this, index] { form_.pickColor(index); }}, this));
  delete_ = new ConfirmPillButton(context, {.title = QStringLiteral("Delete"), .isDestructive = true},
                                  {[this] { form_.deleteEdited(); }}, this);
  connect(&form_, &CategoryForm::changed, this, &CategoryFormView::sync);
  sync();
}

void CategoryFormView::sync() {
  field_->setProps(
      {.text = form_.name(), .focusToken = form_.nameFocusToken(), .resignToken = 0, .selectAllOnFocus = true},
      {.onTextChange = [this](const QString& text) { form_.setName(text); },
       .onSubmit = [this] { form_.submit(); },
       .onFocusChange = {}});
  submit_->setProps({.title = form_.submitTitle(), .isEnabled = form_.canSubmit()}, {[this] { form_.submit(); }});
  submit_->resize(submit_->sizeHint());
  for (int index = 0; index < int(dots_.size()); ++index)
    dots_[index]->setProps({.color = categoryPaletteColor(index), .isSelected = form_.colorIndex() == index},
                           {[this, index] { form_.pickColor(index); }});
  const auto count = form_.assignedCount();
  delete_->setVisible(count && *count == 0);
  delete_->resize(delete_->sizeHint());
  updateGeometry();
  layoutParts();
  update();
}

QSize CategoryFormView::sizeHint() const {
  double height = kPadding + kFieldHeight + kRowSpacing + CategoryColorDot::kOuterSize + kPadding;
  if (const auto count = form_.assignedCount())
    height += kRowSpacing + 1 + kRowSpacing + (*count == 0 ? delete_->sizeHint().height() : guardTextRect().height());
  return QSize(300, int(std::ceil(height)));
}

void CategoryFormView::resizeEvent(QResizeEvent*) { layoutParts(); }

void CategoryFormView::layoutParts() {
  const QSize submitSize = submit_->sizeHint();
  const double fieldWidth = std::max(40.0, width() - 2 * kPadding - 8 - submitSize.width());
  field_->setGeometry(QRectF(kPadding + 10, kPadding + 6, fieldWidth - 20, 17).toAlignedRect());
  submit_->move(int(kPadding + fieldWidth + 8), int(kPadding + (kFieldHeight - submitSize.height()) / 2));
  double x = kPadding;
  const double dotsY = kPadding + kFieldHeight + kRowSpacing;
  for (CategoryColorDot* dot : dots_) {
    dot->setGeometry(int(x), int(dotsY), int(CategoryColorDot::kOuterSize), int(CategoryColorDot::kOuterSize));
    x += CategoryColorDot::kOuterSize + 2;
  }
  delete_->move(int(kPadding), int(dotsY + CategoryColorDot::kOuterSize + 2 * kRowSpacing + 1));
}

QRectF CategoryFormView::guardTextRect() const {
  const double y = kPadding + kFieldHeight + kRowSpacing + CategoryColorDot::kOuterSize + 2 * kRowSpacing + 1;
  return QRectF(kPadding, y, width() - 2 * kPadding, 14);
}

void CategoryFormView::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(primaryColor(env, 0.04));
  painter.drawRoundedRect(QRectF(rect()), 10, 10);
  const QRectF fieldRect(kPadding, kPadding, field_->width() + 20, kFieldHeight);
  painter.setBrush(primaryColor(env, 0.07));
  painter.drawRoundedRect(fieldRect, kFieldHeight / 2, kFieldHeight / 2);
  if (!form_.editedCategory()) return;
  const double dividerY = kPadding + kFieldHeight + kRowSpacing + CategoryColorDot::kOuterSize + kRowSpacing;
  painter.fillRect(QRectF(kPadding, dividerY, width() - 2 * kPadding, 1), primaryColor(env, 0.1 * 0.35));
  const QString guard = form_.deleteGuardText();
  if (guard.isEmpty()) return;
  painter.setFont(systemFont(kGuardFontSize));
  painter.setPen(primaryColor(env, 0.4));
  painter.drawText(guardTextRect(), Qt::AlignLeft | Qt::AlignVCenter, guard);
}

}  // namespace qv
