#pragma once
// The word-list import window: a CSV, TSV or plain-text file, dropped or
// chosen, is previewed and imported as a list of a chosen kind, within the
// limits all imported lists share (1,000 items and 1,000,000 bytes); a file
// over them is refused. Import closes the window and offers an Undo.
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

#include "Kinds.h"

class QFileDialog;
class QVBoxLayout;

namespace clipvane {

class AppModel;
class Plate;

class ImportView : public QWidget {
 public:
  // The file read last.
  struct Picked {
    QString name;  // the file's name
    int bytes = 0;
    QStringList values;  // the distinct values, in file order
    int rows = 0;        // the non-empty lines
  };
  enum class State { choose, preview, tooLarge };

  // `window` is the import window (the file dialog's parent); `close` hides it.
  ImportView(AppModel& model, QWidget* window, std::function<void()> close,
             QWidget* parent = nullptr);

  State state() const;
  const std::optional<Picked>& picked() const { return picked_; }
  Kind kind() const { return kind_; }

  // Opens the window-modal file dialog; none without a window.
  void choose();
  // The dialog "Choose File" opened, while it is open.
  QFileDialog* dialog() const { return dialog_; }
  // Reads the file as the dialog and a drop do; beeps when it cannot.
  void read(const QString& path);
  void importList();

  // "1 KB" up to 1,999 bytes, "999 KB", "1 MB", "1.5 MB" (decimal units).
  static QString size(qint64 bytes);
  // UTF-8 when the bytes are valid UTF-8, else Windows-1252; empty when they
  // are not text in that encoding (a byte Windows-1252 leaves undefined, a
  // NUL, mostly control characters).
  static QString decode(const QByteArray& bytes);

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dragLeaveEvent(QDragLeaveEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  void rebuild();
  QWidget* limits() const;
  QWidget* fileRow(const Picked& picked, const QString& detail) const;
  void addButtons(const QString& title, bool enabled, std::function<void()> action);
  void setDropping(bool dropping);
  qint64 usedBytes() const;
  qint64 usedRows() const;

  AppModel& model_;
  QPointer<QWidget> window_;
  std::function<void()> close_;
  std::optional<Picked> picked_;
  Kind kind_ = Kind::custom;
  bool dropping_ = false;
  std::function<void()> primary_;
  QPointer<Plate> dropZone_;
  QPointer<QFileDialog> dialog_;
  QVBoxLayout* column_;
};

// WindowManager::showImport() opens the window with a fresh view
// (makeImportView, WindowManager.h).

}  // namespace clipvane
