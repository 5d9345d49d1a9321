#include <gtest/gtest.h>

#include "AppSettings.h"
#include "Place.h"
#include "fakes/FakePorts.h"
#include "fakes/FakeSystemPorts.h"

using namespace clipvane;
using PlaceKind = ActivityEntry::PlaceKind;

namespace {

struct PlaceTest : ::testing::Test {
  fakes::FakePorts ports;
  fakes::FakeSystemPorts system;
  AppSettings settings;

  PlaceTest() {
    AppSettings::ProtectedApp site;
    site.name = u"Example chat";
    site.site = u"chat.example.com";
    site.scope = AppSettings::ProtectedApp::Scope::extensionSite;
    settings.protectedApps = {site};
  }
  static RunningApp app(const char* id, const char* name, qint64 pid = 7) {
    return RunningApp{pid, id ? std::optional(QString::fromUtf8(id)) : std::nullopt,
                      QString::fromUtf8(name)};
  }
  // An application outside the fixed list whose desktop entry says "terminal".
  static RunningApp terminalByEntry(const char* id, const char* name) {
    RunningApp a = app(id, name);
    a.terminal = true;
    return a;
  }
};

TEST_F(PlaceTest, Destinations) {
  struct Case {
    const char* name;
    std::optional<RunningApp> app;
    const char* tabAddress;  // may be null, as the title
    const char* title;
    bool trusted;
    const char* place;
    PlaceKind kind;
  };
  const Case cases[] = {
      {"nothing in front", std::nullopt, nullptr, nullptr, true, "Unknown", PlaceKind::app},
      {"browser tab, unprotected host", app("firefox", "Firefox"),
       "https://www.news.example.org/today", nullptr, true, "news.example.org", PlaceKind::site},
      {"browser, protected site in the title", app("google-chrome", "Chrome"), nullptr,
       "Chat.example.com - New chat", true, "chat.example.com", PlaceKind::site},
      {"browser, no site", app("chromium", "Chromium"), nullptr, "Recipes", true, "Chromium",
       PlaceKind::app},
      {"browser without permission", app("firefox", "Firefox"), "https://chat.example.com/",
       "chat.example.com", false, "Firefox", PlaceKind::app},
      {"terminal with two agents", app("org.gnome.Terminal", "Terminal"), nullptr,
       "aider --model x | Claude", true, "Terminal · claude", PlaceKind::terminal},
      {"agent inside a longer word", app("kitty", "kitty"), nullptr, "~/src/champion", true,
       "kitty · amp", PlaceKind::terminal},
      {"terminal, no agent", app("org.kde.konsole", "Konsole"), nullptr, "bash", true, "Konsole",
       PlaceKind::terminal},
      {"terminal without permission", app("com.mitchellh.ghostty", "Ghostty"), nullptr, "claude",
       false, "Ghostty", PlaceKind::terminal},
      {"terminal by its desktop entry", terminalByEntry("debian-xterm", "XTerm"), nullptr,
       "codex: ~/src", true, "XTerm · codex", PlaceKind::terminal},
      {"other application", app("code", "Code"), nullptr, "claude", true, "Code", PlaceKind::app},
      {"no name, no id", app(nullptr, ""), nullptr, nullptr, true, "App", PlaceKind::app},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    system.accessibility.applications.clear();
    auto focused = system.accessibility.focus();
    if (c.tabAddress)
      focused->attributes[AccessibilityPort::Attribute::url] = QString(c.tabAddress);
    if (c.title) system.accessibility.window(7, QString(c.title));
    ports.keyboard.trusted = c.trusted;
    EXPECT_EQ(Place::of(c.app, settings), (Place{c.place, c.kind}));
  }
}

TEST_F(PlaceTest, AProtectedSiteMatchesOnlyAsAWholeHost) {
  struct Case {
    const char* title;
    bool match;
  };
  const Case cases[] = {
      {"chat.example.com", true},
      {"Ask anything - chat.example.com.", true},  // a sentence's full stop
      {"(chat.example.com)", true},
      {"mychat.example.com", false},
      {"my.chat.example.com", false},
      {"my-chat.example.com", false},
      {"chat.example.com.evil.net", false},
      {"chat.example.community", false},
      {"chat.example.com-mirror", false},
      {"chat.example.com:8080", true},
  };
  for (const Case& c : cases) {
    system.accessibility.window(9, QString::fromUtf8(c.title));
    EXPECT_EQ(Place::siteHost(9, {QStringLiteral("Chat.Example.com")}).has_value(), c.match)
        << c.title;
  }
  system.accessibility.window(9, QStringLiteral("chat.example.com"));
  EXPECT_FALSE(Place::siteHost(9, {}));
}

TEST_F(PlaceTest, ATerminalByItsEntryOrByTheFixedList) {
  struct Case {
    std::optional<RunningApp> app;
    bool terminal;
  };
  const Case cases[] = {
      {std::nullopt, false},
      {app("org.gnome.Terminal", "Terminal"), true},  // the fixed list, whatever the entry says
      {app("kitty", "kitty"), true},
      {terminalByEntry("Alacritty", "Alacritty"), true},
      {terminalByEntry(nullptr, "urxvt"), true},
      {app("xterm", "XTerm"), false},  // no entry and not in the list
      {app("code", "Code"), false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Place::isTerminal(c.app), c.terminal) << (c.app ? c.app->name.toStdString() : "none");
}

}  // namespace
