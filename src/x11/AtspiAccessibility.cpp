// Compiled with QT_NO_KEYWORDS: glib's headers use "signals" as a name.
#include "AtspiAccessibility.h"

#include <atspi/atspi.h>
#include <unistd.h>

#include <QHash>
#include <deque>
#include <map>
#include <thread>

#include "AtspiAnswers.h"

namespace clipvane::x11 {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

// How much of a tree a search for the focused element may visit: an
// application without the collection interface is searched call by call.
constexpr int kMaxVisited = 600;
// A call that took its whole time, at least this much of it, went unanswered.
constexpr milliseconds kSilence(50);
constexpr milliseconds kSlack(5);
// The pause before asking again for attributes that came back empty.
constexpr milliseconds kSecondAskAfter(10);
// A Chromium browser just woken has its front page's address some ten
// milliseconds later; it is looked for this often, for at most this long.
constexpr milliseconds kWakeStep(10);
constexpr milliseconds kWakeWait(150);

}  // namespace

// The time of the calls to applications: the calls of one query share the
// time-out, and an application that let a call go unanswered is left alone
// for `rest`. libatspi takes the time-out of the next call from a global
// setting; it is set before each call.
class AtspiAccessibility::Gate {
 public:
  Calls calls;
  milliseconds rest = defaultRest;

  // A query's extent: the outermost one sets the deadline.
  class Query {
   public:
    explicit Query(Gate& gate) : gate_(gate) { gate_.open(); }
    ~Query() { gate_.close(); }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

   private:
    Gate& gate_;
  };

  void open() {
    if (depth_++ == 0) {
      deadline_ = Clock::now() + queryTime;
      missedBefore_ = missed();
    }
  }
  void close() {
    if (depth_ > 0 && --depth_ == 0) deadline_.reset();
  }

  // No call of the open (or last) query went unanswered or was skipped.
  bool answered() const { return missed() == missedBefore_; }

  bool resting(std::int32_t pid) {
    const auto it = quietUntil_.find(pid);
    if (it == quietUntil_.end()) return false;
    if (Clock::now() < it->second) return true;
    quietUntil_.erase(it);
    return false;
  }

  // Whether a call to `pid` would be made now; one that would not counts as
  // skipped, as the caller gives up on it.
  bool canAsk(std::int32_t pid) {
    if (!(pid > 0 && resting(pid)) && Clock::now() < deadline()) return true;
    ++calls.skipped;
    return false;
  }

  // Makes one call to the application `pid` (0: the registry or the bus
  // itself) unless the query's time is up or the application is left alone;
  // false when the call was not made.
  template <class Call>
  bool ask(std::int32_t pid, Call&& call) {
    const auto start = Clock::now();
    const auto left = std::chrono::duration_cast<milliseconds>(deadline() - start).count();
    if ((pid > 0 && resting(pid)) || left <= 0) {
      ++calls.skipped;
      return false;
    }
    // libatspi may wait twice its time-out for one unanswered call (it looks
    // at the clock in whole milliseconds after waiting the full time-out), and
    // a busy desktop wakes it late: it gets two fifths of what the query has
    // left.
    const int wait = std::max(1, int(left) * 2 / 5);
    atspi_set_timeout(wait, wait);
    call();
    ++calls.made;
    if (Clock::now() - start + kSlack >= milliseconds(wait)) {
      ++calls.unanswered;
      if (pid > 0 && milliseconds(wait) >= kSilence) quietUntil_[pid] = Clock::now() + rest;
    }
    return true;
  }

 private:
  Clock::time_point deadline() const { return deadline_.value_or(Clock::now() + queryTime); }
  int missed() const { return calls.unanswered + calls.skipped; }

  int depth_ = 0;
  std::optional<Clock::time_point> deadline_;
  int missedBefore_ = 0;
  std::map<std::int32_t, Clock::time_point> quietUntil_;
};

