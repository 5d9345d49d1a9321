#include "Json.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace clipvane::json {

namespace detail {
const std::string& stringFrom(const Json& j) {
  if (!j.is_string()) throw DecodeError("expected a text");
  return j.get_ref<const std::string&>();
}
}  // namespace detail

namespace {

template <class R, class V>
void entryFields(R& r, V& v) {
  v("created", r.created);
  v("jsonNumber", r.jsonNumber);
  v("kind", r.kind);
  v("mask", r.mask);
  v("original", r.original);
}

template <class R, class V>
void activityFields(R& r, V& v) {
  v("counts", r.counts);
  v("date", r.date);
  v("id", r.id);
  v("kept", r.kept);
  v("masks", r.masks);
  v("outcome", r.outcome);
  v("place", r.place);
  v("placeKind", r.placeKind);
}

const auto vaultEntry = [](auto& r, auto& v) { entryFields(r, v); };
const auto activityEntry = [](auto& r, auto& v) { activityFields(r, v); };

}  // namespace

Json encodeRecord(const Vault::Entry& v) { return writeRecord(v, vaultEntry); }
Json encodeRecord(const ActivityEntry& v) { return writeRecord(v, activityEntry); }
void decodeRecord(const Json& j, Vault::Entry& out, Mode mode) {
  readRecord(j, out, mode, vaultEntry);
}
void decodeRecord(const Json& j, ActivityEntry& out, Mode mode) {
  readRecord(j, out, mode, activityEntry);
}

std::string dumpPretty(const Json& j) {
  // Texts come from toUtf8 and are valid; replace rather than throw anyway.
  return j.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string dumpCompact(const Json& j) {
  return j.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::optional<Json> parse(std::string_view bytes) {
  Json j = Json::parse(bytes.begin(), bytes.end(), nullptr, /*allow_exceptions=*/false);
  if (j.is_discarded()) return std::nullopt;
  return j;
}

namespace {

// The vault is written whole at every masked copy, so its text is measured
// first and then written into a buffer of exactly that size: no growing, no
// document of thousands of small objects. The bytes are those the generic
// encoder writes (the fields in entryFields' order).

// One UTF-16 unit or pair as a JSON string writes it: UTF-8, a lone surrogate
// as U+FFFD, only quotes, backslashes and control characters escaped. Returns
// the code point and moves `i` past what it took.
char32_t codePointAt(std::u16string_view text, std::size_t& i) {
  char32_t c = text[i++];
  if (c >= 0xD800 && c <= 0xDFFF) {
    const bool paired = c <= 0xDBFF && i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF;
    c = paired ? 0x10000 + ((c - 0xD800) << 10) + (text[i++] - 0xDC00) : 0xFFFD;
  }
  return c;
}

bool plainAscii(char32_t c) { return c >= 0x20 && c < 0x80 && c != '"' && c != '\\'; }

char shortEscape(char32_t c) {
  switch (c) {
    case '"':
      return '"';
    case '\\':
      return '\\';
    case '\b':
      return 'b';
    case '\f':
      return 'f';
    case '\n':
      return 'n';
    case '\r':
      return 'r';
    case '\t':
      return 't';
    default:
      return 0;
  }
}

// Whether every character stands for itself and, with `bytes`, is the byte
// there. Eight characters at a time where the processor can: the vault's
// texts are looked through at every masked copy.
template <bool compare>
bool plainAt(std::u16string_view s, const char* bytes) {
  std::size_t k = 0;
  unsigned rest = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  __m128i bad = zero;
  for (; k + 8 <= s.size(); k += 8) {
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + k));
    bad = _mm_or_si128(bad, _mm_subs_epu16(c, _mm_set1_epi16(0x7F)));  // 0x80 and up
    bad = _mm_or_si128(bad, _mm_cmplt_epi16(c, _mm_set1_epi16(0x20)));
    bad = _mm_or_si128(bad, _mm_cmpeq_epi16(c, _mm_set1_epi16('"')));
    bad = _mm_or_si128(bad, _mm_cmpeq_epi16(c, _mm_set1_epi16('\\')));
    if constexpr (compare) {
      const __m128i b = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes + k));
      bad = _mm_or_si128(bad, _mm_xor_si128(_mm_unpacklo_epi8(b, zero), c));
    }
  }
  rest = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bad, zero)) != 0xFFFF);
