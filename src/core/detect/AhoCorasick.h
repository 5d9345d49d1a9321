#pragma once
// Case-insensitive search for many terms in one pass over a text: an
// Aho-Corasick automaton over full Unicode case folding.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "../Types.h"

namespace clipvane::detect {

// Full case folding (the default, not the Turkic one) of one code point,
// except that "İ" folds to a plain "i" so that Turkish capitals match the
// unaccented term. Writes at most maxFoldUnits units; returns their number.
inline constexpr int maxFoldUnits = 8;
int foldCodePoint(char32_t c, char16_t* out);
std::u16string foldCase(std::u16string_view s);

class AhoCorasick {
 public:
  // Replaces the terms. Terms that fold to nothing are never found.
  void build(const std::vector<std::u16string_view>& terms);
  void build(const std::vector<std::u16string>& terms);

  bool empty() const { return stateCount_ <= 1; }
  // The first term that folds to the same text as the given one (itself when
  // none does); lets callers skip repeated terms.
  int canonical(int term) const { return canonical_[std::size_t(term)]; }

  // Calls onMatch(term, Range) for every occurrence of every term, overlapping
  // ones included, in order of their end (longer terms first at one end).
  // Ranges are UTF-16 units of text and never begin or end inside a
  // character or inside the expansion of its case folding ("ß" is "ss": the
  // term "s" is not found in it, the term "ss" is).
  template <class F>
  void scan(std::u16string_view text, F&& onMatch) const;

 private:
  int32_t sparseNext(int32_t state, uint32_t cls) const;
  static int foldUnits(std::u16string_view text, std::size_t& i, char16_t* out);

  std::size_t termCount_ = 0;
  std::vector<int> canonical_;
  std::vector<int32_t> termLength_;  // folded units

  std::vector<uint32_t> classOf_;           // unit -> symbol class (0: in no term)
  std::array<uint32_t, 128> asciiClass_{};  // the class of an ASCII character's folding
  std::size_t classCount_ = 0;
  int32_t stateCount_ = 0;
  std::size_t ringMask_ = 0;  // ring of origins, at least as long as any term

  // Full transition table when it stays small (of row offsets, see scan),
  // else trie edges sorted by class with failure links (and a full row for
  // the root).
  std::vector<int32_t> dense_;
  std::vector<int32_t> edgeStart_;  // stateCount_ + 1
  std::vector<uint32_t> edgeClass_;
  std::vector<int32_t> edgeTarget_;
  std::vector<int32_t> fail_;
  std::vector<int32_t> rootRow_;

  // Outputs: the terms ending at a state, then the next state on its
  // failure chain that has some.
  std::vector<int32_t> outStart_;  // stateCount_ + 1, into outTerms_
  std::vector<int32_t> outTerms_;
  std::vector<int32_t> outLink_;  // -1: none
  std::vector<uint8_t> hasOutput_;
};

template <class F>
void AhoCorasick::scan(std::u16string_view text, F&& onMatch) const {
  if (empty()) return;
  // The text offset each folded unit came from; ~offset for a unit that
  // continues a character's folding (no term starts there).
  std::vector<int32_t> ring(ringMask_ + 1);
  int32_t* const origins = ring.data();
  const std::size_t mask = ringMask_;
  // The terms ending at folded unit `last`, the last unit of a character
  // that ends at text offset end.
  auto report = [&](int32_t state, std::size_t last, int32_t end) {
    for (int32_t s = state; s >= 0; s = outLink_[std::size_t(s)]) {
      for (int32_t o = outStart_[std::size_t(s)]; o < outStart_[std::size_t(s) + 1]; ++o) {
        const int32_t term = outTerms_[std::size_t(o)];
        const std::size_t first = last + 1 - std::size_t(termLength_[std::size_t(term)]);
        const int32_t origin = origins[first & mask];
        if (origin < 0) continue;
        onMatch(int(term), Range{origin, end - origin});
      }
    }
  };
  std::size_t folded = 0;  // folded units so far
  char16_t buf[maxFoldUnits];
  const char16_t* const p = text.data();
  const std::size_t size = text.size();
  if (!dense_.empty()) {
    // The full table holds row offsets (state × classes), negated when a
    // term ends in the state.
    const int32_t* const dense = dense_.data();
    const auto classes = int32_t(classCount_);
    int32_t row = 0;
    for (std::size_t i = 0; i < size;) {
      const char16_t u = p[i];
      if (u < 0x80) {  // one unit that folds to one unit: most text
        origins[folded & mask] = int32_t(i);
        row = dense[row + int32_t(asciiClass_[u])];
        ++i;
        if (row < 0) {
          row = ~row;
          report(row / classes, folded, int32_t(i));
        }
        ++folded;
        continue;
      }
      const auto start = int32_t(i);
      const int n = foldUnits(text, i, buf);
      for (int k = 0; k < n; ++k, ++folded) {
        origins[folded & mask] = k == 0 ? start : ~start;
        row = dense[row + int32_t(classOf_[buf[k]])];
        if (row < 0) {
          row = ~row;
          if (k == n - 1) report(row / classes, folded, int32_t(i));
        }
      }
    }
    return;
  }
  int32_t state = 0;
  for (std::size_t i = 0; i < size;) {
    const auto start = int32_t(i);
    const int n = foldUnits(text, i, buf);
    for (int k = 0; k < n; ++k, ++folded) {
      origins[folded & mask] = k == 0 ? start : ~start;
      state = sparseNext(state, classOf_[buf[k]]);
      if (k == n - 1 && hasOutput_[std::size_t(state)]) report(state, folded, int32_t(i));
    }
  }
}

inline int AhoCorasick::foldUnits(std::u16string_view text, std::size_t& i, char16_t* out) {
  const char16_t u = text[i];
  if (u < 0x80) {
    ++i;
    out[0] = (u >= 'A' && u <= 'Z') ? char16_t(u + 32) : u;
    return 1;
  }
  char32_t c = u;
  ++i;
  if ((u & 0xFC00) == 0xD800 && i < text.size() && (text[i] & 0xFC00) == 0xDC00) {
    c = (char32_t(u) << 10) + text[i] - ((0xD800u << 10) + 0xDC00u - 0x10000u);
    ++i;
  }
  return foldCodePoint(c, out);
}

}  // namespace clipvane::detect
