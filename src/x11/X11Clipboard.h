#pragma once
// The CLIPBOARD selection through QClipboard.
//
// Its change count counts what we own, not what the server reports: each
// write of ours that the server accepted counts once when it is made, and a
// change notice counts only when it tells of another client (a new owner that
// is not our window, an owner that went away, a clearing we did not make).
// The server may send its notice of our own write or clear long after the
// write; that notice is ours and counts nothing.
//
// Its read count is the number of times Qt handed another client data of our
// contents.
//
// Another client's contents are read by an X11SelectionReader, off the main
// thread: the main thread waits for them a fraction of a second at most.
#include <QAbstractNativeEventFilter>
#include <QElapsedTimer>
#include <QObject>

#include <cstdint>
#include <memory>

#include "X11SelectionReader.h"
#include "ports/ClipboardPort.h"

class QMimeData;

namespace clipvane::x11 {

class X11Clipboard : public QObject, public ClipboardPort, public QAbstractNativeEventFilter {
 public:
  X11Clipboard();
  ~X11Clipboard() override;

  qint64 changeCount() const override { return count_; }
  qint64 readCount() const override { return reads_; }
  QStringList types() const override;
  std::optional<QString> string() const override;
  int itemCount() const override;
  QStringList itemTypes(int item) const override;
  std::optional<QByteArray> data(int item, const QString& type) const override;
  bool clear() override;
  bool setString(const QString& text) override;
  bool setItems(const ClipboardSnapshot& items) override;
  void whenSettled(std::function<void()> ready) override;
  void whenChanged(std::function<void()> changed) override { changed_ = std::move(changed); }
  bool isReadable() const override;

  // The formats of the selection's own bookkeeping, never shown as types.
  static bool isBookkeeping(const QString& format);

  // A GTK terminal asks which formats we offer as soon as it learns of a new
  // owner, and drops a paste it is asked for while that question is open;
  // xterm and most fields ask nothing until they paste. Settled: no question
  // came within `settleFirst` ms of our write, or the questions that came
  // have stopped for `settleQuiet` ms, or `settleLimit` ms passed.
  int settleFirst = 50;
  int settleQuiet = 40;
  int settleLimit = 250;

  // How long the main thread waits for another client's text and formats
  // (the reader's first reads), and for the other formats all together.
  X11SelectionReader::Ms readWait{250};

  bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

 private:
  class Contents;
  bool write(QMimeData* data);
  bool disown();
  std::uint32_t selectionOwner() const;
  // Another client's contents (or none), read by the reader.
  bool theirs() const { return reader_ && !ours_; }
  // The clipboard changed hands: what it holds now comes through the reader.
  void readAnew();
  void told();
  void checkSettled(std::function<void()> ready);
  void fetched() {
    if (!selfReading_) ++reads_;
  }

  std::function<void()> changed_;
  std::unique_ptr<X11SelectionReader> reader_;
  bool ours_ = false;      // Qt holds our own contents; no X request needed
  qint64 theirCount_ = 0;  // the change the reader reads
  qint64 count_ = 0;
  qint64 reads_ = 0;
  // Our own reads of our own contents reach the same data as another
  // client's fetch; only the other client's counts.
  mutable bool selfReading_ = false;
  std::uint32_t clipboardAtom_ = 0;
  std::uint8_t fixesEvent_ = 0;  // the XFixes selection notice's event code, 0 without XFixes
  // Since our last write, and since the last question about it.
  QElapsedTimer sinceWrite_;
  QElapsedTimer sinceQuestion_;
  bool asked_ = false;
};

}  // namespace clipvane::x11