#endif
  for (; k < s.size(); ++k) {
    rest |= unsigned(!plainAscii(s[k]));
    if constexpr (compare) rest |= unsigned(static_cast<unsigned char>(bytes[k]) ^ s[k]);
  }
  return !rest;
}

bool allPlain(std::u16string_view s) { return plainAt<false>(s, nullptr); }

// Where the vault's text goes: written out, counted, or compared with the
// text last written, through one description of the bytes so that the three
// can never disagree.
// `ascii` takes a run of characters that stand for themselves; `plain` takes
// a whole text when all of its characters do, and else takes nothing.
struct Writer {
  char* p;
  void put(char c) { *p++ = c; }
  void put(std::string_view s) { p = std::copy(s.begin(), s.end(), p); }
  void ascii(std::u16string_view s) {
    for (const char16_t c : s) *p++ = char(c);
  }
  bool plain(std::u16string_view s) {
    if (!allPlain(s)) return false;
    ascii(s);
    return true;
  }
};

struct Counter {
  std::size_t n = 0;
  void put(char) { ++n; }
  void put(std::string_view s) { n += s.size(); }
  void ascii(std::u16string_view s) { n += s.size(); }
  bool plain(std::u16string_view s) {
    if (!allPlain(s)) return false;
    n += s.size();
    return true;
  }
};

// Whether the bytes would be exactly those already at p..end: once one
// differs, p stays at the end and nothing more matches.
struct Matcher {
  const char* p;
  const char* end;
  void put(char c) {
    if (p != end && *p == c)
      ++p;
    else
      p = end, same = false;
  }
  void put(std::string_view s) {
    if (std::size_t(end - p) >= s.size() && std::equal(s.begin(), s.end(), p))
      p += s.size();
    else
      p = end, same = false;
  }
  void ascii(std::u16string_view s) {
    if (!plain(s)) p = end, same = false;
  }
  bool plain(std::u16string_view s) {
    if (std::size_t(end - p) < s.size() || !plainAt<true>(s, p)) return false;
    p += s.size();
    return true;
  }
  bool same = true;
};

