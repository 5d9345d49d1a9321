#include "Accessibility.h"

#include <QUrl>
#include <algorithm>
#include <chrono>
#include <thread>

#include "ports/KeyboardPort.h"
#include "ports/Ports.h"

namespace clipvane::Accessibility {

namespace {

using Attribute = AccessibilityPort::Attribute;
using Element = AccessibilityPort::Element;
using Value = AccessibilityPort::Value;

AccessibilityPort& port() { return Ports::get<AccessibilityPort>(); }

using Clock = std::chrono::steady_clock;

// Firefox answers its first request for a frame or a caret with a stand-in
// (-1s, or zeros at the origin) and has the answer a few milliseconds later,
// longer on a busy desktop; a search for the focus may come back empty the
// first time. Such answers are asked again after a pause, while the query has
// time: the frame and the caret while they are stand-ins, the focus once.
constexpr auto kAskAgainAfter = std::chrono::milliseconds(10);

// One query: its reads share the port's time-out as a whole.
class Query {
 public:
  Query() { port().beginQuery(); }
  ~Query() { port().endQuery(); }
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;

  // Whether a pause before asking again still fits in the query's time.
  bool hasTimeToAskAgain() const {
    return Clock::now() - start_ + kAskAgainAfter < AccessibilityPort::queryTime;
  }

 private:
  const Clock::time_point start_ = Clock::now();
};

// A rectangle asked of an application: none, a stand-in for one it has not
// placed yet, or the rectangle.
struct Placed {
  std::optional<QRectF> rect;
  bool standIn = false;
};

Placed placedRect(const QRectF& r) {
  if (r.width() < 0 || r.height() < 0) return {std::nullopt, true};
  return {r, false};
}

template <class Ask>
std::optional<QRectF> askWhileStandIn(const Query& query, Ask ask) {
  Placed answer = ask();
  while (answer.standIn && query.hasTimeToAskAgain()) {
    std::this_thread::sleep_for(kAskAgainAfter);
    answer = ask();
  }
  return answer.standIn ? std::nullopt : answer.rect;
}

Value read(const Element& element, Attribute attribute) {
  if (!element) return {};
  return port().attribute(element, attribute);
}

Element asElement(const Value& value) {
  const Element* element = std::get_if<Element>(&value);
  return element ? *element : nullptr;
}

// The engine keeps the port's top-left screen coordinates; a rectangle only
// gets at least one unit of width and height, so that a caret of zero width
// still has a place to stand next to.
QRectF screenRect(const QRectF& r) {
  return QRectF(r.x(), r.y(), std::max(1.0, r.width()), std::max(1.0, r.height()));
}

// Callers have checked the permission.
Element focused(const Query& query) {
  const auto ask = [] { return asElement(read(port().systemWide(), Attribute::focusedUIElement)); };
  Element element = ask();
  if (!element && query.hasTimeToAskAgain()) {
    std::this_thread::sleep_for(kAskAgainAfter);
    element = ask();
  }
  return element;
}

Placed frameOf(const Element& element) {
  const Value position = read(element, Attribute::position);
  const Value size = read(element, Attribute::size);
  const QPointF* p = std::get_if<QPointF>(&position);
  const QSizeF* s = std::get_if<QSizeF>(&size);
  if (p == nullptr || s == nullptr) return {};
  const Placed frame = placedRect(QRectF(*p, *s));
  if (!frame.rect || !(s->width() > 0 && s->height() > 0)) return {std::nullopt, frame.standIn};
  return {screenRect(*frame.rect), false};
}

Placed selectionOf(const Element& element) {
  const Value range = read(element, Attribute::selectedTextRange);
  if (std::holds_alternative<std::monostate>(range)) return {};
  const Value bounds = port().boundsForRange(element, range);
  const QRectF* r = std::get_if<QRectF>(&bounds);
  if (r == nullptr) return {};
  // An empty rectangle at the origin is an unknown position (for Firefox,
  // one not known yet); an empty one elsewhere is a caret.
  if (r->isEmpty() && r->topLeft() == QPointF(0, 0)) return {std::nullopt, true};
  const Placed caret = placedRect(*r);
  if (!caret.rect) return caret;
  return {screenRect(*caret.rect), false};
}

Element focusedWindow(std::int32_t pid) {
  return asElement(read(port().application(pid), Attribute::focusedWindow));
}

}  // namespace

bool isTrusted() {
  KeyboardPort* keyboard = Ports::find<KeyboardPort>();
  return Ports::find<AccessibilityPort>() != nullptr && keyboard != nullptr &&
         keyboard->isTrusted(false);
}

Element focusedElement() {
  if (!isTrusted()) return nullptr;
  Query query;
  return focused(query);
}

std::optional<QRectF> focusedElementRect() {
  if (!isTrusted()) return std::nullopt;
  Query query;
  const Element element = focused(query);
  if (!element) return std::nullopt;
  return askWhileStandIn(query, [&] { return frameOf(element); });
}

std::optional<QRectF> selectionRect() {
  if (!isTrusted()) return std::nullopt;
  Query query;
  const Element element = focused(query);
  if (!element) return std::nullopt;
  return askWhileStandIn(query, [&] { return selectionOf(element); });
}

std::optional<QString> focusedWindowTitle(std::int32_t pid) {
  if (!isTrusted()) return std::nullopt;
  Query query;
  const Element window = focusedWindow(pid);
  if (!window) return std::nullopt;
  const Value title = read(window, Attribute::title);
  if (const QString* s = std::get_if<QString>(&title)) return *s;
  return std::nullopt;
}

std::optional<QString> webHost(const Value& value) {
  QString text;
  if (const QUrl* url = std::get_if<QUrl>(&value))
    text = url->toString(QUrl::FullyEncoded);
  else if (const QString* s = std::get_if<QString>(&value))
    text = *s;
  else
    return std::nullopt;
  const QUrl url(text, QUrl::StrictMode);
  if (!url.isValid()) return std::nullopt;
  const QString scheme = url.scheme().toLower();
  if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) return std::nullopt;
  QString host = url.host().toLower();
  if (host.isEmpty()) return std::nullopt;
  if (host.startsWith(QLatin1String("www."))) host.remove(0, 4);
  return host;
}

