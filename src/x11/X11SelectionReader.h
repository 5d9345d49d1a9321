#pragma once
// Reads another client's CLIPBOARD contents on a connection and a thread of
// their own: an owner that is slow, stalls in an incremental transfer or
// never answers holds up this reader only, never the main thread.
//
// Each change of owner starts a fetch of what the program looks at on every
// copy: the formats on offer, the text and the password manager's hint and
// the uri-list when offered. The other formats are read only when asked for,
// all of them within one short limit. Every answer is kept until the next
// change; one that did not come in time is kept as missing, so that nobody
// waits for it twice.
#include <xcb/xcb.h>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace clipvane::x11 {

class X11SelectionReader {
 public:
  using Clock = std::chrono::steady_clock;
  using Ms = std::chrono::milliseconds;

  // `ready` runs on the reader's thread when the first reads of a change are
  // done (answered or given up).
  explicit X11SelectionReader(std::function<void(qint64 change)> ready);
  ~X11SelectionReader();
  X11SelectionReader(const X11SelectionReader&) = delete;
  X11SelectionReader& operator=(const X11SelectionReader&) = delete;

  bool ok() const { return conn_ != nullptr; }

  // The formats of the selection's own bookkeeping, never shown as types.
  static bool isBookkeeping(const QString& format);

  // The selection has a new owner (or none): forgets what was read and
  // starts reading it for this change.
  void fetch(qint64 change);

  // True once the first reads of this change are done.
  bool isReady(qint64 change) const;
  // Waits up to `wait` for the first reads of this change; false when they
  // are still on their way.
  bool waitReady(qint64 change, Ms wait) const;

  // The formats on offer, without the selection's bookkeeping, named as Qt
  // names them (every kind of plain text is "text/plain").
  QStringList types(qint64 change) const;
  // The text, none when there is none or it did not come.
  std::optional<QString> text(qint64 change) const;
  // A format's bytes: asks for it (with every other format not yet read,
  // all within `limit`) and waits up to `limit`; nothing when it did not come.
  std::optional<QByteArray> data(qint64 change, const QString& type, Ms limit);

  // An owner gets this long for its formats and its text, and an incremental
  // transfer this long between two pieces. Tests shorten them.
  Ms firstLimit{2000};

 private:
  struct Entry {
    bool done = false;
    std::optional<QByteArray> bytes;
  };
  struct Job {
    qint64 change;
    xcb_atom_t target;
    QString type;
    Clock::time_point deadline;  // none set: the first reads' own limit
    bool first;
  };

  void loop();
  void readFirst(qint64 change);
  // The bytes of one target, none when the owner refused or did not answer
  // in time, or the selection changed meanwhile.
  std::optional<QByteArray> convert(qint64 change, xcb_atom_t target,
                                    std::optional<Clock::time_point> deadline);
  // Waits for the event on the reader's connection; null when the time ran
  // out or the change is stale.
  xcb_generic_event_t* waitEvent(qint64 change, Clock::time_point until,
                                 const std::function<bool(const xcb_generic_event_t&)>& wanted);
  bool stale(qint64 change) const;
  xcb_atom_t atom(const char* name);
  QString nameOf(xcb_atom_t target);
  static QString typeOf(const QString& name);
  void wake();

  xcb_connection_t* conn_ = nullptr;
  xcb_window_t window_ = 0;
  xcb_atom_t clipboard_ = 0, targets_ = 0, incr_ = 0;
  std::map<xcb_atom_t, QString> names_;  // the reader thread's own
  std::vector<xcb_atom_t> properties_;   // used in turn: a late answer names an old one
  std::size_t nextProperty_ = 0;
  std::function<void(qint64)> ready_;

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  qint64 change_ = -1;
  bool firstDone_ = false;
  std::vector<std::pair<xcb_atom_t, QString>> offered_;  // target and its type, in order
  std::optional<QString> text_;
  std::map<QString, Entry> entries_;
  std::deque<Job> jobs_;
  bool stopping_ = false;
  int wakeFd_[2] = {-1, -1};
  std::thread thread_;
};

}  // namespace clipvane::x11
