#pragma once
#include "state/CustomCategory.h"
#include "state/FilterTypes.h"
#include "ui/controls/PillButtons.h"
#include "ui/view/PaintedWidget.h"

#include <QObject>
#include <QWidget>
#include <functional>
#include <optional>

namespace qv {

class PanelState;
class Scheduler;
class InterfaceServices;
class QVTextField;
class CategoryColorDot;

// How many items are filed in the category.
int itemCountInCategory(const PanelState& state, const QUuid& categoryID);

// The working values of the category form of one filter surface and the flows that drive it:
// new, edit, pick a colour (previewed on the edited category until saved), submit, delete an
// empty category, and requests left in the state by other views. The requests are taken up on
// the next turn, and only by the form of the surface they name.
class CategoryForm : public QObject {
  Q_OBJECT
 public:
  CategoryForm(PanelState& state, Scheduler& scheduler, FilterSurface surface, QObject* parent = nullptr);

  // View-local values.
  const QString& name() const { return name_; }
  int colorIndex() const { return colorIndex_; }
  const std::optional<QUuid>& editingID() const { return editingID_; }
  int nameFocusToken() const { return nameFocusToken_; }
  FilterSurface surface() const { return surface_; }

  // Derived each time the form is drawn.
  QString trimmedName() const;
  std::optional<CustomCategory> editedCategory() const;
  std::optional<int> assignedCount() const;  // none while creating
  // A name shows at least one visible character and is at most kMaxNameLength graphemes long
  // (longer text typed or pasted is cut there).
  static constexpr qsizetype kMaxNameLength = 100;
  bool canSubmit() const;
  QString submitTitle() const { return editedCategory() ? QStringLiteral("Save") : QStringLiteral("Create"); }
  // The text in place of the delete button while the category holds items; empty when it may go.
  QString deleteGuardText() const;

  // Operations.
  void setName(const QString& name);
  void toggle();  // the "New"/"Cancel" chip
  void reset();
  void submit();
  void deleteEdited();
  void pickColor(int index);
  void loadCategory(const CustomCategory& category);
  // A category chip was tapped: true when the form took it up for editing (the chip's filter
  // toggle then does not run).
  bool categoryChipTapped(const CustomCategory& category);
  // The surface came on screen: take up a request waiting for it.
  void surfaceShown() { handleRequest(); }

  // Shows the category tab of the hosting filter panel when a request opens the form.
  std::function<void()> onShowCategoryTab;

 Q_SIGNALS:
  void changed();

 private:
  void handleRequest();
  void applyRequest();
  void openChanged();
  void categoriesChanged();
  void surfaceVisibilityChanged();
  bool surfaceVisible() const;
  bool requestIsMine() const;
  void clearPublishedEdit();

  PanelState& state_;
  Scheduler& scheduler_;
  FilterSurface surface_;
  QString name_;
  int colorIndex_ = 0;
  std::optional<QUuid> editingID_;
  int nameFocusToken_ = 0;
};

struct CategoryFormSubmitProps {
  QString title;
  bool isEnabled = true;
  bool operator==(const CategoryFormSubmitProps&) const = default;
};
// The form's "Create"/"Save" capsule: accent with white text, faint and inert while disabled.
class CategoryFormSubmitButton : public HouseButtonWith<CategoryFormSubmitProps> {
 public:
  using HouseButtonWith::HouseButtonWith;

 protected:
  HouseButtonLook look(double hover) const override;
  bool isActionable() const override { return props().isEnabled; }
};

// The form as drawn above the category tab's chips: the name field with its submit capsule,
// the eight colour dots, and while an existing category is edited the delete button or the text
// saying why it cannot go yet.
class CategoryFormView : public PaintedWidget {
  Q_OBJECT
 public:
  CategoryFormView(InterfaceServices& context, CategoryForm& form, QWidget* parent = nullptr);
  QVTextField& nameField() const { return *field_; }
  CategoryFormSubmitButton& submitButton() const { return *submit_; }
  const std::vector<CategoryColorDot*>& dots() const { return dots_; }
  ConfirmPillButton& deleteButton() const { return *delete_; }  // shown only while deletion is offered
  QRectF guardTextRect() const;
  QSize sizeHint() const override;

 protected:
  void paint(QPainter& painter) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void sync();
  void layoutParts();
  CategoryForm& form_;
  QVTextField* field_;
  CategoryFormSubmitButton* submit_;
  std::vector<CategoryColorDot*> dots_;
  ConfirmPillButton* delete_;
};

}  // namespace qv
