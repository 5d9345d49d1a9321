#include "X11Clipboard.h"

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <QtGui/qguiapplication_platform.h>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace clipvane::x11 {

namespace {
const QMimeData* current() { return QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard); }

// Qt's own connection: it owns the selection and answers its requests.
xcb_connection_t* qtConnection() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

// Clears of this process whose notice (owner None) the server has still to
// send: the selection is the process's, whichever port made the clear.
int clearsToHear = 0;

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

// Marks our own reads for as long as it lives.
class SelfRead {
 public:
  explicit SelfRead(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
  ~SelfRead() { flag_ = was_; }
  SelfRead(const SelfRead&) = delete;
  SelfRead& operator=(const SelfRead&) = delete;

 private:
  bool& flag_;
  bool was_;
};
}  // namespace

// What we put on the clipboard. Qt fetches a format's data through
// retrieveData when another client asks for it, which tells us that a
// destination has read what we wrote.
class X11Clipboard::Contents : public QMimeData {
 public:
  explicit Contents(X11Clipboard* owner) : owner_(owner) {}

 protected:
  QVariant retrieveData(const QString& type, QMetaType as) const override {
    if (owner_ && formats().contains(type)) owner_->fetched();
    return QMimeData::retrieveData(type, as);
  }

 private:
  QPointer<X11Clipboard> owner_;  // the clipboard may hold this longer than we live
};

X11Clipboard::X11Clipboard() {
  xcb_connection_t* c = qtConnection();
  if (!c) return;
  Reply<xcb_intern_atom_reply_t> atom(
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 9, "CLIPBOARD"), nullptr), &std::free);
  if (atom) clipboardAtom_ = atom->atom;
  // Qt asks for XFixes notices of the CLIPBOARD selection on its owner window;
  // we read them as they pass, before Qt handles them.
  const char* fixes = "XFIXES";
  Reply<xcb_query_extension_reply_t> ext(
      xcb_query_extension_reply(c, xcb_query_extension(c, uint16_t(std::strlen(fixes)), fixes),
                                nullptr),
      &std::free);
  if (ext && ext->present) fixesEvent_ = uint8_t(ext->first_event + XCB_XFIXES_SELECTION_NOTIFY);
  QCoreApplication::instance()->installNativeEventFilter(this);
  reader_ = std::make_unique<X11SelectionReader>([this](qint64) {
    QMetaObject::invokeMethod(this, &X11Clipboard::told, Qt::QueuedConnection);
  });
  if (!reader_->ok()) reader_.reset();
  readAnew();
}

void X11Clipboard::told() {
  if (changed_) changed_();
}

void X11Clipboard::readAnew() {
  ours_ = false;
  theirCount_ = count_;
  if (reader_) reader_->fetch(theirCount_);
}

bool X11Clipboard::isReadable() const { return !theirs() || reader_->isReady(theirCount_); }

X11Clipboard::~X11Clipboard() {
  if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
  reader_.reset();  // its thread ends before this object goes
}

bool X11Clipboard::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
  if (type != "xcb_generic_event_t" || !message || !clipboardAtom_) return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  const uint8_t code = event->response_type & 0x7f;
  if (code == XCB_SELECTION_REQUEST) {
    const auto* request = reinterpret_cast<const xcb_selection_request_event_t*>(event);
    if (request->selection == clipboardAtom_) {
      asked_ = true;
      sinceQuestion_.restart();
    }
    return false;
  }
  if (!fixesEvent_ || code != fixesEvent_) return false;
  const auto* notice = reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event);
  if (notice->selection != clipboardAtom_) return false;
  // Qt listens on the window it owns the selection with: that window named
  // as the owner is a write of ours.
  if (notice->owner != XCB_NONE && notice->owner == notice->window) return false;
  if (notice->owner == XCB_NONE &&
      notice->subtype == XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER && clearsToHear > 0) {
    --clearsToHear;
    return false;
  }
  ++count_;
  readAnew();
  // Told once Qt has handled the notice too, outside this filter; the
  // reader tells again once the new contents can be read.
  QMetaObject::invokeMethod(this, &X11Clipboard::told, Qt::QueuedConnection);
  return false;  // Qt still handles it
}

std::uint32_t X11Clipboard::selectionOwner() const {
  xcb_connection_t* c = qtConnection();
  if (!c || !clipboardAtom_) return XCB_NONE;
  Reply<xcb_get_selection_owner_reply_t> reply(
      xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, clipboardAtom_), nullptr),
      &std::free);
  return reply ? reply->owner : XCB_NONE;
}

