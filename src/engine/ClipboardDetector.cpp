#include "ClipboardDetector.h"

#include "WordLists.h"

namespace clipvane {

std::vector<Finding> ClipboardDetector::detect(const QString& text) const {
  const std::u16string utf16 = text.toStdU16String();
  Detector run = detector;
  const auto terms = settings.wordTerms();
  if (!terms.empty()) {
    auto spans = WordLists::spans(terms, utf16);
    run.extra.insert(run.extra.end(), spans.begin(), spans.end());
  }
  auto found = WordLists::relabel(run.detect(utf16), settings.marked);
  return WordLists::removeIgnored(std::move(found), settings.ignored);
}

}  // namespace clipvane
