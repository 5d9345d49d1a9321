#include "X11Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>

namespace clipvane::x11 {

namespace {
const QMimeData* current() { return QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard); }

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
  const SelfRead self(selfReading_);
  return data->text();
}

int X11Clipboard::itemCount() const { return types().isEmpty() ? 0 : 1; }

QStringList X11Clipboard::itemTypes(int item) const { return item == 0 ? types() : QStringList{}; }

std::optional<QByteArray> X11Clipboard::data(int item, const QString& type) const {
  const QMimeData* data = current();
  if (item != 0 || !data || isBookkeeping(type) || !data->hasFormat(type)) return std::nullopt;
  // An owner that refuses or times out gives nothing; an empty value is data.
  const SelfRead self(selfReading_);
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
  auto* data = new Contents(this);
  data->setText(text);
  write(data);
}

void X11Clipboard::setItems(const ClipboardSnapshot& items) {
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
    data = nullptr;
  }
  write(data);
}

}  // namespace clipvane::x11
