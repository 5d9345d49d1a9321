// The desktop tests need a running QApplication; listing them needs no X.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstring>
#include <memory>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  std::unique_ptr<QApplication> app;
  if (!::testing::GTEST_FLAG(list_tests)) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    // Our own test windows answer accessibility queries only when this is on
    // before the application starts.
    qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    app = std::make_unique<QApplication>(argc, argv);
  }
  return RUN_ALL_TESTS();
}
