#pragma once
// The one place that writes the clipboard, remembers its own writes,
// recognises concealed clipboards, snapshots and restores them, and sends
// the paste keystroke. Main thread only.
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <utility>

#include "ports/ClipboardPort.h"

namespace clipvane::Pasteboard {

// Change counts of our own writes; the clipboard monitor skips (and removes) them.
std::set<qint64>& ownChanges();

// The clipboard to give back after a paste.
struct PendingReturn {
  ClipboardSnapshot snapshot;
  qint64 own = 0;   // the change count the paste produced
  qint64 from = 0;  // the change count of the clipboard the snapshot was taken from
};
std::optional<PendingReturn>& pendingRestore();

// A copy that the paste replaced before the auto-mask was done with it comes
// back masked: while the return of the clipboard with change count `from`
// still waits, `text` comes back in its place. False when no such return
// waits (the user copied something else, or it came back already).
bool maskPendingReturn(qint64 from, const QString& text);
// The latest return of a clipboard after a paste.
struct Returned {
  qint64 from = 0;  // the change count of the clipboard it gave back
  qint64 as = 0;    // the change count its write made
};
std::optional<Returned>& lastReturn();

// Formats that mark a clipboard as not to be recorded.
inline const QString concealedType = QStringLiteral("org.nspasteboard.ConcealedType");
inline const QString transientType = QStringLiteral("org.nspasteboard.TransientType");
inline const QString passwordHintType = QStringLiteral("x-kde-passwordManagerHint");
// Beside the hint on our own writes of originals: such a clipboard is the
// user's text given back, not a password manager's copy, and is scanned and
// masked like any other.
inline const QString originalsType = QStringLiteral("application/x-clipvane-originals");

qint64 changeCount();
// Runs `changed` on the main thread soon after another client changed the
// clipboard, where the system tells of it; an empty function stops it.
void whenChanged(std::function<void()> changed);
// False while another client's new contents are still on their way.
bool isReadable();
// The plain text, none when there is none.
std::optional<QString> string();
bool isConcealed();
// Files copied in a file manager, or an image: whatever text comes with them
// names or describes them, and rewriting it would turn them into text.
bool offersFilesOrImage();
// Never scanned, masked or rewritten, and pasted as it stands: a concealed
// clipboard, or one that offers files or an image.
bool isLeftAlone();
ClipboardSnapshot snapshot();
// Replaces the clipboard with the snapshot and records the write as ours;
// false when the system refused the write (nothing changed).
bool restore(const ClipboardSnapshot& snapshot);
// Clears the clipboard, writes the text and records the write; the change
// count of the write, none when the system refused it (nothing changed).
std::optional<qint64> write(const QString& text);
// As write(), for a text that holds originals: it carries the password hint
// "secret", so that clipboard-history managers keep no copy of it.
std::optional<qint64> writeOriginals(const QString& text);
// The items with that hint, for a clipboard of originals that comes back.
ClipboardSnapshot markedAsOriginals(ClipboardSnapshot items);
// Clears the clipboard and records the write; its change count, none when
// the system refused it.
std::optional<qint64> clear();

// One key-down and one key-up, both carrying the marker.
void postKey(std::uint16_t keyCode, std::uint32_t modifiers);

// The paste shortcut of the frontmost application: Ctrl+V, and Ctrl+Shift+V in
// terminals, which take Ctrl+V as a literal character.
struct Shortcut {
  std::uint16_t keyCode;
  std::uint32_t modifiers;
  bool operator==(const Shortcut&) const = default;
};
Shortcut pasteShortcut();
// The paste keystroke the user pressed for the safe paste under way (Smart
// Ctrl+V caught it): the destination is sent that key in place of its own
// shortcut, so that Shift+Insert and "paste as plain text" (Ctrl+Shift+V) do
// what the user asked of them. Cleared by a paste the user did not start with
// a paste key (the hot key, the menu).
std::optional<Shortcut>& userPasteKey();

enum class PasteResult {
  pasted,       // the text was written, the paste shortcut sent and the text
                // fetched by another client (on X11 only a paste fetches it)
  onClipboard,  // the text is on the clipboard; keystrokes cannot be sent
  failed,       // nothing was pasted: the system refused the write, another
                // copy came before the shortcut could go (it would paste that
                // copy), or no client fetched the text by restoreLimit()
};
using PasteDone = std::function<void(PasteResult)>;

// Writes the text, sends the paste shortcut once the other clients have taken
// in the write (only while the clipboard still holds the text: after another
// copy the keys would paste that one) and gives the previous clipboard back
// once the destination has fetched the text, no sooner than restoreDelay and
// no later than restoreLimit() after the keystroke, unless the clipboard
// changed meanwhile. A destination that asks the user first (a window of its
// own in front of the one pasted into) keeps the text until the user
// answered; one that took the clipboard over with the same text for the
// paste is given the previous clipboard back too. `done` learns the outcome
// once, on the main thread: at once (inside the call) when nothing will be
// sent, else once the text was fetched or the paste failed.
void paste(const QString& text, bool keepOnClipboard = false, PasteDone done = {});

// Tells the latest paste as pasted now if its text was fetched since the
// last look (looks come every restorePollInterval).
void noteFetches();

// Seconds until the previous clipboard comes back after a paste, at the earliest.
inline constexpr double restoreDelay = 1.0;
// Seconds after the keystroke when a paste that no destination fetched is
// told as failed and the previous clipboard comes back (tests shorten it).
inline constexpr double defaultRestoreLimit = 10.0;
double& restoreLimit();
// How often a pending return looks for the destination's fetch.
inline constexpr double restorePollInterval = 0.05;

}  // namespace clipvane::Pasteboard
