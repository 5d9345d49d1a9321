#pragma once
// Fakes of every port: they record what the engine asked of them and let a
// test play the user and the system. FakePorts installs them all.
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <thread>
#include <vector>

#include "Pasteboard.h"
#include "ports/AuthPort.h"
#include "ports/ClipboardPort.h"
#include "ports/HotkeyPort.h"
#include "ports/InstancePort.h"
#include "ports/KeyboardPort.h"
#include "ports/LoginItemPort.h"
#include "ports/PanelsPort.h"
#include "ports/Ports.h"
#include "ports/StatusItemPort.h"
#include "ports/WindowsPort.h"
#include "ports/WorkspacePort.h"

namespace clipvane::fakes {

// One line per call into the user-interface fakes, in call order.
inline QStringList& journal() {
  static QStringList lines;
  return lines;
}

inline const QString plainText = QStringLiteral("text/plain");
// What a password manager and an image viewer copy.
inline ClipboardSnapshot passwordCopy() {
  return {{{plainText, "hunter2"}, {Pasteboard::passwordHintType, "secret"}}};
}
inline ClipboardSnapshot imageCopy() { return {{{"image/png", "PNG"}}}; }
// A file copied in a file manager: its path holds the home folder.
inline ClipboardSnapshot fileCopy() {
  return {{{"x-special/gnome-copied-files", "copy\nfile:///home/ada/report.pdf"},
           {"text/uri-list", "file:///home/ada/report.pdf\r\n"},
           {plainText, "file:///home/ada/report.pdf"}}};
}

class FakeClipboard : public ClipboardPort {
 public:
  // The user (another application) copies.
  void userCopies(const QString& text) { userCopiesItems({{{plainText, text.toUtf8()}}}); }
  void userCopiesItems(const ClipboardSnapshot& items) {
    contents = items;
    ++count;
    ours = false;
  }
  // The owner refuses to give out this format.
  std::set<QString> unreadable;
  // A destination fetches the text, as on pasting it; only a fetch of what
  // we wrote counts as read.
  std::optional<QString> destinationReads() {
    if (ours) ++reads;
    return string();
  }
  bool ours = false;  // the contents are our write

  ClipboardSnapshot contents;
  qint64 count = 100;
  qint64 reads = 0;
  int writes = 0;  // writes through the port

  qint64 changeCount() const override { return count; }
  qint64 readCount() const override { return reads; }
  QStringList types() const override {
    QStringList out;
    for (const auto& item : contents)
      for (const auto& [type, bytes] : item)
        if (!out.contains(type)) out << type;
    return out;
  }
  std::optional<QString> string() const override {
    if (contents.empty()) return std::nullopt;
    for (const auto& [type, bytes] : contents.front())
      if (type == plainText) return QString::fromUtf8(bytes);
    return std::nullopt;
  }
  int itemCount() const override { return int(contents.size()); }
  QStringList itemTypes(int item) const override {
    QStringList out;
    for (const auto& [type, bytes] : contents.at(std::size_t(item))) out << type;
    return out;
  }
  std::optional<QByteArray> data(int item, const QString& type) const override {
    if (unreadable.count(type)) return std::nullopt;
    for (const auto& [t, bytes] : contents.at(std::size_t(item)))
      if (t == type) return bytes;
    return std::nullopt;
  }
  bool clear() override { return setItems({}); }
  bool setString(const QString& text) override { return setItems({{{plainText, text.toUtf8()}}}); }
  bool setItems(const ClipboardSnapshot& items) override {
    if (refuseWrites) return false;
    contents = items;
    ++count;
    ++writes;
    ours = true;
    return true;
  }
  // The system refuses every write (another client's copy came first).
  bool refuseWrites = false;
  // Settled at once, unless a test holds the other clients back.
  void whenSettled(std::function<void()> ready) override {
    if (holdSettling)
      held.push_back(std::move(ready));
    else
      ready();
  }
  bool holdSettling = false;
  std::vector<std::function<void()>> held;
  void whenChanged(std::function<void()> f) override { changed = std::move(f); }
  // What the system would run on its change notice; tests run it.
  std::function<void()> changed;
  bool isReadable() const override { return readable; }
  bool readable = true;  // false: the owner's answers are still on their way
  void settle() {
    auto waiting = std::move(held);
    held.clear();
    for (auto& ready : waiting) ready();
  }
};

class FakeKeyboard : public KeyboardPort {
 public:
  struct Event {
    std::uint16_t keyCode;
    std::uint32_t modifiers;
    bool down;
    std::uint32_t marker;
    bool operator==(const Event&) const = default;
  };
  bool trusted = true;
  int prompts = 0;
  bool held = false;  // the user holds a key down
  std::vector<Event> events;
  // Runs on every posted event, as the destination receiving it.
  std::function<void(const Event&)> receiver;

