// The program's windows, created on first request and kept.
#include "WindowManager.h"

#include <QApplication>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include "AppModel.h"
#include "SettingsWindow.h"
#include "Theme.h"
#include "WindowKit.h"

namespace clipvane {

namespace {

// The import window's plate: the grouped colour behind the view.
class ImportWindow : public QWidget {
 public:
  ImportWindow() : QWidget(nullptr, Qt::Window) {
    setObjectName(QStringLiteral("importWindow"));
    setWindowTitle(programTitle(QStringLiteral("Import")));
    closeOnCtrlW(*this);
    resize(360, 300);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    setFixedWindowFlags(*this);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Theme::color(Theme::grouped));
  }
};

}  // namespace

WindowManager& WindowManager::shared() {
  static WindowManager* manager = new WindowManager(AppModel::shared());
  return *manager;
}

WindowManager::WindowManager(AppModel& model, QObject* parent) : QObject(parent), model_(model) {}

WindowManager::~WindowManager() {
  delete settingsWindow_.data();
  delete activityWindow_.data();
  delete firstRunWindow_.data();
  delete importWindow_.data();
}

SettingsWindow* WindowManager::settingsWindow() const { return settingsWindow_; }

void WindowManager::bringForward(QWidget* window) {
  // A minimised window comes back as it was before (normal or maximised):
  // showing and activating alone leave it in the taskbar.
  if (window->isMinimized()) window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
  window->show();
  window->raise();
  window->activateWindow();
}

void WindowManager::centre(QWidget* window) {
  QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  const QSize size = window->frameGeometry().size().expandedTo(window->size());
  window->move(area.center() - QPoint(size.width() / 2, size.height() / 2));
}

void WindowManager::showSettings(SettingsTab tab) {
  if (!settingsWindow_) {
    settingsWindow_ = new SettingsWindow(model_);
    centre(settingsWindow_);
  }
  settingsWindow_->select(tab);
  bringForward(settingsWindow_);
}

std::optional<Uuid> WindowManager::latest(const std::vector<ActivityEntry>& entries) {
  if (entries.empty()) return std::nullopt;
  const ActivityEntry* newest = &entries.front();
  // Dates are kept to the second: of two in the same second, the one stored
  // later is the newer.
  for (const auto& entry : entries)
    if (entry.date >= newest->date) newest = &entry;
  return newest->id;
}

void WindowManager::showActivity(bool openLatest) {
  // Re-read on every request: pastes may have been recorded meanwhile.
  model_.setActivity(ActivityStore::read());
  activityState_.setOpen(openLatest ? latest(model_.activity()) : std::nullopt);
  if (!activityWindow_) {
    activityWindow_ = makeActivityWindow(model_, activityState_);
    centre(activityWindow_);
  }
  bringForward(activityWindow_);
}

void WindowManager::showFirstRun() {
  if (!firstRunWindow_) {
    firstRunWindow_ = makeFirstRunWindow(model_, [self = QPointer<WindowManager>(this)] {
      if (self && self->firstRunWindow_) self->firstRunWindow_->close();
    });
    if (!firstRunWindow_) return;  // none to show yet
    centre(firstRunWindow_);
  }
  bringForward(firstRunWindow_);
}

void WindowManager::showImport() {
  if (!importWindow_) importWindow_ = new ImportWindow;
  // Every request starts from an empty import view.
  delete importView_.data();
  importView_ = makeImportView(model_, importWindow_, [self = QPointer<WindowManager>(this)] {
    if (self && self->importWindow_) self->importWindow_->close();
  });
  importWindow_->layout()->addWidget(importView_);
  importWindow_->adjustSize();
  centre(importWindow_);
  bringForward(importWindow_);
}

void WindowManager::runAlert(const QString& message, const QString& informative) {
  QMessageBox box;
  box.setObjectName(QStringLiteral("alert"));
  box.setIcon(QMessageBox::Warning);
  box.setWindowTitle(QStringLiteral("Clipvane"));
  box.setText(message);
  box.setInformativeText(informative);
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
}

}  // namespace clipvane
