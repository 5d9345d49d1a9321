// The word-list import window.
#include "ImportView.h"

#include <QDragEnterEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLocale>
#include <QMimeData>
#include <QPainter>
#include <QStringDecoder>
#include <QVBoxLayout>

#include <unicode/ucnv.h>

#include <cmath>
#include <memory>

#include "AppModel.h"
#include "DetectWidgets.h"
#include "Kit.h"
#include "KitRows.h"
#include "LocaleText.h"
#include "MaterialSymbols.h"
#include "WindowKit.h"
#include "WindowManager.h"
#include "WordLists.h"
#include "ports/PanelsPort.h"
#include "ports/Ports.h"
#include "ports/WorkspacePort.h"

namespace clipvane {

namespace {

const ThemeColor white{0xFFFFFF, 0xFFFFFF};

QString qs(const std::u16string& s) { return QString::fromStdU16String(s); }

// The green "CSV" mark of a chosen file.
class CSVBadge : public QWidget {
 public:
  CSVBadge() {
    setFont(Kit::font(10, QFont::Bold));
    const QFontMetrics m(font());
    setFixedSize(m.horizontalAdvance(QStringLiteral("CSV")) + 10, m.height() + 4);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor plate = Theme::color(Theme::good);
    plate.setAlphaF(plate.alphaF() * 0.14);
    p.fillPath(Kit::continuousRect(QRectF(rect()), 4), plate);
    p.setPen(Theme::color(Theme::good));
    p.setFont(font());
    p.drawText(rect(), Qt::AlignCenter, QStringLiteral("CSV"));
  }
};

GroupedRow* plainRow(const QString& label, std::optional<QString> value, bool separator,
                     QWidget* trailing = nullptr) {
  return new GroupedRow(std::nullopt, Theme::tx, label, std::move(value), separator, trailing);
}

DetectText* heading(const QString& text) {
  auto* h = new DetectText(text, Kit::font(18, QFont::Bold), Theme::tx);
  h->setObjectName(QStringLiteral("heading"));
  return h;
}

// The first URL of a drag when it names a local file.
std::optional<QString> droppedFile(const QMimeData* data) {
  if (!data || !data->hasUrls() || data->urls().isEmpty()) return std::nullopt;
  const QUrl url = data->urls().constFirst();
  if (!url.isLocalFile()) return std::nullopt;
  return url.toLocalFile();
}

}  // namespace

ImportView::ImportView(AppModel& model, QWidget* window, std::function<void()> close,
                       QWidget* parent)
    : QWidget(parent), model_(model), window_(window), close_(std::move(close)) {
  setObjectName(QStringLiteral("importView"));
  setFont(Kit::font(13));
  setFixedWidth(360);
  setAcceptDrops(true);
  column_ = plateColumn(this, Theme::grouped, {16, 0, 16, 16}, 12);
  // Lists changed elsewhere move the view between preview and too large.
  connect(&model_, &AppModel::settingsChanged, this, &ImportView::rebuild);
  rebuild();
}

qint64 ImportView::usedBytes() const {
  qint64 sum = 0;
  for (const ImportedList& list : model_.settings().importedLists) sum += list.bytes;
  return sum;
}

qint64 ImportView::usedRows() const {
  qint64 sum = 0;
  for (const ImportedList& list : model_.settings().importedLists) sum += qint64(list.items.size());
  return sum;
}

ImportView::State ImportView::state() const {
  if (!picked_) return State::choose;
  if (usedBytes() + picked_->bytes > WordLists::maxBytes) return State::tooLarge;
  if (usedRows() + picked_->values.size() > WordLists::maxRows) return State::tooLarge;
  return State::preview;
}

QString ImportView::size(qint64 bytes) {
  if (bytes < 1000000)
    return QString::number(bytes < 1000 ? 1 : bytes / 1000) + QStringLiteral(" KB");
  // Tenths of a megabyte, ties to even.
  const double tenths = std::nearbyint(double(bytes) / 100000.0);
  const QLocale locale;
  const QString number = std::fmod(tenths, 10.0) == 0 ? locale.toString(qlonglong(tenths / 10))
                                                      : locale.toString(tenths / 10, 'f', 1);
  return number + QStringLiteral(" MB");
}

namespace {

// Text, not data: no NUL, and control characters (white space aside) are at
// most half of what is not white space. A stray control character in a real
// list (a DOS end-of-file mark) leaves it text.
bool isText(const QString& text) {
  qsizetype controls = 0, shown = 0;
  for (const QChar c : text) {
    if (c.isNull()) return false;
    if (c.isSpace()) continue;
    ++shown;
    if (c.category() == QChar::Other_Control) ++controls;
  }
  return controls * 2 <= shown;
}

// The five bytes Windows-1252 leaves undefined. ICU's converter maps them to
// C1 control characters instead of failing, so they are looked for first.
bool hasUndefinedWindows1252(const QByteArray& bytes) {
  for (const char b : bytes) {
    const auto u = static_cast<unsigned char>(b);
    if (u == 0x81 || u == 0x8D || u == 0x8F || u == 0x90 || u == 0x9D) return true;
  }
  return false;
}

}  // namespace

QString ImportView::decode(const QByteArray& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString text = utf8.decode(bytes);
  // Valid UTF-8 is read as UTF-8 or not at all: the same bytes read as
  // Windows-1252 would only be mojibake.
  if (!utf8.hasError()) return isText(text) ? text : QString();
  if (hasUndefinedWindows1252(bytes)) return {};
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UConverter, decltype(&ucnv_close)> converter(ucnv_open("windows-1252", &status),
                                                               &ucnv_close);
  if (U_FAILURE(status)) return {};
  ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  std::u16string out(std::size_t(bytes.size()) * 2 + 1, u'\0');
  const int32_t length = ucnv_toUChars(converter.get(), out.data(), int32_t(out.size()),
                                       bytes.constData(), int32_t(bytes.size()), &status);
  if (U_FAILURE(status)) return {};
  out.resize(std::size_t(length));
  const QString latin = QString::fromStdU16String(out);
  return isText(latin) ? latin : QString();
}

void ImportView::read(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    if (auto* workspace = Ports::find<WorkspacePort>()) workspace->beep();
    return;
  }
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    if (auto* workspace = Ports::find<WorkspacePort>()) workspace->beep();
    return;
  }
  const WordLists::ParsedCSV parsed = WordLists::parseCSV(decode(bytes).toStdU16String());
  Picked picked;
  picked.name = QFileInfo(path).fileName();
  picked.bytes = int(std::min<qint64>(bytes.size(), std::numeric_limits<int>::max()));
  for (const auto& v : parsed.values) picked.values << qs(v);
  picked.rows = parsed.rows;
  picked_ = std::move(picked);
  setDropping(false);
  rebuild();
}

