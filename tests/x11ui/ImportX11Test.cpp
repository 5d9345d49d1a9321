// The import window on a real X server: a file dropped on the shown window
// and a file chosen in its window-modal file dialog each import their rows.
// The drop is a synthesised drag-enter and drop delivered to the window's
// drop zone (a drag between X clients cannot be driven from here); the
// dialog is Qt's own, shown on the server, and the file is chosen through
// its programming interface.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QWindow>

#include "EngineTest.h"
#include "ImportView.h"
#include "TestFiles.h"
#include "WindowManager.h"
#include "X11TestSupport.h"

namespace clipvane {
namespace {

using x11::test::waitUntil;

class ImportX11 : public testing::EngineTest {
 protected:
  QString file(const QString& name, const QByteArray& bytes) {
    return testing::writeFile(dir, name, bytes);
  }
  static ImportView* viewOf(QWidget* window) {
    return static_cast<ImportView*>(window->findChild<QWidget*>(QStringLiteral("importView")));
  }
  QTemporaryDir dir;
};

TEST_F(ImportX11, ADroppedFileAndAChosenFileImportTheirRows) {
  WindowManager manager(model());
  manager.showImport();
  QWidget* window = manager.importWindow();
  ASSERT_TRUE(
      waitUntil([&] { return window->isVisible() && window->windowHandle()->isExposed(); }));
  ImportView* view = viewOf(window);
  ASSERT_NE(view, nullptr);

  QWidget* zone = view->findChild<QWidget*>(QStringLiteral("dropZone"));
  ASSERT_NE(zone, nullptr);
  const QPoint at = zone->mapTo(view, zone->rect().center());
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(file("names.csv", "Ada Lovelace\nGrace Hopper\n"))});
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
  QApplication::sendEvent(view, &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, {});
  QApplication::sendEvent(view, &drop);
  ASSERT_EQ(view->state(), ImportView::State::preview);
  view->findChild<QAbstractButton*>(QStringLiteral("primary"))->click();
  ASSERT_EQ(model().settings().importedLists.size(), 1u);
  EXPECT_EQ(model().settings().importedLists[0].items,
            (std::vector<std::u16string>{u"Ada Lovelace", u"Grace Hopper"}));
  EXPECT_TRUE(waitUntil([&] { return !window->isVisible(); }));

  // A fresh view; the file chosen in the dialog shown over the window.
  manager.showImport();
  view = viewOf(window);
  ASSERT_EQ(view->state(), ImportView::State::choose);
  view->findChild<QAbstractButton*>(QStringLiteral("chooseFile"))->click();
  QFileDialog* dialog = view->dialog();
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(waitUntil([&] { return dialog->isVisible(); }));
  EXPECT_EQ(dialog->parentWidget(), window);
  dialog->selectFile(file("vendors.tsv", "Acme\tInitech\nUmbrella\n"));
  QMetaObject::invokeMethod(dialog, "accept");
  ASSERT_EQ(view->state(), ImportView::State::preview);
  QKeyEvent ret(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(view, &ret);
  ASSERT_EQ(model().settings().importedLists.size(), 2u);
  EXPECT_EQ(model().settings().importedLists[1].file, u"vendors.tsv");
  EXPECT_EQ(model().settings().importedLists[1].items.size(), 3u);
  EXPECT_EQ(ports.panels.lastText(), QStringLiteral("3 items imported"));
}

}  // namespace
}  // namespace clipvane
