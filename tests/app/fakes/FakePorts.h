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
#include <vector>

#include "ports/AuthPort.h"
#include "ports/ClipboardPort.h"
#include "ports/HotkeyPort.h"
#include "ports/InstancePort.h"
#include "ports/KeyboardPort.h"
#include "ports/LoginItemPort.h"
#include "ports/PanelsPort.h"
#include "ports/StatusItemPort.h"
#include "ports/WindowsPort.h"
#include "ports/WorkspacePort.h"

namespace clipvane::fakes {

// One line per call into the user-interface fakes, in call order.
QStringList& journal();

inline const QString plainText = QStringLiteral("text/plain");

class FakeClipboard : public ClipboardPort {
 public:
  // The user (another application) copies.
  void userCopies(const QString& text);
  void userCopiesItems(const ClipboardSnapshot& items);
  // The owner refuses to give out this format.
  std::set<QString> unreadable;
  // A destination fetches the text, as on pasting it.
  std::optional<QString> destinationReads();

  ClipboardSnapshot contents;
  qint64 count = 100;
  qint64 reads = 0;
  int writes = 0;  // writes through the port

  qint64 changeCount() const override { return count; }
  qint64 readCount() const override { return reads; }
  QStringList types() const override;
  std::optional<QString> string() const override;
  int itemCount() const override { return int(contents.size()); }
  QStringList itemTypes(int item) const override;
  std::optional<QByteArray> data(int item, const QString& type) const override;
  void clear() override;
  void setString(const QString& text) override;
  void setItems(const ClipboardSnapshot& items) override;
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
  std::vector<Event> events;
  // Runs on every posted event, as the destination receiving it.
  std::function<void(const Event&)> receiver;

  bool isTrusted(bool prompt) override;
  void postKeyEvent(std::uint16_t keyCode, std::uint32_t modifiers, bool keyDown,
                    std::uint32_t marker) override;
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
  int registrations = 0;
  int unregistrations = 0;
  std::function<void(HotkeyID)> handler;

  // The user presses a combination: the handler runs when it is registered.
  bool press(std::uint32_t keyCode, std::uint32_t modifiers);
  std::optional<Registration> find(std::uint32_t id) const;

  std::optional<Ref> registerHotkey(std::uint32_t keyCode, std::uint32_t modifiers,
                                    HotkeyID id) override;
  void unregisterHotkey(Ref ref) override;
  void setPressHandler(std::function<void(HotkeyID)> h) override { handler = std::move(h); }

 private:
  // Unique across fakes: the registry outlives each test's fake, and a stale
  // reference must never name another test's registration.
  static inline Ref next_ = 1;
};

class FakeWorkspace : public WorkspacePort {
 public:
  std::optional<RunningApp> frontmost;
  bool reduceMotionOn = false;
  QList<QUrl> opened;
  int beeps = 0;

  std::optional<RunningApp> frontmostApplication() override { return frontmost; }
  bool reduceMotion() override { return reduceMotionOn; }
  bool openUrl(const QUrl& url) override;
  void beep() override;
};

class FakeInstance : public InstancePort {
 public:
  std::optional<QString> bundleID = QStringLiteral("app.ostrel.Clipvane");
  RunningCopy current{1000, std::nullopt, false, true};
  std::vector<RunningCopy> copies;
  // Hand-overs: the URLs given to openUrls, in order, with their target pid.
  std::vector<std::pair<QStringList, qint64>> handedOver;
  std::function<void()> pendingDone;  // set when completeOpens is false
  bool completeOpens = true;
  int reopensPosted = 0;
  int terminations = 0;
  std::function<void()> onReopen;
  std::function<void(const QStringList&)> onUrls;

  std::optional<QString> bundleIdentifier() override { return bundleID; }
  RunningCopy currentCopy() override { return current; }
  std::vector<RunningCopy> runningCopies(const QString&) override { return copies; }
  void openUrls(const QStringList& urls, const RunningCopy& copy,
                std::function<void()> done) override;
  void postReopen() override;
  void listen(std::function<void()> reopen, std::function<void(const QStringList&)> urls) override;
  void terminate() override;
};

class FakeLoginItem : public LoginItemPort {
 public:
  LoginItemStatus current = LoginItemStatus::notRegistered;
  std::optional<QString> failure;  // the next calls fail with this
  QStringList calls;               // "register", "unregister"

  LoginItemStatus status() override { return current; }
  std::optional<QString> registerItem() override;
  std::optional<QString> unregisterItem() override;
};

class FakeAuth : public AuthPort {
 public:
  bool available = true;
  QString unavailableReason;
  bool answer = true;
  bool replyFromOtherThread = false;
  QStringList reasons;  // what the owner was asked, in order

  bool canEvaluate(QString* error) override;
  void evaluate(const QString& reason, std::function<void(bool)> reply) override;
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
  QString lastText() const;
  // Presses the action button of the last toast.
  void pressAction();

  void showToast(const Toast& toast, bool sticky) override;
  void dismissToast() override;
  void dismissAll() override;
  void showReview(const ReviewSession& session) override;
};

class FakeStatusItem : public StatusItemPort {
 public:
  bool installed = false;
  bool visible = true;
  int refreshes = 0;

  void install() override;
  bool isInstalled() const override { return installed; }
  void refresh() override;
  void setVisible(bool v) override;
};

class FakeWindows : public WindowsPort {
 public:
  struct Alert {
    QString message;
    QString informative;
  };
  std::vector<Alert> alerts;

  void showSettings(SettingsTab tab) override;
  void showActivity(bool openLatest) override;
  void showFirstRun() override;
  void runAlert(const QString& message, const QString& informative) override;
};

// Installs a fresh fake of every port for its lifetime and clears the journal.
struct FakePorts {
  FakePorts();
  ~FakePorts();
  FakePorts(const FakePorts&) = delete;
  FakePorts& operator=(const FakePorts&) = delete;

  FakeClipboard clipboard;
  // The paste destination fetches the clipboard as soon as it gets the paste
  // key (false: it never does unless a test calls destinationReads()).
  bool destinationReadsOnPaste = true;
  FakeKeyboard keyboard;
  FakeHotkeys hotkeys;
  FakeWorkspace workspace;
  FakeInstance instance;
  FakeLoginItem loginItem;
  FakeAuth auth;
  FakePanels panels;
  FakeStatusItem statusItem;
  FakeWindows windows;
};

}  // namespace clipvane::fakes
