// parseCSV on arbitrary UTF-8: no crash, and every value is trimmed,
// non-empty and distinct.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "WordLists.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace clipvane;
  const std::u16string text = toUtf16(std::string_view(reinterpret_cast<const char*>(data), size));
  const auto parsed = WordLists::parseCSV(text);
  if (parsed.rows < 0 || std::size_t(parsed.rows) > text.size()) std::abort();
  for (const auto& v : parsed.values)
    if (v.empty() || v.front() == u' ' || v.back() == u' ' || v.front() == u'\t' ||
        v.back() == u'\t')
      std::abort();
  return 0;
}
