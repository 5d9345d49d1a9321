#pragma once
// The settings panes' fixture: a model over the fake ports, the palette in a
// chosen scheme, and a count of the saves one user action makes.
#include <QAbstractButton>
#include <QSignalSpy>
#include <QTest>

#include "EngineTest.h"
#include "UiTest.h"
#include "fakes/FakeApplications.h"

namespace clipvane::testing {

class SettingsViewTest : public EngineTest {
 protected:
  SchemeScope scheme;
  fakes::FakeApplications applications;

  // Runs the action and returns how many settings values it stored.
  template <class Fn>
  int saves(Fn action) {
    QSignalSpy spy(&model(), &AppModel::settingsChanged);
    action();
    return int(spy.count());
  }

  template <class T = QWidget>
  static T* child(QWidget* root, const QString& name) {
    T* found = root->findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
  }

  static void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center()); }
};

}  // namespace clipvane::testing
