// Small pieces the windows share.
#include "WindowKit.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QShortcut>
#include <QVBoxLayout>

#include "AccessibleRole.h"
#include "Kit.h"

namespace clipvane {

Plate::Plate(ThemeColor color, double radius, QWidget* parent)
    : QWidget(parent), color_(color), radius_(radius) {}

void Plate::setColor(const ThemeColor& color, double opacity) {
  color_ = color;
  opacity_ = opacity;
  update();
}

void Plate::setDashedBorder(const ThemeColor& color, double opacity) {
  dash_ = color;
  dashOpacity_ = opacity;
  update();
}

void Plate::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  QColor fill = Theme::color(color_);
  fill.setAlphaF(fill.alphaF() * opacity_);
  if (radius_ <= 0) {
    p.fillRect(rect(), fill);
  } else {
    p.fillPath(Kit::continuousRect(QRectF(rect()), radius_), fill);
  }
  if (dash_) {
    QColor line = Theme::color(*dash_);
    line.setAlphaF(line.alphaF() * dashOpacity_);
    QPen pen(line, 1);
    pen.setDashPattern({4, 3});
    p.setPen(pen);
    p.drawPath(Kit::continuousRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius_));
  }
}

QVBoxLayout* plateColumn(QWidget* owner, const ThemeColor& color, const QMargins& margins,
                         int spacing) {
  auto* outer = new QVBoxLayout(owner);
  outer->setContentsMargins(0, 0, 0, 0);
  auto* plate = new Plate(color);
  outer->addWidget(plate);
  auto* column = new QVBoxLayout(plate);
  column->setContentsMargins(margins);
  column->setSpacing(spacing);
  return column;
}

WrappedText::WrappedText(QString text, const QFont& font, ThemeColor color, int width,
                         QWidget* parent)
    : QWidget(parent), text_(std::move(text)), color_(color) {
  setFont(font);
  AccessibleRole::setText(*this, text_);
  const QRect bounds =
      QFontMetrics(font).boundingRect(QRect(0, 0, width, 100000), Qt::TextWordWrap, text_);
  setFixedSize(width, bounds.height());
}

void WrappedText::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(Theme::color(color_));
  p.setFont(font());
  p.drawText(rect(), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text_);
}

SegmentedControl::SegmentedControl(QStringList labels, int index, std::function<void(int)> chosen,
                                   QWidget* parent)
    : QWidget(parent), labels_(std::move(labels)), index_(index), chosen_(std::move(chosen)) {
  setFont(Kit::font(13));
  setFocusPolicy(Qt::StrongFocus);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  setAccessibleDescription(QStringLiteral("Left and Right choose: ") +
                           labels_.join(QStringLiteral(", ")));
  nameChosen();
}

void SegmentedControl::nameChosen() {
  if (index_ >= 0 && index_ < labels_.size()) setAccessibleName(labels_[index_]);
}

void SegmentedControl::setIndex(int index) {
  if (index == index_) return;
  index_ = index;
  nameChosen();
  update();
}

QSize SegmentedControl::sizeHint() const {
  const QFontMetrics m(font());
  int width = 0;
  for (const QString& label : labels_) width = std::max(width, m.horizontalAdvance(label));
  return {int(labels_.size()) * (width + 24) + 4, 24};
}

QRect SegmentedControl::segment(int i) const {
  const int n = std::max<int>(1, int(labels_.size()));
  const int w = (width() - 4) / n;
  return {2 + i * w, 2, w, height() - 4};
}

void SegmentedControl::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillPath(Kit::continuousRect(QRectF(rect()), 7), Theme::color(Theme::fill));
  for (int i = 0; i < labels_.size(); ++i) {
    const QRect r = segment(i);
    if (i == index_) {
      const QPainterPath plate = Kit::continuousRect(QRectF(r), 5);
      p.fillPath(plate, Theme::color(Theme::card));
      p.setPen(QPen(Theme::color(Theme::edge), 0.5));
      p.drawPath(plate);
      if (hasFocus()) Kit::paintFocusRing(p, plate, false);
    }
    p.setPen(Theme::color(Theme::tx));
    p.setFont(i == index_ ? Kit::font(13, QFont::DemiBold) : font());
    p.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, labels_[i]);
  }
}

void SegmentedControl::mousePressEvent(QMouseEvent* e) {
  for (int i = 0; i < labels_.size(); ++i)
    if (segment(i).contains(e->position().toPoint())) choose(i);
}

void SegmentedControl::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Left && index_ > 0) {
    choose(index_ - 1);
  } else if (e->key() == Qt::Key_Right && index_ + 1 < labels_.size()) {
    choose(index_ + 1);
  } else {
    QWidget::keyPressEvent(e);
  }
}

void SegmentedControl::choose(int i) {
  if (i == index_) return;
  index_ = i;
  nameChosen();
  update();
  if (chosen_) chosen_(i);
}

void clearLayout(QLayout* layout) {
  while (QLayoutItem* item = layout->takeAt(0)) {
    if (QWidget* w = item->widget()) {
      w->hide();
      w->setParent(nullptr);
      w->deleteLater();
    }
    if (QLayout* inner = item->layout()) clearLayout(inner);
    delete item;
  }
}

void showLaidOut(QLayout* layout) {
  for (int i = 0; i < layout->count(); ++i) {
    QLayoutItem* item = layout->itemAt(i);
    if (QWidget* w = item->widget()) {
      if (!w->testAttribute(Qt::WA_WState_ExplicitShowHide)) w->show();
    } else if (QLayout* inner = item->layout()) {
      showLaidOut(inner);
    }
  }
}

void fitWindow(QWidget* content) {
  if (content->isVisible() && content->layout()) showLaidOut(content->layout());
  for (QWidget* w = content; w; w = w->parentWidget()) {
    if (w->layout()) {
      w->layout()->invalidate();
      w->layout()->activate();
    }
    if (w->isWindow()) {
      w->adjustSize();
      return;
    }
  }
}

QString programTitle(const QString& pane) { return pane + QStringLiteral(" — Clipvane"); }

void closeOnCtrlW(QWidget& window) {
  auto* close = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), &window);
  close->setContext(Qt::WindowShortcut);
  QObject::connect(close, &QShortcut::activated, &window, &QWidget::close);
}

void setFixedWindowFlags(QWidget& window) {
  window.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowCloseButtonHint);
  if (window.layout()) window.layout()->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace clipvane
