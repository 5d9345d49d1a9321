// The import window: reading and decoding files, the shared limits, the
// three states, the kind picker, Import with its Undo, and drops.
#include <QAbstractItemView>
#include <QFile>
#include <QFileDialog>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include "DetectWidgets.h"
#include "EngineTest.h"
#include "ImportView.h"
#include "Kit.h"
#include "KitRows.h"
#include "TestFiles.h"
#include "UiTest.h"
#include "WindowKit.h"

namespace clipvane {
namespace {

using testing::EngineTest;
using testing::SchemeScope;
using testing::screenshot;
using State = ImportView::State;

class ImportViewTest : public EngineTest {
 protected:
  ImportViewTest() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
  ~ImportViewTest() override { QLocale::setDefault(QLocale::c()); }

  QString file(const QString& name, const QByteArray& bytes) {
    return testing::writeFile(dir, name, bytes);
  }
  // n distinct values, one per line, padded to exactly `bytes` bytes when given.
  static QByteArray values(int n, int bytes = 0) {
    QByteArray out;
    for (int i = 0; i < n; ++i) out += "value" + QByteArray::number(i) + "\n";
    if (bytes > out.size()) out += QByteArray(bytes - out.size(), '\n');
    return out;
  }
  void imported(int items, int bytes, bool enabled = true) {
    changeSettings([&](AppSettings& s) {
      ImportedList list;
      for (int i = 0; i < items; ++i)
        list.items.push_back(QStringLiteral("old%1").arg(i).toStdU16String());
      list.bytes = bytes;
      list.enabled = enabled;
      s.importedLists.push_back(list);
    });
  }
  // Opens the file dialog on the test's folder; its list of files (null
  // when no dialog opened).
  QAbstractItemView* openDialog() {
    view->choose();
    QFileDialog* dialog = view->dialog();
    if (!dialog) return nullptr;
    dialog->setDirectory(dir.path());
    return dialog->findChild<QAbstractItemView*>(QStringLiteral("listView"));
  }
  std::unique_ptr<QWidget> window() {
    auto w = std::make_unique<QWidget>(nullptr, Qt::Window);
    auto* layout = new QVBoxLayout(w.get());
    layout->setContentsMargins(0, 0, 0, 0);
    view = new ImportView(model(), w.get(), [this] { ++closes; });
    layout->addWidget(view);
    w->show();
    return w;
  }
  QString primaryTitle() const { return view->findChild<PillButton*>("primary")->text(); }
  bool primaryEnabled() const { return view->findChild<PillButton*>("primary")->isEnabled(); }

