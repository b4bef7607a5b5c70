#pragma once
#include <QString>
#include <QStringList>
#include <memory>

class QMessageBox;

namespace qv {

// A modal question with buttons, shown in front of everything else.
struct AlertSpec {
  enum class Style { informational, warning };
  Style style = Style::informational;
  QString message;
  QString informativeText;
  QStringList buttons;    // in the order shown, the first one rightmost
  int returnButton = -1;  // chosen by Return; -1: none
  int cancelButton = -1;  // chosen by Escape; -1: none
  int destructiveButton = -1;
  bool operator==(const AlertSpec&) const = default;
};

class Alerts {
 public:
  virtual ~Alerts() = default;
  // Shows the alert and waits for the answer: the index of the chosen button, -1 when the
  // alert was dismissed without one.
  virtual int run(const AlertSpec& spec) = 0;
};

// Alerts as QMessageBox dialogs with the application's icon.
class MessageBoxAlerts : public Alerts {
 public:
  int run(const AlertSpec& spec) override;
  // The dialog for `spec`, not yet shown.
  static std::unique_ptr<QMessageBox> makeBox(const AlertSpec& spec);
  // The index in `spec.buttons` of the button a dialog of makeBox() was answered with; -1: none.
  static int answer(const QMessageBox& box);
};

}  // namespace qv
