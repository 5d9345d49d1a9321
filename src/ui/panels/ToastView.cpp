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
  row_ = new QHBoxLayout(capsule);
  row_->setSpacing(8);

  dot_ = new StatusDot(toast.glyph, Theme::tint(toast.tint), 28);
  dot_->setObjectName(QStringLiteral("toastDot"));
  row_->addWidget(dot_);
  // Verbatim, on one line, never cut: a long message makes a wide capsule.
  text_ = new TextLine(toast.text, Kit::font(13, QFont::DemiBold), Theme::tx);
  text_->setObjectName(QStringLiteral("toastText"));
  row_->addWidget(text_);

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(new GlassFrame(GlassShape::capsule, capsule));
  layout->setSizeConstraint(QLayout::SetFixedSize);
  setToast(toast, std::move(done));
}

void ToastView::setToast(const Toast& toast, std::function<void()> done) {
  // A press begun on the notice before is let go: it never acts for this one.
  if (button_ && button_->isDown()) button_->setDown(false);
  dot_->setGlyph(toast.glyph);
  dot_->setTint(Theme::tint(toast.tint));
  text_->setText(toast.text);
  // The button sits close to the capsule's round end; plain text needs air.
  row_->setContentsMargins(6, 0, toast.action ? 6 : 14, 0);
  if (toast.action && !button_) {
    button_ = new PillButton(toast.action->title, false, 28);
    button_->setObjectName(QStringLiteral("toastAction"));
    button_->setFocusPolicy(Qt::NoFocus);
    row_->addWidget(button_);
    button_->show();  // a child added to a shown capsule is hidden until told
    connect(button_, &QAbstractButton::clicked, this, &ToastView::pressed);
  } else if (!toast.action && button_) {
    // It may be the button being pressed: it goes once that is over.
    row_->removeWidget(button_);
    button_->hide();
    button_->setParent(nullptr);
    button_->deleteLater();
    button_ = nullptr;
  } else if (button_) {
    button_->setText(toast.action->title);
  }
  action_ = toast.action;
  done_ = std::move(done);
}

void ToastView::pressed() {
  if (!action_) return;
  // The action may show the next notice in this capsule: the callbacks of
  // the one pressed are held until both have run.
  const std::function<void()> run = action_->run;
  const std::function<void()> done = done_;
  if (run) run();
  if (done) done();
}

}  // namespace clipvane
