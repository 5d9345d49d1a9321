// The accessible interface of widgets given a role.
#include "AccessibleRole.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QVariant>
#include <QWidget>

namespace clipvane::AccessibleRole {

namespace {

constexpr char kRole[] = "clipvaneAccessibleRole";

class RoleInterface : public QAccessibleWidget {
 public:
  RoleInterface(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}

  QString text(QAccessible::Text t) const override {
    QString out = QAccessibleWidget::text(t);
    if (t == QAccessible::Name && out.isEmpty())
      if (const auto* b = button()) out = b->text();
    return out;
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    if (const auto* b = button(); b && b->isCheckable() && role() == QAccessible::PageTab) {
      s.selectable = true;
      s.selected = b->isChecked();
    }
    return s;
  }
  QStringList actionNames() const override {
    QStringList names = QAccessibleWidget::actionNames();
    if (button()) names.prepend(pressAction());
    return names;
  }
  void doAction(const QString& name) override {
    if (auto* b = button(); b && name == pressAction()) {
      b->click();
      return;
    }
    QAccessibleWidget::doAction(name);
  }

 private:
  QAbstractButton* button() const { return qobject_cast<QAbstractButton*>(widget()); }
};

QAccessibleInterface* factory(const QString&, QObject* object) {
  auto* widget = qobject_cast<QWidget*>(object);
  if (!widget) return nullptr;
  const QVariant role = widget->property(kRole);
  if (!role.isValid()) return nullptr;
  return new RoleInterface(widget, QAccessible::Role(role.toInt()));
}

}  // namespace

void set(QWidget& widget, QAccessible::Role role) {
  static const bool installed = (QAccessible::installFactory(factory), true);
  (void)installed;
  widget.setProperty(kRole, int(role));
}

void setText(QWidget& widget, const QString& text) {
  set(widget, QAccessible::StaticText);
  widget.setAccessibleName(text);
}

}  // namespace clipvane::AccessibleRole