namespace {

using Gate = AtspiAccessibility::Gate;

// The calls to one application.
struct Asker {
  Gate& gate;
  std::int32_t pid;  // 0: the registry or the bus
  template <class Call>
  bool operator()(Call&& call) const {
    return gate.ask(pid, std::forward<Call>(call));
  }
  bool canAsk() const { return gate.canAsk(pid); }
};

// A reference held on a libatspi object.
struct Ref {
  AtspiAccessible* p = nullptr;
  Ref() = default;
  explicit Ref(AtspiAccessible* owned) : p(owned) {}
  Ref(const Ref& o) : p(o.p ? static_cast<AtspiAccessible*>(g_object_ref(o.p)) : nullptr) {}
  Ref& operator=(Ref o) {
    std::swap(p, o.p);
    return *this;
  }
  ~Ref() {
    if (p) g_object_unref(p);
  }
  explicit operator bool() const { return p != nullptr; }
};

struct AtspiNode : AccessibilityPort::Node {
  enum class Kind { desktop, application, window, element };
  Kind kind = Kind::element;
  std::int32_t pid = 0;
  // An application's or window's object is looked up when a read first needs
  // it: a window's title comes from the window manager and asks nothing.
  mutable Ref object;
  mutable bool looked = true;
  // The object attributes, read once for the help text and the placeholder.
  mutable std::optional<QHash<QString, QString>> attributes;
};

std::shared_ptr<const AtspiNode> makeNode(AtspiNode::Kind kind, Ref object, std::int32_t pid,
                                          bool looked = true) {
  auto n = std::make_shared<AtspiNode>();
  n->kind = kind;
  n->object = std::move(object);
  n->pid = pid;
  n->looked = looked;
  return n;
}

// Ends a failed call's error quietly: every failure is "no value".
bool failed(GError*& error) {
  if (!error) return false;
  g_error_free(error);
  error = nullptr;
  return true;
}

QString take(gchar* s) {
  if (!s) return {};
  QString out = QString::fromUtf8(s);
  g_free(s);
  return out;
}

QHash<QString, QString> takeTable(GHashTable* table) {
  QHash<QString, QString> out;
  if (!table) return out;
  GHashTableIter it;
  gpointer key = nullptr, value = nullptr;
  g_hash_table_iter_init(&it, table);
  while (g_hash_table_iter_next(&it, &key, &value))
    out.insert(QString::fromUtf8(static_cast<const char*>(key)),
               QString::fromUtf8(static_cast<const char*>(value)));
  g_hash_table_unref(table);
  return out;
}

// Firefox answers its first request for an element's or a document's
// attributes with an empty table and has them a few milliseconds later: an
// empty answer is asked for once more.
// `askAgain` false: for a caller that asks again itself.
template <class Fetch>
QHash<QString, QString> attributeTable(const Asker& ask, Fetch&& fetch, bool askAgain = true) {
  QHash<QString, QString> out;
  for (int round = 0; round < (askAgain ? 2 : 1); ++round) {
    if (round > 0) std::this_thread::sleep_for(kSecondAskAfter);
    GHashTable* table = nullptr;
    bool answered = false;
    ask([&] {
      GError* error = nullptr;
      table = fetch(&error);
      answered = !failed(error);
    });
    out = takeTable(table);
    if (!out.isEmpty() || !answered) break;
  }
  return out;
}

std::optional<QRectF> takeRect(AtspiRect* r) {
  if (!r) return std::nullopt;
  QRectF rect(r->x, r->y, r->width, r->height);
  g_free(r);
  return rect;
}

bool hasState(const Asker& ask, AtspiAccessible* a, AtspiStateType state) {
  bool has = false;
  ask([&] {
    if (AtspiStateSet* set = atspi_accessible_get_state_set(a)) {
      has = atspi_state_set_contains(set, state);
      g_object_unref(set);
    }
  });
  return has;
}

Ref child(const Asker& ask, AtspiAccessible* a, int i) {
  Ref out;
  ask([&] {
    GError* error = nullptr;
    AtspiAccessible* c = atspi_accessible_get_child_at_index(a, i, &error);
    if (!failed(error)) out = Ref(c);
  });
  return out;
}

int childCount(const Asker& ask, AtspiAccessible* a) {
  int n = 0;
  ask([&] {
    GError* error = nullptr;
    const int count = atspi_accessible_get_child_count(a, &error);
    if (!failed(error)) n = std::max(count, 0);
  });
  return n;
}

// Asked of the bus, not of the application.
std::int32_t pidOf(const Asker& registry, AtspiAccessible* a) {
  std::int32_t pid = 0;
  registry([&] {
    GError* error = nullptr;
    const guint p = atspi_accessible_get_process_id(a, &error);
    if (!failed(error)) pid = std::int32_t(p);
  });
  return pid;
}

Ref applicationOf(Gate& gate, std::int32_t pid) {
  if (pid <= 0 || pid == getpid() || !gate.canAsk(pid)) return {};
  Ref desktop(atspi_get_desktop(0));
  if (!desktop) return {};
  const Asker registry{gate, 0};
  const int n = childCount(registry, desktop.p);
  for (int i = 0; i < n; ++i) {
    Ref app = child(registry, desktop.p, i);
    if (app && pidOf(registry, app.p) == pid) return app;
  }
  return {};
}

Ref activeWindowOf(const Asker& ask, AtspiAccessible* app) {
  const int n = childCount(ask, app);
  Ref first;
  for (int i = 0; i < n; ++i) {
    Ref w = child(ask, app, i);
    if (!w) continue;
    if (hasState(ask, w.p, ATSPI_STATE_ACTIVE)) return w;
    if (!first) first = w;
  }
  return first;
}

// The focused element in one call, where the application offers the
// collection interface (GTK, Chromium, Firefox); nothing when it does not or
// the call failed, an empty reference when nothing has the focus.
std::optional<Ref> focusedByCollection(const Asker& ask, AtspiAccessible* root) {
  AtspiCollection* collection = nullptr;
  ask([&] { collection = atspi_accessible_get_collection_iface(root); });
  if (!collection) return std::nullopt;
  AtspiStateSet* states = atspi_state_set_new(nullptr);
  atspi_state_set_add(states, ATSPI_STATE_FOCUSED);
  atspi_state_set_add(states, ATSPI_STATE_SHOWING);
  AtspiMatchRule* rule = atspi_match_rule_new(
      states, ATSPI_Collection_MATCH_ALL, nullptr, ATSPI_Collection_MATCH_NONE, nullptr,
      ATSPI_Collection_MATCH_NONE, nullptr, ATSPI_Collection_MATCH_NONE, FALSE);
  g_object_unref(states);
  GArray* matches = nullptr;
  bool answered = false;
  ask([&] {
    GError* error = nullptr;
    matches = atspi_collection_get_matches(collection, rule, ATSPI_Collection_SORT_ORDER_CANONICAL,
                                           1, TRUE, &error);
    answered = !failed(error);
  });
  g_object_unref(rule);
  g_object_unref(collection);
  Ref found;
  if (matches) {
    for (guint i = 0; i < matches->len; ++i) {
      auto* a = g_array_index(matches, AtspiAccessible*, i);
      if (i == 0 && a) found = Ref(static_cast<AtspiAccessible*>(g_object_ref(a)));
      if (a) g_object_unref(a);
    }
    g_array_free(matches, TRUE);
  }
  if (!answered) return std::nullopt;
  return found;
}

// Breadth-first through what is showing, for the element with the focus,
// call by call while the query has time.
Ref focusedBySearch(const Asker& ask, AtspiAccessible* root) {
  std::deque<Ref> queue;
  queue.push_back(Ref(static_cast<AtspiAccessible*>(g_object_ref(root))));
  for (int visited = 0; !queue.empty() && visited < kMaxVisited && ask.canAsk(); ++visited) {
    Ref a = queue.front();
    queue.pop_front();
    if (hasState(ask, a.p, ATSPI_STATE_FOCUSED)) return a;
    const int n = std::min(childCount(ask, a.p), kMaxVisited);
    for (int i = 0; i < n && ask.canAsk(); ++i) {
      Ref c = child(ask, a.p, i);
      if (c && hasState(ask, c.p, ATSPI_STATE_SHOWING)) queue.push_back(c);
    }
  }
  return {};
}

AtspiAccessible* objectOf(Gate& gate, const AtspiNode& node) {
  if (!node.looked) {
    node.looked = true;
    Ref app = applicationOf(gate, node.pid);
    if (node.kind == AtspiNode::Kind::window && app)
      node.object = activeWindowOf(Asker{gate, node.pid}, app.p);
    else
      node.object = app;
  }
  return node.object.p;
}

QString documentAddress(const Asker& ask, AtspiAccessible* a, bool askAgain = true) {
  AtspiDocument* doc = nullptr;
  ask([&] { doc = atspi_accessible_get_document_iface(a); });
  if (!doc) return {};
  // Asked again when empty: a page taken for one without an address would
  // leave a frame inside it named as the page.
  const auto attributes = attributeTable(
      ask, [&](GError** error) { return atspi_document_get_document_attributes(doc, error); },
      askAgain);
  g_object_unref(doc);
  return AtspiAnswers::pageAddress(attributes);
}

// Whether a window shows a web page whose address can be read: a showing
// web document (the page, its frames, the browser's own pages) with one.
bool showsPage(const Asker& ask, AtspiAccessible* window) {
  AtspiCollection* collection = nullptr;
  ask([&] { collection = atspi_accessible_get_collection_iface(window); });
  if (!collection) return false;
  AtspiStateSet* states = atspi_state_set_new(nullptr);
  atspi_state_set_add(states, ATSPI_STATE_SHOWING);
  GArray* roles = g_array_new(FALSE, FALSE, sizeof(AtspiRole));
  const AtspiRole document = ATSPI_ROLE_DOCUMENT_WEB;
  g_array_append_val(roles, document);
  AtspiMatchRule* rule = atspi_match_rule_new(
      states, ATSPI_Collection_MATCH_ALL, nullptr, ATSPI_Collection_MATCH_NONE, roles,
      ATSPI_Collection_MATCH_ANY, nullptr, ATSPI_Collection_MATCH_NONE, FALSE);
  g_object_unref(states);
  g_array_free(roles, TRUE);
  GArray* matches = nullptr;
  ask([&] {
    GError* error = nullptr;
    matches = atspi_collection_get_matches(collection, rule, ATSPI_Collection_SORT_ORDER_CANONICAL,
                                           8, TRUE, &error);
    failed(error);
  });
  g_object_unref(rule);
  g_object_unref(collection);
  bool shows = false;
  if (matches) {
    for (guint i = 0; i < matches->len; ++i) {
      auto* a = g_array_index(matches, AtspiAccessible*, i);
      if (a && !shows && ask.canAsk()) shows = !documentAddress(ask, a, false).isEmpty();
      if (a) g_object_unref(a);
    }
    g_array_free(matches, TRUE);
  }
  return shows;
}

// The bus name of an application's connection: never given to another
// connection while the bus runs.
std::string busName(AtspiAccessible* a) {
  const AtspiApplication* app = ATSPI_OBJECT(a)->app;
  return app && app->bus_name ? std::string(app->bus_name) : std::string();
}

// Chromium, and every browser built on it, exposes its pages (and the
// contents of its own windows) only once it takes an assistive technology to
// be present: on Linux when one asks the application for its object
// attributes, as screen readers do first. Until then each of its windows is
// an empty frame: the accessibility bus's status, ACCESSIBILITY_ENABLED at
// its start and listeners for its events leave it so. The attributes of a
// browser's application are asked for on its first query, which then waits a
// moment for the window's page. The browser keeps its pages exposed until it
// ends; none of its settings change.
void wakePages(const Asker& ask, AtspiAccessible* app, AtspiAccessible* window, std::int32_t pid,
               const std::function<bool(std::int32_t)>& isBrowser,
               std::map<std::string, bool>& woken) {
  const std::string bus = busName(app);
  if (bus.empty() || !isBrowser || woken.count(bus)) return;
  QString toolkit;
  bool answered = false;
  ask([&] {
    GError* error = nullptr;
    gchar* name = atspi_accessible_get_toolkit_name(app, &error);
    answered = !failed(error);
    toolkit = take(name);
  });
  if (!answered) return;
  if (toolkit != QLatin1String("Chromium") || !isBrowser(pid)) {
    woken[bus] = false;
    return;
  }
  GHashTable* attributes = nullptr;
  ask([&] {
    GError* error = nullptr;
    attributes = atspi_accessible_get_attributes(app, &error);
    answered = !failed(error);
  });
  if (attributes) g_hash_table_unref(attributes);
  if (!answered) return;
  woken[bus] = true;
  const auto until = Clock::now() + kWakeWait;
  while (!showsPage(ask, window) && Clock::now() + kWakeStep < until && ask.canAsk())
    std::this_thread::sleep_for(kWakeStep);
}

const QHash<QString, QString>& objectAttributes(const Asker& ask, const AtspiNode& node) {
  if (node.attributes) return *node.attributes;
  node.attributes = attributeTable(
      ask, [&](GError** error) { return atspi_accessible_get_attributes(node.object.p, error); });
  return *node.attributes;
}

std::optional<QRectF> extents(const Asker& ask, AtspiAccessible* a) {
  AtspiComponent* component = nullptr;
  ask([&] { component = atspi_accessible_get_component_iface(a); });
  if (!component) return std::nullopt;
  std::optional<QRectF> out;
  ask([&] {
    GError* error = nullptr;
    AtspiRect* r = atspi_component_get_extents(component, ATSPI_COORD_TYPE_SCREEN, &error);
    if (!failed(error)) out = takeRect(r);
  });
  g_object_unref(component);
  return out;
}

std::optional<QRectF> characterExtents(const Asker& ask, AtspiText* text, int offset) {
  std::optional<QRectF> out;
  ask([&] {
    GError* error = nullptr;
    AtspiRect* r = atspi_text_get_character_extents(text, offset, ATSPI_COORD_TYPE_SCREEN, &error);
    if (!failed(error)) out = takeRect(r);
  });
  return out;
}

// One of the element's texts; an empty text is a value too.
AccessibilityPort::Value text(const Asker& ask, AtspiAccessible* a,
                              gchar* (*get)(AtspiAccessible*, GError**)) {
  AccessibilityPort::Value out;
  ask([&] {
    GError* error = nullptr;
    gchar* s = get(a, &error);
    if (!failed(error)) out = s ? take(s) : QString();
  });
  return out;
}

AtspiText* textOf(const Asker& ask, AtspiAccessible* a) {
  AtspiText* text = nullptr;
  ask([&] { text = atspi_accessible_get_text_iface(a); });
  return text;
}

bool isLineBreak(gunichar c) { return c == '\n' || c == '\r' || c == 0x2028 || c == 0x2029; }

// The caret after the last character of the text.
std::optional<QRectF> caretAtEnd(const Asker& ask, AtspiAccessible* a, AtspiText* text, int count) {
  const auto last = characterExtents(ask, text, count - 1);
  // Not laid out yet: the stand-in tells the caller to ask again.
  if (!last || !AtspiAnswers::placed(*last)) return last;
  gunichar c = 0;
  ask([&] {
    GError* error = nullptr;
    c = atspi_text_get_character_at_offset(text, count - 1, &error);
    failed(error);
  });
  std::optional<QRectF> lineStart;
  if (isLineBreak(c)) {
    lineStart = characterExtents(ask, text, 0);
    if (!lineStart || !AtspiAnswers::placed(*lineStart)) lineStart = extents(ask, a);
  }
  return AtspiAnswers::caretAfter(*last, isLineBreak(c), lineStart);
}

}  // namespace

