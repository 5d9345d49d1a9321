#include "X11SelectionReader.h"
#include "XcbReply.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace clipvane::x11 {

namespace {

const QString plainText = QStringLiteral("text/plain");

// The targets that carry plain text, the most faithful first.
constexpr const char* textTargets[] = {"UTF8_STRING", "text/plain;charset=utf-8", "STRING", "TEXT",
                                       "text/plain"};

// What every copy is looked at for, beside its text.
const QStringList firstTypes = {QStringLiteral("x-kde-passwordManagerHint"),
                                QStringLiteral("text/uri-list")};

}  // namespace

bool X11SelectionReader::isBookkeeping(const QString& format) {
  return format == QLatin1String("TARGETS") || format == QLatin1String("MULTIPLE") ||
         format == QLatin1String("TIMESTAMP") || format == QLatin1String("SAVE_TARGETS");
}

X11SelectionReader::X11SelectionReader(std::function<void(qint64)> ready)
    : ready_(std::move(ready)) {
  int screenIndex = 0;
  xcb_connection_t* c = xcb_connect(nullptr, &screenIndex);
  if (xcb_connection_has_error(c)) {
    xcb_disconnect(c);
    return;
  }
  auto it = xcb_setup_roots_iterator(xcb_get_setup(c));
  for (int i = 0; i < screenIndex && it.rem; ++i) xcb_screen_next(&it);
  if (!it.rem || pipe2(wakeFd_, O_CLOEXEC | O_NONBLOCK) != 0) {
    xcb_disconnect(c);
    return;
  }
  conn_ = c;
  window_ = xcb_generate_id(c);
  const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_create_window(c, XCB_COPY_FROM_PARENT, window_, it.data->root, 0, 0, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
  clipboard_ = atom("CLIPBOARD");
  targets_ = atom("TARGETS");
  incr_ = atom("INCR");
  for (int i = 0; i < 4; ++i)
    properties_.push_back(atom(("CLIPVANE_SELECTION_" + std::to_string(i)).c_str()));
  xcb_flush(c);
  thread_ = std::thread([this] { loop(); });
}

X11SelectionReader::~X11SelectionReader() {
  if (!conn_) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  wake();
  if (thread_.joinable()) thread_.join();
  for (int fd : wakeFd_)
    if (fd >= 0) close(fd);
  xcb_destroy_window(conn_, window_);
  xcb_disconnect(conn_);
}

xcb_atom_t X11SelectionReader::atom(const char* name) {
  Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
      conn_, xcb_intern_atom(conn_, 0, uint16_t(std::strlen(name)), name), nullptr));
  return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

QString X11SelectionReader::nameOf(xcb_atom_t target) {
  if (auto it = names_.find(target); it != names_.end()) return it->second;
  Reply<xcb_get_atom_name_reply_t> reply(
      xcb_get_atom_name_reply(conn_, xcb_get_atom_name(conn_, target), nullptr));
  QString name;
  if (reply)
    name = QString::fromLatin1(xcb_get_atom_name_name(reply.get()),
                               xcb_get_atom_name_name_length(reply.get()));
  names_.emplace(target, name);
  return name;
}

QString X11SelectionReader::typeOf(const QString& name) {
  // As Qt names them, so that a format reads the same whoever owns it.
  if (name == QLatin1String("UTF8_STRING") || name == QLatin1String("STRING") ||
      name == QLatin1String("TEXT"))
    return plainText;
  if (name == QLatin1String("PIXMAP")) return QStringLiteral("image/ppm");
  if (name == QLatin1String("text/x-moz-url")) return QStringLiteral("text/uri-list");
  return name;
}

void X11SelectionReader::wake() {
  if (wakeFd_[1] < 0) return;
  const char byte = 0;
  [[maybe_unused]] auto n = write(wakeFd_[1], &byte, 1);
}

void X11SelectionReader::fetch(qint64 change) {
  if (!conn_) return;
  {
    std::lock_guard lock(mutex_);
    change_ = change;
    firstDone_ = false;
    offered_.clear();
    text_.reset();
    entries_.clear();
    jobs_.clear();
    jobs_.push_back(Job{change, XCB_ATOM_NONE, {}, {}, true});
  }
  changed_.notify_all();
  wake();  // a read of the change before ends now
}

