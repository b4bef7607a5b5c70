#include "settings/AppChooser.h"

#include "platform/DesktopEntryIndex.h"
#include "platform/ProgramIdentity.h"
#include "settings/SettingsServices.h"
#include "ui/controls/PillButtons.h"
#include "ui/controls/TextInput.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QVBoxLayout>

namespace qv {

namespace {
constexpr int kEntryRole = Qt::UserRole;
}

AppChooser::AppChooser(SettingsServices& context, QWidget* parent) : QWidget(parent, Qt::Dialog) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Add App"));
  resize(380, 460);
  auto* stack = new QVBoxLayout(this);
  stack->setContentsMargins(12, 12, 12, 12);
  stack->setSpacing(10);
  search_ = new QVSearchTextField(this);
  search_->setPlaceholderText(QStringLiteral("Search"));
  search_->setClearButtonEnabled(true);
  stack->addWidget(search_);
  list_ = new QListWidget(this);
  list_->setSelectionMode(QAbstractItemView::MultiSelection);
  list_->setIconSize(QSize(24, 24));
  list_->setUniformItemSizes(true);
  stack->addWidget(list_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  cancel_ = new ConfirmPillButton(context, {QStringLiteral("Cancel"), false}, {[this] { cancel(); }});
  add_ = new AccentPillButton(context, {QStringLiteral("Add"), std::nullopt, false}, {[this] { accept(); }});
  buttons->addWidget(cancel_);
  buttons->addWidget(add_);
  stack->addLayout(buttons);

  if (context.desktopEntries) {
    DesktopEntries& desktop = *context.desktopEntries;
    entries_ = candidates(*desktop.index());
    for (qsizetype i = 0; i < entries_.size(); ++i) {
      const DesktopEntry& entry = entries_.at(i);
      QIcon icon = entry.iconName.isEmpty() ? QIcon() : desktop.icon(entry.iconName);
      if (icon.isNull()) icon = desktop.genericApplicationIcon();
      auto* item = new QListWidgetItem(icon, entry.name.isEmpty() ? entry.id : entry.name, list_);
      item->setData(kEntryRole, int(i));
      item->setToolTip(entry.id);
    }
  }
  connect(search_, &QLineEdit::textChanged, this, &AppChooser::narrow);
  connect(list_, &QListWidget::itemSelectionChanged, this, &AppChooser::updateAddButton);
  connect(list_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    item->setSelected(true);
    accept();
  });
  search_->setFocus();
}

QList<DesktopEntry> AppChooser::candidates(const DesktopEntryIndex& index) {
  QList<DesktopEntry> offered = index.applications();
  offered.removeIf([](const DesktopEntry& entry) { return entry.id == program::applicationId(); });
  return offered;
}

bool AppChooser::matches(const DesktopEntry& entry, const QString& query) {
  const QStringList words = query.split(u' ', Qt::SkipEmptyParts);
  return std::all_of(words.cbegin(), words.cend(), [&](const QString& word) {
    return entry.name.contains(word, Qt::CaseInsensitive) || entry.id.contains(word, Qt::CaseInsensitive);
  });
}

// Narrowing hides rows; what was picked stays picked.
void AppChooser::narrow(const QString& query) {
  for (int row = 0; row < list_->count(); ++row) {
    QListWidgetItem* item = list_->item(row);
    item->setHidden(!matches(entries_.at(item->data(kEntryRole).toInt()), query));
  }
}

QList<DesktopEntry> AppChooser::shown() const {
  QList<DesktopEntry> result;
  for (int row = 0; row < list_->count(); ++row)
    if (!list_->item(row)->isHidden()) result.append(entries_.at(list_->item(row)->data(kEntryRole).toInt()));
  return result;
}

void AppChooser::setPicked(const QString& id, bool picked) {
  for (int row = 0; row < list_->count(); ++row) {
    QListWidgetItem* item = list_->item(row);
    if (entries_.at(item->data(kEntryRole).toInt()).id == id) item->setSelected(picked);
  }
}

// In list order, whatever order they were picked in.
QList<DesktopEntry> AppChooser::picked() const {
  QList<DesktopEntry> result;
  for (int row = 0; row < list_->count(); ++row)
    if (list_->item(row)->isSelected()) result.append(entries_.at(list_->item(row)->data(kEntryRole).toInt()));
  return result;
}

void AppChooser::updateAddButton() {
  add_->setProps({QStringLiteral("Add"), std::nullopt, !picked().isEmpty()}, {[this] { accept(); }});
}

void AppChooser::accept() {
  const QList<DesktopEntry> entries = picked();
  close();
  if (!entries.isEmpty()) Q_EMIT chosen(entries);
}

void AppChooser::cancel() { close(); }

void AppChooser::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) return cancel();
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return accept();
  QWidget::keyPressEvent(event);
}

}  // namespace qv