  QTemporaryDir dir;
  ImportView* view = nullptr;
  int closes = 0;
  SchemeScope light;
};

TEST_F(ImportViewTest, SizeTexts) {
  const std::pair<qint64, const char*> cases[] = {
      {0, "1 KB"},         {999, "1 KB"},         {1999, "1 KB"},      {2500, "2 KB"},
      {999999, "999 KB"},  {1000000, "1 MB"},     {1500000, "1.5 MB"}, {1050000, "1 MB"},
      {1150000, "1.2 MB"}, {12345678, "12.3 MB"},
  };
  for (const auto& [bytes, text] : cases)
    EXPECT_EQ(ImportView::size(bytes), QString(text)) << bytes;
}

TEST_F(ImportViewTest, DecodesUtf8ThenWindows1252) {
  EXPECT_EQ(ImportView::decode("M\xc3\xbcller"), QString("Müller"));
  EXPECT_EQ(ImportView::decode("M\xfcller \x80"), QString("Müller €"));
}

// 4,096 bytes of noise, the same on every run.
QByteArray noise() {
  QByteArray out(4096, '\0');
  quint32 state = 0x9E3779B9;
  for (char& c : out) {
    state = state * 1664525u + 1013904223u;
    c = char(state >> 24);
  }
  return out;
}

TEST_F(ImportViewTest, BytesThatAreNeitherUtf8NorWindows1252TextDecodeToNothing) {
  const std::pair<QByteArray, QString> cases[] = {
      {noise(), {}},
      // The five bytes Windows-1252 leaves undefined, each in otherwise good text.
      {"Caf\xe9\x81\n", {}},
      {"Caf\xe9\x8d\n", {}},
      {"Caf\xe9\x8f\n", {}},
      {"Caf\xe9\x90\n", {}},
      {"Caf\xe9\x9d\n", {}},
      // NUL bytes: valid UTF-8 (and UTF-16 text), but not text.
      {QByteArray("alpha\0beta\n", 11), {}},
      {QByteArray("a\0l\0p\0h\0a\0\n\0", 12), {}},
      {QByteArray("\xff\xfe"
                  "a\0\n\0",
                  6),
       {}},
      // Mostly control characters, in either encoding.
      {"\x01\x02\x03\n\x04\x05x\n", {}},
      {"\x01\x02\xe9\n\x1b\x7f\n", {}},
      {"\xc2\x85\xc2\x86\xc2\x87x\n", {}},
      // Text with a stray control character, and white space only, stays text.
      {"Caf\xe9\x1a\n", QStringLiteral("Café\x1a\n")},
      {"alpha\tbeta\r\n\x0c", QStringLiteral("alpha\tbeta\r\n\x0c")},
      {" \n\t\n", QStringLiteral(" \n\t\n")},
  };
  for (const auto& [bytes, text] : cases) {
    SCOPED_TRACE(bytes.left(16).toHex(' ').toStdString());
    const QString decoded = ImportView::decode(bytes);
    EXPECT_TRUE(decoded == text) << decoded.left(24).toStdString();
  }
  // Read from a file: nothing to import.
  auto w = window();
  view->read(file("noise.csv", noise()));
  ASSERT_EQ(view->state(), State::preview);
  EXPECT_TRUE(view->picked()->values.isEmpty());
  EXPECT_EQ(primaryTitle(), QString("Import 0"));
  EXPECT_FALSE(primaryEnabled());
  screenshot(*w, "import-undecodable-light");
  // An empty file: the same empty card.
  view->read(file("empty.csv", ""));
  ASSERT_EQ(view->state(), State::preview);
  EXPECT_EQ(view->findChild<DetectText*>("fileDetail")->text(), QString("1 KB · 0 rows"));
  EXPECT_TRUE(view->findChild<QWidget*>("values")->findChildren<GroupedRow*>().isEmpty());
  EXPECT_FALSE(primaryEnabled());
  screenshot(*w, "import-empty-light");
}

TEST_F(ImportViewTest, TheLimitsCountEveryListAndTheDistinctValues) {
  struct Case {
    int usedItems, usedBytes;
    bool usedEnabled;
    int fileValues, fileBytes;
    State state;
  };
  const Case cases[] = {
      {0, 0, true, 1000, 1000000, State::preview}, {0, 0, true, 1000, 1000001, State::tooLarge},
      {0, 0, true, 1001, 0, State::tooLarge},      {900, 0, false, 100, 0, State::preview},
      {900, 0, false, 101, 0, State::tooLarge},    {0, 999000, true, 1, 1000, State::preview},
      {0, 999000, true, 1, 1001, State::tooLarge},
  };
  for (const Case& c : cases) {
    restart([](AppSettings& s) { s.importedLists.clear(); });
    if (c.usedItems || c.usedBytes) imported(c.usedItems, c.usedBytes, c.usedEnabled);
    auto w = window();
    view->read(file("list.csv", values(c.fileValues, c.fileBytes)));
    EXPECT_EQ(view->state(), c.state) << c.usedItems << " " << c.fileValues << " " << c.fileBytes;
  }
  // Repeated values count once; the line count plays no part.
  restart([](AppSettings& s) { s.importedLists.clear(); });
  imported(999, 0);
  auto w = window();
  view->read(file("same.csv", QByteArray("x\nX\n x \nx,x\n").repeated(50)));
  EXPECT_EQ(view->state(), State::preview);
  EXPECT_EQ(view->picked()->rows, 200);
  screenshot(*w, "import-too-large-before-light");
}

TEST_F(ImportViewTest, PreviewImportAndUndo) {
  auto w = window();
  EXPECT_EQ(view->state(), State::choose);
  EXPECT_FALSE(primaryEnabled());
  screenshot(*w, "import-choose-light");
  // Return does nothing while Import is disabled.
  QTest::keyClick(view, Qt::Key_Return);
  EXPECT_TRUE(model().settings().importedLists.empty());

  view->read(file("customers.csv",
                  "name,company\nAda Lovelace,Analytical\nGrace Hopper,Navy\n"
                  "Alan Turing,Bletchley\n"));
  ASSERT_EQ(view->state(), State::preview);
  EXPECT_EQ(view->picked()->values.size(), 8);
  EXPECT_EQ(primaryTitle(), QString("Import 8"));
  auto* more = view->findChild<DetectText*>("more");
  EXPECT_EQ(more->text(), QString("4 more"));
  // The count starts where the values above start, and takes the rest of its row.
  auto* values = view->findChild<QWidget*>("values");
  const auto rows = values->findChildren<GroupedRow*>(Qt::FindDirectChildrenOnly);
  ASSERT_EQ(rows.size(), 5);
  const QWidget* firstLabel = rows[0]->findChild<QWidget*>("label");
  EXPECT_EQ(more->mapTo(values, QPoint(0, 0)).x(), firstLabel->mapTo(values, QPoint(0, 0)).x());
  EXPECT_EQ(more->mapTo(values, QPoint(more->width(), 0)).x(), values->width() - 12);
  EXPECT_EQ(view->findChild<DetectText*>("fileDetail")->text(), QString("1 KB · 4 rows"));
  auto* kind = view->findChild<SegmentedControl*>("kind");
  EXPECT_EQ(kind->index(), 3);  // Other
  QTest::mouseClick(kind, Qt::LeftButton, {}, kind->segment(1).center());
  EXPECT_EQ(view->kind(), Kind(Kind::organization));
  screenshot(*w, "import-preview-light");
  {
    SchemeScope dark(true);
    screenshot(*w, "import-preview-dark");
  }

  int saves = 0;
  QObject::connect(&model(), &AppModel::settingsChanged, view, [&] { ++saves; });
  QTest::keyClick(view, Qt::Key_Return);
  ASSERT_EQ(model().settings().importedLists.size(), 1u);
  const ImportedList& list = model().settings().importedLists.front();
  EXPECT_EQ(list.file, u"customers.csv");
  EXPECT_EQ(list.kind, Kind(Kind::organization));
  EXPECT_EQ(list.items.size(), 8u);
  EXPECT_TRUE(list.enabled);
  EXPECT_EQ(saves, 1);
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(ports.panels.lastText(), QString("8 items imported"));

  // Another list imported meanwhile stays; Undo twice changes nothing more.
  imported(3, 10);
  ports.panels.pressAction();
  ASSERT_EQ(model().settings().importedLists.size(), 1u);
  EXPECT_EQ(model().settings().importedLists.front().items.size(), 3u);
  ports.panels.pressAction();
  EXPECT_EQ(model().settings().importedLists.size(), 1u);
}

TEST_F(ImportViewTest, TooLargeWrongEncodingAndUnreadable) {
  auto w = window();
  view->read(file("huge.csv", values(1200)));
  ASSERT_EQ(view->state(), State::tooLarge);
  EXPECT_EQ(primaryTitle(), QString("Choose File"));
  EXPECT_EQ(view->findChild<DetectText*>("rows")->text(), QString("1,200"));
  screenshot(*w, "import-too-large-light");
  // No drop zone in this state: a drop does nothing.
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(file("small.csv", "a\n"))});
  QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, {});
  QApplication::sendEvent(view, &drop);
  EXPECT_EQ(view->picked()->name, QString("huge.csv"));

  // Text that is not UTF-8 reads as Windows-1252.
  view->read(file("latin.txt", "M\xfcller\nCaf\xe9\n"));
  ASSERT_EQ(view->state(), State::preview);
  EXPECT_EQ(view->picked()->values, (QStringList{"Müller", "Café"}));
  screenshot(*w, "import-wrong-encoding-windows-1252-light");
  // A file without any value: nothing to import.
  view->read(file("binary.csv", " , \n\t\n"));
  EXPECT_TRUE(view->picked()->values.isEmpty());
  EXPECT_EQ(primaryTitle(), QString("Import 0"));
  EXPECT_FALSE(primaryEnabled());

  // A file that cannot be read: a beep, the view as it was.
  view->read(dir.filePath("missing.csv"));
  EXPECT_EQ(ports.workspace.beeps, 1);
  EXPECT_EQ(view->picked()->name, QString("binary.csv"));
  QTest::keyClick(view, Qt::Key_Escape);
  EXPECT_EQ(closes, 1);
}