bool X11Clipboard::isBookkeeping(const QString& format) {
  return X11SelectionReader::isBookkeeping(format);
}

QStringList X11Clipboard::types() const {
  if (theirs()) {
    reader_->waitReady(theirCount_, readWait);
    return reader_->types(theirCount_);
  }
  const QMimeData* data = current();
  if (!data) return {};
  QStringList out;
  for (const QString& format : data->formats())
    if (!isBookkeeping(format) && !out.contains(format)) out << format;
  return out;
}

std::optional<QString> X11Clipboard::string() const {
  if (theirs()) {
    reader_->waitReady(theirCount_, readWait);
    return reader_->text(theirCount_);
  }
  const QMimeData* data = current();
  if (!data || !data->hasText()) return std::nullopt;
  const SelfRead self(selfReading_);
  return data->text();
}

int X11Clipboard::itemCount() const { return types().isEmpty() ? 0 : 1; }

QStringList X11Clipboard::itemTypes(int item) const { return item == 0 ? types() : QStringList{}; }

std::optional<QByteArray> X11Clipboard::data(int item, const QString& type) const {
  if (theirs()) {
    if (item != 0 || isBookkeeping(type)) return std::nullopt;
    return reader_->data(theirCount_, type, readWait);
  }
  const QMimeData* data = current();
  if (item != 0 || !data || isBookkeeping(type) || !data->hasFormat(type)) return std::nullopt;
  // An owner that refuses or times out gives nothing; an empty value is data.
  const SelfRead self(selfReading_);
  const QByteArray bytes = data->data(type);
  if (bytes.isNull()) return std::nullopt;
  return bytes;
}

bool X11Clipboard::write(QMimeData* data) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->setMimeData(data, QClipboard::Clipboard);
  // Qt gives back our own object only while the server names our window the
  // owner. The server ignores an owner change stamped earlier than the last
  // one (another client's copy that Qt has not seen yet): nothing changed.
  if (clipboard->mimeData(QClipboard::Clipboard) != data) return false;
  ++count_;
  ours_ = true;
  sinceWrite_.restart();
  asked_ = false;
  return true;
}

bool X11Clipboard::disown() {
  const std::uint32_t before = selectionOwner();
  if (before != XCB_NONE) {
    QGuiApplication::clipboard()->clear(QClipboard::Clipboard);
    const std::uint32_t after = selectionOwner();
    if (after == XCB_NONE) {
      ++clearsToHear;
    } else if (after != before || !types().isEmpty()) {
      return false;  // refused, or another client took over meanwhile
    }
    // else: an owner with nothing on offer, which Qt leaves as it is
  }
  ++count_;
  readAnew();
  sinceWrite_.restart();
  asked_ = false;
  return true;
}

bool X11Clipboard::clear() { return disown(); }

bool X11Clipboard::setString(const QString& text) {
  auto* data = new Contents(this);
  data->setText(text);
  return write(data);
}

bool X11Clipboard::setItems(const ClipboardSnapshot& items) {
  // The selection holds one item: a later item adds the formats the earlier
  // ones lack.
  auto* data = new Contents(this);
  bool any = false;
  for (const ClipboardItem& item : items) {
    for (const auto& [type, bytes] : item) {
      if (isBookkeeping(type) || data->hasFormat(type)) continue;
      data->setData(type, bytes);
      any = true;
    }
  }
  if (!any) {
    delete data;
    return disown();
  }
  return write(data);
}

void X11Clipboard::whenSettled(std::function<void()> ready) {
  QTimer::singleShot(
      0, this, [this, ready = std::move(ready)]() mutable { checkSettled(std::move(ready)); });
}

void X11Clipboard::checkSettled(std::function<void()> ready) {
  const qint64 sinceWrite = sinceWrite_.isValid() ? sinceWrite_.elapsed() : settleLimit;
  const bool unasked = !asked_ && sinceWrite >= settleFirst;
  const bool quiet = asked_ && sinceQuestion_.elapsed() >= settleQuiet;
  const bool late = sinceWrite >= settleLimit;
  if (!unasked && !quiet && !late) {
    QTimer::singleShot(
        5, this, [this, ready = std::move(ready)]() mutable { checkSettled(std::move(ready)); });
    return;
  }
  // Our answers leave on Qt's connection, what follows (the paste key) on
  // another one: the server has them first once this round trip is back.
  if (xcb_connection_t* c = qtConnection())
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  ready();
}

}  // namespace clipvane::x11
