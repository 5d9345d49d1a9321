// The program's windows as the desktop sees them: each carries the
// program's icon and the window class its desktop entry names, and a window
// of fixed size cannot be maximised.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QWindow>

#include <cstring>
#include <functional>
#include <map>

#include "EngineTest.h"
#include "Kit.h"
#include "ProgramWindows.h"
#include "SettingsWindow.h"
#include "WindowManager.h"
#include "X11TestSupport.h"

using namespace clipvane;
using namespace clipvane::x11;
using namespace clipvane::x11::test;

namespace {

// The StartupWMClass of the program's desktop entry.
std::string startupClass() {
  QFile entry(QStringLiteral(CLIPVANE_DESKTOP_ENTRY));
  EXPECT_TRUE(entry.open(QIODevice::ReadOnly));
  const auto found = QRegularExpression(QStringLiteral("^StartupWMClass=(.*)$"),
                                        QRegularExpression::MultilineOption)
                         .match(QString::fromUtf8(entry.readAll()));
  return found.captured(1).trimmed().toStdString();
}

// The icons of _NET_WM_ICON by side (square ones only), as images.
std::map<int, QImage> icons(xcb_window_t window) {
  std::map<int, QImage> out;
  const auto bytes = X11Display::shared().property(window, "_NET_WM_ICON", XCB_ATOM_CARDINAL);
  if (!bytes) return out;
  std::vector<uint32_t> data(bytes->size() / 4);
  std::memcpy(data.data(), bytes->data(), data.size() * 4);
  for (std::size_t at = 0; at + 2 <= data.size();) {
    const uint32_t w = data[at], h = data[at + 1];
    if (at + 2 + std::size_t(w) * h > data.size()) break;
    QImage image(int(w), int(h), QImage::Format_ARGB32);
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x) image.setPixel(int(x), int(y), data[at + 2 + y * w + x]);
    if (w == h) out[int(w)] = image;
    at += 2 + std::size_t(w) * h;
  }
  return out;
}

// The atoms the window manager lets the user apply to the window.
std::vector<std::string> allowedActions(xcb_window_t window) {
  std::vector<std::string> out;
  X11Display& d = X11Display::shared();
  const auto bytes = d.property(window, "_NET_WM_ALLOWED_ACTIONS", XCB_ATOM_ATOM);
  if (!bytes) return out;
  for (std::size_t i = 0; i + 4 <= bytes->size(); i += 4) {
    xcb_atom_t atom = 0;
    std::memcpy(&atom, bytes->data() + i, 4);
    auto reply = xcb_get_atom_name_reply(d.conn(), xcb_get_atom_name(d.conn(), atom), nullptr);
    if (!reply) continue;
    out.emplace_back(xcb_get_atom_name_name(reply), xcb_get_atom_name_name_length(reply));
    free(reply);
  }
  return out;
}

