#include "Pasteboard.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <memory>

#include "OnMain.h"
#include "Place.h"
#include "ports/KeyboardPort.h"
#include "ports/Ports.h"
#include "ports/WorkspacePort.h"

namespace clipvane::Pasteboard {

namespace {

ClipboardPort& board() { return Ports::get<ClipboardPort>(); }

}  // namespace

std::set<qint64>& ownChanges() {
  static std::set<qint64> counts;
  return counts;
}

std::optional<PendingReturn>& pendingRestore() {
  static std::optional<PendingReturn> pending;
  return pending;
}

bool maskPendingReturn(qint64 from, const QString& text) {
  auto& pending = pendingRestore();
  if (!pending || pending->from != from || changeCount() != pending->own) return false;
  pending->snapshot = {{{QStringLiteral("text/plain"), text.toUtf8()}}};
  return true;
}

std::optional<Returned>& lastReturn() {
  static std::optional<Returned> last;
  return last;
}

qint64 changeCount() { return board().changeCount(); }

void whenChanged(std::function<void()> changed) {
  // A watcher may outlive the port (at the end of the process).
  if (ClipboardPort* port = Ports::find<ClipboardPort>()) port->whenChanged(std::move(changed));
}

bool isReadable() { return board().isReadable(); }

std::optional<QString> string() { return board().string(); }

bool isConcealed() {
  ClipboardPort& b = board();
  const QStringList types = b.types();
  if (types.contains(concealedType) || types.contains(transientType)) return true;
  // Password managers on Linux mark their copies with this format.
  if (!types.contains(passwordHintType) || types.contains(originalsType)) return false;
  for (int i = 0; i < b.itemCount(); ++i) {
    if (!b.itemTypes(i).contains(passwordHintType)) continue;
    const auto value = b.data(i, passwordHintType);
    if (value && value->trimmed() == "secret") return true;
  }
  return false;
}

namespace {

// What file managers put beside the file list (GNOME, MATE, Caja, KDE).
const QStringList fileListTypes = {QStringLiteral("x-special/gnome-copied-files"),
                                   QStringLiteral("x-special/mate-copied-files"),
                                   QStringLiteral("application/x-kde-cutselection")};

// A uri-list of local files only: a copied link to a web page is text.
bool namesLocalFiles(const QByteArray& uriList) {
  bool any = false;
  for (const QByteArray& raw : uriList.split('\n')) {
    const QByteArray line = raw.trimmed();
    if (line.isEmpty() || line.startsWith('#')) continue;
    if (!line.startsWith("file:")) return false;
    any = true;
  }
  return any;
}

}  // namespace

bool offersFilesOrImage() {
  ClipboardPort& b = board();
  const QStringList types = b.types();
  for (const QString& type : types) {
    if (fileListTypes.contains(type)) return true;
    if (type.startsWith(QLatin1String("image/")) || type == QLatin1String("application/x-qt-image"))
      return true;
  }
  if (types.contains(QLatin1String("text/uri-list")))
    for (int i = 0; i < b.itemCount(); ++i)
      if (const auto list = b.data(i, QStringLiteral("text/uri-list"));
          list && namesLocalFiles(*list))
        return true;
  // Nautilus of GNOME 3.30 to 42 offers its file list as plain text only.
  const std::optional<QString> text = b.string();
  return text && text->startsWith(QLatin1String("x-special/nautilus-clipboard\n"));
}

bool isLeftAlone() { return isConcealed() || offersFilesOrImage(); }

ClipboardSnapshot snapshot() {
  ClipboardPort& b = board();
  ClipboardSnapshot out;
  const int n = b.itemCount();
  out.reserve(std::size_t(std::max(n, 0)));
  // Formats often carry the same bytes (a text as text/plain, UTF8_STRING
  // and STRING): they keep one buffer between them, which counts once a copy
  // runs to megabytes.
  const auto shared = [](const ClipboardItem& item, QByteArray bytes) {
    for (const auto& [type, kept] : item)
      if (kept == bytes) return kept;
    return bytes;
  };
  for (int i = 0; i < n; ++i) {
    ClipboardItem item;
    for (const QString& type : b.itemTypes(i)) {
      auto bytes = b.data(i, type);
      if (!bytes) continue;
      bytes = shared(item, std::move(*bytes));
      auto same =
          std::find_if(item.begin(), item.end(), [&](const auto& p) { return p.first == type; });
      if (same != item.end())
        same->second = *bytes;
      else
        item.emplace_back(type, *bytes);
    }
    out.push_back(std::move(item));
  }
  return out;
}

bool restore(const ClipboardSnapshot& snap) {
  ClipboardPort& b = board();
  if (!b.setItems(snap)) return false;
  ownChanges().insert(b.changeCount());
  return true;
}

std::optional<qint64> write(const QString& text) {
  ClipboardPort& b = board();
  if (!b.setString(text)) return std::nullopt;
  const qint64 count = b.changeCount();
  ownChanges().insert(count);
  return count;
}

std::optional<qint64> writeOriginals(const QString& text) {
  ClipboardPort& b = board();
  if (!b.setItems(markedAsOriginals({{{QStringLiteral("text/plain"), text.toUtf8()}}})))
    return std::nullopt;
  const qint64 count = b.changeCount();
  ownChanges().insert(count);
  return count;
}

ClipboardSnapshot markedAsOriginals(ClipboardSnapshot items) {
  for (ClipboardItem& item : items) {
    std::erase_if(item, [](const auto& format) {
      return format.first == passwordHintType || format.first == originalsType;
    });
    item.emplace_back(passwordHintType, QByteArrayLiteral("secret"));
    item.emplace_back(originalsType, QByteArrayLiteral("1"));
  }
  return items;
}

std::optional<qint64> clear() {
  ClipboardPort& b = board();
  if (!b.clear()) return std::nullopt;
  const qint64 count = b.changeCount();
  ownChanges().insert(count);
  return count;
}

void postKey(std::uint16_t keyCode, std::uint32_t modifiers) {
  KeyboardPort& keys = Ports::get<KeyboardPort>();
  keys.postKeyEvent(keyCode, modifiers, true, ownKeystrokeMarker);
  keys.postKeyEvent(keyCode, modifiers, false, ownKeystrokeMarker);
}

std::optional<Shortcut>& userPasteKey() {
  static std::optional<Shortcut> key;
  return key;
}

Shortcut pasteShortcut() {
  if (const auto& key = userPasteKey()) return *key;
  const bool terminal = Place::isTerminal(Ports::get<WorkspacePort>().frontmostApplication());
  return {KeyCode::v, Modifier::control | (terminal ? Modifier::shift : 0)};
}

namespace {

// Each scheduled return, identified by its paste; a later paste or a reset
// of the pending return ends the earlier one's checks.
std::uint64_t& restoreToken() {
  static std::uint64_t token = 0;
  return token;
}

std::optional<RunningApp> frontmost() {
  WorkspacePort* workspace = Ports::find<WorkspacePort>();
  return workspace ? workspace->frontmostApplication() : std::nullopt;
}

// One paste after its key went: whether the destination fetched the text,
// and when the previous clipboard comes back.
struct Watch {
  std::uint64_t token;
  QString text;  // what the paste wrote
  qint64 own;    // the change count of the paste's write
  qint64 reads;  // the read count right after that write
  bool giveBack;
  std::optional<RunningApp> destination;  // in front when the key went
  QDeadlineTimer limit;
  PasteDone done;  // emptied once told
  bool fetched = false;
  bool early = true;  // restoreDelay has not passed since the key
  // The clipboard as last seen, the looks since it last changed, and
  // whether that change is still to be looked at.
  qint64 seen = 0;
  int stillFor = 0;
  bool changed = false;
};

void tell(Watch& w, PasteResult result) {
  if (!w.done) return;
  PasteDone done = std::exchange(w.done, {});
  done(result);
}

// A window of the destination's process other than the one the paste went
// to is in front: the destination asks the user first (a terminal's "unsafe
// paste" dialog) and takes the text in only when the user confirms.
bool destinationAsks(const Watch& w) {
  if (!w.destination || !w.destination->window) return false;
  const std::optional<RunningApp> front = frontmost();
  return front && front->pid == w.destination->pid && front->window != w.destination->window;
}

void giveBack(PendingReturn& previous) {
  const qint64 from = previous.from;
  ClipboardSnapshot snapshot = std::move(previous.snapshot);
  pendingRestore().reset();
  if (restore(snapshot)) lastReturn() = Returned{from, changeCount()};
}

// Takes note of the destination's fetch: a read of our text since the
// paste's write (only our own contents count as read, so a read counted
// after another copy took over was made before it).
void noteFetch(Watch& w) {
  if (w.fetched || board().readCount() == w.reads) return;
  w.fetched = true;
  tell(w, PasteResult::pasted);
}

// The same text, whatever its line ends: GTK offers plain text with CR LF.
bool sameText(const std::optional<QString>& a, const QString& b) {
  const auto lines = [](QString t) {
    return t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  };
  return a && lines(*a) == lines(b);
}

// Looks a changed clipboard must hold still for before it is read.
constexpr int settleLooks = 6;

// The latest paste being watched.
std::weak_ptr<Watch>& latestWatch() {
  static std::weak_ptr<Watch> latest;
  return latest;
}

// One look at a paste; true while it needs more.
bool look(Watch& w) {
  auto& pending = pendingRestore();
  const bool current =
      w.token == restoreToken() && (!w.giveBack || (pending && pending->own == w.own));
  if (!current) {
    // A later paste took over the clipboard, and its return with it; one
    // that was not fetched by then never will be.
    tell(w, PasteResult::failed);
    return false;
  }
  noteFetch(w);
  if (const qint64 now = changeCount(); now != w.seen) {
    w.seen = now;
    w.stillFor = 0;
    w.changed = true;
  } else {
    ++w.stillFor;
  }
  if (w.changed) {
    // Looked at once it holds still: a destination that asks first may
    // take the clipboard itself for the paste the user confirmed, and put
    // back what it found there, our text. Anything else is a copy of the
    // user's, which stays; what is read from here on is that copy.
    if (w.stillFor < settleLooks) return true;
    if (!w.fetched || !sameText(string(), w.text)) {
      tell(w, PasteResult::failed);
      if (w.giveBack) pending.reset();
      return false;
    }
    w.changed = false;
  }
  const bool fetched = w.fetched;
  // On X11 the destination fetches the text only when it handles the
  // keystroke; a busy one would otherwise get the previous clipboard, the
  // very text the paste kept back. One that has not fetched it by the limit
  // most likely never will (it ignored the keystroke): the paste failed, and
  // the user's clipboard comes back rather than staying masked for good.
  if (!fetched) {
    if (!w.limit.hasExpired()) return true;
    tell(w, PasteResult::failed);
    if (w.giveBack) giveBack(*pending);
    return false;
  }
  if (!w.giveBack) return false;
  // A destination that asks first keeps the text until the user answered,
  // and one that took the clipboard for the paste has it back for a while.
  constexpr int quietLooks = int(restoreDelay / restorePollInterval);
  if (w.early || w.stillFor < quietLooks || destinationAsks(w)) return true;
  giveBack(*pending);
  return false;
}

void watch(std::shared_ptr<Watch> w) {
  if (look(*w)) onMain(restorePollInterval, [w] { watch(w); });
}

}  // namespace

void noteFetches() {
  if (const auto latest = latestWatch().lock()) noteFetch(*latest);
}

double& restoreLimit() {
  static double seconds = defaultRestoreLimit;
  return seconds;
}

void paste(const QString& text, bool keepOnClipboard, PasteDone done) {
  const auto tellNow = [&done](PasteResult result) {
    if (done) done(result);
  };
  // While the return of an earlier paste is still pending, the clipboard
  // holds that paste's text: the user's real clipboard is the pending one.
  // It stays pending when this write is refused.
  auto& pending = pendingRestore();
  const bool chained = pending && changeCount() == pending->own;
  ClipboardSnapshot previous = chained ? pending->snapshot : snapshot();
  const qint64 from = chained ? pending->from : changeCount();

  // A fetch of the earlier paste's text counts for that paste, never for this one.
  noteFetches();
  const std::optional<qint64> own = write(text);
  if (!own) return tellNow(PasteResult::failed);
  pending.reset();
  const std::uint64_t token = ++restoreToken();
  const qint64 reads = board().readCount();

  if (!Ports::get<KeyboardPort>().isTrusted(false)) return tellNow(PasteResult::onClipboard);
  if (!keepOnClipboard) pending.emplace(PendingReturn{std::move(previous), *own, from});

  board().whenSettled([token, text, own = *own, reads, keepOnClipboard,
                       done = std::make_shared<PasteDone>(std::move(done))] {
    if (changeCount() != own) {
      // Another copy came first and stays: there is nothing to give back.
      auto& pending = pendingRestore();
      if (token == restoreToken() && pending && pending->own == own) pending.reset();
      if (*done) (*done)(PasteResult::failed);
      return;
    }
    const std::optional<RunningApp> destination = frontmost();
    const Shortcut key = pasteShortcut();
    postKey(key.keyCode, key.modifiers);
    // The outcome is told once the destination has fetched the text, or once
    // the limit says it never will; the clipboard comes back no sooner than
    // restoreDelay after the key.
    auto w = std::make_shared<Watch>(
        Watch{token, text, own, reads, !keepOnClipboard, destination,
              QDeadlineTimer(qint64(restoreLimit() * 1000.0), Qt::PreciseTimer), std::move(*done)});
    w->seen = own;
    latestWatch() = w;
    onMain(restoreDelay, [w] { w->early = false; });
    watch(w);
  });
}

}  // namespace clipvane::Pasteboard
