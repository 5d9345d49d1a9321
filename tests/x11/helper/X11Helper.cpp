// A small desktop client the X11 tests drive from outside their own process:
//   window NAME         a window of class NAME with one text field; reports
//                       "window ID" once shown, "text HEX" on every change,
//                       "field X Y W H" (the field on screen) now and then and
//                       "focus 1" or "focus 0" when it gains or loses the focus
//   copy TYPE=HEX...    owns the clipboard with these formats until killed;
//                       reports "copied"
//   instance [URL...]   starts as a copy of the program would: reports
//                       "first" and stays, "older PID" and hands over, or
//                       "foreign PID" and ends with 1 when what holds the
//                       name is not the program
//   atspi PID           asks the accessibility port what a paste decision
//                       asks about that process (its window's title taken
//                       as "claude - bash"), reports "bus 0|1", "focus none|
//                       some" and "title TEXT|none", and ends; needs no X
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>
#include <cstdio>

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
