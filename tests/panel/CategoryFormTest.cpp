#include "panel/CategoryForm.h"
#include "panel/FilterControls.h"
#include "panel/PanelTestSupport.h"
#include "ui/controls/TextInput.h"

#include <gtest/gtest.h>

using namespace qv;
using qv::test::PanelHarness;

namespace {

struct FormHarness : PanelHarness {
  FormHarness() : form(*state, *scheduler, FilterSurface::panel) {}
  CustomCategory add(const QString& name, int items = 0) {
    CustomCategory category = state->addCategory(name, 2);
    for (int i = 0; i < items; ++i) state->setCategory(category.id, QUuid::createUuid());
    return category;
  }
  CategoryForm form;
};

}  // namespace

TEST(CategoryForm, NewChipCreatesATrimmedCategoryAndLeavesThePanelOpen) {
  FormHarness fake;
  fake.state->setShowFilterPanel(true);
  const qsizetype before = fake.state->customCategories().size();
  fake.form.toggle();
  EXPECT_TRUE(fake.state->categoryFormOpen());
  EXPECT_TRUE(fake.state->newCategoryFormActive());
  EXPECT_EQ(fake.form.nameFocusToken(), 1);
  EXPECT_EQ(fake.form.submitTitle(), "Create");
  fake.form.setName(" \t ");
  EXPECT_FALSE(fake.form.canSubmit());
  fake.form.submit();
  EXPECT_EQ(fake.state->customCategories().size(), before);
  fake.form.setName("  Work\t");
  fake.form.pickColor(5);
  fake.form.submit();
  ASSERT_EQ(fake.state->customCategories().size(), before + 1);
  EXPECT_EQ(fake.state->customCategories().last().name, "Work");
  EXPECT_EQ(fake.state->customCategories().last().colorIndex, 5);
  EXPECT_FALSE(fake.state->categoryFormOpen());
  EXPECT_TRUE(fake.state->showFilterPanel());
  EXPECT_EQ(fake.form.name(), "");
}

// A name must show something and is at most 100 graphemes: longer input is cut there.
TEST(CategoryForm, ANameShowsAVisibleCharacterAndIsCappedAtAHundredGraphemes) {
  const struct {
    QString name;
    bool accepted;
  } names[] = {
      {"Work", true},
      {QString::fromUtf8("\u200BWork"), true},
      {QString::fromUtf8("\U0001F1EB\U0001F1F7"), true},
      {QString::fromUtf8("\u00E9"), true},
      {" \t ", false},
      {QString::fromUtf8("\u200B\u200C\u200D\u2060"), false},
      {QString::fromUtf8("\u3164\u3164"), false},
      {QString::fromUtf8("\u200E\u202E\uFEFF"), false},
      {QString::fromUtf8("\u2800 \u00A0\u3000"), false},
      {QString::fromUtf8("\uFE0F"), false},
  };
  for (const auto& [name, accepted] : names) {
    FormHarness fake;
    fake.form.toggle();
    fake.form.setName(name);
    EXPECT_EQ(fake.form.canSubmit(), accepted) << name.toStdString();
    fake.form.submit();
    EXPECT_EQ(fake.state->customCategories().size(), accepted ? 1 : 0) << name.toStdString();
  }

  FormHarness fake;
  CategoryFormView view(*fake.context, fake.form);
  fake.form.toggle();
  QString longName;
  for (int i = 0; i < 150; ++i) longName += QString::fromUtf8("e\u0301");  // two code units, one grapheme
  view.nameField().setText(longName);
  emit view.nameField().textEdited(longName);
  EXPECT_EQ(fake.form.name(), longName.left(200));
  EXPECT_EQ(view.nameField().text(), longName.left(200)) << "the field holds what is kept";
  fake.form.setName(fake.form.name() + "x");
  EXPECT_EQ(fake.form.name(), longName.left(200));
  fake.form.submit();
  ASSERT_EQ(fake.state->customCategories().size(), 1);
  EXPECT_EQ(fake.state->customCategories().first().name, longName.left(200));
}

TEST(CategoryForm, CancelDropsTheDraft) {
  FormHarness fake;
  fake.form.toggle();
  fake.form.setName("Draft");
  fake.form.toggle();
  EXPECT_FALSE(fake.state->categoryFormOpen());
  EXPECT_EQ(fake.form.name(), "");
}