  bool keysHeld() override { return held; }
  bool isTrusted(bool prompt) override {
    if (prompt) {
      ++prompts;
      journal() << "trustPrompt";
    }
    return trusted;
  }
  void postKeyEvent(std::uint16_t keyCode, std::uint32_t modifiers, bool keyDown,
                    std::uint32_t marker) override {
    events.push_back({keyCode, modifiers, keyDown, marker});
    if (receiver) receiver(events.back());
  }
};

class FakeHotkeys : public HotkeyPort {
 public:
  struct Registration {
    std::uint32_t keyCode;
    std::uint32_t modifiers;
    HotkeyID id;
  };
  std::map<Ref, Registration> registered;
  // Combinations (keyCode, modifiers) another client holds.
  std::set<std::pair<std::uint32_t, std::uint32_t>> heldElsewhere;
  std::function<void(HotkeyID, std::optional<std::uint64_t>)> handler;

  // The user presses a combination (in that window, when known): the handler
  // runs when it is registered.
  bool press(std::uint32_t keyCode, std::uint32_t modifiers,
             std::optional<std::uint64_t> pressedIn = std::nullopt) {
    for (const auto& [ref, r] : registered)
      if (r.keyCode == keyCode && r.modifiers == modifiers) {
        if (handler) handler(r.id, pressedIn);
        return true;
      }
    return false;
  }
  std::optional<Registration> find(std::uint32_t id) const {
    for (const auto& [ref, r] : registered)
      if (r.id.id == id) return r;
    return std::nullopt;
  }

  std::optional<Ref> registerHotkey(std::uint32_t keyCode, std::uint32_t modifiers,
                                    HotkeyID id) override {
    journal() << QStringLiteral("registerHotkey %1").arg(id.id);
    if (heldElsewhere.count({keyCode, modifiers})) return std::nullopt;
    for (const auto& [ref, r] : registered)
      if (r.keyCode == keyCode && r.modifiers == modifiers) return std::nullopt;
    const Ref ref = next_++;
    registered[ref] = {keyCode, modifiers, id};
    return ref;
  }
  void unregisterHotkey(Ref ref) override { registered.erase(ref); }
  void setPressHandler(std::function<void(HotkeyID, std::optional<std::uint64_t>)> h) override {
    handler = std::move(h);
  }

 private:
  // Unique across fakes: the registry outlives each test's fake, and a stale
  // reference must never name another test's registration.
  static inline Ref next_ = 1;
};

class FakeWorkspace : public WorkspacePort {
 public:
  std::optional<RunningApp> frontmost;
  bool reduceMotionOn = false;
  int beeps = 0;

  std::optional<RunningApp> frontmostApplication() override { return frontmost; }
  bool reduceMotion() override { return reduceMotionOn; }
  bool openUrl(const QUrl&) override { return true; }
  void beep() override {
    ++beeps;
    journal() << "beep";
  }
};

class FakeInstance : public InstancePort {
 public:
  std::optional<QString> bundleID = QStringLiteral("app.ostrel.Clipvane");
  RunningCopy current{1000, std::nullopt, false, true};
  std::vector<RunningCopy> copies;
  // Hand-overs: the URLs given to openUrls, in order, with their target pid.
  std::vector<std::pair<QStringList, qint64>> handedOver;
  int reopensPosted = 0;
  int terminations = 0;
  std::function<void()> onReopen;
  std::function<void(const QStringList&)> onUrls;

  std::optional<QString> bundleIdentifier() override { return bundleID; }
  RunningCopy currentCopy() override { return current; }
  std::vector<RunningCopy> runningCopies(const QString&) override { return copies; }
  void openUrls(const QStringList& urls, const RunningCopy& copy,
                std::function<void()> done) override {
    handedOver.emplace_back(urls, copy.pid);
    std::thread(std::move(done)).join();  // the completion comes from another thread
  }
  void postReopen() override {
    ++reopensPosted;
    journal() << "postReopen";
  }
  void listen(std::function<void()> reopen, std::function<void(const QStringList&)> urls) override {
    onReopen = std::move(reopen);
    onUrls = std::move(urls);
  }
  void terminate(int exitCode) override {
    ++terminations;
    exitCodes.push_back(exitCode);
    journal() << "terminate";
  }
  std::vector<int> exitCodes;
};

class FakeLoginItem : public LoginItemPort {
 public:
  LoginItemStatus current = LoginItemStatus::notRegistered;
  std::optional<QString> failure;  // the next calls fail with this
  QStringList calls;               // "register", "unregister"

  LoginItemStatus status() override { return current; }
  std::optional<QString> registerItem() override { return call("register"); }
  std::optional<QString> unregisterItem() override { return call("unregister"); }
  // Counted apart from the calls above: it neither adds nor removes the item.
  std::optional<QString> retargetItem() override {
    ++retargets;
    journal() << "loginItem retarget";
    return failure;
  }
  int retargets = 0;

 private:
  std::optional<QString> call(const QString& what) {
    calls << what;
    journal() << "loginItem " + what;
    if (failure) return failure;
    current = what == "register" ? LoginItemStatus::enabled : LoginItemStatus::notRegistered;
    return std::nullopt;
  }
};

class FakeAuth : public AuthPort {
 public:
  bool available = true;
  QString unavailableReason;
  bool answer = true;
  bool replyFromOtherThread = false;
  QStringList reasons;               // what the owner was asked, in order
  std::function<void()> whileAsked;  // what happens while the prompt is open