TEST_F(ImportViewTest, ADropReadsTheFirstFileAndTheDialogChoosesOne) {
  auto w = window();
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(file("first.csv", "alpha\nbeta\n")),
                QUrl::fromLocalFile(file("second.csv", "gamma\n"))});
  QDragEnterEvent enter(QPoint(20, 40), Qt::CopyAction, &data, Qt::LeftButton, {});
  QApplication::sendEvent(view, &enter);
  EXPECT_TRUE(enter.isAccepted());
  screenshot(*w, "import-dropping-light");
  QDropEvent drop(QPointF(20, 40), Qt::CopyAction, &data, Qt::LeftButton, {});
  QApplication::sendEvent(view, &drop);
  ASSERT_TRUE(view->picked());
  EXPECT_EQ(view->picked()->name, QString("first.csv"));
  EXPECT_EQ(view->picked()->values, (QStringList{"alpha", "beta"}));

  // Too large now: "Choose File" opens the dialog on the window.
  imported(999, 0);
  ASSERT_EQ(view->state(), State::tooLarge);
  QTest::mouseClick(view->findChild<PillButton*>("primary"), Qt::LeftButton);
  QFileDialog* dialog = view->dialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->parentWidget(), w.get());
  EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
  EXPECT_EQ(dialog->nameFilters(), (QStringList{"Word lists (*.csv *.tsv *.txt)", "CSV (*.csv)",
                                                "TSV (*.tsv)", "Text (*.txt)"}));
  EXPECT_EQ(dialog->selectedNameFilter(), QString("Word lists (*.csv *.tsv *.txt)"));
  dialog->selectFile(file("one.tsv", "delta\n"));
  QMetaObject::invokeMethod(dialog, "accept");
  EXPECT_EQ(view->picked()->name, QString("one.tsv"));
  EXPECT_EQ(view->state(), State::preview);
}

