// Compiled with QT_NO_KEYWORDS: glib's headers use "signals" as a name.
#include "AtspiAccessibility.h"

#include <atspi/atspi.h>
#include <unistd.h>

#include <chrono>
#include <deque>

namespace clipvane::x11 {

namespace {

// How much of a tree a search for the focused element may visit, and for how
// long: an application that answers each call just inside the time-out must
// not hold the caller for minutes.
constexpr int kMaxVisited = 600;
constexpr auto kSearchBudget = std::chrono::milliseconds(500);

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
  Ref object;  // may be empty for an application or window AT-SPI lacks
  std::int32_t pid = 0;
};

std::shared_ptr<const AtspiNode> makeNode(AtspiNode::Kind kind, Ref object, std::int32_t pid = 0) {
  auto n = std::make_shared<AtspiNode>();
  n->kind = kind;
  n->object = std::move(object);
  n->pid = pid;
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

bool hasState(AtspiAccessible* a, AtspiStateType state) {
  AtspiStateSet* set = atspi_accessible_get_state_set(a);
  if (!set) return false;
  const bool has = atspi_state_set_contains(set, state);
  g_object_unref(set);
  return has;
}

Ref child(AtspiAccessible* a, int i) {
  GError* error = nullptr;
  AtspiAccessible* c = atspi_accessible_get_child_at_index(a, i, &error);
  if (failed(error)) return {};
  return Ref(c);
}

int childCount(AtspiAccessible* a) {
  GError* error = nullptr;
  const int n = atspi_accessible_get_child_count(a, &error);
  return failed(error) ? 0 : n;
}

std::int32_t pidOf(AtspiAccessible* a) {
  GError* error = nullptr;
  const guint pid = atspi_accessible_get_process_id(a, &error);
  return failed(error) ? 0 : std::int32_t(pid);
}

Ref applicationOf(std::int32_t pid) {
  if (pid <= 0 || pid == getpid()) return {};
  Ref desktop(atspi_get_desktop(0));
  if (!desktop) return {};
  const int n = childCount(desktop.p);
  for (int i = 0; i < n; ++i) {
    Ref app = child(desktop.p, i);
    if (app && pidOf(app.p) == pid) return app;
  }
  return {};
}

Ref activeWindowOf(AtspiAccessible* app) {
  const int n = childCount(app);
  Ref first;
  for (int i = 0; i < n; ++i) {
    Ref w = child(app, i);
    if (!w) continue;
    if (hasState(w.p, ATSPI_STATE_ACTIVE)) return w;
    if (!first) first = w;
  }
  return first;
}

// Breadth-first through what is showing, for the element with the focus.
Ref focusedIn(AtspiAccessible* root) {
  const auto deadline = std::chrono::steady_clock::now() + kSearchBudget;
  std::deque<Ref> queue;
  queue.push_back(Ref(static_cast<AtspiAccessible*>(g_object_ref(root))));
  for (int visited = 0; !queue.empty() && visited < kMaxVisited; ++visited) {
    if (std::chrono::steady_clock::now() > deadline) return {};
    Ref a = queue.front();
    queue.pop_front();
    if (hasState(a.p, ATSPI_STATE_FOCUSED)) return a;
    const int n = std::min(childCount(a.p), kMaxVisited);
    for (int i = 0; i < n && std::chrono::steady_clock::now() <= deadline; ++i) {
      Ref c = child(a.p, i);
      if (c && hasState(c.p, ATSPI_STATE_SHOWING)) queue.push_back(c);
    }
  }
  return {};
}

QString docUrl(AtspiAccessible* a) {
  AtspiDocument* doc = atspi_accessible_get_document_iface(a);
  if (!doc) return {};
  GError* error = nullptr;
  gchar name[] = "DocURL";
  QString url = take(atspi_document_get_document_attribute_value(doc, name, &error));
  g_object_unref(doc);
  failed(error);
  return url;
}

QString objectAttribute(AtspiAccessible* a, const char* key) {
  GError* error = nullptr;
  GHashTable* table = atspi_accessible_get_attributes(a, &error);
  if (failed(error) || !table) return {};
  const auto* v = static_cast<const gchar*>(g_hash_table_lookup(table, key));
  QString out = v ? QString::fromUtf8(v) : QString();
  g_hash_table_unref(table);
  return out;
}

std::optional<QRectF> extents(AtspiAccessible* a) {
  AtspiComponent* component = atspi_accessible_get_component_iface(a);
  if (!component) return std::nullopt;
  GError* error = nullptr;
  AtspiRect* r = atspi_component_get_extents(component, ATSPI_COORD_TYPE_SCREEN, &error);
  g_object_unref(component);
  if (failed(error) || !r) return std::nullopt;
  QRectF rect(r->x, r->y, r->width, r->height);
  g_free(r);
  return rect;
}

std::optional<QRectF> characterExtents(AtspiText* text, int offset) {
  GError* error = nullptr;
  AtspiRect* r = atspi_text_get_character_extents(text, offset, ATSPI_COORD_TYPE_SCREEN, &error);
  if (failed(error) || !r) return std::nullopt;
  QRectF rect(r->x, r->y, r->width, r->height);
  g_free(r);
  return rect;
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
      atspi_set_timeout(timeoutMs, timeoutMs);
      return true;
    }
    return false;
  }();
  return ready;
}

AtspiAccessibility::AtspiAccessibility(
    std::function<std::optional<std::int32_t>()> activePid,
    std::function<std::optional<QString>(std::int32_t)> windowTitle)
    : activePid_(std::move(activePid)), windowTitle_(std::move(windowTitle)), ready_(busReady()) {}

AtspiAccessibility::~AtspiAccessibility() = default;