  bool canEvaluate(QString* error) override {
    if (!available && error) *error = unavailableReason;
    return available;
  }
  void evaluate(const QString& reason, std::function<void(bool)> reply) override {
    reasons << reason;
    if (whileAsked) whileAsked();
    if (replyFromOtherThread)
      std::thread([reply = std::move(reply), a = answer] { reply(a); }).join();
    else
      reply(answer);
  }
};

class FakePanels : public PanelsPort {
 public:
  struct Shown {
    Toast toast;
    bool sticky;
  };
  std::vector<Shown> toasts;
  std::vector<ReviewSession> reviews;
  int dismissals = 0;
  int dismissAlls = 0;

  // The last toast's text, empty when none was shown.
  QString lastText() const { return toasts.empty() ? QString() : toasts.back().toast.text; }
  QStringList texts() const {
    QStringList out;
    for (const auto& shown : toasts) out << shown.toast.text;
    return out;
  }
  // Presses the action button of the last toast.
  void pressAction() {
    if (!toasts.empty() && toasts.back().toast.action) toasts.back().toast.action->run();
  }

  void showToast(const Toast& toast, bool sticky) override {
    toasts.push_back({toast, sticky});
    journal() << "toast " + toast.text;
  }
  void dismissToast() override {
    ++dismissals;
    journal() << "dismissToast";
  }
  void dismissAll() override {
    ++dismissAlls;
    journal() << "dismissAll";
  }
  void showReview(const ReviewSession& session) override {
    reviews.push_back(session);
    journal() << "review";
  }
};

class FakeStatusItem : public StatusItemPort {
 public:
  bool installed = false;
  int refreshes = 0;

  void install() override {
    installed = true;
    journal() << "installStatusItem";
  }
  bool isInstalled() const override { return installed; }
  void refresh() override {
    ++refreshes;
    journal() << "refresh";
  }
  void setVisible(bool v) override { journal() << QStringLiteral("statusVisible %1").arg(v); }
  bool tray = true;
  bool trayAvailable() const override { return tray; }
};

class FakeWindows : public WindowsPort {
 public:
  struct Alert {
    QString message;
    QString informative;
  };
  std::vector<Alert> alerts;

  void showSettings(SettingsTab tab) override {
    journal() << "settings " + QString::fromUtf8(rawName(tab).data());
  }
  void showActivity(bool openLatest) override {
    journal() << QStringLiteral("activity %1").arg(openLatest);
  }
  void showFirstRun() override { journal() << "firstRun"; }
  void runAlert(const QString& message, const QString& informative) override {
    alerts.push_back({message, informative});
    journal() << "alert " + message;
  }
};

// Installs a fresh fake of every port for its lifetime and clears the journal.
struct FakePorts {
  FakePorts() {
    journal().clear();
    Pasteboard::ownChanges().clear();
    Pasteboard::pendingRestore().reset();
    Pasteboard::lastReturn().reset();
    Pasteboard::restoreLimit() = Pasteboard::defaultRestoreLimit;
    keyboard.receiver = [this](const FakeKeyboard::Event& e) {
      if (!e.down || e.keyCode != KeyCode::v) return;
      pasted << clipboard.string().value_or(QString());
      if (destinationReadsOnPaste) clipboard.destinationReads();
    };
    install(true);
  }
  ~FakePorts() { install(false); }
  FakePorts(const FakePorts&) = delete;
  FakePorts& operator=(const FakePorts&) = delete;

  FakeClipboard clipboard;
  // The paste destination fetches the clipboard as soon as it gets the paste
  // key (false: it never does unless a test calls destinationReads()).
  bool destinationReadsOnPaste = true;
  // The clipboard's text at each paste keystroke.
  QStringList pasted;
  FakeKeyboard keyboard;
  FakeHotkeys hotkeys;
  FakeWorkspace workspace;
  FakeInstance instance;
  FakeLoginItem loginItem;
  FakeAuth auth;
  FakePanels panels;
  FakeStatusItem statusItem;
  FakeWindows windows;

 private:
  void install(bool on) {
    Ports::install<ClipboardPort>(on ? &clipboard : nullptr);
    Ports::install<KeyboardPort>(on ? &keyboard : nullptr);
    Ports::install<HotkeyPort>(on ? &hotkeys : nullptr);
    Ports::install<WorkspacePort>(on ? &workspace : nullptr);
    Ports::install<InstancePort>(on ? &instance : nullptr);
    Ports::install<LoginItemPort>(on ? &loginItem : nullptr);
    Ports::install<AuthPort>(on ? &auth : nullptr);
    Ports::install<PanelsPort>(on ? &panels : nullptr);
    Ports::install<StatusItemPort>(on ? &statusItem : nullptr);
    Ports::install<WindowsPort>(on ? &windows : nullptr);
  }
};

}  // namespace clipvane::fakes