void ImportView::choose() {
  if (!window_ || dialog_) return;
  auto* dialog = new QFileDialog(window_, QStringLiteral("Choose File"));
  dialog->setObjectName(QStringLiteral("importDialog"));
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setFileMode(QFileDialog::ExistingFile);
  // The first filter, the one shown, takes all three kinds: no list is hidden
  // behind another kind's filter.
  dialog->setNameFilters({QStringLiteral("Word lists (*.csv *.tsv *.txt)"),
                          QStringLiteral("CSV (*.csv)"), QStringLiteral("TSV (*.tsv)"),
                          QStringLiteral("Text (*.txt)")});
  // Qt's own dialog: a desktop portal's would not be window-modal here.
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  // Qt's dialog takes its colours from the platform: in the dark scheme it
  // would be a light window over a dark one.
  dialog->setPalette(Theme::popupPalette());
  dialog->setWindowModality(Qt::WindowModal);
  connect(dialog, &QFileDialog::fileSelected, this, &ImportView::read);
  dialog_ = dialog;
  dialog->open();
}

void ImportView::importList() {
  if (state() != State::preview) return;
  ImportedList list;
  list.id = Uuid::generate();
  list.file = picked_->name.toStdU16String();
  list.kind = kind_;
  for (const QString& v : picked_->values) list.items.push_back(v.toStdU16String());
  list.bytes = picked_->bytes;
  list.added = Clock::now();
  list.enabled = true;
  const Uuid id = list.id;
  const qlonglong count = picked_->values.size();
  AppSettings s = model_.settings();
  s.importedLists.push_back(std::move(list));
  model_.setSettings(s);
  // The view may be gone once the window closes: nothing of it is used after.
  QPointer<AppModel> model(&model_);
  auto close = close_;
  if (close) close();
  if (auto* panels = Ports::find<PanelsPort>())
    panels->showToast(Toast{QStringLiteral("check"), Tint::acc,
                            LocaleText::count(count) + QStringLiteral(" items imported"),
                            Toast::Action{QStringLiteral("Undo"),
                                          [model, id] {
                                            if (!model) return;
                                            AppSettings now = model->settings();
                                            std::erase_if(
                                                now.importedLists,
                                                [&](const ImportedList& l) { return l.id == id; });
                                            model->setSettings(now);
                                          }}},
                      false);
}

