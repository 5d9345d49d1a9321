// The About tab.
#include "AboutPane.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include "Kit.h"
#include "ports/Ports.h"
#include "ports/WorkspacePort.h"

namespace clipvane {

namespace {

// A 240 x 1 rule in the separator colour.
class Rule : public QWidget {
 public:
  Rule() { setFixedSize(240, 1); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Theme::color(Theme::sep));
  }
};

// The support link: the address in the accent, opening a new message. Tab
// reaches it like any button; Space or Return opens it.
class Link : public KitButton {
 public:
  explicit Link(const QString& address) {
    setText(address);
    setFont(Kit::font(13));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleDescription(QStringLiteral("Writes to support"));
    connect(this, &QAbstractButton::clicked, this,
            [this] { AboutPane::open(QStringLiteral("mailto:") + text()); });
  }
  QSize sizeHint() const override {
    const QFontMetrics m(font());
    return {m.horizontalAdvance(text()) + 12, m.height() + 6};
  }

 protected:
  QPainterPath shape() const override { return Kit::continuousRect(QRectF(rect()), 5); }
  void paintContent(QPainter& p) override {
    p.setPen(Theme::color(Theme::acc));
    p.setFont(font());
    p.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
  }
  void keyPressEvent(QKeyEvent* e) override {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
      click();
    else
      KitButton::keyPressEvent(e);
  }
};

ThemeText* centred(const QString& text, const ThemeColor& color) {
  auto* t = new ThemeText(text, color);
  t->setAlignment(Qt::AlignCenter);
  return t;
}

}  // namespace

QString AboutPane::version(const QString& shortVersion, const QString& build) {
  QString text =
      QStringLiteral("Version ") + (shortVersion.isEmpty() ? QStringLiteral("1.0") : shortVersion);
  if (!build.isEmpty()) text += QStringLiteral(" (") + build + QStringLiteral(")");
  return text;
}

QString AboutPane::version() {
#ifdef CLIPVANE_VERSION
  return version(QStringLiteral(CLIPVANE_VERSION), QString());
#else
  return version(QString(), QString());
#endif
}

void AboutPane::open(const QString& address) {
  const QUrl url(address, QUrl::StrictMode);
  if (!url.isValid() || url.scheme().isEmpty()) return;
  if (auto* workspace = Ports::find<WorkspacePort>()) workspace->openUrl(url);
}

AboutPane::AboutPane(QWidget* parent) : SettingsPane(14, parent) {
  auto* stack = new QWidget;
  auto* column = new QVBoxLayout(stack);
  column->setContentsMargins(0, 24, 0, 0);
  column->setSpacing(6);
  column->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

  column->addWidget(new AppIconMark(64), 0, Qt::AlignHCenter);
  auto* name = centred(QStringLiteral("Clipvane"), Theme::tx);
  name->setFont(Kit::font(17, QFont::Bold));
  name->setObjectName(QStringLiteral("name"));
  column->addSpacing(4);
  column->addWidget(name);
  auto* versionLine = centred(version(), Theme::tx2);
  versionLine->setObjectName(QStringLiteral("version"));
  column->addWidget(versionLine);
  column->addSpacing(12);
  column->addWidget(new Rule, 0, Qt::AlignHCenter);
  column->addSpacing(12);
  auto* support = new Link(Edition::supportAddress);
  support->setObjectName(QStringLiteral("support"));
  column->addWidget(support, 0, Qt::AlignHCenter);
  column->addWidget(
      centred(QStringLiteral("Private: everything is checked on this computer"), Theme::tx2));

  auto* buttons = new QWidget;
  auto* row = new QHBoxLayout(buttons);
  row->setContentsMargins(0, 12, 0, 0);
  row->setSpacing(8);
  auto* site = new PillButton(QStringLiteral("Visit Website"), false, 24);
  site->setObjectName(QStringLiteral("website"));
  auto* privacy = new PillButton(QStringLiteral("Privacy Policy"), false, 24);
  privacy->setObjectName(QStringLiteral("privacy"));
  QObject::connect(site, &QAbstractButton::clicked, site, [] { open(Edition::website); });
  QObject::connect(privacy, &QAbstractButton::clicked, privacy, [] { open(Edition::privacyPage); });
  row->addWidget(site);
  row->addWidget(privacy);
  column->addWidget(buttons, 0, Qt::AlignHCenter);
  addItem(stack);
}

}  // namespace clipvane
