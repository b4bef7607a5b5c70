#include "app/EditKeyMonitor.h"
#include "app/SingleInstance.h"
#include "platform/Paths.h"
#include "preview/EditableTextView.h"
#include "support/ProcessHelpers.h"
#include "support/platform/SteppedScheduler.h"
#include "support/ui/FakeInterfaceContext.h"
#include "ui/controls/TextViewers.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTextEdit>
#include <thread>
#include <tuple>

using namespace qv;
using Action = EditKeyMonitor::EditAction;

namespace {
Action actionFor(Qt::Key key, Qt::KeyboardModifiers modifiers) {
  return EditKeyMonitor::actionFor(QKeyEvent(QEvent::KeyPress, key, modifiers));
}
}  // namespace

TEST(EditKeyMonitor, OnlyExactlyCtrlWithTheFiveLettersIsAnEditKey) {
  EXPECT_EQ(actionFor(Qt::Key_V, Qt::ControlModifier), Action::paste);
  EXPECT_EQ(actionFor(Qt::Key_C, Qt::ControlModifier), Action::copy);
  EXPECT_EQ(actionFor(Qt::Key_X, Qt::ControlModifier), Action::cut);
  EXPECT_EQ(actionFor(Qt::Key_A, Qt::ControlModifier), Action::selectAll);
  EXPECT_EQ(actionFor(Qt::Key_Z, Qt::ControlModifier), Action::undo);
  EXPECT_EQ(actionFor(Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier), Action::none);
  EXPECT_EQ(actionFor(Qt::Key_V, Qt::ControlModifier | Qt::AltModifier), Action::none);
  EXPECT_EQ(actionFor(Qt::Key_V, Qt::ControlModifier | Qt::MetaModifier), Action::none);
  EXPECT_EQ(actionFor(Qt::Key_V, Qt::ControlModifier | Qt::KeypadModifier), Action::none);
  EXPECT_EQ(actionFor(Qt::Key_V, Qt::MetaModifier), Action::none);
  EXPECT_EQ(actionFor(Qt::Key_V, Qt::NoModifier), Action::none);
  EXPECT_EQ(actionFor(Qt::Key_B, Qt::ControlModifier), Action::none);
}

TEST(EditKeyMonitor, ActionsReachTextFieldsAndAreRefusedWhereTheyCannotApply) {
  QApplication::clipboard()->setText(QStringLiteral("pasted"));
  QLineEdit field;
  EXPECT_TRUE(EditKeyMonitor::perform(Action::paste, &field));
  EXPECT_EQ(field.text(), "pasted");
  EXPECT_TRUE(EditKeyMonitor::perform(Action::selectAll, &field));
  EXPECT_EQ(field.selectedText(), "pasted");
  EXPECT_TRUE(EditKeyMonitor::perform(Action::cut, &field));
  EXPECT_TRUE(field.text().isEmpty());
  EXPECT_TRUE(EditKeyMonitor::perform(Action::undo, &field));
  EXPECT_EQ(field.text(), "pasted");

  field.setReadOnly(true);
  EXPECT_FALSE(EditKeyMonitor::perform(Action::paste, &field));
  EXPECT_FALSE(EditKeyMonitor::perform(Action::cut, &field));
  EXPECT_TRUE(EditKeyMonitor::perform(Action::copy, &field));

  QLineEdit password;
  password.setEchoMode(QLineEdit::Password);
  EXPECT_FALSE(EditKeyMonitor::perform(Action::copy, &password));

  QTextEdit text;
  EXPECT_FALSE(EditKeyMonitor::perform(Action::undo, &text));  // nothing to undo
  EXPECT_TRUE(EditKeyMonitor::perform(Action::paste, &text));
  EXPECT_EQ(text.toPlainText(), "pasted");

  QWidget plain;
  EXPECT_FALSE(EditKeyMonitor::perform(Action::paste, &plain));
  EXPECT_FALSE(EditKeyMonitor::perform(Action::paste, nullptr));
}

TEST(EditKeyMonitor, SwallowsAHandledKeyOnItsWayToTheFocusedField) {
  EditKeyMonitor monitor;
  QWidget window;
  auto* field = new QLineEdit(QStringLiteral("abc"), &window);
  window.show();
  QApplication::setActiveWindow(&window);
  field->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), field);
  field->deselect();
  QKeyEvent selectAll(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
  QApplication::sendEvent(field, &selectAll);
  EXPECT_EQ(field->selectedText(), "abc");
  // A key it does not take goes on to the field as usual.
  QKeyEvent typed(QEvent::KeyPress, Qt::Key_D, Qt::NoModifier, QStringLiteral("d"));
  QApplication::sendEvent(field, &typed);
  EXPECT_EQ(field->text(), "d");
}