TEST_F(ImportViewTest, TheDialogTakesTheSchemesColours) {
  for (const bool dark : {false, true}) {
    testing::SchemeScope scheme(dark);
    auto w = window();
    QAbstractItemView* list = openDialog();
    ASSERT_NE(list, nullptr);
    QFileDialog* dialog = view->dialog();
    EXPECT_EQ(dialog->palette().color(QPalette::Window), Theme::color(Theme::card));
    EXPECT_EQ(list->palette().color(QPalette::Base), Theme::color(Theme::card));
    EXPECT_EQ(list->palette().color(QPalette::Text), Theme::color(Theme::tx));
    testing::screenshot(*dialog, QStringLiteral("import-dialog-%1").arg(dark ? "dark" : "light"));
    dialog->reject();
  }
}

TEST_F(ImportViewTest, TheDialogListsEveryKindOfListAtOnce) {
  for (const char* name : {"a.csv", "b.tsv", "c.txt", "d.png"}) file(name, "x\n");
  auto w = window();
  QAbstractItemView* list = openDialog();
  ASSERT_NE(list, nullptr);
  QFileDialog* dialog = view->dialog();
  const auto shown = [&] {
    QStringList names;
    const QModelIndex root = list->rootIndex();
    for (int i = 0; i < list->model()->rowCount(root); ++i)
      names << list->model()->index(i, 0, root).data().toString();
    names.sort();
    return names;
  };
  EXPECT_TRUE(QTest::qWaitFor([&] { return shown().size() >= 3; }, 5000));
  EXPECT_EQ(shown(), (QStringList{"a.csv", "b.tsv", "c.txt"}));
  dialog->reject();
}

}  // namespace
}  // namespace clipvane
