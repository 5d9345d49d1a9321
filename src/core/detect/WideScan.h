#pragma once
// Thirty-two characters a step where the processor has AVX2: the scans that
// classify every character (the pattern pass's blocks, the field pass's
// stops) read twice as much per instruction. The build itself asks for no
// more than SSE2; the wide steps are compiled for AVX2 alone and chosen when
// the process starts.
#if defined(__x86_64__) && defined(__GNUC__)
#define CLIPVANE_WIDE_SCAN 1
#include <immintrin.h>
#endif

namespace clipvane::detect {

// Whether the wide steps run: the processor's answer, which tests may turn
// off to compare both kinds of step. Read when a scan starts.
namespace wide {
extern bool enabled;
}
inline bool wideScan() { return wide::enabled; }
void setWideScan(bool on);  // on only where the processor has AVX2

#if defined(CLIPVANE_WIDE_SCAN)
namespace wide {
#define CLIPVANE_WIDE [[gnu::target("avx2"), gnu::always_inline]] inline

CLIPVANE_WIDE __m256i load(const char16_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
// Thirty-two characters at p narrowed to bytes (past U+00FF they saturate to
// 0xFF, or to 0 from U+8000 on), lane by lane: characters 0-7, 16-23, 8-15,
// 24-31. inOrder() puts a mask of them back in place; narrowInOrder() the
// vector itself.
CLIPVANE_WIDE __m256i narrow(__m256i lo, __m256i hi) { return _mm256_packus_epi16(lo, hi); }
// The same characters in order, for one mask taken of many narrowed vectors.
CLIPVANE_WIDE __m256i narrowInOrder(__m256i lo, __m256i hi) {
  return _mm256_permute4x64_epi64(_mm256_packus_epi16(lo, hi), 0xD8);
}
CLIPVANE_WIDE unsigned bits(__m256i m) { return unsigned(_mm256_movemask_epi8(m)); }
CLIPVANE_WIDE unsigned inOrder(__m256i m) {
  const unsigned b = unsigned(_mm256_movemask_epi8(m));
  return (b & 0xFF0000FFu) | ((b >> 8) & 0xFF00u) | ((b << 8) & 0xFF0000u);
}
CLIPVANE_WIDE __m256i is(__m256i v, char c) { return _mm256_cmpeq_epi8(v, _mm256_set1_epi8(c)); }
// Bytes from low to low + width.
CLIPVANE_WIDE __m256i inRange(__m256i v, char low, char width) {
  return _mm256_cmpeq_epi8(
      _mm256_subs_epu8(_mm256_sub_epi8(v, _mm256_set1_epi8(low)), _mm256_set1_epi8(width)),
      _mm256_setzero_si256());
}
// a and not b.
CLIPVANE_WIDE __m256i but(__m256i a, __m256i b) { return _mm256_andnot_si256(b, a); }

#undef CLIPVANE_WIDE
}  // namespace wide
#endif

}  // namespace clipvane::detect
