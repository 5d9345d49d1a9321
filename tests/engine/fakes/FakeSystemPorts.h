#pragma once
// Fakes of the accessibility, paste-key grab and local-model ports.
// FakeSystemPorts installs them for its lifetime.
#include <QByteArray>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "ports/AccessibilityPort.h"
#include "ports/KeyGrabPort.h"
#include "ports/LocalModelPort.h"
#include "ports/Ports.h"

namespace clipvane::fakes {

class FakeAccessibility : public AccessibilityPort {
 public:
  struct Node : AccessibilityPort::Node {
    std::map<Attribute, Value> attributes;
    // Answers given before the standing one, first to last: an application
    // that has its answer only from a later request on.
    mutable std::map<Attribute, std::deque<Value>> earlier;
  };

  // A new element of the fake tree.
  std::shared_ptr<Node> node() { return std::make_shared<Node>(); }
  std::shared_ptr<Node> desktop = std::make_shared<Node>();
  std::map<std::int32_t, std::shared_ptr<Node>> applications;
  // What the selection's bounds read as, after the earlier answers.
  Value selectionBounds;
  std::deque<Value> earlierSelectionBounds;
  // Every attribute read, in order.
  std::vector<std::pair<const Node*, Attribute>> reads;
  // Queries begun and ended, and reads made outside any query.
  int queriesBegun = 0, queriesEnded = 0, readsOutsideQuery = 0;
  // Off: the application lets the queries' reads go unanswered.
  bool answers = true;

  // Focus on a new element; returns it.
  std::shared_ptr<Node> focus() {
    auto element = node();
    desktop->attributes[Attribute::focusedUIElement] = Element(element);
    return element;
  }
  // The focused window of an application, with its title.
  std::shared_ptr<Node> window(std::int32_t pid, const Value& title) {
    auto& app = applications[pid];
    if (!app) app = node();
    auto win = node();
    win->attributes[Attribute::title] = title;
    app->attributes[Attribute::focusedWindow] = Element(win);
    return win;
  }

  Element systemWide() override { return desktop; }
  Element application(std::int32_t pid) override {
    auto it = applications.find(pid);
    return it == applications.end() ? nullptr : it->second;
  }
  Value attribute(const Element& element, Attribute attribute) override {
    auto* n = dynamic_cast<const Node*>(element.get());
    if (n == nullptr) return {};
    reads.emplace_back(n, attribute);
    if (queriesBegun == queriesEnded) ++readsOutsideQuery;
    if (auto earlier = n->earlier.find(attribute);
        earlier != n->earlier.end() && !earlier->second.empty()) {
      Value first = earlier->second.front();
      earlier->second.pop_front();
      return first;
    }
    auto it = n->attributes.find(attribute);
    return it == n->attributes.end() ? Value{} : it->second;
  }
  Value boundsForRange(const Element&, const Value&) override {
    if (queriesBegun == queriesEnded) ++readsOutsideQuery;
    if (earlierSelectionBounds.empty()) return selectionBounds;
    Value first = earlierSelectionBounds.front();
    earlierSelectionBounds.pop_front();
    return first;
  }
  void beginQuery() override { ++queriesBegun; }
  void endQuery() override { ++queriesEnded; }
  bool queryAnswered() const override { return answers; }
};

class FakeKeyGrab : public KeyGrabPort {
 public:
  bool refuse = false;  // another client holds the keys
  bool held = false;
  int starts = 0;
  Decide decide;
  std::function<void()> lost;

  // The user presses a grabbed shortcut; nothing when the keys are not held.
  std::optional<Verdict> press(const Press& p) {
    if (!held || !decide) return std::nullopt;
    return decide(p);
  }

  bool start(Decide d, std::function<void()> l) override {
    ++starts;
    if (refuse) return false;
    held = true;
    decide = std::move(d);
    lost = std::move(l);
    return true;
  }
  void stop() override {
    held = false;
    decide = nullptr;
  }
};

class FakeLocalModel : public LocalModelPort {
 public:
  std::atomic<Availability> state{Availability::available};
  // The answer to a request (called on a background thread).
  std::function<std::optional<QByteArray>(const ChatRequest&)> answer;
  std::atomic<int> chats{0};
  // Requests given up while they waited.
  std::atomic<int> givenUp{0};
  // Ignores a request's cancellation, as a server that cannot be stopped.
  std::atomic<bool> deaf{false};

  // While closed, chat() waits until open(), the fake goes, or the request is
  // given up.
  void close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
  }
  void open() {
    {
      std::lock_guard lock(mutex_);
      closed_ = false;
    }
    opened_.notify_all();
  }

  ~FakeLocalModel() override { open(); }
  Availability availability() override { return state.load(); }
  std::optional<QByteArray> chat(const ChatRequest& request) override {
    ++chats;
    const auto cancelled = [&] {
      return !deaf.load() && request.cancelled && request.cancelled->load();
    };
    {
      std::unique_lock lock(mutex_);
      while (closed_ && !cancelled()) opened_.wait_for(lock, std::chrono::milliseconds(5));
    }
    if (cancelled()) {
      ++givenUp;
      return std::nullopt;
    }
    return answer ? answer(request) : std::nullopt;
  }

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  bool closed_ = false;
};

struct FakeSystemPorts {
  FakeSystemPorts() { install(true); }
  ~FakeSystemPorts() { install(false); }
  FakeSystemPorts(const FakeSystemPorts&) = delete;
  FakeSystemPorts& operator=(const FakeSystemPorts&) = delete;

  FakeAccessibility accessibility;
  FakeKeyGrab keyGrab;
  FakeLocalModel model;

 private:
  void install(bool on) {
    Ports::install<AccessibilityPort>(on ? &accessibility : nullptr);
    Ports::install<KeyGrabPort>(on ? &keyGrab : nullptr);
    Ports::install<LocalModelPort>(on ? &model : nullptr);
  }
};

}  // namespace clipvane::fakes
