// The settings window as a screen reader meets it, through the desktop's
// accessibility bus: every tab is a page tab with its label, every control
// has a name, and painted text is read as the text it shows.
#include <gtest/gtest.h>

#include <atspi/atspi.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <set>
#include <string>
#include <vector>

#include "ProgramWindows.h"
#include "X11TestSupport.h"

using namespace clipvane::x11::test;

namespace {

struct Node {
  AtspiRole role;
  std::string name;
  std::string path;  // the names from the window down, for messages
};

std::string nameOf(AtspiAccessible* a) {
  GError* error = nullptr;
  gchar* name = atspi_accessible_get_name(a, &error);
  g_clear_error(&error);
  std::string out = name ? name : "";
  g_free(name);
  return out;
}

void walk(AtspiAccessible* a, const std::string& path, std::vector<Node>& out, int depth = 0) {
  if (depth > 60) return;
  GError* error = nullptr;
  const AtspiRole role = atspi_accessible_get_role(a, &error);
  g_clear_error(&error);
  const std::string name = nameOf(a);
  const std::string here = path + "/" + (name.empty() ? "?" : name);
  out.push_back({role, name, here});
  const int count = atspi_accessible_get_child_count(a, &error);
  g_clear_error(&error);
  for (int i = 0; i < count; ++i) {
    AtspiAccessible* child = atspi_accessible_get_child_at_index(a, i, &error);
    g_clear_error(&error);
    if (!child) continue;
    walk(child, here, out, depth + 1);
    g_object_unref(child);
  }
}

// Every accessible object of the process's windows (none while the process
// is not on the bus yet).
std::vector<Node> tree(qint64 pid) {
  std::vector<Node> out;
  AtspiAccessible* desktop = atspi_get_desktop(0);
  GError* error = nullptr;
  const int apps = atspi_accessible_get_child_count(desktop, &error);
  g_clear_error(&error);
  for (int i = 0; i < apps; ++i) {
    AtspiAccessible* app = atspi_accessible_get_child_at_index(desktop, i, &error);
    g_clear_error(&error);
    if (!app) continue;
    if (qint64(atspi_accessible_get_process_id(app, &error)) == pid) walk(app, "", out);
    g_clear_error(&error);
    g_object_unref(app);
  }
  g_object_unref(desktop);
  return out;
}

TEST(AccessibleNamesX11, EverySettingsTabIsAPageTabAndNoControlGoesUnnamed) {
  ASSERT_EQ(atspi_init() >= 0, true);
  QProcessEnvironment env;
  env.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
  Program program(QStringLiteral(CLIPVANE_PROGRAM), QByteArray(R"({"onboarded": true})"), env);
  ASSERT_TRUE(waitUntil([&] { return bool(program.trayIcon()); }));
  ASSERT_TRUE(program.handOver(QStringLiteral("clipvane://activity")));
  ASSERT_TRUE(program.handOver(QStringLiteral("clipvane://settings/detection")));
  ASSERT_TRUE(waitUntil([&] { return bool(program.titled("Detect — Clipvane")); }));

  std::vector<Node> nodes;
  QStringList tabs;
  ASSERT_TRUE(waitUntil(
      [&] {
        nodes = tree(program.pid());
        tabs.clear();
        for (const Node& n : nodes)
          if (n.role == ATSPI_ROLE_PAGE_TAB) tabs << QString::fromStdString(n.name);
        return tabs.size() >= 5;
      },
      std::chrono::seconds(30)))
      << "page tabs found: " << tabs.join(", ").toStdString();
  EXPECT_EQ(tabs, (QStringList{"General", "Detect", "Auto-mask", "Apps", "About"}));

  int checkBoxes = 0;
  bool groupNamed = false, headingRead = false;
  for (const Node& n : nodes) {
    if (n.role == ATSPI_ROLE_CHECK_BOX) {
      ++checkBoxes;
      groupNamed = groupNamed || n.name == "Financial";
    }
    headingRead = headingRead || ((n.role == ATSPI_ROLE_STATIC || n.role == ATSPI_ROLE_LABEL) &&
                                  n.name == "Custom rules");
  }
  // Nothing the user can operate goes unnamed, in either window.
  const std::set<AtspiRole> controls = {ATSPI_ROLE_PUSH_BUTTON,   ATSPI_ROLE_CHECK_BOX,
                                        ATSPI_ROLE_RADIO_BUTTON,  ATSPI_ROLE_PAGE_TAB,
                                        ATSPI_ROLE_TOGGLE_BUTTON, ATSPI_ROLE_TEXT,
                                        ATSPI_ROLE_ENTRY,         ATSPI_ROLE_PAGE_TAB_LIST};
  for (const Node& n : nodes) {
    if (n.name.empty() && controls.count(n.role)) {
      ADD_FAILURE() << "an unnamed control (role " << n.role << ") at " << n.path;
    }
  }
  EXPECT_GT(checkBoxes, 5);
  EXPECT_TRUE(groupNamed) << "the Detect groups' check boxes carry the group's title";
  EXPECT_TRUE(headingRead) << "a section title is read as text";
  EXPECT_TRUE(program.running());
}

// The names of every piece of text the process shows.
std::set<std::string> texts(qint64 pid) {
  std::set<std::string> out;
  for (const Node& n : tree(pid))
    if ((n.role == ATSPI_ROLE_STATIC || n.role == ATSPI_ROLE_LABEL) && !n.name.empty())
      out.insert(n.name);
  return out;
}

TEST(AccessibleNamesX11, TheFirstRunHeadlineAndANoticeAreReadAsTheirText) {
  ASSERT_EQ(atspi_init() >= 0, true);
  QProcessEnvironment env;
  env.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
  Program program(QStringLiteral(CLIPVANE_PROGRAM), QByteArray(), env);
  ASSERT_TRUE(waitUntil([&] { return bool(program.titled("Welcome to Clipvane")); }));
  std::set<std::string> before;
  EXPECT_TRUE(
      waitUntil([&] { return (before = texts(program.pid())).count("How should paste work?"); },
                std::chrono::seconds(30)));

  // A copied address brings a notice: its words reach the bus as text.
  QProcess xclip;
  xclip.start(QStringLiteral("xclip"), {"-selection", "clipboard", "-quiet"});
  ASSERT_TRUE(xclip.waitForStarted());
  xclip.write("Please write to jane.doe@example.com today");
  xclip.closeWriteChannel();
  std::set<std::string> added;
  EXPECT_TRUE(waitUntil(
      [&] {
        added.clear();
        for (const std::string& t : texts(program.pid()))
          if (!before.count(t)) added.insert(t);
        return !added.empty();
      },
      std::chrono::seconds(30)))
      << "no named text came with the notice";
  xclip.kill();
  xclip.waitForFinished();
}

}  // namespace
