// A small desktop client the X11 tests drive from outside their own process:
//   window NAME [TITLE]   a window with one text field; reports "window ID"
//                         once shown and "text HEX" on every change
//   copy TYPE=HEX...      owns the clipboard with these formats until killed;
//                         reports "copied"
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>

namespace {

void report(const QByteArray& line) {
  std::fputs(line.constData(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

int runWindow(QApplication& app, const QString& name, const QString& title) {
  QWidget window;
  window.setWindowTitle(title);
  auto* layout = new QVBoxLayout(&window);
  auto* field = new QLineEdit(&window);
  field->setObjectName("field");
  field->setAccessibleName("Message");
  field->setAccessibleDescription("Chat input");
  field->setPlaceholderText("Ask anything");
  layout->addWidget(field);
  window.resize(420, 120);
  window.move(200, 200);
  QObject::connect(field, &QLineEdit::textChanged,
                   [](const QString& text) { report("text " + text.toUtf8().toHex()); });
  window.show();
  window.activateWindow();
  field->setFocus();
  QTimer::singleShot(0, [&] { report("window " + QByteArray::number(window.winId())); });
  Q_UNUSED(name);
  return app.exec();
}

int runCopy(QApplication& app, const QStringList& pairs) {
  auto* data = new QMimeData;
  for (const QString& pair : pairs) {
    const auto at = pair.indexOf('=');
    data->setData(pair.left(at), QByteArray::fromHex(pair.mid(at + 1).toLatin1()));
  }
  QApplication::clipboard()->setMimeData(data);
  report("copied");
  return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
  // The class in WM_CLASS comes from the application name.
  if (argc >= 3 && QByteArray(argv[1]) == "window") QApplication::setApplicationName(argv[2]);
  QApplication app(argc, argv);
  const QStringList args = app.arguments().mid(1);
  if (args.value(0) == "window") return runWindow(app, args.value(1), args.value(2, args.value(1)));
  if (args.value(0) == "copy") return runCopy(app, args.mid(1));
  return 2;
}
