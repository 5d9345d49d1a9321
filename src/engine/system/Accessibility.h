#pragma once
// What the user looks at in other applications: where the focused text field
// and its selection are, the focused window's title, the front browser tab's
// host, and the descriptive texts of the focused element.
//
// Every query checks the permission first and never reports an error: each
// failure gives its fixed empty value. Rectangles are in the desktop's
// top-left screen coordinates (see AccessibilityPort.h).
#include <QRectF>
#include <QString>
#include <cstdint>
#include <optional>

#include "ports/AccessibilityPort.h"

namespace clipvane::Accessibility {

// The permission to read other applications (and to send keys); false while
// no accessibility port is installed.
bool isTrusted();

AccessibilityPort::Element focusedElement();
std::optional<QRectF> focusedElementRect();
std::optional<QRectF> selectionRect();
std::optional<QString> focusedWindowTitle(std::int32_t pid);
// The http or https host of the page shown by the process, lower-cased,
// without a leading "www.".
std::optional<QString> frontTabHost(std::int32_t pid);
// Description, title, help, placeholder and role name of the focused
// element, each that is a text (empty ones too), joined by one space.
QString focusedElementText();
// The same, or nothing when the application did not answer all of it (busy,
// stopped, or left alone after an earlier silence): an empty text from an
// application that answered is not the same as one it never gave.
std::optional<QString> answeredFocusedElementText();

// The host of one address value (a URL or a text); exposed for tests.
std::optional<QString> webHost(const AccessibilityPort::Value& value);

// How many elements frontTabHost examines on the way up from the focus.
inline constexpr int maxWalk = 40;

}  // namespace clipvane::Accessibility