bool X11SelectionReader::stale(qint64 change) const {
  std::lock_guard lock(mutex_);
  return stopping_ || change_ != change;
}

bool X11SelectionReader::isReady(qint64 change) const {
  std::lock_guard lock(mutex_);
  return change_ != change || firstDone_;
}

bool X11SelectionReader::waitReady(qint64 change, Ms wait) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, wait, [&] { return change_ != change || firstDone_; });
}

QStringList X11SelectionReader::types(qint64 change) const {
  std::lock_guard lock(mutex_);
  QStringList out;
  if (change_ != change) return out;
  for (const auto& [target, type] : offered_)
    if (!out.contains(type)) out << type;
  return out;
}

std::optional<QString> X11SelectionReader::text(qint64 change) const {
  std::lock_guard lock(mutex_);
  if (change_ != change) return std::nullopt;
  return text_;
}

std::optional<QByteArray> X11SelectionReader::data(qint64 change, const QString& type, Ms limit) {
  const Clock::time_point deadline = Clock::now() + limit;
  std::unique_lock lock(mutex_);
  if (!changed_.wait_until(lock, deadline, [&] { return change_ != change || firstDone_; }) ||
      change_ != change)
    return std::nullopt;
  if (type == plainText) {
    if (!text_) return std::nullopt;
    return text_->toUtf8();
  }
  if (!entries_.count(type)) {
    // Every format not read yet goes now, within one limit: a snapshot that
    // asks for each in turn waits this long once, not once per format.
    bool offered = false;
    for (const auto& [target, t] : offered_) {
      if (t == type) offered = true;
      if (t == plainText || entries_.count(t)) continue;
      entries_[t] = Entry{};
      jobs_.push_back(Job{change, target, t, deadline, false});
    }
    if (!offered) return std::nullopt;
    changed_.notify_all();
  }
  changed_.wait_until(lock, deadline, [&] {
    const auto it = entries_.find(type);
    return change_ != change || it == entries_.end() || it->second.done;
  });
  const auto it = entries_.find(type);
  if (change_ != change || it == entries_.end() || !it->second.done) return std::nullopt;
  return it->second.bytes;
}

void X11SelectionReader::loop() {
  for (;;) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return stopping_ || !jobs_.empty(); });
    if (stopping_) return;
    const Job job = jobs_.front();
    jobs_.pop_front();
    lock.unlock();
    if (job.first) {
      readFirst(job.change);
      continue;
    }
    std::optional<QByteArray> bytes;
    // A format whose time ran out while another was read is given up unasked.
    if (Clock::now() < job.deadline) bytes = convert(job.change, job.target, job.deadline);
    lock.lock();
    if (change_ == job.change) entries_[job.type] = Entry{true, std::move(bytes)};
    lock.unlock();
    changed_.notify_all();
  }
}

void X11SelectionReader::readFirst(qint64 change) {
  std::vector<std::pair<xcb_atom_t, QString>> offered;
  std::vector<std::pair<QString, QString>> names;  // atom name and type, as offered
  if (const auto list = convert(change, targets_, std::nullopt)) {
    const auto* atoms = reinterpret_cast<const xcb_atom_t*>(list->constData());
    for (qsizetype i = 0; i < list->size() / qsizetype(sizeof(xcb_atom_t)); ++i) {
      const QString name = nameOf(atoms[i]);
      if (name.isEmpty() || isBookkeeping(name)) continue;
      offered.emplace_back(atoms[i], typeOf(name));
      names.emplace_back(name, typeOf(name));
    }
  }
  std::optional<QString> text;
  for (const char* wanted : textTargets) {
    const auto it = std::find_if(offered.begin(), offered.end(), [&](const auto& o) {
      return nameOf(o.first) == QLatin1String(wanted);
    });
    if (it == offered.end()) continue;
    if (const auto bytes = convert(change, it->first, std::nullopt))
      text = std::strcmp(wanted, "STRING") == 0 ? QString::fromLatin1(*bytes)
                                                : QString::fromUtf8(*bytes);
    break;
  }
  std::map<QString, Entry> entries;
  for (const QString& type : firstTypes) {
    const auto it = std::find_if(offered.begin(), offered.end(),
                                 [&](const auto& o) { return o.second == type; });
    if (it != offered.end()) entries[type] = Entry{true, convert(change, it->first, std::nullopt)};
  }
  {
    std::lock_guard lock(mutex_);
    if (change_ != change) return;
    offered_ = std::move(offered);
    text_ = std::move(text);
    for (auto& [type, entry] : entries) entries_[type] = std::move(entry);
    firstDone_ = true;
  }
  changed_.notify_all();
  if (ready_) ready_(change);
}

