// Until the language-model check is wired to a local model server, it
// reports the model as unavailable and finds nothing.
#include <QtConcurrent>

#include "AICheck.h"

namespace clipvane {

AICheck& AICheck::shared() {
  static AICheck instance;
  return instance;
}

AICheck::Status AICheck::status() { return Status::deviceNotEligible; }

QFuture<std::vector<Detector::Span>> AICheck::check(const QString&) {
  return QtFuture::makeReadyFuture(std::vector<Detector::Span>{});
}

std::optional<std::vector<Detector::Span>> AICheck::finishedSpans(const QString&) const {
  return std::nullopt;
}

}  // namespace clipvane
