#pragma once
// Roles for assistive technology on widgets that paint themselves: a painted
// line of text is read out as text, a settings tab as a page tab. Qt gives
// such plain widgets no role of their own.
#include <QAccessible>
#include <QString>

class QWidget;

namespace clipvane::AccessibleRole {

// Gives `widget` the role; a button offers the press action, and a checkable
// page tab is selected while checked. Main thread.
void set(QWidget& widget, QAccessible::Role role);

// Painted text: the role of text and `text` as its name.
void setText(QWidget& widget, const QString& text);

}  // namespace clipvane::AccessibleRole