std::optional<QString> frontTabHost(std::int32_t pid) {
  if (!isTrusted()) return std::nullopt;
  Query query;
  Element element = focused(query);
  // The front tab's page is the outermost web document on the way up: a
  // frame inside it (an embedded chat or form from another host) is a
  // document of its own, nearer the focus.
  std::optional<QString> page;
  for (int examined = 0; element && examined < maxWalk; ++examined) {
    if (auto host = webHost(read(element, Attribute::url)))
      page = host;
    else if (auto doc = webHost(read(element, Attribute::document)))
      page = doc;
    element = asElement(read(element, Attribute::parent));
  }
  if (page) return page;
  // A window's document is its own page; its URL attribute comes second.
  const Element window = focusedWindow(pid);
  if (!window) return std::nullopt;
  if (auto host = webHost(read(window, Attribute::document))) return host;
  return webHost(read(window, Attribute::url));
}

std::optional<QString> answeredFocusedElementText() {
  if (!isTrusted()) return QString();
  Query query;
  const Element element = focused(query);
  QStringList texts;
  if (element)
    for (Attribute a : {Attribute::description, Attribute::title, Attribute::help,
                        Attribute::placeholderValue, Attribute::roleDescription}) {
      const Value value = read(element, a);
      if (const QString* s = std::get_if<QString>(&value)) texts << *s;
    }
  if (!port().queryAnswered()) return std::nullopt;
  return texts.join(QLatin1Char(' '));
}

QString focusedElementText() { return answeredFocusedElementText().value_or(QString()); }

}  // namespace clipvane::Accessibility
