// Ending the program while it owns the clipboard, on a real X server: the
// clipboard goes to the clipboard manager where one runs, and ending never
// waits long for one that does not answer.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <xcb/xcb.h>

#include <QElapsedTimer>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <thread>

#include "E2eSupport.h"
#include "X11TestSupport.h"

using namespace clipvane;
using namespace clipvane::e2e;
using x11::test::waitUntil;
using x11::test::xdotool;
using namespace std::chrono_literals;

namespace {

// A clipboard manager as desktops run one, on its own connection and thread:
// it owns CLIPBOARD_MANAGER and, asked to SAVE_TARGETS, fetches the
// clipboard's TARGETS and its text from the owner, then owns the clipboard
// with that text itself. A silent one never answers.
class ClipboardManager {
 public:
  explicit ClipboardManager(bool answers) : answers_(answers) {
    c_ = xcb_connect(nullptr, nullptr);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
    window_ = xcb_generate_id(c_);
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c_, XCB_COPY_FROM_PARENT, window_, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_EVENT_MASK,
                      &events);
    manager_ = atom("CLIPBOARD_MANAGER");
    saveTargets_ = atom("SAVE_TARGETS");
    clipboard_ = atom("CLIPBOARD");
    targets_ = atom("TARGETS");
    utf8_ = atom("UTF8_STRING");
    into_ = atom("CLIPVANE_TEST_SAVED");
    xcb_set_selection_owner(c_, window_, manager_, XCB_CURRENT_TIME);
    xcb_flush(c_);
    thread_ = std::thread([this] { run(); });
  }
  ~ClipboardManager() {
    stop_ = true;
    thread_.join();
    xcb_disconnect(c_);
  }

  int asked() const { return asked_; }
  QByteArray saved() const {
    std::lock_guard lock(mutex_);
    return saved_;
  }

 private:
  xcb_atom_t atom(const char* name) {
    auto* r = xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, uint16_t(std::strlen(name)), name),
                                    nullptr);
    const xcb_atom_t a = r ? r->atom : XCB_NONE;
    std::free(r);
    return a;
  }

  // The next event, waited for up to the deadline; null after it.
  xcb_generic_event_t* next(const QElapsedTimer& since, int limitMs) {
    while (!stop_ && since.elapsed() < limitMs) {
      if (auto* e = xcb_poll_for_event(c_)) return e;
      pollfd fd{xcb_get_file_descriptor(c_), POLLIN, 0};
      ::poll(&fd, 1, 20);
    }
    return nullptr;
  }

  void run() {
    QElapsedTimer started;
    started.start();
    while (auto* e = next(started, std::numeric_limits<int>::max())) {
      handle(e);
      std::free(e);
    }
  }

  void handle(xcb_generic_event_t* e) {
    if ((e->response_type & 0x7f) != XCB_SELECTION_REQUEST) return;
    const auto* r = reinterpret_cast<const xcb_selection_request_event_t*>(e);
    xcb_atom_t property = XCB_NONE;
    if (r->selection == manager_ && r->target == saveTargets_) {
      ++asked_;
      if (!answers_) return;
      const QByteArray targets = fetch(targets_, r->time);
      const auto* atoms = reinterpret_cast<const xcb_atom_t*>(targets.constData());
      bool hasText = false;
      for (std::size_t i = 0; i < targets.size() / sizeof(xcb_atom_t); ++i)
        hasText = hasText || atoms[i] == utf8_;
      if (hasText) {
        const QByteArray text = fetch(utf8_, r->time);
        std::lock_guard lock(mutex_);
        saved_ = text;
      }
      xcb_set_selection_owner(c_, window_, clipboard_, XCB_CURRENT_TIME);
      property = r->property;
    } else if (r->selection == clipboard_ && r->target == targets_) {
      const xcb_atom_t offered[] = {targets_, utf8_};
      xcb_change_property(c_, XCB_PROP_MODE_REPLACE, r->requestor, r->property, XCB_ATOM_ATOM, 32,
                          2, offered);
      property = r->property;
    } else if (r->selection == clipboard_ && r->target == utf8_) {
      const QByteArray text = saved();
      xcb_change_property(c_, XCB_PROP_MODE_REPLACE, r->requestor, r->property, utf8_, 8,
                          uint32_t(text.size()), text.constData());
      property = r->property;
    }
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = r->time;
    notify.requestor = r->requestor;
    notify.selection = r->selection;
    notify.target = r->target;
    notify.property = property;
    xcb_send_event(c_, 0, r->requestor, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&notify));
    xcb_flush(c_);
  }

  // The clipboard's data in this format, asked of its owner; empty when none came.
  QByteArray fetch(xcb_atom_t target, xcb_timestamp_t time) {
    xcb_convert_selection(c_, window_, clipboard_, target, into_, time);
    xcb_flush(c_);
    QElapsedTimer since;
    since.start();
    while (auto* e = next(since, 2000)) {
      const bool done = (e->response_type & 0x7f) == XCB_SELECTION_NOTIFY;
      const bool answered =
          done && reinterpret_cast<xcb_selection_notify_event_t*>(e)->property != XCB_NONE;
      if (!done) handle(e);
      std::free(e);
      if (!done) continue;
      if (!answered) return {};
      auto* p = xcb_get_property_reply(
          c_, xcb_get_property(c_, 1, window_, into_, XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 20),
          nullptr);
      QByteArray out;
      if (p)
        out = QByteArray(static_cast<const char*>(xcb_get_property_value(p)),
                         xcb_get_property_value_length(p));  // in bytes already
      std::free(p);
      return out;
    }
    return {};
  }

  const bool answers_;
  xcb_connection_t* c_ = nullptr;
  xcb_window_t window_ = XCB_NONE;
  xcb_atom_t manager_ = XCB_NONE, saveTargets_ = XCB_NONE, clipboard_ = XCB_NONE,
             targets_ = XCB_NONE, utf8_ = XCB_NONE, into_ = XCB_NONE;
  std::atomic<bool> stop_ = false;
  std::atomic<int> asked_ = 0;
  mutable std::mutex mutex_;
  QByteArray saved_;
  std::thread thread_;
};

