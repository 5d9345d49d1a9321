#pragma once
// The CLIPBOARD selection through QClipboard. Its change count is the number
// of changes seen: Qt's dataChanged of the CLIPBOARD selection, and each
// write of our own counted once when it is made. Its read count is the
// number of times Qt handed another client data of our contents.
#include <QObject>

#include "ports/ClipboardPort.h"

class QMimeData;

namespace clipvane::x11 {

class X11Clipboard : public QObject, public ClipboardPort {
 public:
  X11Clipboard();

  qint64 changeCount() const override { return count_; }
  qint64 readCount() const override { return reads_; }
  QStringList types() const override;
  std::optional<QString> string() const override;
  int itemCount() const override;
  QStringList itemTypes(int item) const override;
  std::optional<QByteArray> data(int item, const QString& type) const override;
  void clear() override;
  void setString(const QString& text) override;
  void setItems(const ClipboardSnapshot& items) override;

  // The formats of the selection's own bookkeeping, never shown as types.
  static bool isBookkeeping(const QString& format);

 private:
  class Contents;
  void write(QMimeData* data);
  void fetched() {
    if (!selfReading_) ++reads_;
  }

  qint64 count_ = 0;
  qint64 reads_ = 0;
  // Our own reads of our own contents reach the same data as another
  // client's fetch; only the other client's counts.
  mutable bool selfReading_ = false;
  bool writing_ = false;
};

}  // namespace clipvane::x11
