// parseCSV on arbitrary UTF-8, then the values it finds searched for in the
// same text: no crash; values trimmed, non-empty; spans inside the text, on
// character boundaries, and equal to a term once case-folded.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string_view>

#include "WordLists.h"
#include "detect/AhoCorasick.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace clipvane;
  const std::u16string text = toUtf16(std::string_view(reinterpret_cast<const char*>(data), size));
  const auto parsed = WordLists::parseCSV(text);
  if (parsed.rows < 0 || std::size_t(parsed.rows) > text.size()) std::abort();
  std::vector<WordLists::Term> terms;
  std::set<std::u16string> folded;
  for (const auto& v : parsed.values) {
    if (v.empty() || v.front() == u' ' || v.back() == u' ' || v.front() == u'\t' ||
        v.back() == u'\t')
      std::abort();
    if (terms.size() < 64) {
      terms.push_back({v, Kind::custom});
      folded.insert(detect::foldCase(v));
    }
  }
  auto splits = [&](int at) {
    return at > 0 && std::size_t(at) < text.size() && (text[std::size_t(at)] & 0xFC00) == 0xDC00 &&
           (text[std::size_t(at) - 1] & 0xFC00) == 0xD800;
  };
  for (const auto& s : WordLists::spans(terms, text)) {
    const Range r = s.range;
    if (r.length <= 0 || r.location < 0 || std::size_t(r.end()) > text.size()) std::abort();
    if (splits(r.location) || splits(r.end())) std::abort();
    if (!folded.contains(detect::foldCase(
            std::u16string_view(text).substr(std::size_t(r.location), std::size_t(r.length)))))
      std::abort();
  }
  return 0;
}