xcb_generic_event_t* X11SelectionReader::waitEvent(
    qint64 change, Clock::time_point until,
    const std::function<bool(const xcb_generic_event_t&)>& wanted) {
  for (;;) {
    while (xcb_generic_event_t* e = xcb_poll_for_event(conn_)) {
      if (wanted(*e)) return e;
      std::free(e);
    }
    if (xcb_connection_has_error(conn_) || stale(change)) return nullptr;
    const auto left = std::chrono::ceil<Ms>(until - Clock::now()).count();
    if (left <= 0) return nullptr;
    pollfd fds[2] = {{xcb_get_file_descriptor(conn_), POLLIN, 0}, {wakeFd_[0], POLLIN, 0}};
    poll(fds, 2, int(std::min<long long>(left, 1000)));
    if (fds[1].revents & POLLIN) {
      char buffer[64];
      while (read(wakeFd_[0], buffer, sizeof buffer) > 0) {
      }
    }
  }
}

std::optional<QByteArray> X11SelectionReader::convert(qint64 change, xcb_atom_t target,
                                                      std::optional<Clock::time_point> deadline) {
  const auto until = [&] { return deadline ? *deadline : Clock::now() + firstLimit; };
  const xcb_atom_t property = properties_[nextProperty_++ % properties_.size()];
  xcb_delete_property(conn_, window_, property);
  xcb_convert_selection(conn_, window_, clipboard_, target, property, XCB_CURRENT_TIME);
  xcb_flush(conn_);
  xcb_generic_event_t* e = waitEvent(change, until(), [&](const xcb_generic_event_t& ev) {
    if ((ev.response_type & 0x7f) != XCB_SELECTION_NOTIFY) return false;
    const auto& n = reinterpret_cast<const xcb_selection_notify_event_t&>(ev);
    return n.requestor == window_ && n.selection == clipboard_ && n.target == target &&
           (n.property == property || n.property == XCB_ATOM_NONE);
  });
  if (!e) return std::nullopt;
  const bool refused = reinterpret_cast<xcb_selection_notify_event_t*>(e)->property == XCB_NONE;
  std::free(e);
  if (refused) return std::nullopt;

  const auto take = [&]() -> std::optional<std::pair<xcb_atom_t, QByteArray>> {
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        conn_, xcb_get_property(conn_, 1, window_, property, XCB_ATOM_ANY, 0, UINT32_MAX / 4),
        nullptr));
    if (!reply) return std::nullopt;
    const int bytes = xcb_get_property_value_length(reply.get());
    return std::pair{reply->type,
                     QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                                std::max(bytes, 0))};
  };
  auto first = take();
  if (!first) return std::nullopt;
  if (first->first != incr_) return std::move(first->second);

  // An incremental transfer: each piece comes as a new value of the
  // property once we have deleted the one before; an empty piece ends it.
  // Every piece gets the limit anew, so that a large copy served steadily
  // arrives whole and one that stalls is given up.
  QByteArray whole;
  for (;;) {
    e = waitEvent(change, until(), [&](const xcb_generic_event_t& ev) {
      if ((ev.response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
      const auto& n = reinterpret_cast<const xcb_property_notify_event_t&>(ev);
      return n.window == window_ && n.atom == property && n.state == XCB_PROPERTY_NEW_VALUE;
    });
    if (!e) return std::nullopt;
    std::free(e);
    auto piece = take();
    if (!piece) return std::nullopt;
    if (piece->second.isEmpty()) return whole;
    whole += piece->second;
  }
}

}  // namespace clipvane::x11