bool AtspiAccessibility::busReady() {
  // libatspi answers 0 once connected, 2 when it found no accessibility bus (a
  // desktop without at-spi2-core), and 1 to every later call whatever the
  // first found: only the first answer tells. Without a bus any query aborts
  // the process inside libatspi, so none is ever made then.
  static const bool ready = [] {
    const int result = atspi_init();
    if (result == 0 || result == 1) {
      atspi_set_timeout(int(queryTime.count()), int(queryTime.count()));
      return true;
    }
    return false;
  }();
  return ready;
}

AtspiAccessibility::AtspiAccessibility(
    std::function<std::optional<std::int32_t>()> activePid,
    std::function<std::optional<QString>(std::int32_t)> windowTitle,
    std::function<bool(std::int32_t)> isBrowser)
    : activePid_(std::move(activePid)),
      windowTitle_(std::move(windowTitle)),
      isBrowser_(std::move(isBrowser)),
      ready_(busReady()),
      gate_(std::make_unique<Gate>()) {}

AtspiAccessibility::~AtspiAccessibility() = default;

void AtspiAccessibility::setRest(std::chrono::milliseconds rest) { gate_->rest = rest; }

AtspiAccessibility::Calls AtspiAccessibility::calls() const { return gate_->calls; }

void AtspiAccessibility::beginQuery() { gate_->open(); }

