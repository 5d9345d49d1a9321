#include "FakeSystemPorts.h"

#include "Ports.h"

namespace clipvane::fakes {

// ---- accessibility ----------------------------------------------------------------

std::shared_ptr<FakeAccessibility::Node> FakeAccessibility::node() {
  return std::make_shared<Node>();
}

std::shared_ptr<FakeAccessibility::Node> FakeAccessibility::focus() {
  auto element = node();
  desktop->attributes[Attribute::focusedUIElement] = Element(element);
  return element;
}

std::shared_ptr<FakeAccessibility::Node> FakeAccessibility::window(std::int32_t pid,
                                                                   const Value& title) {
  auto& app = applications[pid];
  if (!app) app = node();
  auto win = node();
  win->attributes[Attribute::title] = title;
  app->attributes[Attribute::focusedWindow] = Element(win);
  return win;
}

AccessibilityPort::Element FakeAccessibility::application(std::int32_t pid) {
  auto it = applications.find(pid);
  if (it == applications.end()) return nullptr;
  return it->second;
}

AccessibilityPort::Value FakeAccessibility::attribute(const Element& element, Attribute attribute) {
  auto* n = dynamic_cast<const Node*>(element.get());
  if (n == nullptr) return {};
  reads.emplace_back(n, attribute);
  auto it = n->attributes.find(attribute);
  return it == n->attributes.end() ? Value{} : it->second;
}

AccessibilityPort::Value FakeAccessibility::boundsForRange(const Element&, const Value&) {
  return selectionBounds;
}

// ---- paste-key grab ------------------------------------------------------------------

std::optional<KeyGrabPort::Verdict> FakeKeyGrab::press(const Press& p) {
  if (!held || !decide) return std::nullopt;
  return decide(p);
}

bool FakeKeyGrab::start(Decide d, std::function<void()> l) {
  ++starts;
  if (refuse) return false;
  held = true;
  decide = std::move(d);
  lost = std::move(l);
  return true;
}

void FakeKeyGrab::stop() {
  ++stops;
  held = false;
  decide = nullptr;
}

// ---- local model -------------------------------------------------------------------------

void FakeLocalModel::close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
}

void FakeLocalModel::open() {
  {
    std::lock_guard lock(mutex_);
    closed_ = false;
  }
  opened_.notify_all();
}

FakeLocalModel::~FakeLocalModel() { open(); }

std::optional<QByteArray> FakeLocalModel::chat(const ChatRequest& request) {
  ++chats;
  {
    std::unique_lock lock(mutex_);
    opened_.wait(lock, [this] { return !closed_; });
  }
  return answer ? answer(request) : std::nullopt;
}

// ---- installation ------------------------------------------------------------------------

FakeSystemPorts::FakeSystemPorts() {
  Ports::install<AccessibilityPort>(&accessibility);
  Ports::install<KeyGrabPort>(&keyGrab);
  Ports::install<LocalModelPort>(&model);
}

FakeSystemPorts::~FakeSystemPorts() {
  Ports::install<AccessibilityPort>(nullptr);
  Ports::install<KeyGrabPort>(nullptr);
  Ports::install<LocalModelPort>(nullptr);
}

}  // namespace clipvane::fakes