// Quit from the tray menu: its last row.
void quitFromTheMenu(const Clipvane& program) {
  const auto before = program.popups();
  const QPoint icon = program.trayIcon()->frame.center();
  xdotool({"mousemove", QString::number(icon.x()), QString::number(icon.y()), "click", "1"});
  ASSERT_TRUE(waitUntil([&] { return bool(program.newPopup(before)); }));
  waitUntil([] { return false; }, 300ms);  // shown
  xdotool({"key", "Up", "Return"});
}

}  // namespace

// The program owns the clipboard with a masked copy when it ends: Quit and
// SIGTERM hand that copy to the clipboard manager, which keeps it after the
// program has gone. Without a manager, or with one that never answers, the
// program still ends at once or within a few seconds, and the clipboard
// empties as it does after any X11 program.
TEST(Quit, TheClipboardGoesToTheClipboardManager) {
  enum class Manager { saves, silent, none };
  struct Case {
    const char* name;
    Manager manager;
    bool fromMenu;
  };
  const Case cases[] = {
      {"Quit, a manager runs", Manager::saves, true},
      {"SIGTERM, a manager runs", Manager::saves, false},
      {"SIGTERM, the manager never answers", Manager::silent, false},
      {"SIGTERM, no manager", Manager::none, false},
  };
  const QString masked = "Mail [EMAIL_1] now";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<ClipboardManager> manager;
    if (c.manager != Manager::none)
      manager = std::make_unique<ClipboardManager>(c.manager == Manager::saves);
    Home home;
    home.write(onboarded());
    Clipvane program(home);
    ASSERT_TRUE(program.waitDocked()) << "no tray icon";
    Copy copy("Mail ann@example.com now");
    ASSERT_TRUE(waitUntil([&] { return clipboard() == masked; })) << clipboard().toStdString();

    QElapsedTimer ending;
    ending.start();
    if (c.fromMenu)
      quitFromTheMenu(program);
    else
      ::kill(pid_t(program.pid()), SIGTERM);
    ASSERT_TRUE(program.waitExit(c.manager == Manager::silent ? 8000 : 3000));
    EXPECT_EQ(program.exitCode(), 0);
    if (manager) {
      EXPECT_EQ(manager->asked(), 1);
    }
    if (c.manager == Manager::saves) {
      EXPECT_EQ(manager->saved(), masked.toUtf8());
      waitUntil([] { return false; }, 2s);
      EXPECT_EQ(clipboard(), masked);
    } else {
      EXPECT_EQ(clipboard(), "");
    }
  }
}
