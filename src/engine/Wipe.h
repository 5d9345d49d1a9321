#pragma once
// Letting go of texts that held originals: each is overwritten where it lies
// first, unless another holder still reads the same buffer (then it is only
// let go, and wiped by the last holder that wipes it).
#include <QByteArray>
#include <QString>

#include <vector>

#include "Detector.h"
#include "ports/ClipboardPort.h"

namespace clipvane {

void wipe(QString& text);
void wipe(QByteArray& bytes);
void wipe(ClipboardSnapshot& snapshot);
void wipe(std::vector<Finding>& findings);

}  // namespace clipvane
