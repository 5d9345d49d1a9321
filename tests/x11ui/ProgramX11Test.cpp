// The program on a real X server with a tray host: its icon is docked, a
// click opens its menu, and a copied address brings a notice under the icon.
#include <gtest/gtest.h>

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include "ProgramWindows.h"
#include "X11TestSupport.h"

using namespace clipvane::x11::test;

namespace {

// Saves what the screen shows in the rectangle.
void screenshot(const QRect& r, const QString& name) {
  QDir().mkpath(QStringLiteral(CLIPVANE_SCREENSHOTS));
  QGuiApplication::primaryScreen()
      ->grabWindow(0, r.x(), r.y(), r.width(), r.height())
      .save(QStringLiteral(CLIPVANE_SCREENSHOTS "/") + name + QStringLiteral(".png"));
}

// A popup of the program other than the ones already there.
std::optional<ShownWindow> newPopup(const Program& program,
                                    const std::vector<ShownWindow>& before) {
  for (const ShownWindow& w : program.popups()) {
    bool seen = false;
    for (const ShownWindow& b : before) seen = seen || b.id == w.id;
    if (!seen) return w;
  }
  return std::nullopt;
}

}  // namespace

TEST(ProgramX11, StartsDockedInTheTrayAndOpensItsMenuOnAClick) {
  Program program(QStringLiteral(CLIPVANE_PROGRAM));
  std::optional<ShownWindow> icon;
  ASSERT_TRUE(waitUntil([&] { return bool(icon = program.trayIcon()); }));
  EXPECT_GE(icon->frame.width(), 16);
  EXPECT_GE(icon->frame.height(), 16);

  const auto before = program.popups();
  const QPoint centre = icon->frame.center();
  xdotool({"mousemove", QString::number(centre.x()), QString::number(centre.y()), "click", "1"});
  std::optional<ShownWindow> menu;
  ASSERT_TRUE(waitUntil([&] { return bool(menu = newPopup(program, before)); }));
  EXPECT_GE(menu->frame.width(), 250);
  waitUntil([] { return false; }, std::chrono::milliseconds(300));  // painted
  screenshot(menu->frame.united(icon->frame).adjusted(-8, -8, 8, 8), "x11-status-menu");

  xdotool({"key", "Escape"});
  EXPECT_TRUE(waitUntil([&] { return !newPopup(program, before); }));
  EXPECT_TRUE(program.running());
}

TEST(ProgramX11, ACopiedAddressShowsTheNoticeByTheIcon) {
  Program program(QStringLiteral(CLIPVANE_PROGRAM));
  std::optional<ShownWindow> icon;
  ASSERT_TRUE(waitUntil([&] { return bool(icon = program.trayIcon()); }));
  const auto before = program.popups();

  QProcess xclip;
  xclip.start(QStringLiteral("xclip"), {"-selection", "clipboard", "-quiet"});
  ASSERT_TRUE(xclip.waitForStarted());
  xclip.write("Please write to jane.doe@example.com today");
  xclip.closeWriteChannel();

  std::optional<ShownWindow> notice;
  ASSERT_TRUE(waitUntil([&] { return bool(notice = newPopup(program, before)); }));
  waitUntil([] { return false; }, std::chrono::milliseconds(400));  // faded in
  notice = newPopup(program, before);
  ASSERT_TRUE(notice);
  // The tray sits at the bottom of the screen: the notice stands above the
  // icon, over its column.
  const QPoint centre = icon->frame.center();
  EXPECT_LE(notice->frame.top(), icon->frame.top());
  EXPECT_LE(notice->frame.left(), centre.x());
  EXPECT_GE(notice->frame.right(), centre.x());
  screenshot(notice->frame.united(icon->frame).adjusted(-8, -8, 8, 8), "x11-copy-notice");

  // The menu now lists the copy, drawn in the tray host's menu as offscreen.
  const auto shown = program.popups();
  xdotool({"mousemove", QString::number(centre.x()), QString::number(centre.y()), "click", "1"});
  std::optional<ShownWindow> menu;
  ASSERT_TRUE(waitUntil([&] { return bool(menu = newPopup(program, shown)); }));
  waitUntil([] { return false; }, std::chrono::milliseconds(300));
  screenshot(menu->frame.adjusted(-8, -8, 8, 8), "x11-status-menu-recent");
  xdotool({"key", "Escape"});

  xclip.kill();
  xclip.waitForFinished();
}