void AtspiAccessibility::endQuery() { gate_->close(); }

bool AtspiAccessibility::queryAnswered() const { return gate_->answered(); }

AccessibilityPort::Element AtspiAccessibility::systemWide() {
  if (!ready_) return nullptr;
  return makeNode(AtspiNode::Kind::desktop, Ref(atspi_get_desktop(0)), 0);
}

AccessibilityPort::Element AtspiAccessibility::application(std::int32_t pid) {
  if (pid <= 0) return nullptr;
  // An application without an AT-SPI tree (or with no accessibility bus at
  // all) still has windows with titles.
  return makeNode(AtspiNode::Kind::application, Ref(), pid, !ready_);
}

AccessibilityPort::Value AtspiAccessibility::attribute(const Element& element, Attribute which) {
  const auto* node = dynamic_cast<const AtspiNode*>(element.get());
  if (!node) return {};
  Gate& gate = *gate_;
  Gate::Query query(gate);
  const Asker ask{gate, node->pid};

  switch (which) {
    case Attribute::focusedUIElement: {
      if (node->kind != AtspiNode::Kind::desktop || !activePid_) return {};
      const auto pid = activePid_();
      if (!pid) return {};
      Ref app = applicationOf(gate, *pid);
      if (!app) return {};
      const Asker inApp{gate, *pid};
      Ref window = activeWindowOf(inApp, app.p);
      AtspiAccessible* root = window ? window.p : app.p;
      wakePages(inApp, app.p, root, *pid, isBrowser_, woken_);
      std::optional<Ref> focus = focusedByCollection(inApp, root);
      if (!focus) focus = focusedBySearch(inApp, root);
      if (!*focus) return {};
      return makeNode(AtspiNode::Kind::element, *focus, *pid);
    }
    case Attribute::focusedWindow:
      if (node->kind != AtspiNode::Kind::application) return {};
      return makeNode(AtspiNode::Kind::window, Ref(), node->pid, !ready_);
    case Attribute::title:
      // A window's title is the window manager's, as the user sees it.
      if (node->kind == AtspiNode::Kind::window && windowTitle_)
        if (auto t = windowTitle_(node->pid)) return *t;
      break;
    case Attribute::url:
      // AT-SPI keeps a page's address only among its document's attributes,
      // which `document` reads.
      return {};
    default:
      break;
  }
  if (!ready_) return {};
  AtspiAccessible* a = objectOf(gate, *node);
  if (!a) return {};
  switch (which) {
    case Attribute::title:
      return text(ask, a, atspi_accessible_get_name);
    case Attribute::parent: {
      if (node->kind == AtspiNode::Kind::desktop) return {};
      Ref parent;
      ask([&] {
        GError* error = nullptr;
        AtspiAccessible* p = atspi_accessible_get_parent(a, &error);
        if (!failed(error)) parent = Ref(p);
      });
      if (!parent) return {};
      // Up from a window is the application, and then nothing.
      AtspiRole role = ATSPI_ROLE_INVALID;
      ask([&] { role = atspi_accessible_get_role(parent.p, nullptr); });
      if (role == ATSPI_ROLE_DESKTOP_FRAME) return {};
      return makeNode(AtspiNode::Kind::element, parent, node->pid);
    }
    case Attribute::position:
    case Attribute::size: {
      const auto r = extents(ask, a);
      if (!r) return {};
      if (which == Attribute::position) return r->topLeft();
      return r->size();
    }
    case Attribute::selectedTextRange: {
      AtspiText* text = textOf(ask, a);
      if (!text) return {};
      Value out;
      int selections = 0;
      bool answered = false;
      ask([&] {
        GError* error = nullptr;
        selections = atspi_text_get_n_selections(text, &error);
        answered = !failed(error);
      });
      if (answered && selections > 0) {
        ask([&] {
          GError* error = nullptr;
          AtspiRange* r = atspi_text_get_selection(text, 0, &error);
          if (!failed(error) && r) {
            const int lo = std::min(r->start_offset, r->end_offset);
            out = TextRange{lo, std::abs(r->end_offset - r->start_offset)};
          }
          g_free(r);
        });
      } else {
        ask([&] {
          GError* error = nullptr;
          const int caret = atspi_text_get_caret_offset(text, &error);
          if (!failed(error) && caret >= 0) out = TextRange{caret, 0};
        });
      }
      g_object_unref(text);
      return out;
    }
    case Attribute::document: {
      const QString url = documentAddress(ask, a);
      if (url.isEmpty()) return {};
      return url;
    }
    case Attribute::description:
      return text(ask, a, atspi_accessible_get_description);
    case Attribute::help: {
      // Offered by toolkits as an object attribute where they have one.
      const QString help = objectAttributes(ask, *node).value(QStringLiteral("help-text"));
      if (help.isEmpty()) return {};
      return help;
    }
    case Attribute::placeholderValue: {
      const QString p = AtspiAnswers::placeholder(objectAttributes(ask, *node));
      if (p.isEmpty()) return {};
      return p;
    }
    case Attribute::roleDescription:
      return text(ask, a, atspi_accessible_get_localized_role_name);
    default:
      return {};
  }
}

