#include "AhoCorasick.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <array>
#include <bit>
#include <deque>
#include <memory>

namespace clipvane::detect {

namespace {

// Above this many cells the full transition table gives way to sparse edges.
constexpr std::size_t kDenseCells = std::size_t(1) << 21;

int foldSlow(char32_t c, char16_t* out) {
  if (c == 0x130) {  // "İ"
    out[0] = u'i';
    return 1;
  }
  UChar src[2];
  int32_t len = 0;
  UBool error = false;
  U16_APPEND(src, len, 2, UChar32(c), error);
  if (error) {
    out[0] = char16_t(c);
    return 1;
  }
  UErrorCode status = U_ZERO_ERROR;
  const int32_t n = u_strFoldCase(reinterpret_cast<UChar*>(out), maxFoldUnits, src, len,
                                  U_FOLD_CASE_DEFAULT, &status);
  if (U_FAILURE(status) || n <= 0 || n > maxFoldUnits) {
    std::copy(src, src + len, out);
    return len;
  }
  return n;
}

// The folding of every BMP character that folds to one BMP unit; 0 for the
// few that expand (and for surrogates), which take the slow path.
const std::array<char16_t, 0x10000>& bmpFolds() {
  static const auto table = [] {
    auto t = std::make_unique<std::array<char16_t, 0x10000>>();
    for (char32_t c = 0; c < 0x10000; ++c) {
      char16_t out[maxFoldUnits];
      const bool surrogate = c >= 0xD800 && c <= 0xDFFF;
      (*t)[c] = (!surrogate && foldSlow(c, out) == 1 && !U16_IS_SURROGATE(out[0])) ? out[0] : 0;
    }
    return t;
  }();
  return *table;
}

}  // namespace

int foldCodePoint(char32_t c, char16_t* out) {
  if (c < 0x10000) {
    const char16_t f = bmpFolds()[c];
    if (f != 0 || c == 0) {
      out[0] = f;
      return 1;
    }
  }
  return foldSlow(c, out);
}

std::u16string foldCase(std::u16string_view s) {
  std::u16string out;
  out.reserve(s.size());
  char16_t buf[maxFoldUnits];
  for (std::size_t i = 0; i < s.size();) {
    const int n = [&] {
      const char16_t u = s[i];
      char32_t c = u;
      ++i;
      if (U16_IS_LEAD(u) && i < s.size() && U16_IS_TRAIL(s[i]))
        c = U16_GET_SUPPLEMENTARY(u, s[i++]);
      return foldCodePoint(c, buf);
    }();
    out.append(buf, std::size_t(n));
  }
  return out;
}

void AhoCorasick::build(const std::vector<std::u16string>& terms) {
  std::vector<std::u16string_view> views(terms.begin(), terms.end());
  build(views);
}

void AhoCorasick::build(const std::vector<std::u16string_view>& terms) {
  *this = AhoCorasick();
  termCount_ = terms.size();
  canonical_.resize(termCount_);
  termLength_.resize(termCount_);
  classOf_.assign(0x10000, 0);
  classCount_ = 1;

  // The trie, children sorted by class.
  std::vector<std::vector<std::pair<uint32_t, int32_t>>> children(1);
  std::vector<std::vector<int32_t>> ends(1);
  std::size_t longest = 1;
  for (std::size_t t = 0; t < terms.size(); ++t) {
    const std::u16string folded = foldCase(terms[t]);
    termLength_[t] = int32_t(folded.size());
    canonical_[t] = int(t);
    if (folded.empty()) continue;
    longest = std::max(longest, folded.size());
    int32_t s = 0;
    for (char16_t u : folded) {
      uint32_t& cls = classOf_[u];
      if (cls == 0) cls = uint32_t(classCount_++);
      auto& kids = children[std::size_t(s)];
      auto it = std::lower_bound(kids.begin(), kids.end(), std::pair<uint32_t, int32_t>{cls, -1});
      if (it != kids.end() && it->first == cls) {
        s = it->second;
        continue;
      }
      const auto child = int32_t(children.size());
      kids.insert(it, {cls, child});
      children.emplace_back();
      ends.emplace_back();
      s = child;
    }
    auto& here = ends[std::size_t(s)];
    if (!here.empty()) canonical_[t] = canonical_[std::size_t(here.front())];
    here.push_back(int32_t(t));
  }
  for (char16_t u = 0; u < 0x80; ++u)
    asciiClass_[u] = classOf_[(u >= 'A' && u <= 'Z') ? char16_t(u + 32) : u];
  stateCount_ = int32_t(children.size());
  ringMask_ = std::bit_ceil(longest) - 1;
  const auto states = std::size_t(stateCount_);

  outStart_.assign(states + 1, 0);
  for (std::size_t s = 0; s < states; ++s) {
    outStart_[s + 1] = outStart_[s] + int32_t(ends[s].size());
    outTerms_.insert(outTerms_.end(), ends[s].begin(), ends[s].end());
  }

  // Failure and output links, breadth first.
  fail_.assign(states, 0);
  outLink_.assign(states, -1);
  hasOutput_.assign(states, 0);
  std::vector<int32_t> order;
  order.reserve(states);
  order.push_back(0);
  auto goTo = [&](int32_t s, uint32_t cls) -> int32_t {
    const auto& kids = children[std::size_t(s)];
    auto it = std::lower_bound(kids.begin(), kids.end(), std::pair<uint32_t, int32_t>{cls, -1});
    return (it != kids.end() && it->first == cls) ? it->second : -1;
  };
  for (std::size_t q = 0; q < order.size(); ++q) {
    const int32_t s = order[q];
    for (const auto& [cls, child] : children[std::size_t(s)]) {
      int32_t f = 0;
      if (s != 0) {
        for (int32_t r = fail_[std::size_t(s)];; r = fail_[std::size_t(r)]) {
          const int32_t g = goTo(r, cls);
          if (g >= 0) {
            f = g;
            break;
          }
          if (r == 0) break;
        }
      }
      const auto c = std::size_t(child);
      fail_[c] = f;
      outLink_[c] = !ends[std::size_t(f)].empty() ? f : outLink_[std::size_t(f)];
      hasOutput_[c] = !ends[c].empty() || outLink_[c] >= 0;
      order.push_back(child);
    }
  }

  if (states * classCount_ <= kDenseCells) {
    dense_.assign(states * classCount_, 0);
    for (const int32_t s : order) {
      int32_t* row = &dense_[std::size_t(s) * classCount_];
      if (s != 0) {
        const int32_t* inherited = &dense_[std::size_t(fail_[std::size_t(s)]) * classCount_];
        std::copy(inherited, inherited + classCount_, row);
      }
      for (const auto& [cls, child] : children[std::size_t(s)]) row[cls] = child;
    }
    // The scan steps by row offsets and sees a term end from the sign alone.
    for (int32_t& cell : dense_) {
      const bool output = hasOutput_[std::size_t(cell)];
      cell *= int32_t(classCount_);
      if (output) cell = ~cell;
    }
  } else {
    edgeStart_.assign(states + 1, 0);
    for (std::size_t s = 0; s < states; ++s) {
      edgeStart_[s + 1] = edgeStart_[s] + int32_t(children[s].size());
      for (const auto& [cls, child] : children[s]) {
        edgeClass_.push_back(cls);
        edgeTarget_.push_back(child);
      }
    }
    rootRow_.assign(classCount_, 0);
    for (const auto& [cls, child] : children[0]) rootRow_[cls] = child;
  }
}

int32_t AhoCorasick::sparseNext(int32_t state, uint32_t cls) const {
  for (int32_t s = state; s != 0; s = fail_[std::size_t(s)]) {
    const auto begin = edgeClass_.begin() + edgeStart_[std::size_t(s)];
    const auto end = edgeClass_.begin() + edgeStart_[std::size_t(s) + 1];
    const auto it = std::lower_bound(begin, end, cls);
    if (it != end && *it == cls) return edgeTarget_[std::size_t(it - edgeClass_.begin())];
  }
  return rootRow_[cls];
}

}  // namespace clipvane::detect