QWidget* ImportView::limits() const {
  auto* card = new GroupedCard(Theme::card);
  card->setObjectName(QStringLiteral("limits"));
  card->addRow(plainRow(QStringLiteral("Max size"), size(WordLists::maxBytes), false));
  card->addRow(plainRow(QStringLiteral("Max rows"), LocaleText::count(WordLists::maxRows), true));
  return card;
}

QWidget* ImportView::fileRow(const Picked& picked, const QString& detail) const {
  auto* row = new Plate(Theme::card, 12);
  row->setObjectName(QStringLiteral("fileRow"));
  row->setFixedHeight(40);
  auto* h = new QHBoxLayout(row);
  h->setContentsMargins(12, 0, 12, 0);
  h->setSpacing(10);
  h->addWidget(new CSVBadge);
  auto* name = new DetectText(picked.name, Kit::font(13), Theme::tx, Qt::ElideMiddle);
  name->setObjectName(QStringLiteral("fileName"));
  name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  h->addWidget(name, 1);
  if (!detail.isEmpty()) {
    auto* d = new DetectText(detail, Kit::font(12), Theme::tx2);
    d->setObjectName(QStringLiteral("fileDetail"));
    h->addWidget(d);
  }
  return row;
}

void ImportView::addButtons(const QString& title, bool enabled, std::function<void()> action) {
  auto* row = new QHBoxLayout;
  row->setSpacing(8);
  row->addStretch();
  auto* cancel = new PillButton(QStringLiteral("Cancel"), false, 32);
  cancel->setObjectName(QStringLiteral("cancel"));
  connect(cancel, &QAbstractButton::clicked, this, [this] {
    if (close_) close_();
  });
  row->addWidget(cancel);
  auto* primary = new PillButton(title, true, 32);
  primary->setObjectName(QStringLiteral("primary"));
  primary->setEnabled(enabled);
  primary_ = enabled ? action : std::function<void()>();
  connect(primary, &QAbstractButton::clicked, this, [action = std::move(action)] { action(); });
  row->addWidget(primary);
  column_->addLayout(row);
}

void ImportView::setDropping(bool dropping) {
  if (dropping == dropping_) return;
  dropping_ = dropping;
  if (dropZone_) dropZone_->setColor(dropping_ ? Theme::acc : Theme::card, dropping_ ? 0.08 : 1);
}

