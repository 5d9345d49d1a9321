// A small desktop client the X11 tests drive from outside their own process:
//   window NAME         a window of class NAME with one text field; reports
//                       "window ID" once shown, "text HEX" on every change,
//                       "field X Y W H" (the field on screen) now and then and
//                       "focus 1" or "focus 0" when it gains or loses the focus
//   copy TYPE=HEX...    owns the clipboard with these formats until killed;
//                       reports "copied"
//   owner MODE TEXT     owns the clipboard through its own connection and
//                       answers as a hostile owner: "slow" gives the text
//                       but never three other formats it offers, "silent"
//                       never answers, "stall" starts an incremental
//                       transfer of the text and stalls, "retake" never
//                       answers and takes the clipboard again every 2 s;
//                       reports "copied" (and again on each retake)
//   instance [URL...]   starts as a copy of the program would: reports
//                       "first" and stays, "older PID" and hands over, or
//                       "foreign PID" and ends with 1 when what holds the
//                       name is not the program
//   atspi PID           asks the accessibility port what a paste decision
//                       asks about that process (its window's title taken
//                       as "claude - bash"), reports "bus 0|1", "focus none|
//                       some" and "title TEXT|none", and ends; needs no X
#include <poll.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "AtspiAccessibility.h"
#include "SessionBusInstance.h"
#include "SingleInstance.h"
#include "ports/Ports.h"

