#pragma once
// One private connection to the X server for the desktop layer: key grabs,
// synthetic keys and window properties. Its events are read on a thread of
// its own, so that a grab frozen by the server is answered even while the
// main thread is busy.
#include <xcb/xcb.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace clipvane::x11 {

class X11Display {
 public:
  // Called on the reader thread for every event; returns true when it took
  // the event.
  using Listener = std::function<bool(const xcb_generic_event_t&)>;

  explicit X11Display(const char* displayName = nullptr);
  ~X11Display();
  X11Display(const X11Display&) = delete;
  X11Display& operator=(const X11Display&) = delete;

  // The connection of the process's layer, opened on first use.
  static X11Display& shared();

  bool ok() const { return conn_ != nullptr; }
  xcb_connection_t* conn() const { return conn_; }
  xcb_window_t root() const { return root_; }

  xcb_atom_t atom(std::string_view name);

  // The raw bytes of a window property (any type), or nothing.
  std::optional<std::string> property(xcb_window_t window, std::string_view name,
                                      xcb_atom_t type = XCB_ATOM_ANY);
  std::optional<uint32_t> cardinal(xcb_window_t window, std::string_view name);
  std::optional<xcb_window_t> windowProperty(xcb_window_t window, std::string_view name);

  // Waits until the server has handled every request sent so far.
  void sync();

  int addListener(Listener listener);
  void removeListener(int id);

  // Turns on the keyboard extension (XKB) for this connection, once, and asks
  // for its notices of a new keyboard, a new key map and a change of the
  // group (the layout in force). Its first event code; 0 on a server without
  // it, where only the core mapping notices come.
  uint8_t keyboardNotices();

 private:
  void readLoop();

  xcb_connection_t* conn_ = nullptr;
  xcb_window_t root_ = 0;
  std::mutex atomsMutex_;
  std::map<std::string, xcb_atom_t, std::less<>> atoms_;
  std::once_flag xkbOnce_;
  uint8_t xkbEvent_ = 0;
  std::recursive_mutex listenersMutex_;
  std::map<int, Listener> listeners_;
  int nextListener_ = 1;
  int wakeFd_[2] = {-1, -1};
  std::atomic<bool> stopping_{false};
  std::thread reader_;
};

}  // namespace clipvane::x11
