// The status menu's header, "Last copy" line and recent-copy rows.
#include "StatusMenuRows.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpression>
#include <QStyleOptionMenuItem>
#include <QTextBoundaryFinder>
#include <algorithm>

namespace clipvane {

namespace {

QFont sized(QFont f, double pixels, QFont::Weight weight = QFont::Normal) {
  f.setPixelSize(int(pixels));
  f.setWeight(weight);
  return f;
}

// A line of text, elided at its end when it does not fit.
void drawLine(QPainter& p, const QRectF& r, const QFont& font, const QColor& color,
              const QString& text) {
  const QFontMetricsF fm(font);
  p.setFont(font);
  p.setPen(color);
  p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
             fm.elidedText(text, Qt::ElideRight, r.width()));
}

// Menu texts treat "&" as a mnemonic marker.
QString literal(QString text) { return text.replace(u'&', QStringLiteral("&&")); }

}  // namespace

// ---- header --------------------------------------------------------------------

MenuHeader::MenuHeader(QString title, QString detail, QWidget* parent)
    : QWidget(parent), title_(std::move(title)), detail_(std::move(detail)) {
  setObjectName(QStringLiteral("statusMenuHeader"));
  setMinimumWidth(width);
  setFixedHeight(height);
}

void MenuHeader::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::TextAntialiasing);
  const QFont titleFont = sized(font(), 13, QFont::DemiBold);
  const QFont detailFont = sized(font(), 12);
  const double titleHeight = QFontMetricsF(titleFont).height();
  const double detailHeight = QFontMetricsF(detailFont).height();
  // 15 at the sides, 6 above and 8 below; the two lines with 1 between them
  // sit in the middle of what is left.
  const QRectF content = QRectF(rect()).adjusted(15, 6, -15, -8);
  const double top = content.top() + (content.height() - titleHeight - 1 - detailHeight) / 2;
  drawLine(p, QRectF(content.left(), top, content.width(), titleHeight), titleFont,
           Theme::color(Theme::tx), title_);
  drawLine(p, QRectF(content.left(), top + titleHeight + 1, content.width(), detailHeight),
           detailFont, Theme::color(Theme::tx2), detail_);
}

// ---- "Last copy" -----------------------------------------------------------------

PlainTextButton::PlainTextButton(const QString& text, double pixelSize, ThemeColor color,
                                 QWidget* parent)
    : QAbstractButton(parent), pixelSize_(pixelSize), color_(color) {
  setText(text);
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::NoFocus);
}

QSize PlainTextButton::sizeHint() const {
  const QFontMetrics fm(sized(font(), pixelSize_));
  return {fm.horizontalAdvance(text()) + 2, fm.height()};
}

void PlainTextButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const auto* line = qobject_cast<const LastCopyHeader*>(parentWidget());
  QColor c = line && line->isHighlighted() ? palette().color(QPalette::HighlightedText)
                                           : Theme::color(color_);
  // Pressed reads as a dimmed label, as plain buttons do.
  if (isDown()) c.setAlphaF(c.alphaF() * 0.5f);
  p.setFont(sized(font(), pixelSize_));
  p.setPen(c);
  p.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
}

LastCopyHeader::LastCopyHeader(bool review, std::function<void()> open,
                               std::function<bool()> highlighted, QWidget* parent)
    : QWidget(parent), highlighted_(std::move(highlighted)) {
  setObjectName(QStringLiteral("statusMenuLastCopy"));
  setMinimumWidth(width);
  setFixedHeight(height);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(15, 0, 15, 0);
  row->addStretch();
  if (review) {
    button_ = new PlainTextButton(QStringLiteral("Review"), 12, Theme::tx2, this);
    button_->setObjectName(QStringLiteral("statusMenuReview"));
    connect(button_, &QAbstractButton::clicked, this, [open = std::move(open)] {
      if (open) open();
    });
    row->addWidget(button_, 0, Qt::AlignVCenter);
  }
}

void LastCopyHeader::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const bool lit = isHighlighted();
  if (lit) p.fillRect(rect(), palette().color(QPalette::Highlight));
  drawLine(p, QRectF(rect()).adjusted(15, 0, -15, 0), sized(font(), 12, QFont::DemiBold),
           lit ? palette().color(QPalette::HighlightedText) : Theme::color(Theme::tx2),
           QStringLiteral("Last copy"));
}

// ---- recent-copy rows ----------------------------------------------------------------

QString CopyRowText::encode() const { return preview + u'\n' + detail + u'\t' + time; }

std::optional<CopyRowText> CopyRowText::decode(const QString& optionText) {
  const qsizetype newline = optionText.indexOf(u'\n');
  if (newline < 0) return std::nullopt;
  CopyRowText row;
  row.preview = optionText.left(newline);
  const QString rest = optionText.mid(newline + 1);
  const qsizetype tab = rest.indexOf(u'\t');
  row.detail = rest.left(tab);
  if (tab >= 0) row.time = rest.mid(tab + 1);
  return row;
}

StatusMenuStyle::StatusMenuStyle() = default;

QFont StatusMenuStyle::previewFont() {
  return sized(QFontDatabase::systemFont(QFontDatabase::FixedFont), 12);
}

QFont StatusMenuStyle::detailFont() {
  return sized(QFontDatabase::systemFont(QFontDatabase::GeneralFont), 11);
}

