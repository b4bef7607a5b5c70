#include "platform/Alerts.h"

#include "base/Log.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace qv {

namespace {
constexpr char kIndexProperty[] = "qvAlertButtonIndex";
}

std::unique_ptr<QMessageBox> MessageBoxAlerts::makeBox(const AlertSpec& spec) {
  auto box = std::make_unique<QMessageBox>();
  box->setIcon(spec.style == AlertSpec::Style::warning ? QMessageBox::Warning : QMessageBox::Information);
  if (!QApplication::windowIcon().isNull()) box->setIconPixmap(QApplication::windowIcon().pixmap(64, 64));
  box->setText(spec.message);
  box->setInformativeText(spec.informativeText);
  box->setWindowFlag(Qt::WindowStaysOnTopHint);
  for (qsizetype index = 0; index < spec.buttons.size(); ++index) {
    const auto role = index == spec.destructiveButton ? QMessageBox::DestructiveRole
                      : index == spec.cancelButton    ? QMessageBox::RejectRole
                                                      : QMessageBox::AcceptRole;
    QPushButton* button = box->addButton(spec.buttons[index], role);
    button->setProperty(kIndexProperty, int(index));
    // Only the named button answers Return; Qt would otherwise pick one by itself.
    button->setAutoDefault(false);
    if (index == spec.returnButton) box->setDefaultButton(button);
    if (index == spec.cancelButton) box->setEscapeButton(button);
  }
  return box;
}

int MessageBoxAlerts::answer(const QMessageBox& box) {
  const QAbstractButton* clicked = box.clickedButton();
  return clicked ? clicked->property(kIndexProperty).toInt() : -1;
}

int MessageBoxAlerts::run(const AlertSpec& spec) {
  std::unique_ptr<QMessageBox> box = makeBox(spec);
  box->winId();  // the native window exists from here, so the log can name it
  qCInfo(lcPlatform).nospace() << "Alert shown in window 0x" << Qt::hex << box->winId();
  box->exec();
  return answer(*box);
}

}  // namespace qv
