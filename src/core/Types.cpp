#include "Types.h"

#include <openssl/rand.h>
#include <unicode/ustring.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

namespace clipvane {

Date distantFuture() {
  // 4001-01-01T00:00:00Z
  return Date{} + std::chrono::sys_days{std::chrono::year{4001} / 1 / 1}.time_since_epoch();
}

std::string formatISO8601(Date d) {
  using namespace std::chrono;
  const auto secs = floor<seconds>(d);
  const auto days = floor<std::chrono::days>(secs);
  const year_month_day ymd{sys_days{days.time_since_epoch()}};
  const hh_mm_ss hms{secs - days};
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d-%02u-%02uT%02d:%02d:%02dZ", int(ymd.year()),
                unsigned(ymd.month()), unsigned(ymd.day()), int(hms.hours().count()),
                int(hms.minutes().count()), int(hms.seconds().count()));
  return buf;
}

std::optional<Date> parseISO8601(std::string_view s) {
  using namespace std::chrono;
  auto digits = [&](std::size_t pos, std::size_t n, int& out) {
    if (pos + n > s.size()) return false;
    out = 0;
    for (std::size_t i = pos; i < pos + n; ++i) {
      if (s[i] < '0' || s[i] > '9') return false;
      out = out * 10 + (s[i] - '0');
    }
    return true;
  };
  int y, mo, d, h, mi, se;
  if (!digits(0, 4, y) || s.size() < 19 || s[4] != '-' || !digits(5, 2, mo) || s[7] != '-' ||
      !digits(8, 2, d) || (s[10] != 'T' && s[10] != 't' && s[10] != ' ') || !digits(11, 2, h) ||
      s[13] != ':' || !digits(14, 2, mi) || s[16] != ':' || !digits(17, 2, se))
    return std::nullopt;
  const year_month_day ymd{year{y}, month{unsigned(mo)}, day{unsigned(d)}};
  if (!ymd.ok() || h > 23 || mi > 59 || se > 60) return std::nullopt;
  std::size_t pos = 19;
  // In the Date's own unit: nanoseconds since 1970 overflow in 2262, before
  // the "until resumed" date.
  Date::duration fraction{0};
  if (pos < s.size() && (s[pos] == '.' || s[pos] == ',')) {
    ++pos;
    long long scale = 100000000, ns = 0;
    const std::size_t start = pos;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
      if (scale > 0) ns += (s[pos] - '0') * scale;
      scale /= 10;
      ++pos;
    }
    if (pos == start) return std::nullopt;
    fraction = duration_cast<Date::duration>(nanoseconds{ns});
  }
  minutes offset{0};
  if (pos < s.size() && (s[pos] == 'Z' || s[pos] == 'z')) {
    ++pos;
  } else if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) {
    const int sign = s[pos] == '-' ? -1 : 1;
    int oh, om = 0;
    if (!digits(pos + 1, 2, oh)) return std::nullopt;
    pos += 3;
    if (pos < s.size() && s[pos] == ':') ++pos;
    if (pos < s.size()) {
      if (!digits(pos, 2, om)) return std::nullopt;
      pos += 2;
    }
    offset = minutes{sign * (oh * 60 + om)};
  } else {
    return std::nullopt;  // a date without a zone is ambiguous
  }
  if (pos != s.size()) return std::nullopt;
  const auto tp = sys_days{ymd} + hours{h} + minutes{mi} + seconds{se} + fraction - offset;
  // An offset can carry the moment out of the four-digit years, which
  // formatISO8601 could not write back in a form this function reads.
  if (tp < sys_days{year{0} / 1 / 1} || tp >= sys_days{year{10000} / 1 / 1}) return std::nullopt;
  return Date{duration_cast<Date::duration>(tp.time_since_epoch())};
}

namespace {
template <class S>
void wipeString(S& s) {
  // The whole capacity: a string that shrank keeps its older text past its end.
  s.resize(s.capacity());
  explicit_bzero(s.data(), s.size() * sizeof(typename S::value_type));
  S().swap(s);
}
}  // namespace