namespace {

void report(const QString& line) {
  std::puts(line.toUtf8().constData());
  std::fflush(stdout);
}

int runWindow(QApplication& app, const QString& name) {
  QWidget window;
  window.setWindowTitle(name);
  auto* field = new QLineEdit(&window);
  field->setAccessibleName("Message");
  field->setAccessibleDescription("Chat input");
  (new QVBoxLayout(&window))->addWidget(field);
  window.resize(420, 120);
  window.move(200, 200);
  QObject::connect(field, &QLineEdit::textChanged,
                   [](const QString& text) { report("text " + text.toUtf8().toHex()); });
  // Keys reach the field only once Qt has seen the focus arrive.
  QObject::connect(&app, &QGuiApplication::focusWindowChanged, [&](QWindow* focus) {
    report(focus && focus == window.windowHandle() ? "focus 1" : "focus 0");
  });
  window.show();
  window.activateWindow();
  field->setFocus();
  QTimer::singleShot(0, [&] { report(QString("window %1").arg(window.winId())); });
  // Where the field is on screen, once the window manager has placed it.
  QTimer geometry;
  QObject::connect(&geometry, &QTimer::timeout, [&] {
    const QRect r(field->mapToGlobal(QPoint(0, 0)), field->size());
    report(QString("field %1 %2 %3 %4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()));
  });
  geometry.start(100);
  return app.exec();
}

int runCopy(QApplication& app, const QStringList& pairs) {
  auto* data = new QMimeData;
  for (const QString& pair : pairs)
    data->setData(pair.section('=', 0, 0), QByteArray::fromHex(pair.section('=', 1).toLatin1()));
  QApplication::clipboard()->setMimeData(data);
  report("copied");
  return app.exec();
}

xcb_atom_t internAtom(xcb_connection_t* c, const char* name) {
  auto* reply =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
  const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
  std::free(reply);
  return a;
}

int runOwner(const QByteArray& mode, const QByteArray& text) {
  int screen = 0;
  xcb_connection_t* c = xcb_connect(nullptr, &screen);
  if (xcb_connection_has_error(c)) return 2;
  auto it = xcb_setup_roots_iterator(xcb_get_setup(c));
  for (int i = 0; i < screen && it.rem; ++i) xcb_screen_next(&it);
  const xcb_window_t window = xcb_generate_id(c);
  xcb_create_window(c, XCB_COPY_FROM_PARENT, window, it.data->root, 0, 0, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
  const xcb_atom_t clipboard = internAtom(c, "CLIPBOARD"), targets = internAtom(c, "TARGETS"),
                   utf8 = internAtom(c, "UTF8_STRING"), incr = internAtom(c, "INCR");
  const std::vector<xcb_atom_t> offered = {targets, utf8, internAtom(c, "text/html"),
                                           internAtom(c, "text/rtf"),
                                           internAtom(c, "application/x-never")};
  const bool answers = mode == "slow" || mode == "stall";
  const auto take = [&] {
    xcb_set_selection_owner(c, window, clipboard, XCB_CURRENT_TIME);
    xcb_flush(c);
    report("copied");
  };
  take();
  auto retake = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  for (;;) {
    while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
      if ((e->response_type & 0x7f) == XCB_SELECTION_REQUEST && answers) {
        const auto* r = reinterpret_cast<xcb_selection_request_event_t*>(e);
        xcb_atom_t property = r->property;
        bool answer = true;
        if (r->target == targets) {
          xcb_change_property(c, XCB_PROP_MODE_REPLACE, r->requestor, property, XCB_ATOM_ATOM, 32,
                              uint32_t(offered.size()), offered.data());
        } else if (r->target == utf8 && mode == "slow") {
          xcb_change_property(c, XCB_PROP_MODE_REPLACE, r->requestor, property, utf8, 8,
                              uint32_t(text.size()), text.constData());
        } else if (r->target == utf8) {
          const uint32_t size = uint32_t(text.size());
          xcb_change_property(c, XCB_PROP_MODE_REPLACE, r->requestor, property, incr, 32, 1, &size);
        } else if (std::find(offered.begin(), offered.end(), r->target) != offered.end()) {
          answer = false;
        } else {
          property = XCB_ATOM_NONE;
        }
        if (answer) {
          xcb_selection_notify_event_t n{};
          n.response_type = XCB_SELECTION_NOTIFY;
          n.time = r->time;
          n.requestor = r->requestor;
          n.selection = r->selection;
          n.target = r->target;
          n.property = property;
          xcb_send_event(c, 0, r->requestor, XCB_EVENT_MASK_NO_EVENT,
                         reinterpret_cast<const char*>(&n));
          xcb_flush(c);
        }
      }
      std::free(e);
    }
    if (xcb_connection_has_error(c)) return 0;
    if (mode == "retake" && std::chrono::steady_clock::now() >= retake) {
      take();
      retake += std::chrono::seconds(2);
    }
    pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
    poll(&fd, 1, 100);
  }
}

int runInstance(QApplication& app, const QStringList& urls) {
  clipvane::x11::SessionBusInstance instance;
  clipvane::Ports::install<clipvane::InstancePort>(&instance);
  const auto older = clipvane::SingleInstance::olderCopy();
  if (!older) {
    report("first");
    return app.exec();
  }
  if (!older->isThisProgram) {
    report(QString("foreign %1").arg(older->pid));
    return 1;
  }
  report(QString("older %1").arg(older->pid));
  QTimer::singleShot(0, [&] { clipvane::SingleInstance::handOver(urls, *older); });
  return app.exec();
}

void askAtspi(std::int32_t pid) {
  using Attribute = clipvane::AccessibilityPort::Attribute;
  clipvane::x11::AtspiAccessibility port([pid] { return std::optional(pid); },
                                         [](std::int32_t) { return QString("claude - bash"); });
  report(QString("bus %1").arg(clipvane::x11::AtspiAccessibility::busReady() ? 1 : 0));
  const auto desktop = port.systemWide();
  const auto focus = desktop ? port.attribute(desktop, Attribute::focusedUIElement)
                             : clipvane::AccessibilityPort::Value{};
  report(std::holds_alternative<clipvane::AccessibilityPort::Element>(focus) ? "focus some"
                                                                             : "focus none");
  QString title = "none";
  if (const auto app = port.application(pid)) {
    const auto window = port.attribute(app, Attribute::focusedWindow);
    if (const auto* w = std::get_if<clipvane::AccessibilityPort::Element>(&window))
      if (const auto value = port.attribute(*w, Attribute::title);
          const auto* text = std::get_if<QString>(&value))
        title = *text;
  }
  report("title " + title);
}

// Twice, as the program's ports may be made more than once in a process: the
// second port must not take libatspi's "already initialised" for a bus.
int runAtspi(std::int32_t pid) {
  for (int round = 0; round < 2; ++round) askAtspi(pid);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && QByteArray(argv[1]) == "owner") return runOwner(argv[2], argv[3]);
  if (argc >= 3 && QByteArray(argv[1]) == "atspi") {
    QCoreApplication app(argc, argv);
    return runAtspi(std::int32_t(QByteArray(argv[2]).toInt()));
  }
  // The class in WM_CLASS comes from the application name.
  if (argc >= 3 && QByteArray(argv[1]) == "window") QApplication::setApplicationName(argv[2]);
  QApplication app(argc, argv);
  const QStringList args = app.arguments().mid(1);
  if (args.value(0) == "window") return runWindow(app, args.value(1));
  if (args.value(0) == "copy") return runCopy(app, args.mid(1));
  if (args.value(0) == "instance") return runInstance(app, args.mid(1));
  return 2;
}
