#include "FakePorts.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <thread>

#include "Pasteboard.h"
#include "Ports.h"

namespace clipvane::fakes {

QStringList& journal() {
  static QStringList lines;
  return lines;
}

// ---- clipboard ----------------------------------------------------------------

void FakeClipboard::userCopies(const QString& text) {
  userCopiesItems({{{plainText, text.toUtf8()}}});
}

void FakeClipboard::userCopiesItems(const ClipboardSnapshot& items) {
  contents = items;
  ++count;
}

QStringList FakeClipboard::types() const {
  QStringList out;
  for (const auto& item : contents)
    for (const auto& [type, bytes] : item)
      if (!out.contains(type)) out << type;
  return out;
}

std::optional<QString> FakeClipboard::string() const {
  if (contents.empty()) return std::nullopt;
  for (const auto& [type, bytes] : contents.front())
    if (type == plainText) return QString::fromUtf8(bytes);
  return std::nullopt;
}

QStringList FakeClipboard::itemTypes(int item) const {
  QStringList out;
  for (const auto& [type, bytes] : contents.at(std::size_t(item))) out << type;
  return out;
}

std::optional<QByteArray> FakeClipboard::data(int item, const QString& type) const {
  if (unreadable.count(type)) return std::nullopt;
  for (const auto& [t, bytes] : contents.at(std::size_t(item)))
    if (t == type) return bytes;
  return std::nullopt;
}

std::optional<QString> FakeClipboard::destinationReads() {
  ++reads;
  return string();
}

void FakeClipboard::clear() {
  contents.clear();
  ++count;
  ++writes;
}

void FakeClipboard::setString(const QString& text) {
  contents = {{{plainText, text.toUtf8()}}};
  ++count;
  ++writes;
}

void FakeClipboard::setItems(const ClipboardSnapshot& items) {
  contents = items;
  ++count;
  ++writes;
}

// ---- keyboard -------------------------------------------------------------------

bool FakeKeyboard::isTrusted(bool prompt) {
  if (prompt) {
    ++prompts;
    journal() << QStringLiteral("trustPrompt");
  }
  return trusted;
}

void FakeKeyboard::postKeyEvent(std::uint16_t keyCode, std::uint32_t modifiers, bool keyDown,
                                std::uint32_t marker) {
  events.push_back({keyCode, modifiers, keyDown, marker});
  if (receiver) receiver(events.back());
}

// ---- hot keys -------------------------------------------------------------------

bool FakeHotkeys::press(std::uint32_t keyCode, std::uint32_t modifiers) {
  for (const auto& [ref, r] : registered)
    if (r.keyCode == keyCode && r.modifiers == modifiers) {
      if (handler) handler(r.id);
      return true;
    }
  return false;
}

std::optional<FakeHotkeys::Registration> FakeHotkeys::find(std::uint32_t id) const {
  for (const auto& [ref, r] : registered)
    if (r.id.id == id) return r;
  return std::nullopt;
}

std::optional<HotkeyPort::Ref> FakeHotkeys::registerHotkey(std::uint32_t keyCode,
                                                           std::uint32_t modifiers, HotkeyID id) {
  ++registrations;
  journal() << QStringLiteral("registerHotkey %1").arg(id.id);
  if (heldElsewhere.count({keyCode, modifiers})) return std::nullopt;
  for (const auto& [ref, r] : registered)
    if (r.keyCode == keyCode && r.modifiers == modifiers) return std::nullopt;
  const Ref ref = next_++;
  registered[ref] = {keyCode, modifiers, id};
  return ref;
}

void FakeHotkeys::unregisterHotkey(Ref ref) {
  ++unregistrations;
  registered.erase(ref);
}

// ---- workspace --------------------------------------------------------------------

bool FakeWorkspace::openUrl(const QUrl& url) {
  opened << url;
  return true;
}

void FakeWorkspace::beep() {
  ++beeps;
  journal() << QStringLiteral("beep");
}

// ---- instance -------------------------------------------------------------------------

void FakeInstance::openUrls(const QStringList& urls, const RunningCopy& copy,
                            std::function<void()> done) {
  handedOver.emplace_back(urls, copy.pid);
  if (completeOpens)
    std::thread(std::move(done)).join();  // the completion comes from another thread
  else
    pendingDone = std::move(done);
}

void FakeInstance::postReopen() {
  ++reopensPosted;
  journal() << QStringLiteral("postReopen");
}

void FakeInstance::listen(std::function<void()> reopen,
                          std::function<void(const QStringList&)> urls) {
  onReopen = std::move(reopen);
  onUrls = std::move(urls);
}

void FakeInstance::terminate() {
  ++terminations;
  journal() << QStringLiteral("terminate");
}

// ---- login item ----------------------------------------------------------------------------

std::optional<QString> FakeLoginItem::registerItem() {
  calls << QStringLiteral("register");
  journal() << QStringLiteral("loginItem register");
  if (failure) return failure;
  current = LoginItemStatus::enabled;
  return std::nullopt;
}

std::optional<QString> FakeLoginItem::unregisterItem() {
  calls << QStringLiteral("unregister");
  journal() << QStringLiteral("loginItem unregister");
  if (failure) return failure;
  current = LoginItemStatus::notRegistered;
  return std::nullopt;
}

// ---- authentication ------------------------------------------------------------------------

bool FakeAuth::canEvaluate(QString* error) {
  if (!available && error) *error = unavailableReason;
  return available;
}

void FakeAuth::evaluate(const QString& reason, std::function<void(bool)> reply) {
  reasons << reason;
  if (replyFromOtherThread)
    std::thread([reply = std::move(reply), a = answer] { reply(a); }).join();
  else
    reply(answer);
}

// ---- panels -----------------------------------------------------------------------------

QString FakePanels::lastText() const {
  return toasts.empty() ? QString() : toasts.back().toast.text;
}

void FakePanels::pressAction() {
  if (!toasts.empty() && toasts.back().toast.action) toasts.back().toast.action->run();
}

void FakePanels::showToast(const Toast& toast, bool sticky) {
  toasts.push_back({toast, sticky});
  journal() << QStringLiteral("toast %1").arg(toast.text);
}

void FakePanels::dismissToast() {
  ++dismissals;
  journal() << QStringLiteral("dismissToast");
}

void FakePanels::dismissAll() {
  ++dismissAlls;
  journal() << QStringLiteral("dismissAll");
}

void FakePanels::showReview(const ReviewSession& session) {
  reviews.push_back(session);
  journal() << QStringLiteral("review");
}

// ---- status item ----------------------------------------------------------------------

void FakeStatusItem::install() {
  installed = true;
  journal() << QStringLiteral("installStatusItem");
}

void FakeStatusItem::refresh() {
  ++refreshes;
  journal() << QStringLiteral("refresh");
}

void FakeStatusItem::setVisible(bool v) {
  visible = v;
  journal() << QStringLiteral("statusVisible %1").arg(v);
}

// ---- windows ------------------------------------------------------------------------------

void FakeWindows::showSettings(SettingsTab tab) {
  journal() << QStringLiteral("settings %1").arg(QString::fromUtf8(rawName(tab).data()));
}

void FakeWindows::showActivity(bool openLatest) {
  journal() << QStringLiteral("activity %1").arg(openLatest);
}

void FakeWindows::showFirstRun() { journal() << QStringLiteral("firstRun"); }

void FakeWindows::runAlert(const QString& message, const QString& informative) {
  alerts.push_back({message, informative});
  journal() << QStringLiteral("alert %1").arg(message);
}

// ---- installation ---------------------------------------------------------------------------

FakePorts::FakePorts() {
  journal().clear();
  Pasteboard::ownChanges().clear();
  Pasteboard::pendingRestore().reset();
  Pasteboard::restoreLimit() = Pasteboard::defaultRestoreLimit;
  keyboard.receiver = [this](const FakeKeyboard::Event& e) {
    if (destinationReadsOnPaste && e.down && e.keyCode == KeyCode::v) clipboard.destinationReads();
  };
  Ports::install<ClipboardPort>(&clipboard);
  Ports::install<KeyboardPort>(&keyboard);
  Ports::install<HotkeyPort>(&hotkeys);
  Ports::install<WorkspacePort>(&workspace);
  Ports::install<InstancePort>(&instance);
  Ports::install<LoginItemPort>(&loginItem);
  Ports::install<AuthPort>(&auth);
  Ports::install<PanelsPort>(&panels);
  Ports::install<StatusItemPort>(&statusItem);
  Ports::install<WindowsPort>(&windows);
}

FakePorts::~FakePorts() {
  Ports::install<ClipboardPort>(nullptr);
  Ports::install<KeyboardPort>(nullptr);
  Ports::install<HotkeyPort>(nullptr);
  Ports::install<WorkspacePort>(nullptr);
  Ports::install<InstancePort>(nullptr);
  Ports::install<LoginItemPort>(nullptr);
  Ports::install<AuthPort>(nullptr);
  Ports::install<PanelsPort>(nullptr);
  Ports::install<StatusItemPort>(nullptr);
  Ports::install<WindowsPort>(nullptr);
}

}  // namespace clipvane::fakes
