#pragma once
// Finds the sensitive values of a text with everything the user configured:
// the detection settings, extra spans, word terms, marked and ignored texts.
#include <QString>

#include <vector>

#include "AppSettings.h"
#include "Detector.h"

namespace clipvane {

struct ClipboardDetector {
  Detector detector;     // the detection settings and extra spans (model spans)
  AppSettings settings;  // a copy taken when the scan started

  // Pure: safe to run off the main thread on a copy.
  std::vector<Finding> detect(const QString& text) const;
};

}  // namespace clipvane
