#include "X11Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace clipvane::x11 {

namespace {
const QMimeData* current() { return QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard); }
}  // namespace

X11Clipboard::X11Clipboard() {
  // Not ownsClipboard(): it can stay true after another owner took over.
  connect(QGuiApplication::clipboard(), &QClipboard::changed, this, [this](QClipboard::Mode mode) {
    if (mode == QClipboard::Clipboard && !writing_) ++count_;
  });
}

bool X11Clipboard::isBookkeeping(const QString& format) {
  return format == QLatin1String("TARGETS") || format == QLatin1String("MULTIPLE") ||
         format == QLatin1String("TIMESTAMP") || format == QLatin1String("SAVE_TARGETS");
}

QStringList X11Clipboard::types() const {
  const QMimeData* data = current();
  if (!data) return {};
  QStringList out;
  for (const QString& format : data->formats())
    if (!isBookkeeping(format) && !out.contains(format)) out << format;
  return out;
}

std::optional<QString> X11Clipboard::string() const {
  const QMimeData* data = current();
  if (!data || !data->hasText()) return std::nullopt;
  return data->text();
}

int X11Clipboard::itemCount() const { return types().isEmpty() ? 0 : 1; }

QStringList X11Clipboard::itemTypes(int item) const { return item == 0 ? types() : QStringList{}; }

std::optional<QByteArray> X11Clipboard::data(int item, const QString& type) const {
  const QMimeData* data = current();
  if (item != 0 || !data || isBookkeeping(type) || !data->hasFormat(type)) return std::nullopt;
  // An owner that refuses or times out gives nothing; an empty value is data.
  const QByteArray bytes = data->data(type);
  if (bytes.isNull()) return std::nullopt;
  return bytes;
}

void X11Clipboard::write(QMimeData* data) {
  // Qt reports our own change at once; that report is this write's one count.
  writing_ = true;
  if (data)
    QGuiApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
  else
    QGuiApplication::clipboard()->clear(QClipboard::Clipboard);
  writing_ = false;
  ++count_;
}

void X11Clipboard::clear() { write(nullptr); }

void X11Clipboard::setString(const QString& text) {
  auto* data = new QMimeData;
  data->setText(text);
  write(data);
}

void X11Clipboard::setItems(const ClipboardSnapshot& items) {
  // The selection holds one item: a later item adds the formats the earlier
  // ones lack.
  auto* data = new QMimeData;
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
    data = nullptr;
  }
  write(data);
}

}  // namespace clipvane::x11