AccessibilityPort::Value AtspiAccessibility::boundsForRange(const Element& element,
                                                            const Value& range) {
  const auto* node = dynamic_cast<const AtspiNode*>(element.get());
  const auto* r = std::get_if<TextRange>(&range);
  if (!node || !r || !ready_) return {};
  Gate::Query query(*gate_);
  const Asker ask{*gate_, node->pid};
  AtspiAccessible* a = objectOf(*gate_, *node);
  if (!a) return {};
  AtspiText* text = textOf(ask, a);
  if (!text) return {};
  Value out;
  const int start = int(r->location);
  if (r->length > 0) {
    ask([&] {
      GError* error = nullptr;
      AtspiRect* rect = atspi_text_get_range_extents(text, start, start + int(r->length),
                                                     ATSPI_COORD_TYPE_SCREEN, &error);
      if (!failed(error))
        if (auto got = takeRect(rect)) out = *got;
    });
  } else {
    // The caret: the left edge of the character after it, or at the end of
    // the text after the last one.
    int count = -1;
    ask([&] {
      GError* error = nullptr;
      const int n = atspi_text_get_character_count(text, &error);
      if (!failed(error)) count = n;
    });
    if (count > start) {
      if (auto c = characterExtents(ask, text, start))
        out = AtspiAnswers::placed(*c) ? QRectF(c->x(), c->y(), 0, c->height()) : *c;
    } else if (count > 0) {
      if (auto c = caretAtEnd(ask, a, text, count)) out = *c;
    } else if (count == 0) {
      if (auto e = extents(ask, a)) out = QRectF(e->x(), e->y(), 0, e->height());
    }
  }
  g_object_unref(text);
  return out;
}

}  // namespace clipvane::x11
