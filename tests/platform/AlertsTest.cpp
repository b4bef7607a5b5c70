#include "platform/Alerts.h"

#include <gtest/gtest.h>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

using namespace qv;

namespace {

AlertSpec clearAllAlert() {
  AlertSpec spec;
  spec.style = AlertSpec::Style::warning;
  spec.message = "Clear all clipboard history?";
  spec.informativeText = "One saved clip will be removed. This can't be undone.";
  spec.buttons = {"Clear All History", "Cancel"};
  spec.destructiveButton = 0;
  spec.returnButton = 1;
  spec.cancelButton = 1;
  return spec;
}

int answerWithKey(const AlertSpec& spec, Qt::Key key) {
  std::unique_ptr<QMessageBox> box = MessageBoxAlerts::makeBox(spec);
  box->show();
  QTest::keyClick(box.get(), key);
  return MessageBoxAlerts::answer(*box);
}

}  // namespace

TEST(MessageBoxAlerts, ReturnAndEscapeChooseCancelNeverTheDestructiveButton) {
  const AlertSpec spec = clearAllAlert();
  std::unique_ptr<QMessageBox> box = MessageBoxAlerts::makeBox(spec);
  EXPECT_EQ(box->text(), spec.message);
  EXPECT_EQ(box->informativeText(), spec.informativeText);
  EXPECT_EQ(box->icon(), QMessageBox::Warning);
  QStringList titles;
  for (QAbstractButton* button : box->buttons()) {
    titles << button->text();
    if (button->text() == "Clear All History") {
      EXPECT_EQ(box->buttonRole(button), QMessageBox::DestructiveRole);
    }
  }
  titles.sort();
  EXPECT_EQ(titles, QStringList({"Cancel", "Clear All History"}));

  EXPECT_EQ(answerWithKey(spec, Qt::Key_Return), 1);
  EXPECT_EQ(answerWithKey(spec, Qt::Key_Enter), 1);
  EXPECT_EQ(answerWithKey(spec, Qt::Key_Escape), 1);
}

TEST(MessageBoxAlerts, AnInformationalAlertAnswersReturnWithItsFirstButton) {
  AlertSpec spec;
  spec.message = "Enable Accessibility for Quorvalen";
  spec.buttons = {"Open System Settings", "Not Now"};
  spec.returnButton = 0;
  spec.cancelButton = 1;
  EXPECT_EQ(MessageBoxAlerts::makeBox(spec)->icon(), QMessageBox::Information);
  EXPECT_EQ(answerWithKey(spec, Qt::Key_Return), 0);
  EXPECT_EQ(answerWithKey(spec, Qt::Key_Escape), 1);
}