bool has(const std::vector<std::string>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

TEST(WindowsX11, EveryWindowCarriesTheProgramsIconAndClassAndOnlyTheActivityWindowMaximises) {
  Program program(QStringLiteral(CLIPVANE_PROGRAM), true);
  ASSERT_TRUE(waitUntil([&] { return bool(program.trayIcon()); }));
  ASSERT_TRUE(program.handOver(QStringLiteral("clipvane://settings/general")));
  ASSERT_TRUE(program.handOver(QStringLiteral("clipvane://activity")));

  const std::string wmClass = std::string("clipvane") + '\0' + startupClass() + '\0';
  struct Case {
    std::string title;
    bool fixedSize;
  };
  const Case cases[] = {
      {"Welcome to Clipvane", true},
      {"General — Clipvane", true},
      {"Activity — Clipvane", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    std::optional<ShownWindow> window;
    ASSERT_TRUE(waitUntil([&] { return bool(window = program.titled(c.title)); }));
    EXPECT_EQ(X11Display::shared().property(window->id, "WM_CLASS"), wmClass);

    // The mark the icon theme holds, at the sizes a taskbar picks from.
    const std::map<int, QImage> shown = icons(window->id);
    for (const int side : {16, 32, 48}) {
      if (!shown.count(side)) {
        ADD_FAILURE() << "no icon of " << side;
        continue;
      }
      const QImage expected = AppIconMark::iconImage(side).convertToFormat(QImage::Format_ARGB32);
      int different = 0;
      for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
          if (shown.at(side).pixel(x, y) != expected.pixel(x, y)) ++different;
      EXPECT_EQ(different, 0) << side;
    }

    std::vector<std::string> actions;
    ASSERT_TRUE(waitUntil([&] { return !(actions = allowedActions(window->id)).empty(); }));
    EXPECT_TRUE(has(actions, "_NET_WM_ACTION_CLOSE"));
    EXPECT_EQ(has(actions, "_NET_WM_ACTION_MAXIMIZE_HORZ"), !c.fixedSize);
    EXPECT_EQ(has(actions, "_NET_WM_ACTION_MAXIMIZE_VERT"), !c.fixedSize);
  }
  EXPECT_TRUE(program.running());
}

// WM_STATE's state: 1 normal, 3 iconic (0 when the window has none).
uint32_t wmState(xcb_window_t window) {
  const auto bytes = X11Display::shared().property(window, "WM_STATE");
  uint32_t state = 0;
  if (bytes && bytes->size() >= 4) std::memcpy(&state, bytes->data(), 4);
  return state;
}

TEST(WindowsX11, AMinimisedWindowComesBackNormalRaisedAndFocusedOnEveryRequest) {
  Program program(QStringLiteral(CLIPVANE_PROGRAM));
  ASSERT_TRUE(waitUntil([&] { return bool(program.trayIcon()); }));
  struct Case {
    const char* what;
    QString url;  // handed to a second copy; empty: a plain second start
    std::string title;
  };
  const Case cases[] = {
      {"settings by URL", QStringLiteral("clipvane://settings/general"), "General — Clipvane"},
      {"another tab by URL", QStringLiteral("clipvane://settings/about"), "About — Clipvane"},
      {"a second start", QString(), "General — Clipvane"},
      {"activity by URL", QStringLiteral("clipvane://activity"), "Activity — Clipvane"},
      {"activity again", QStringLiteral("clipvane://activity"), "Activity — Clipvane"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(program.handOver(c.url));
    std::optional<ShownWindow> window;
    ASSERT_TRUE(waitUntil([&] { return bool(window = program.titled(c.title)); }));
    EXPECT_TRUE(waitUntil([&] { return wmState(window->id) == 1 && activeWindow() == window->id; }))
        << "state " << wmState(window->id) << ", active " << activeWindow();

    // Minimised as the taskbar does it: the next request must bring it back.
    xdotool({"windowminimize", "--sync", QString::number(window->id)});
    ASSERT_TRUE(waitUntil([&] { return wmState(window->id) == 3; }));
  }
  EXPECT_TRUE(program.running());
}

// The import window, shown in this process: its size follows its content.
class ImportWindowX11 : public clipvane::testing::EngineTest {};

// The windows shown by a manager in this process.
class ManagedWindowsX11 : public clipvane::testing::EngineTest {};

TEST_F(ManagedWindowsX11, CtrlWClosesEveryWindowAndTheNextRequestShowsItAgain) {
  WindowManager manager(model());
  struct Case {
    const char* title;
    std::function<void()> show;
    std::function<QWidget*()> window;
  };
  const Case cases[] = {
      {"General — Clipvane", [&] { manager.showSettings(SettingsTab::general); },
       [&]() -> QWidget* { return manager.settingsWindow(); }},
      {"Activity — Clipvane", [&] { manager.showActivity(false); },
       [&] { return manager.activityWindow(); }},
      {"Import — Clipvane", [&] { manager.showImport(); }, [&] { return manager.importWindow(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    for (int round = 0; round < 2; ++round) {
      c.show();
      QWidget* window = c.window();
      ASSERT_NE(window, nullptr);
      EXPECT_EQ(window->windowTitle(), QString::fromUtf8(c.title));
      ASSERT_TRUE(waitUntil([&] {
        return window->isVisible() && activeWindow() == window->winId() &&
               QApplication::activeWindow() == window;
      }));
      xdotool({"key", "ctrl+w"});
      EXPECT_TRUE(waitUntil([&] { return !window->isVisible(); }));
    }
  }
}

TEST_F(ImportWindowX11, CannotBeMaximised) {
  WindowManager manager(model());
  manager.showImport();
  QWidget* window = manager.importWindow();
  ASSERT_TRUE(
      waitUntil([&] { return window->isVisible() && window->windowHandle()->isExposed(); }));
  std::vector<std::string> actions;
  ASSERT_TRUE(waitUntil([&] { return !(actions = allowedActions(window->winId())).empty(); }));
  EXPECT_TRUE(has(actions, "_NET_WM_ACTION_CLOSE"));
  EXPECT_FALSE(has(actions, "_NET_WM_ACTION_MAXIMIZE_HORZ"));
  EXPECT_FALSE(has(actions, "_NET_WM_ACTION_MAXIMIZE_VERT"));
}

}  // namespace
