#pragma once
// The system clipboard (on X11 the CLIPBOARD selection).
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace clipvane {

// One clipboard item: its formats with their bytes, in the owner's order.
using ClipboardItem = std::vector<std::pair<QString, QByteArray>>;
// A whole clipboard: one entry per item, in item order (X11 has one item).
using ClipboardSnapshot = std::vector<ClipboardItem>;

class ClipboardPort {
 public:
  virtual ~ClipboardPort() = default;

  // Raised by at least one on every change of the clipboard, ours included;
  // never lowered. A write through this port has raised it before it returns,
  // and the change notification of that same write does not raise it again.
  virtual qint64 changeCount() const = 0;

  // Raised by at least one whenever another client fetched data of the
  // contents we wrote (on X11 the destination asks only when it pastes);
  // never lowered. Our own reads through this port do not raise it.
  virtual qint64 readCount() const = 0;

  // The formats on offer, without the selection's bookkeeping targets
  // (TARGETS, MULTIPLE, TIMESTAMP, SAVE_TARGETS). Empty when nobody owns it.
  virtual QStringList types() const = 0;

  // The plain text, or nothing when the clipboard holds no text.
  virtual std::optional<QString> string() const = 0;

  // Items and their formats; data() gives nothing for a format that cannot
  // be read (the owner refused or timed out).
  virtual int itemCount() const = 0;
  virtual QStringList itemTypes(int item) const = 0;
  virtual std::optional<QByteArray> data(int item, const QString& type) const = 0;

  // The writes below are false, and change nothing, when the system refuses
  // them (on X11 the server ignores an ownership change stamped earlier than
  // another client's copy).
  //
  // Empties the clipboard.
  virtual bool clear() = 0;
  // Replaces the contents with the text as plain text (one change).
  virtual bool setString(const QString& text) = 0;
  // Replaces the contents with the items, every format byte for byte (one
  // change); an empty list leaves the clipboard empty.
  virtual bool setItems(const ClipboardSnapshot& items) = 0;

  // Runs `ready` on the main thread once the other clients have taken in our
  // latest write: on X11 a client asks which formats we offer as soon as the
  // owner changes, and ignores a paste that arrives while it waits for the
  // answer. Bounded; may run inside the call where there is nothing to wait for.
  virtual void whenSettled(std::function<void()> ready) = 0;

  // Runs `changed` on the main thread, outside the call that tells of it, soon
  // after the system tells of another client's change (on X11 the XFixes
  // selection notice): a watcher need not wait for its next look. An empty
  // function stops it.
  virtual void whenChanged(std::function<void()> changed) = 0;

  // False while the contents of the latest change are still on their way
  // from another client (read off the main thread); whenChanged's function
  // runs again once they are here or the owner was given up on.
  virtual bool isReadable() const = 0;
};

}  // namespace clipvane
