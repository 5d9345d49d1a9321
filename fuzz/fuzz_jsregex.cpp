// Compiles arbitrary patterns and runs them on a short text: either an Error
// or matches inside the text, never a crash or a hang.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "JSRegex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace clipvane;
  const std::u16string pattern =
      toUtf16(std::string_view(reinterpret_cast<const char*>(data), size));
  static const std::u16string text =
      u"Order #A-1234 for caf\u00e9 \U0001F600 on 2026-12-06,\nmail bob@example.com; "
      u"aaaaaaaaaaaaaaaaaaaaaaaaaaaaab [x] {y} $9.99\r\n\u0661\u0662";
  for (bool ignoreCase : {false, true}) {
    try {
      const auto re = JSRegex::compile(pattern, ignoreCase);
      int last = 0;
      for (const Range& r : re.matches(text)) {
        if (r.length <= 0 || r.location < last || std::size_t(r.end()) > text.size()) std::abort();
        last = r.end();
      }
    } catch (const JSRegex::Error&) {
    }
  }
  return 0;
}
