// Stand-in until the field rules land; removed then.
#include "Candidate.h"

namespace clipvane::detect::FieldRules {
void find(std::u16string_view, const DetectionSettings&, std::vector<Candidate>&) {}
bool isPlaceholderValue(std::u16string_view value) {
  return value.empty() || value == u"password" || value == u"changeme" || value == u"***";
}
}  // namespace clipvane::detect::FieldRules
