// Random text and random detection settings: the detector must not crash,
// and every finding must lie inside the text, equal the text of its range,
// come in text order without overlaps, and have a mask that is not its value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Detector.h"
#include "Types.h"

using namespace clipvane;

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 6) return 0;
  DetectionSettings settings;
  // Six bytes of settings: disabled kinds, skip flags, an internal domain
  // and a custom rule taken from the start of the text.
  std::uint32_t disabled = std::uint32_t(data[0]) | std::uint32_t(data[1]) << 8 |
                           std::uint32_t(data[2]) << 16 | std::uint32_t(data[3]) << 24;
  for (int k = 0; k < Kind::count; ++k)
    if (disabled & (1u << k) && (data[4] & 0x80)) settings.disabledKinds.insert(Kind::Value(k));
  settings.skipLocalAddresses = data[4] & 1;
  settings.skipPrivateRanges = data[4] & 2;
  const std::uint8_t mode = data[5];
  data += 6;
  size -= 6;

  std::u16string text;
  if (mode & 1) {
    // Raw UTF-16 code units, lone surrogates included.
    for (std::size_t i = 0; i + 1 < size; i += 2)
      text.push_back(char16_t(data[i] | data[i + 1] << 8));
  } else {
    text = toUtf16(std::string_view(reinterpret_cast<const char*>(data), size));
  }
  if (mode & 2) settings.internalDomains.push_back(text.substr(0, 8));
  if (mode & 4) {
    CustomRule rule;
    rule.name = u"Fuzz";
    rule.type = (mode & 8) ? CustomRule::RuleType::pattern : CustomRule::RuleType::terms;
    const auto head = text.substr(0, std::min<std::size_t>(text.size(), (mode >> 4) + 1));
    if (rule.type == CustomRule::RuleType::pattern)
      rule.pattern = head;
    else
      rule.terms = {head, u"a"};
    settings.customRules.push_back(rule);
  }

  const auto findings = Detector{settings, {}}.detect(text);
  int previousEnd = 0;
  for (const Finding& f : findings) {
    check(f.range.location >= 0 && f.range.length > 0);
    check(std::size_t(f.range.end()) <= text.size());
    check(f.range.location >= previousEnd);
    check(text.substr(f.range.location, f.range.length) == f.value);
    check(f.mask != f.value);
    check(settings.isEnabled(f.kind));
    previousEnd = f.range.end();
  }
  return 0;
}
