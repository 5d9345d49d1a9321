#pragma once
// The second pass over a text with a language model on this computer.
#include <QFuture>
#include <QString>

#include <optional>
#include <vector>

#include "Detector.h"

namespace clipvane {

class AICheck {
 public:
  enum class Status {
    available,
    osTooOld,
    deviceNotEligible,
    appleIntelligenceNotEnabled,
    modelNotReady
  };

  // Main thread only.
  static AICheck& shared();
  // Evaluated anew on every call.
  static Status status();

  // The scan of the text: the running or finished one of the same text, or a new one.
  QFuture<std::vector<Detector::Span>> check(const QString& text);
  // The spans of the latest finished scan when it was of this text.
  std::optional<std::vector<Detector::Span>> finishedSpans(const QString& text) const;
};

}  // namespace clipvane