AccessibilityPort::Element AtspiAccessibility::systemWide() {
  if (!ready_) return nullptr;
  return makeNode(AtspiNode::Kind::desktop, Ref(atspi_get_desktop(0)));
}

AccessibilityPort::Element AtspiAccessibility::application(std::int32_t pid) {
  if (pid <= 0) return nullptr;
  // An application without an AT-SPI tree (or with no accessibility bus at
  // all) still has windows with titles.
  return makeNode(AtspiNode::Kind::application, ready_ ? applicationOf(pid) : Ref(), pid);
}

AccessibilityPort::Value AtspiAccessibility::attribute(const Element& element, Attribute which) {
  const auto* node = dynamic_cast<const AtspiNode*>(element.get());
  if (!node) return {};
  AtspiAccessible* a = node->object.p;
  GError* error = nullptr;

  switch (which) {
    case Attribute::focusedUIElement: {
      if (node->kind != AtspiNode::Kind::desktop || !activePid_) return {};
      const auto pid = activePid_();
      if (!pid) return {};
      Ref app = applicationOf(*pid);
      if (!app) return {};
      Ref window = activeWindowOf(app.p);
      Ref focus = focusedIn(window ? window.p : app.p);
      if (!focus) return {};
      return makeNode(AtspiNode::Kind::element, focus, *pid);
    }
    case Attribute::focusedWindow: {
      if (node->kind != AtspiNode::Kind::application) return {};
      Ref window = a ? activeWindowOf(a) : Ref();
      return makeNode(AtspiNode::Kind::window, window, node->pid);
    }
    case Attribute::title: {
      // A window's title is the window manager's, as the user sees it.
      if (node->kind == AtspiNode::Kind::window && windowTitle_)
        if (auto t = windowTitle_(node->pid)) return *t;
      if (!a) return {};
      QString name = take(atspi_accessible_get_name(a, &error));
      if (failed(error)) return {};
      return name;
    }
    case Attribute::parent: {
      if (!a || node->kind == AtspiNode::Kind::desktop) return {};
      Ref parent(atspi_accessible_get_parent(a, &error));
      if (failed(error) || !parent) return {};
      // Up from a window is the application, and then nothing.
      if (atspi_accessible_get_role(parent.p, nullptr) == ATSPI_ROLE_DESKTOP_FRAME) return {};
      return makeNode(AtspiNode::Kind::element, parent, node->pid);
    }
    default:
      break;
  }
  if (!a) return {};
  switch (which) {
    case Attribute::position:
    case Attribute::size: {
      const auto r = extents(a);
      if (!r) return {};
      if (which == Attribute::position) return r->topLeft();
      return r->size();
    }
    case Attribute::selectedTextRange: {
      AtspiText* text = atspi_accessible_get_text_iface(a);
      if (!text) return {};
      Value out;
      const int selections = atspi_text_get_n_selections(text, &error);
      if (!failed(error) && selections > 0) {
        AtspiRange* r = atspi_text_get_selection(text, 0, &error);
        if (!failed(error) && r) {
          const int lo = std::min(r->start_offset, r->end_offset);
          out = TextRange{lo, std::abs(r->end_offset - r->start_offset)};
          g_free(r);
        }
      } else {
        failed(error);
        const int caret = atspi_text_get_caret_offset(text, &error);
        if (!failed(error) && caret >= 0) out = TextRange{caret, 0};
      }
      g_object_unref(text);
      return out;
    }
    case Attribute::url:
    case Attribute::document: {
      const QString url = docUrl(a);
      if (url.isEmpty()) return {};
      return url;
    }
    case Attribute::description: {
      QString d = take(atspi_accessible_get_description(a, &error));
      if (failed(error)) return {};
      return d;
    }
    case Attribute::help: {
      // Offered by toolkits as an object attribute where they have one.
      const QString help = objectAttribute(a, "help-text");
      if (help.isEmpty()) return {};
      return help;
    }
    case Attribute::placeholderValue: {
      const QString p = objectAttribute(a, "placeholder-text");
      if (p.isEmpty()) return {};
      return p;
    }
    case Attribute::roleDescription: {
      QString role = take(atspi_accessible_get_localized_role_name(a, &error));
      if (failed(error)) return {};
      return role;
    }
    default:
      return {};
  }
}

AccessibilityPort::Value AtspiAccessibility::boundsForRange(const Element& element,
                                                            const Value& range) {
  const auto* node = dynamic_cast<const AtspiNode*>(element.get());
  const auto* r = std::get_if<TextRange>(&range);
  if (!node || !r || !node->object || !ready_) return {};
  AtspiText* text = atspi_accessible_get_text_iface(node->object.p);
  if (!text) return {};
  GError* error = nullptr;
  Value out;
  const int start = int(r->location);
  if (r->length > 0) {
    AtspiRect* rect = atspi_text_get_range_extents(text, start, start + int(r->length),
                                                   ATSPI_COORD_TYPE_SCREEN, &error);
    if (!failed(error) && rect) {
      out = QRectF(rect->x, rect->y, rect->width, rect->height);
      g_free(rect);
    }
  } else {
    // The caret: the left edge of the character after it, or at the end of
    // the text the right edge of the one before.
    const int count = atspi_text_get_character_count(text, &error);
    if (!failed(error)) {
      if (start < count) {
        if (auto c = characterExtents(text, start)) out = QRectF(c->x(), c->y(), 0, c->height());
      } else if (count > 0) {
        if (auto c = characterExtents(text, count - 1))
          out = QRectF(c->x() + c->width(), c->y(), 0, c->height());
      } else if (auto e = extents(node->object.p)) {
        out = QRectF(e->x(), e->y(), 0, e->height());
      }
    }
  }
  g_object_unref(text);
  return out;
}

}  // namespace clipvane::x11