void ImportView::rebuild() {
  clearLayout(column_);
  dropZone_ = nullptr;
  column_->addSpacing(18);
  const State now = state();
  if (now == State::choose) {
    column_->addWidget(heading(QStringLiteral("Import CSV")));
    auto* zone = new Plate(dropping_ ? Theme::acc : Theme::card, 12);
    if (dropping_) zone->setColor(Theme::acc, 0.08);
    zone->setDashedBorder(Theme::tx2, 0.5);
    zone->setObjectName(QStringLiteral("dropZone"));
    auto* stack = new QVBoxLayout(zone);
    stack->setContentsMargins(0, 24, 0, 24);
    stack->setSpacing(10);
    stack->addWidget(new MaterialIcon(QStringLiteral("upload_file"), 26, Theme::tx2), 0,
                     Qt::AlignHCenter);
    stack->addWidget(
        new DetectText(QStringLiteral("Drop CSV"), Kit::font(13, QFont::DemiBold), Theme::tx), 0,
        Qt::AlignHCenter);
    auto* chooseButton = new PillButton(QStringLiteral("Choose File"), false, 32);
    chooseButton->setObjectName(QStringLiteral("chooseFile"));
    connect(chooseButton, &QAbstractButton::clicked, this, &ImportView::choose);
    stack->addWidget(chooseButton, 0, Qt::AlignHCenter);
    column_->addWidget(zone);
    dropZone_ = zone;
    column_->addWidget(limits());
    addButtons(QStringLiteral("Import"), false, [] {});
  } else if (now == State::preview) {
    const Picked& p = *picked_;
    column_->addWidget(heading(QStringLiteral("Import CSV")));
    column_->addWidget(fileRow(p, size(p.bytes) + QStringLiteral(" · ") +
                                      LocaleText::count(p.rows) + QStringLiteral(" rows")));
    auto* card = new GroupedCard(Theme::card);
    card->setObjectName(QStringLiteral("values"));
    for (int i = 0; i < std::min<int>(4, int(p.values.size())); ++i)
      card->addRow(plainRow(p.values[i], std::nullopt, i > 0));
    if (p.values.size() >= 5) {
      auto* more = new DetectText(LocaleText::count(p.values.size() - 4) + QStringLiteral(" more"),
                                  Kit::font(13, QFont::DemiBold), Theme::tx2);
      more->setObjectName(QStringLiteral("more"));
      // Takes the row's full width, so the text starts under the values.
      more->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
      card->addRow(plainRow(QString(), std::nullopt, true, more));
    }
    column_->addWidget(card);
    QStringList labels;
    int index = 0;
    const auto& kinds = WordLists::importKinds();
    for (std::size_t i = 0; i < kinds.size(); ++i) {
      labels << qs(kinds[i].first);
      if (kinds[i].second == kind_) index = int(i);
    }
    auto* picker = new SegmentedControl(labels, index, [this](int i) {
      kind_ = WordLists::importKinds().at(std::size_t(i)).second;
    });
    picker->setObjectName(QStringLiteral("kind"));
    picker->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    column_->addWidget(picker);
    addButtons(QStringLiteral("Import ") + LocaleText::count(p.values.size()), !p.values.isEmpty(),
               [this] { importList(); });
  } else {
    const Picked& p = *picked_;
    auto* head = new QHBoxLayout;
    head->setSpacing(8);
    auto* dot = new Plate(Theme::bad, 13);
    dot->setFixedSize(26, 26);
    auto* dotLayout = new QHBoxLayout(dot);
    dotLayout->setContentsMargins(0, 0, 0, 0);
    dotLayout->addWidget(new MaterialIcon(QStringLiteral("block"), 16, white), 0, Qt::AlignCenter);
    head->addWidget(dot);
    head->addWidget(heading(QStringLiteral("File too large")), 1);
    column_->addLayout(head);
    column_->addWidget(fileRow(p, QString()));
    auto* card = new GroupedCard(Theme::card);
    card->setObjectName(QStringLiteral("measures"));
    const bool overBytes = usedBytes() + p.bytes > WordLists::maxBytes;
    const bool overRows = usedRows() + p.values.size() > WordLists::maxRows;
    auto* sizeText =
        new DetectText(size(p.bytes), Kit::font(13), overBytes ? Theme::bad : Theme::tx2);
    sizeText->setObjectName(QStringLiteral("size"));
    auto* rowsText = new DetectText(LocaleText::count(p.values.size()), Kit::font(13),
                                    overRows ? Theme::bad : Theme::tx2);
    rowsText->setObjectName(QStringLiteral("rows"));
    card->addRow(plainRow(QStringLiteral("Size"), std::nullopt, false, sizeText));
    card->addRow(plainRow(QStringLiteral("Rows"), std::nullopt, true, rowsText));
    column_->addWidget(card);
    column_->addWidget(limits());
    addButtons(QStringLiteral("Choose File"), true, [this] { choose(); });
  }
  fitWindow(column_->parentWidget());
}

void ImportView::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    if (close_) close_();
    return;
  }
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    if (primary_) primary_();
    return;
  }
  QWidget::keyPressEvent(e);
}

void ImportView::dragEnterEvent(QDragEnterEvent* e) {
  // Only the choose state has a drop zone.
  if (state() != State::choose || !droppedFile(e->mimeData())) return e->ignore();
  setDropping(true);
  e->acceptProposedAction();
}

void ImportView::dragMoveEvent(QDragMoveEvent* e) {
  if (state() != State::choose || !droppedFile(e->mimeData())) return e->ignore();
  e->acceptProposedAction();
}

void ImportView::dragLeaveEvent(QDragLeaveEvent*) { setDropping(false); }

void ImportView::dropEvent(QDropEvent* e) {
  setDropping(false);
  if (state() != State::choose) return e->ignore();
  e->acceptProposedAction();
  // Several files: only the first is read.
  if (const auto path = droppedFile(e->mimeData())) read(*path);
}

QWidget* makeImportView(AppModel& model, QWidget* window, std::function<void()> close) {
  return new ImportView(model, window, std::move(close));
}

}  // namespace clipvane
