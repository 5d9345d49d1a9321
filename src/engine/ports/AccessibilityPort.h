#pragma once
// Raw reads of the accessibility tree of other applications (AT-SPI on the
// Linux desktop). The queries of Accessibility are built on these reads; the
// permission to read comes from KeyboardPort::isTrusted().
//
// Coordinates: screen coordinates of the whole desktop as Qt and X11 use
// them, origin at the top left of the virtual screen, y growing downwards.
// The engine keeps this system throughout; the panels place themselves in it.
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QUrl>
#include <chrono>
#include <cstdint>
#include <memory>
#include <variant>

namespace clipvane {

class AccessibilityPort {
 public:
  // An element of another application's tree; the implementation subclasses
  // it and releases what it holds when the last reference goes.
  class Node {
   public:
    virtual ~Node() = default;
  };
  using Element = std::shared_ptr<const Node>;

  // A text range in characters, as a selection is reported.
  struct TextRange {
    std::int64_t location = 0;
    std::int64_t length = 0;
  };

  // An attribute's value. No value (any failure, time-out, or an attribute the
  // element lacks) is std::monostate. Callers check the alternative they
  // expect and treat any other as no value.
  using Value =
      std::variant<std::monostate, Element, QString, QUrl, QPointF, QSizeF, QRectF, TextRange>;

  enum class Attribute {
    focusedUIElement,   // on the system-wide element: the focused element (Element)
    position,           // top-left corner on screen (QPointF)
    size,               // QSizeF
    selectedTextRange,  // the selection, or the caret as an empty range (TextRange)
    focusedWindow,      // on an application element (Element)
    title,              // the element's or window's name (QString)
    url,                // a document's address (QUrl or QString)
    document,           // a document's address (QUrl or QString)
    parent,             // Element
    description,        // QString
    help,               // QString
    placeholderValue,   // QString
    roleDescription,    // the localized role name (QString)
  };

  // The time one query may hold its caller.
  static constexpr std::chrono::milliseconds queryTime{250};

  virtual ~AccessibilityPort() = default;

  // The element that stands for the whole desktop; null when unavailable.
  virtual Element systemWide() = 0;
  // The element of the application with this process id; null when unknown.
  virtual Element application(std::int32_t pid) = 0;

  // One query of the engine makes several reads; between these two calls
  // they share the time-out (queryTime) as a whole. Queries may nest:
  // the outermost one counts.
  virtual void beginQuery() {}
  virtual void endQuery() {}
  // Whether every read of the open query (of the last one, once it ended) got
  // its answer: none went unanswered, and none was left unmade because the
  // application was left alone or the query's time ran out. An empty answer
  // then means the application has nothing to tell, not that it was silent.
  virtual bool queryAnswered() const { return true; }

  // Each read is bounded by the port's messaging time-out (250 ms), or by
  // what is left of it in the open query.
  virtual Value attribute(const Element& element, Attribute attribute) = 0;
  // The screen rectangle of a text range of the element (QRectF); for an
  // empty range, the caret.
  virtual Value boundsForRange(const Element& element, const Value& range) = 0;
};

}  // namespace clipvane
