// Test entry: a QApplication on the offscreen platform unless a test run chose another.
#include <gtest/gtest.h>
#include <QApplication>
#include <QTest>
#include <QWidget>

namespace {

// Qt keeps the pressed mouse buttons application-wide; a test that ends mid-click (its widget
// hidden or gone before the release) would leave them held for every later test in the process.
class ReleaseHeldButtons : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override {
    const Qt::MouseButtons held = QGuiApplication::mouseButtons();
    if (held == Qt::NoButton) return;
    QWidget target;
    target.resize(10, 10);
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
      if (held & button) QTest::mouseRelease(&target, button, {}, QPoint(5, 5));
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new ReleaseHeldButtons);
  return RUN_ALL_TESTS();
}