void wipe(std::string& s) { wipeString(s); }
void wipe(std::u16string& s) { wipeString(s); }

namespace Clock {
namespace {
std::mutex gMutex;
std::function<Date()> gClock;
}  // namespace

Date now() {
  std::function<Date()> fn;
  {
    std::lock_guard lock(gMutex);
    fn = gClock;
  }
  return fn ? fn() : std::chrono::time_point_cast<Date::duration>(std::chrono::system_clock::now());
}

void set(std::function<Date()> fn) {
  std::lock_guard lock(gMutex);
  gClock = std::move(fn);
}
}  // namespace Clock

Uuid Uuid::generate() {
  Uuid u;
  if (RAND_bytes(u.bytes.data(), int(u.bytes.size())) != 1) {
    // The CSPRNG failing is not recoverable in any useful way; fall back to
    // the C library so that identifiers still differ.
    for (auto& b : u.bytes) b = static_cast<std::uint8_t>(std::rand());
  }
  u.bytes[6] = (u.bytes[6] & 0x0F) | 0x40;
  u.bytes[8] = (u.bytes[8] & 0x3F) | 0x80;
  return u;
}

std::string Uuid::string() const {
  static constexpr char hex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(36);
  for (std::size_t i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out += '-';
    out += hex[bytes[i] >> 4];
    out += hex[bytes[i] & 0x0F];
  }
  return out;
}

std::optional<Uuid> Uuid::parse(std::string_view s) {
  if (s.size() != 36) return std::nullopt;
  Uuid u;
  std::size_t b = 0;
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  for (std::size_t i = 0; i < 36;) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (s[i] != '-') return std::nullopt;
      ++i;
      continue;
    }
    const int hi = nibble(s[i]), lo = nibble(s[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    u.bytes[b++] = static_cast<std::uint8_t>(hi << 4 | lo);
    i += 2;
  }
  return u;
}

// Straight into the result: a text never has more UTF-16 units than UTF-8
// bytes, nor more than three bytes a unit. Ill-formed input becomes U+FFFD.
// Most texts are ASCII up to their end or far into it: that part is widened
// as it stands.
std::u16string toUtf16(std::string_view utf8) {
  std::u16string out(utf8.size(), u'\0');
  // ASCII as it stands: sixteen bytes at a time while none has its high bit.
  std::size_t ascii = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  while (ascii + 16 <= utf8.size()) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(utf8.data() + ascii));
    if (_mm_movemask_epi8(v) != 0) break;
    auto* to = reinterpret_cast<__m128i*>(out.data() + ascii);
    _mm_storeu_si128(to, _mm_unpacklo_epi8(v, zero));
    _mm_storeu_si128(to + 1, _mm_unpackhi_epi8(v, zero));
    ascii += 16;
  }
#endif
  while (ascii < utf8.size() && static_cast<unsigned char>(utf8[ascii]) < 0x80) {
    out[ascii] = char16_t(utf8[ascii]);
    ++ascii;
  }
  if (ascii == utf8.size()) return out;
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(out.data() + ascii, int32_t(out.size() - ascii), &length,
                       utf8.data() + ascii, int32_t(utf8.size() - ascii), 0xFFFD, nullptr, &status);
  out.resize(U_SUCCESS(status) ? ascii + std::size_t(length) : 0);
  return out;
}

std::string toUtf8(std::u16string_view utf16) {
  // Most values are ASCII: narrowed as they stand, without the converter.
  std::size_t ascii = 0;
  while (ascii < utf16.size() && utf16[ascii] < 0x80) ++ascii;
  if (ascii == utf16.size()) return std::string(utf16.begin(), utf16.end());
  std::string out(utf16.size() * 3, '\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strToUTF8WithSub(out.data(), int32_t(out.size()), &length, utf16.data(), int32_t(utf16.size()),
                     0xFFFD, nullptr, &status);
  out.resize(U_SUCCESS(status) ? std::size_t(length) : 0);
  return out;
}

}  // namespace clipvane
