#include "preview/SharePickerAnchor.h"

#include "platform/DesktopEntries.h"
#include "platform/MenuPresenter.h"
#include "ui/InterfaceServices.h"
#include "ui/controls/PanelMenu.h"

#include <QCoreApplication>

namespace qv {

SharePickerAnchor::SharePickerAnchor(InterfaceServices& context, QWidget* parent) : QWidget(parent), context_(context) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::NoFocus);
}

SharePickerAnchor::~SharePickerAnchor() = default;

void SharePickerAnchor::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  props_ = props;
  if (props.trigger == lastTrigger_) return;
  lastTrigger_ = props.trigger;
  // A press with nothing to share is used up.
  if (props.trigger <= 0 || props.items.isEmpty()) return;
  if (isPresenting_) close();
  else present();
}

void SharePickerAnchor::present() {
  // Outside a shown window there is no place to open from; the next press tries again.
  if (!isVisible()) return;
  const quint64 presentation = ++presentations_;
  presentation_ = presentation;
  isPresenting_ = true;
  report(true);
  failsafe_.cancel();
  failsafe_ = context_.scheduler->after(
      kFailsafeDelay, [this] { finish(); }, this);
  std::shared_ptr<SharePicker> picker = context_.sharePicker;
  if (!picker) {
    showMenu({});
    return;
  }
  const QPointer<SharePickerAnchor> self(this);
  picker->listTargets(props_.items, [self, presentation](QList<ShareTarget> targets) {
    // Closed, or pressed again, before the targets were known: nothing opens.
    if (!self || self->presentation_ != presentation || !self->isPresenting_) return;
    self->showMenu(targets);
  });
}

void SharePickerAnchor::showMenu(const QList<ShareTarget>& targets) {
  std::vector<MenuRow> rows;
  std::shared_ptr<SharePicker> picker = context_.sharePicker;
  std::shared_ptr<DesktopEntries> entries = context_.desktopEntries;
  const QList<ShareItem> items = props_.items;
  bool separated = false;
  for (const ShareTarget& target : targets) {
    MenuRow row;
    row.title = target.title;
    if (target.kind == ShareTarget::Kind::email) {
      if (!rows.empty() && !separated) rows.push_back(MenuRow::separator());
      separated = true;
      row.symbol = QStringLiteral("envelope");
    } else if (entries) {
      row.icon = target.iconName.isEmpty() ? QIcon() : entries->icon(target.iconName);
      if (row.icon.isNull()) row.icon = entries->genericApplicationIcon();
    }
    // The menu may outlive the anchor: the row needs only the picker and the items.
    row.action = [picker, target, items] {
      if (picker) picker->share(target, items);
    };
    rows.push_back(std::move(row));
  }
  if (rows.empty()) {
    MenuRow none;
    none.title = QCoreApplication::translate("SharePickerAnchor", "No Apps to Share With");
    none.isEnabled = false;
    rows.push_back(std::move(none));
  }
  auto menu = std::make_unique<PanelMenu>(context_, std::move(rows));
  // Closing with a choice or without one ends the presentation.
  connect(menu.get(), &QMenu::aboutToHide, this, [this] {
    currentMenu_ = nullptr;
    finish();
  });
  currentMenu_ = menu.get();
  // Its right edge against the anchor's left edge, level with its top.
  const QPoint position = mapToGlobal(QPoint(0, 0)) - QPoint(menu->sizeHint().width(), 0);
  context_.menuPresenter->popUp(std::move(menu), position);
}

void SharePickerAnchor::close() {
  if (QMenu* menu = currentMenu_) {
    // Taken off the screen here; its closing must not finish a second time.
    disconnect(menu, &QMenu::aboutToHide, this, nullptr);
    currentMenu_ = nullptr;
    menu->hide();
  }
  finish();
}

void SharePickerAnchor::finish() {
  failsafe_.cancel();
  presentation_ = 0;
  if (QMenu* menu = currentMenu_) disconnect(menu, &QMenu::aboutToHide, this, nullptr);
  currentMenu_ = nullptr;
  report(false);
  // A press that arrives with this close (the same click on the host's control) only closes.
  reset_.cancel();
  reset_ = context_.scheduler->after(
      kResetDelay, [this] { isPresenting_ = false; }, this);
}

void SharePickerAnchor::dismiss() {
  ++reports_;
  failsafe_.cancel();
  reset_.cancel();
  presentation_ = 0;
  if (QMenu* menu = currentMenu_) {
    disconnect(menu, &QMenu::aboutToHide, this, nullptr);
    currentMenu_ = nullptr;
    menu->hide();
  }
  isPresenting_ = false;
}

void SharePickerAnchor::report(bool presenting) {
  // Never inside the host's own update; the callback is read when the report runs.
  context_.scheduler->post(
      [this, presenting, reports = reports_] {
        if (reports == reports_ && callbacks_.onStateChange) callbacks_.onStateChange(presenting);
      },
      this);
}

}  // namespace qv