TEST(CategoryForm, EditPreviewsTheColourAndSaves) {
  FormHarness fake;
  const CustomCategory work = fake.add("Work");
  fake.state->openCategoryForm(work.id, FilterSurface::panel);
  EXPECT_FALSE(fake.state->categoryFormOpen());  // taken up on the next turn
  fake.scheduler->runPending();
  EXPECT_TRUE(fake.state->categoryFormOpen());
  EXPECT_TRUE(fake.state->showFilterPanel());
  EXPECT_EQ(fake.form.submitTitle(), "Save");
  EXPECT_EQ(fake.state->editingCategoryFormID(), work.id);
  fake.form.pickColor(6);
  EXPECT_EQ(fake.state->colorForCategory(work), categoryPaletteColor(6));
  fake.form.setName("Office");
  fake.form.submit();
  EXPECT_EQ(fake.state->customCategories().last().name, "Office");
  EXPECT_EQ(fake.state->customCategories().last().colorIndex, 6);
  // Opened by a request: closing takes the surface down too.
  EXPECT_FALSE(fake.state->showFilterPanel());
  EXPECT_FALSE(fake.state->previewCategoryColorIndex());
}

TEST(CategoryForm, DeleteOnlyWhenEmptyWithTheGuardTexts) {
  const struct {
    int items;
    QString guard;
  } cases[] = {{0, ""},
               {1, "Move its 1 item elsewhere to delete this category"},
               {3, "Move its 3 items elsewhere to delete this category"}};
  for (const auto& c : cases) {
    FormHarness fake;
    const CustomCategory work = fake.add("Work", c.items);
    fake.form.toggle();
    fake.form.loadCategory(work);
    EXPECT_EQ(fake.form.deleteGuardText(), c.guard) << c.items;
    fake.form.deleteEdited();
    const bool gone = !fake.state->customCategories().contains(work);
    EXPECT_EQ(gone, c.items == 0) << c.items;
  }
}

TEST(CategoryForm, RequestsAreTakenUpOnlyByTheirSurface) {
  FormHarness fake;
  CategoryForm library(*fake.state, *fake.scheduler, FilterSurface::library);
  bool panelTab = false, libraryTab = false;
  fake.form.onShowCategoryTab = [&] { panelTab = true; };
  library.onShowCategoryTab = [&] { libraryTab = true; };
  fake.state->requestNewCategoryForm(FilterSurface::library);
  fake.scheduler->runPending();
  EXPECT_TRUE(libraryTab);
  EXPECT_FALSE(panelTab);
  EXPECT_FALSE(fake.state->pendingNewCategoryRequest());
  // A request to edit a category that is gone opens an empty form.
  fake.state->openCategoryForm(QUuid::createUuid(), FilterSurface::library);
  fake.scheduler->runPending();
  EXPECT_FALSE(library.editingID());
  EXPECT_EQ(library.submitTitle(), "Create");
}

TEST(CategoryForm, CreateCreatesAfterTheEditedCategoryWasDeleted) {
  FormHarness fake;
  const CustomCategory work = fake.add("Work");
  fake.form.toggle();
  fake.form.loadCategory(work);
  fake.form.pickColor(4);
  fake.state->deleteCategory(work.id);
  // The form resets, and its published edit goes with it.
  EXPECT_FALSE(fake.form.editingID());
  EXPECT_EQ(fake.form.name(), "");
  EXPECT_FALSE(fake.state->editingCategoryFormID());
  EXPECT_FALSE(fake.state->previewCategoryColorIndex());
  fake.form.setName("Fresh");
  EXPECT_EQ(fake.form.submitTitle(), "Create");
  fake.form.submit();
  EXPECT_EQ(fake.state->customCategories().last().name, "Fresh");
}

TEST(CategoryForm, HidingTheSurfaceClearsTheUnsavedEdit) {
  FormHarness fake;
  const CustomCategory work = fake.add("Work");
  fake.state->openCategoryForm(work.id, FilterSurface::panel);
  fake.scheduler->runPending();
  fake.form.pickColor(7);
  fake.state->setShowFilterPanel(false);
  EXPECT_FALSE(fake.form.editingID());
  EXPECT_FALSE(fake.state->editingCategoryFormID());
  EXPECT_FALSE(fake.state->previewCategoryColorIndex());
  EXPECT_EQ(fake.state->colorForCategory(work), categoryPaletteColor(work.colorIndex));
}

TEST(CategoryFormView, ShowsTitleDotsAndDeleteFromTheForm) {
  FormHarness fake;
  const CustomCategory work = fake.add("Work");
  CategoryFormView view(*fake.context, fake.form);
  view.resize(view.sizeHint());
  fake.form.toggle();
  EXPECT_EQ(view.submitButton().props().title, "Create");
  EXPECT_FALSE(view.submitButton().props().isEnabled);
  fake.form.loadCategory(work);
  EXPECT_EQ(view.nameField().props().text, "Work");
  EXPECT_EQ(view.submitButton().props().title, "Save");
  EXPECT_TRUE(view.dots()[2]->props().isSelected);
  EXPECT_FALSE(view.deleteButton().isHidden());
  fake.state->setCategory(work.id, QUuid::createUuid());
  EXPECT_TRUE(view.deleteButton().isHidden());
}