void StatusMenuStyle::drawControl(ControlElement element, const QStyleOption* option,
                                  QPainter* painter, const QWidget* widget) const {
  const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
  const auto row = item && element == CE_MenuItem ? CopyRowText::decode(item->text) : std::nullopt;
  if (!row) {
    QProxyStyle::drawControl(element, option, painter, widget);
    return;
  }
  // The row as the style draws any item (highlight, dot, time, arrow)...
  QStyleOptionMenuItem whole = *item;
  whole.text = u'\t' + row->time;
  QProxyStyle::drawControl(element, &whole, painter, widget);

  // ...then each line where the style puts an item's title, without a second
  // highlight: the highlighted text colour is handed over instead.
  const bool selected = item->state & State_Selected;
  QStyleOptionMenuItem line = *item;
  line.state &= ~State_Selected;
  line.menuItemType = QStyleOptionMenuItem::Normal;
  line.icon = QIcon();
  line.checkType = QStyleOptionMenuItem::NotCheckable;
  const auto textColor = [&](QPalette& palette, const QColor& enabled) {
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
      palette.setColor(group, QPalette::Text, enabled);
      palette.setColor(group, QPalette::WindowText, enabled);
      palette.setColor(group, QPalette::ButtonText, enabled);
    }
  };
  const QColor highlighted = item->palette.color(QPalette::HighlightedText);

  const QFont pf = previewFont();
  const QFont df = detailFont();
  const int h1 = QFontMetrics(pf).height();
  const int h2 = QFontMetrics(df).height();
  const QRect r = item->rect;
  const int top = r.top() + (r.height() - h1 - h2) / 2;

  QStyleOptionMenuItem first = line;
  first.rect = QRect(r.left(), top, r.width(), h1);
  first.text = literal(row->preview);
  first.font = pf;
  first.fontMetrics = QFontMetrics(pf);
  if (selected) textColor(first.palette, highlighted);
  painter->save();
  painter->setFont(pf);
  QProxyStyle::drawControl(element, &first, painter, widget);
  painter->restore();

  QStyleOptionMenuItem second = line;
  second.rect = QRect(r.left(), top + h1, r.width(), h2);
  second.text = literal(row->detail);
  second.font = df;
  second.fontMetrics = QFontMetrics(df);
  textColor(second.palette, selected ? highlighted : Theme::color(Theme::tx2));
  painter->save();
  painter->setFont(df);
  QProxyStyle::drawControl(element, &second, painter, widget);
  painter->restore();
}

QSize StatusMenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option,
                                        const QSize& contents, const QWidget* widget) const {
  const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
  const auto row = item && type == CT_MenuItem ? CopyRowText::decode(item->text) : std::nullopt;
  if (!row) return QProxyStyle::sizeFromContents(type, option, contents, widget);
  const QFontMetrics pm(previewFont());
  const QFontMetrics dm(detailFont());
  const QSize lines(qMax(pm.horizontalAdvance(row->preview), dm.horizontalAdvance(row->detail)),
                    pm.height() + dm.height());
  QStyleOptionMenuItem whole = *item;
  whole.text = u'\t' + row->time;
  QSize size = QProxyStyle::sizeFromContents(type, &whole, lines, widget);
  // Room above and below the two lines, as a menu row of one line has.
  size.setHeight(qMax(size.height(), lines.height() + 8));
  return size;
}

namespace {

// The text with each finding's value replaced by its partial mask, so that
// no part of a value reaches the preview, however it is shortened after.
QString masked(const QString& text, const std::vector<Finding>& found) {
  std::vector<const Finding*> order;
  for (const Finding& f : found) order.push_back(&f);
  std::stable_sort(order.begin(), order.end(), [](const Finding* a, const Finding* b) {
    return a->range.location < b->range.location;
  });
  QString out;
  qsizetype copied = 0;
  for (const Finding* f : order) {
    const qsizetype start = f->range.location, end = qsizetype(f->range.end());
    if (start < copied || f->range.length <= 0 || end > text.size()) continue;
    out += QStringView(text).mid(copied, start - copied);
    out += QString::fromStdU16String(f->mask);
    copied = end;
  }
  out += QStringView(text).mid(copied);
  return out;
}

}  // namespace

QString copyPreview(const QString& original, const std::vector<Finding>& found) {
  const QString text = masked(original, found);
  // The first non-empty line (every kind of line break counts).
  static const QRegularExpression breaks(QStringLiteral("\r\n|[\n\v\f\r\u0085\u2028\u2029]"));
  QString line = text;
  for (const QString& piece : text.split(breaks, Qt::SkipEmptyParts)) {
    line = piece;
    break;
  }
  // Spaces and tabs off both ends, line breaks kept (the whole text has no piece).
  const auto blank = [](QChar c) { return c == u'\t' || c.category() == QChar::Separator_Space; };
  qsizetype start = 0, end = line.size();
  while (start < end && blank(line[start])) ++start;
  while (end > start && blank(line[end - 1])) --end;
  line = line.mid(start, end - start);

  // Counted in characters as the user sees them.
  QList<qsizetype> bounds;
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, line);
  for (qsizetype at = finder.toNextBoundary(); at > 0; at = finder.toNextBoundary()) bounds << at;
  const qsizetype count = bounds.size();
  if (count <= 18) return line;
  return line.left(bounds[11]) + u'…' + line.mid(bounds[count - 5]);
}

QIcon dotIcon(const QColor& color, qreal dpr) {
  QIcon icon;
  for (const qreal ratio : {qreal(1), dpr}) {
    QPixmap pixmap(QSize(16, 16) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(QRectF(5, 5, 6, 6));
    p.end();
    for (const auto mode : {QIcon::Normal, QIcon::Active, QIcon::Disabled, QIcon::Selected})
      for (const auto state : {QIcon::Off, QIcon::On}) icon.addPixmap(pixmap, mode, state);
  }
  return icon;
}

}  // namespace clipvane
