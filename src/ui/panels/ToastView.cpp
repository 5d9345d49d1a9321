// The notice's capsule: dot, message, button.
#include "ToastView.h"

#include <QHBoxLayout>

#include "GlassChrome.h"
#include "Kit.h"
#include "TextLine.h"

namespace clipvane {

ToastView::ToastView(const Toast& toast, std::function<void()> done, QWidget* parent)
    : QWidget(parent) {
  setObjectName(QStringLiteral("toast"));
  auto* capsule = new QWidget;
  capsule->setObjectName(QStringLiteral("toastCapsule"));
  capsule->setFixedHeight(capsuleHeight);
  capsule->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  auto* row = new QHBoxLayout(capsule);
  // The button sits close to the capsule's round end; plain text needs air.
  row->setContentsMargins(6, 0, toast.action ? 6 : 14, 0);
  row->setSpacing(8);

  auto* dot = new StatusDot(toast.glyph, Theme::tint(toast.tint), 28);
  dot->setObjectName(QStringLiteral("toastDot"));
  row->addWidget(dot);
  // Verbatim, on one line, never cut: a long message makes a wide capsule.
  auto* text = new TextLine(toast.text, Kit::font(13, QFont::DemiBold), Theme::tx);
  text->setObjectName(QStringLiteral("toastText"));
  row->addWidget(text);
  if (toast.action) {
    auto* button = new PillButton(toast.action->title, false, 28);
    button->setObjectName(QStringLiteral("toastAction"));
    button->setFocusPolicy(Qt::NoFocus);
    row->addWidget(button);
    connect(button, &QAbstractButton::clicked, this, [run = toast.action->run, done] {
      if (run) run();
      if (done) done();
    });
  }

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(new GlassFrame(GlassShape::capsule, capsule));
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace clipvane