template <class Sink>
void putString(Sink& out, std::u16string_view text) {
  static constexpr char hex[] = "0123456789abcdef";
  out.put('"');
  if (out.plain(text)) {
    out.put('"');
    return;
  }
  for (std::size_t i = 0; i < text.size();) {
    if (plainAscii(text[i])) {
      std::size_t j = i + 1;
      while (j < text.size() && plainAscii(text[j])) ++j;
      out.ascii(text.substr(i, j - i));
      i = j;
      continue;
    }
    const char32_t c = codePointAt(text, i);
    if (c < 0x80) {
      out.put('\\');
      if (const char e = shortEscape(c)) {
        out.put(e);
      } else {
        const char escape[] = {'u', '0', '0', hex[c >> 4], hex[c & 0xF]};
        out.put(std::string_view(escape, sizeof escape));
      }
    } else if (c < 0x800) {
      out.put(char(0xC0 | (c >> 6)));
      out.put(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.put(char(0xE0 | (c >> 12)));
      out.put(char(0x80 | ((c >> 6) & 0x3F)));
      out.put(char(0x80 | (c & 0x3F)));
    } else {
      out.put(char(0xF0 | (c >> 18)));
      out.put(char(0x80 | ((c >> 12) & 0x3F)));
      out.put(char(0x80 | ((c >> 6) & 0x3F)));
      out.put(char(0x80 | (c & 0x3F)));
    }
  }
  out.put('"');
}

char* writeDigits(char* p, unsigned value, int width) {
  for (int i = width - 1; i >= 0; --i, value /= 10) p[i] = char('0' + value % 10);
  return p + width;
}

// Dates as formatISO8601 writes them; the years it writes with four digits
// are written here without a formatted print, the others by it. Entries of
// one copy share their day, so the day's part is worked out once.
class DateWriter {
 public:
  static constexpr std::size_t size = 22;  // "YYYY-MM-DDTHH:MM:SSZ" quoted

  std::string_view operator()(Date d) {
    using namespace std::chrono;
    const auto secs = floor<seconds>(d);
    // Entries recorded together share their second as well.
    if (known_ && !fallback_ && secs == second_) return {text_, size};
    second_ = secs;
    const auto day = floor<days>(secs);
    if (!known_ || day != day_) {
      const year_month_day ymd{sys_days{day.time_since_epoch()}};
      const int y = int(ymd.year());
      known_ = true;
      day_ = day;
      if (y < 0 || y > 9999) {
        fallback_ = true;
      } else {
        fallback_ = false;
        char* p = text_;
        *p++ = '"';
        p = writeDigits(p, unsigned(y), 4);
        *p++ = '-';
        p = writeDigits(p, unsigned(ymd.month()), 2);
        *p++ = '-';
        writeDigits(p, unsigned(ymd.day()), 2);
      }
    }
    if (fallback_) {
      other_ = '"' + formatISO8601(d) + '"';
      return other_;
    }
    const auto s = unsigned((secs - day).count());
    char* p = text_ + 11;
    *p++ = 'T';
    p = writeDigits(p, s / 3600, 2);
    *p++ = ':';
    p = writeDigits(p, s / 60 % 60, 2);
    *p++ = ':';
    p = writeDigits(p, s % 60, 2);
    *p++ = 'Z';
    *p = '"';
    return {text_, size};
  }

 private:
  bool known_ = false, fallback_ = false;
  std::chrono::sys_days day_{};
  std::chrono::sys_seconds second_{};
  char text_[size];
  std::string other_;
};

constexpr std::string_view kHead = "{\"entries\":[", kTail = "]}";
constexpr std::string_view kCreated = "{\"created\":";
constexpr std::string_view kNumberTrue = ",\"jsonNumber\":true",
                           kNumberFalse = ",\"jsonNumber\":false";
constexpr std::string_view kKind = ",\"kind\":\"",
                           kMask = "\",\"mask\":", kOriginal = ",\"original\":";

// One entry, as the generic encoder writes it (the fields in entryFields'
// order).
template <class Sink>
void putEntry(Sink& out, const Vault::Entry& e, DateWriter& date) {
  out.put(kCreated);
  out.put(date(e.created));
  if (e.jsonNumber) out.put(*e.jsonNumber ? kNumberTrue : kNumberFalse);
  out.put(kKind);
  out.put(rawName(e.kind));  // a plain identifier
  out.put(kMask);
  putString(out, e.mask);
  out.put(kOriginal);
  putString(out, e.original);
  out.put('}');
}

}  // namespace

std::string encodeVault(const Vault& vault) {
  std::string out;
  std::vector<VaultPart> parts;
  encodeVault(vault, {}, {}, out, parts);
  return out;
}

