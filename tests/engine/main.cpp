// The engine's tests run with a Qt event loop, as the program does.
#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  // Nothing a test writes may reach the user's own data directory.
  QTemporaryDir home;
  qputenv("CLIPVANE_HOME", home.path().toUtf8());
  // The model reads the session's kind at start: the tests choose it.
  qunsetenv("WAYLAND_DISPLAY");
  QCoreApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
