#include "X11Display.h"
#include "XcbReply.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include "XcbXkb.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace clipvane::x11 {

X11Display::X11Display(const char* displayName) {
  int screenIndex = 0;
  xcb_connection_t* c = xcb_connect(displayName, &screenIndex);
  if (xcb_connection_has_error(c)) {
    xcb_disconnect(c);
    return;
  }
  const xcb_setup_t* setup = xcb_get_setup(c);
  auto it = xcb_setup_roots_iterator(setup);
  for (int i = 0; i < screenIndex && it.rem; ++i) xcb_screen_next(&it);
  if (!it.rem) {
    xcb_disconnect(c);
    return;
  }
  conn_ = c;
  root_ = it.data->root;
  if (pipe2(wakeFd_, O_CLOEXEC | O_NONBLOCK) != 0) wakeFd_[0] = wakeFd_[1] = -1;
  reader_ = std::thread([this] { readLoop(); });
}

X11Display::~X11Display() {
  if (!conn_) return;
  stopping_ = true;
  if (wakeFd_[1] >= 0) {
    const char byte = 0;
    [[maybe_unused]] auto n = write(wakeFd_[1], &byte, 1);
  }
  if (reader_.joinable()) reader_.join();
  for (int fd : wakeFd_)
    if (fd >= 0) close(fd);
  xcb_disconnect(conn_);
}

X11Display& X11Display::shared() {
  // Lives until exit on purpose: listeners may run during static destruction.
  static auto* display = new X11Display();
  return *display;
}

xcb_atom_t X11Display::atom(std::string_view name) {
  if (!conn_) return XCB_ATOM_NONE;
  {
    std::lock_guard lock(atomsMutex_);
    if (auto it = atoms_.find(name); it != atoms_.end()) return it->second;
  }
  auto cookie = xcb_intern_atom(conn_, 0, static_cast<uint16_t>(name.size()), name.data());
  Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(conn_, cookie, nullptr));
  const xcb_atom_t a = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::lock_guard lock(atomsMutex_);
  atoms_.emplace(std::string(name), a);
  return a;
}

std::optional<std::string> X11Display::property(xcb_window_t window, std::string_view name,
                                                xcb_atom_t type) {
  if (!conn_ || !window) return std::nullopt;
  const xcb_atom_t prop = atom(name);
  if (prop == XCB_ATOM_NONE) return std::nullopt;
  // Long enough for any title or class; longer values are cut, never misread.
  auto cookie = xcb_get_property(conn_, 0, window, prop, type, 0, 1 << 16);
  Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(conn_, cookie, nullptr));
  if (!reply || reply->type == XCB_ATOM_NONE) return std::nullopt;
  const int length = xcb_get_property_value_length(reply.get());
  const auto* data = static_cast<const char*>(xcb_get_property_value(reply.get()));
  return std::string(data, data + length);
}

std::optional<uint32_t> X11Display::cardinal(xcb_window_t window, std::string_view name) {
  auto bytes = property(window, name, XCB_ATOM_CARDINAL);
  if (!bytes || bytes->size() < 4) return std::nullopt;
  uint32_t v = 0;
  std::memcpy(&v, bytes->data(), 4);
  return v;
}

std::optional<xcb_window_t> X11Display::windowProperty(xcb_window_t window, std::string_view name) {
  auto bytes = property(window, name, XCB_ATOM_WINDOW);
  if (!bytes || bytes->size() < 4) return std::nullopt;
  xcb_window_t v = 0;
  std::memcpy(&v, bytes->data(), 4);
  if (!v) return std::nullopt;
  return v;
}

void X11Display::sync() {
  if (!conn_) return;
  Reply<xcb_get_input_focus_reply_t> reply(
      xcb_get_input_focus_reply(conn_, xcb_get_input_focus(conn_), nullptr));
}

uint8_t X11Display::keyboardNotices() {
  if (!conn_) return 0;
  std::call_once(xkbOnce_, [this] {
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(conn_, &xcb_xkb_id);
    if (!ext || !ext->present) return;
    Reply<xcb_xkb_use_extension_reply_t> use(xcb_xkb_use_extension_reply(
        conn_, xcb_xkb_use_extension(conn_, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION),
        nullptr));
    if (!use || !use->supported) return;
    constexpr uint16_t events = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY |
                                XCB_XKB_EVENT_TYPE_MAP_NOTIFY | XCB_XKB_EVENT_TYPE_STATE_NOTIFY;
    constexpr uint16_t mapParts =
        XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS | XCB_XKB_MAP_PART_MODIFIER_MAP;
    constexpr uint16_t groupParts = XCB_XKB_STATE_PART_GROUP_STATE;
    xcb_xkb_select_events_details_t details{};
    details.affectNewKeyboard = details.newKeyboardDetails = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.affectState = details.stateDetails = groupParts;
    if (xcb_generic_error_t* error = xcb_request_check(
            conn_, xcb_xkb_select_events_aux_checked(conn_, XCB_XKB_ID_USE_CORE_KBD, events, 0, 0,
                                                     mapParts, mapParts, &details))) {
      std::free(error);
      return;
    }
    xkbEvent_ = ext->first_event;
  });
  return xkbEvent_;
}

int X11Display::addListener(Listener listener) {
  std::lock_guard lock(listenersMutex_);
  const int id = nextListener_++;
  listeners_.emplace(id, std::move(listener));
  return id;
}

void X11Display::removeListener(int id) {
  std::lock_guard lock(listenersMutex_);
  listeners_.erase(id);
}

void X11Display::readLoop() {
  const int xfd = xcb_get_file_descriptor(conn_);
  while (!stopping_) {
    while (xcb_generic_event_t* raw = xcb_poll_for_event(conn_)) {
      Reply<xcb_generic_event_t> event(raw);
      std::lock_guard lock(listenersMutex_);
      for (auto& [id, listener] : listeners_)
        if (listener(*event)) break;
    }
    if (xcb_connection_has_error(conn_)) return;
    pollfd fds[2] = {{xfd, POLLIN, 0}, {wakeFd_[0], POLLIN, 0}};
    poll(fds, wakeFd_[0] >= 0 ? 2 : 1, 200);
  }
}

}  // namespace clipvane::x11