void encodeVault(const Vault& vault, std::string_view last, const std::vector<VaultPart>& lastParts,
                 std::string& out, std::vector<VaultPart>& parts,
                 const std::vector<std::size_t>* changed, std::size_t from,
                 const VaultLinks* links) {
  constexpr std::size_t anew = std::string_view::npos;
  from = std::min(from, vault.entries.size());
  const std::span<const Vault::Entry> entries(vault.entries.begin() + std::ptrdiff_t(from),
                                              vault.entries.end());
  const std::size_t count = entries.size();
  DateWriter date;
  std::vector<bool> compare(changed ? count : 0);
  if (changed)
    for (const std::size_t i : *changed)
      if (i >= from && i - from < count) compare[i - from] = true;
  // First the size, and which entries still read as their part of the last
  // text: those are copied, byte for byte, instead of written again.
  parts.resize(count);
  std::size_t size = kHead.size() + kTail.size() + (count ? count - 1 : 0);
  for (std::size_t i = 0; i < count; ++i) {
    const Vault::Entry& e = entries[i];
    if (i < lastParts.size()) {
      const VaultPart was = lastParts[i];
      if (was.begin <= was.end && was.end <= last.size()) {
        if (changed && !compare[i]) {
          parts[i] = was;
          size += was.end - was.begin;
          continue;
        }
        if (!changed && i + kAhead < count) prefetchTexts(entries[i + kAhead]);
        Matcher match{last.data() + was.begin, last.data() + was.end};
        putEntry(match, e, date);
        if (match.same && match.p == match.end) {
          parts[i] = was;
          size += was.end - was.begin;
          continue;
        }
      }
    }
    Counter counter;
    putEntry(counter, e, date);
    parts[i] = {anew, counter.n};
    size += counter.n;
  }
  // The numbers given follow the entries, where a reader that does not know
  // them passes them by.
  std::string numbers;
  if (!vault.numbers.empty()) {
    Json given = Json::object();
    for (const auto& [word, n] : vault.numbers) given[toUtf8(word)] = n;
    numbers = ",\"numbers\":" + dumpCompact(given);
  }
  if (links) {
    if (!links->id.empty()) numbers += ",\"id\":" + dumpCompact(links->id);
    if (!links->base.empty()) numbers += ",\"base\":" + dumpCompact(links->base);
    if (!links->redated.empty()) {
      Json redated = Json::array();
      for (const auto& [at, when] : links->redated) redated.push_back({at, formatISO8601(when)});
      numbers += ",\"redated\":" + dumpCompact(redated);
    }
  }
  size += numbers.size();
  out.resize(size);
  char* const base = out.data();
  Writer w{base};
  w.put(kHead);
  for (std::size_t i = 0; i < count; ++i) {
    if (i) w.put(',');
    const std::size_t begin = std::size_t(w.p - base);
    if (parts[i].begin == anew)
      putEntry(w, entries[i], date);
    else
      w.put(last.substr(parts[i].begin, parts[i].end - parts[i].begin));
    parts[i] = {begin, std::size_t(w.p - base)};
  }
  w.put(kTail.substr(0, 1));
  w.put(numbers);
  w.put(kTail.substr(1));
}

Vault decodeVault(std::string_view bytes, VaultLinks* links) {
  const auto j = parse(bytes);
  if (!j) throw DecodeError("the vault is not valid JSON");
  if (!j->is_object()) throw DecodeError("the vault is not a JSON object");
  const auto it = j->find("entries");
  if (it == j->end()) throw DecodeError("the vault has no entries");
  Vault v;
  decode(*it, v.entries, Mode::strict);
  // Written by a version that kept no numbers: the live entries' count.
  if (const auto given = j->find("numbers"); given != j->end() && given->is_object())
    for (const auto& [word, n] : given->items())
      if (n.is_number_unsigned() && n.get<std::uint64_t>() <= 999'999'999'999ULL)
        v.numbers.emplace(toUtf16(word), n.get<long long>());
  if (links) {
    *links = {};
    const auto text = [&](const char* key, std::string& out) {
      const auto at = j->find(key);
      if (at == j->end()) return;
      if (!at->is_string() || at->get_ref<const std::string&>().empty())
        throw DecodeError(std::string("the vault's ") + key + " is not a name");
      out = at->get<std::string>();
    };
    text("id", links->id);
    text("base", links->base);
    if (const auto redated = j->find("redated"); redated != j->end()) {
      if (!redated->is_array()) throw DecodeError("the vault's new dates are not a list");
      for (const auto& r : *redated) {
        const auto when =
            r.is_array() && r.size() == 2 && r[0].is_number_unsigned() && r[1].is_string()
                ? parseISO8601(r[1].get_ref<const std::string&>())
                : std::nullopt;
        if (!when) throw DecodeError("the vault's new dates are not dates");
        links->redated.emplace_back(r[0].get<std::size_t>(), *when);
      }
    }
  }
  return v;
}

std::string encodeActivity(const std::vector<ActivityEntry>& entries) {
  return dumpPretty(encode(entries));
}

std::vector<ActivityEntry> decodeActivity(std::string_view bytes) {
  const auto j = parse(bytes);
  if (!j) throw DecodeError("the history is not valid JSON");
  std::vector<ActivityEntry> out;
  decode(*j, out, Mode::strict);
  return out;
}

}  // namespace clipvane::json
