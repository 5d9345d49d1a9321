#pragma once
// Letting go of texts that held originals: each is overwritten where it lies
// first, unless another holder still reads the same buffer (then it is only
// let go, and wiped by the last holder that wipes it).
#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

#include "Detector.h"
#include "ports/ClipboardPort.h"

namespace clipvane {

void wipe(QString& text);
void wipe(QByteArray& bytes);
void wipe(ClipboardSnapshot& snapshot);
void wipe(std::vector<Finding>& findings);

// One copy of originals that several holders share: the last to let it go
// wipes it.
template <class T>
std::shared_ptr<const T> sharedWiped(T value) {
  return std::shared_ptr<const T>(new T(std::move(value)), [](const T* held) {
    T* mine = const_cast<T*>(held);
    wipe(*mine);
    delete mine;
  });
}

}  // namespace clipvane