// An editor whose long text is still coming in takes Ctrl+A then a letter in that order once the
// text is in: Select All is not done at once on the part that is there.
TEST(EditKeyMonitor, LeavesTheKeysOfAnEditorStillFillingToItInTheirOrder) {
  EditKeyMonitor monitor;
  test::FakeInterfaceContext fake;
  auto scheduler = std::make_shared<test::SteppedScheduler>();
  fake.context->scheduler = scheduler;
  QWidget window;
  window.resize(400, 300);
  auto* editor = new EditableTextView(*fake.context, false, &window);
  editor->resize(400, 300);
  editor->setProps({QStringLiteral("a\n").repeated(int(4 * QVTextViewer::kPieceLength))}, {});
  window.show();
  QApplication::setActiveWindow(&window);
  editor->setFocus();
  ASSERT_TRUE(editor->isFilling());
  for (const auto& [key, modifiers, text] : {std::tuple{Qt::Key_A, Qt::ControlModifier, QString()},
                                             std::tuple{Qt::Key_Q, Qt::NoModifier, QStringLiteral("q")}}) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(editor, &press);
  }
  while (scheduler->runOne()) {
  }
  ASSERT_FALSE(editor->isFilling());
  EXPECT_EQ(editor->currentText(), QStringLiteral("q"));
}

TEST(SingleInstance, OneHolderAtATimeAndTheLockGoesWithIt) {
  QTemporaryDir folder;
  std::unique_ptr<SingleInstance> first = SingleInstance::acquire(folder.path());
  ASSERT_TRUE(first);
  EXPECT_FALSE(SingleInstance::acquire(folder.path(), 100));
  first.reset();
  EXPECT_TRUE(SingleInstance::acquire(folder.path()));
  EXPECT_FALSE(SingleInstance::acquire(QString()));
}

TEST(SingleInstance, TheLockFileIsTheUsersAloneWhateverTheUmask) {
  QTemporaryDir folder;
  const mode_t previous = ::umask(0);
  std::unique_ptr<SingleInstance> instance = SingleInstance::acquire(folder.path());
  ::umask(previous);
  ASSERT_TRUE(instance);
  struct stat info {};
  ASSERT_EQ(::stat(QFile::encodeName(instance->lockFilePath()).constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(SingleInstance, ARelaunchWaitsForTheOldHolderToLetGo) {
  QTemporaryDir folder;
  std::unique_ptr<SingleInstance> old = SingleInstance::acquire(folder.path());
  ASSERT_TRUE(old);
  // The old program finishes its final save and exits while the new one waits.
  std::thread finishing([&old] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    old.reset();
  });
  std::unique_ptr<SingleInstance> relaunched = SingleInstance::acquire(folder.path(), 10000);
  finishing.join();
  EXPECT_TRUE(relaunched);
}

TEST(SingleInstance, AnotherStartTellsTheRunningProgram) {
  QTemporaryDir folder;
  EXPECT_FALSE(SingleInstance::tellRunningInstance(folder.path()));  // nobody runs
  std::unique_ptr<SingleInstance> running = SingleInstance::acquire(folder.path());
  ASSERT_TRUE(running);
  int told = 0;
  ASSERT_TRUE(running->listenForAnotherStart([&told] { ++told; }));
  EXPECT_TRUE(SingleInstance::tellRunningInstance(folder.path()));
  EXPECT_TRUE(test::waitFor([&] { return told == 1; }, 5000));
}

namespace qv {
namespace {

// The data folder holds its own lock: a second program on the same history is refused whatever
// its runtime folder, a relaunch waits for the old one to let go, and a folder that cannot hold
// the lock says why.
TEST(DataFolderLock, OneProgramPerDataFolderAndARelaunchWaits) {
  QTemporaryDir data;
  std::unique_ptr<DataFolderLock> first = DataFolderLock::acquire(data.path());
  ASSERT_TRUE(first);
  QString error;
  EXPECT_FALSE(DataFolderLock::acquire(data.path(), 50, &error));
  EXPECT_TRUE(error.isEmpty()) << "another program holds it";
  std::thread finishing([&first] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    first.reset();
  });
  EXPECT_TRUE(DataFolderLock::acquire(data.path(), 10000));
  finishing.join();

  ASSERT_TRUE(writeFileAtomically(data.filePath(QStringLiteral("file")), "x"));
  EXPECT_FALSE(DataFolderLock::acquire(data.filePath(QStringLiteral("file/data")), 0, &error));
  EXPECT_TRUE(error.contains(QStringLiteral("cannot be created"))) << error.toStdString();
}

}  // namespace
}  // namespace qv
