#pragma once
// Fakes of the accessibility, paste-key grab and local-model ports.
// FakeSystemPorts installs them for its lifetime.
#include <QByteArray>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "ports/AccessibilityPort.h"
#include "ports/KeyGrabPort.h"
#include "ports/LocalModelPort.h"

namespace clipvane::fakes {

class FakeAccessibility : public AccessibilityPort {
 public:
  struct Node : AccessibilityPort::Node {
    std::map<Attribute, Value> attributes;
  };

  // A new element of the fake tree.
  std::shared_ptr<Node> node();
  std::shared_ptr<Node> desktop = std::make_shared<Node>();
  std::map<std::int32_t, std::shared_ptr<Node>> applications;
  // What the selection's bounds read as.
  Value selectionBounds;
  // Every attribute read, in order.
  std::vector<std::pair<const Node*, Attribute>> reads;

  // Focus on a new element; returns it.
  std::shared_ptr<Node> focus();
  // The focused window of an application, with its title.
  std::shared_ptr<Node> window(std::int32_t pid, const Value& title);

  Element systemWide() override { return desktop; }
  Element application(std::int32_t pid) override;
  Value attribute(const Element& element, Attribute attribute) override;
  Value boundsForRange(const Element& element, const Value& range) override;
};

class FakeKeyGrab : public KeyGrabPort {
 public:
  bool refuse = false;  // another client holds the keys
  bool held = false;
  int starts = 0;
  int stops = 0;
  Decide decide;
  std::function<void()> lost;

  // The user presses a grabbed shortcut; nothing when the keys are not held.
  std::optional<Verdict> press(const Press& press);

  bool start(Decide d, std::function<void()> l) override;
  void stop() override;
};

class FakeLocalModel : public LocalModelPort {
 public:
  std::atomic<Availability> state{Availability::available};
  // The answer to a request (called on a background thread).
  std::function<std::optional<QByteArray>(const ChatRequest&)> answer;
  std::atomic<int> chats{0};

  // While closed, chat() waits until open() (or the fake goes).
  void close();
  void open();

  ~FakeLocalModel() override;
  Availability availability() override { return state.load(); }
  std::optional<QByteArray> chat(const ChatRequest& request) override;

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  bool closed_ = false;
};

struct FakeSystemPorts {
  FakeSystemPorts();
  ~FakeSystemPorts();
  FakeSystemPorts(const FakeSystemPorts&) = delete;
  FakeSystemPorts& operator=(const FakeSystemPorts&) = delete;

  FakeAccessibility accessibility;
  FakeKeyGrab keyGrab;
  FakeLocalModel model;
};

}  // namespace clipvane::fakes
