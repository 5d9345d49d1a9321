#include "Json.h"

#include <algorithm>

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

std::size_t stringSize(std::u16string_view text) {
  std::size_t n = 2;
  for (std::size_t i = 0; i < text.size();) {
    if (plainAscii(text[i])) {
      ++i, ++n;
      continue;
    }
    const char32_t c = codePointAt(text, i);
    n += c < 0x80 ? (shortEscape(c) ? 2 : 6) : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
  }
  return n;
}

char* writeString(char* p, std::u16string_view text) {
  static constexpr char hex[] = "0123456789abcdef";
  *p++ = '"';
  for (std::size_t i = 0; i < text.size();) {
    if (plainAscii(text[i])) {
      *p++ = char(text[i++]);
      continue;
    }
    const char32_t c = codePointAt(text, i);
    if (c < 0x80) {
      *p++ = '\\';
      if (const char e = shortEscape(c)) {
        *p++ = e;
      } else {
        *p++ = 'u';
        *p++ = '0';
        *p++ = '0';
        *p++ = hex[c >> 4];
        *p++ = hex[c & 0xF];
      }
    } else if (c < 0x800) {
      *p++ = char(0xC0 | (c >> 6));
      *p++ = char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      *p++ = char(0xE0 | (c >> 12));
      *p++ = char(0x80 | ((c >> 6) & 0x3F));
      *p++ = char(0x80 | (c & 0x3F));
    } else {
      *p++ = char(0xF0 | (c >> 18));
      *p++ = char(0x80 | ((c >> 12) & 0x3F));
      *p++ = char(0x80 | ((c >> 6) & 0x3F));
      *p++ = char(0x80 | (c & 0x3F));
    }
  }
  *p++ = '"';
  return p;
}

char* writeDigits(char* p, unsigned value, int width) {
  for (int i = width - 1; i >= 0; --i, value /= 10) p[i] = char('0' + value % 10);
  return p + width;
}

char* writeText(char* p, std::string_view s) { return std::copy(s.begin(), s.end(), p); }

// Dates as formatISO8601 writes them; the years it writes with four digits
// are written here without a formatted print, the others by it. Entries of
// one copy share their day, so the day's part is worked out once.
class DateWriter {
 public:
  static constexpr std::size_t size = 22;  // "YYYY-MM-DDTHH:MM:SSZ" quoted

  std::string_view operator()(Date d) {
    using namespace std::chrono;
    const auto secs = floor<seconds>(d);
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
  char text_[size];
  std::string other_;
};

constexpr std::string_view kHead = "{\"entries\":[", kTail = "]}";
constexpr std::string_view kCreated = "{\"created\":", kNextCreated = ",{\"created\":";
constexpr std::string_view kNumberTrue = ",\"jsonNumber\":true",
                           kNumberFalse = ",\"jsonNumber\":false";
constexpr std::string_view kKind = ",\"kind\":\"",
                           kMask = "\",\"mask\":", kOriginal = ",\"original\":";

}  // namespace

std::string encodeVault(const Vault& vault) {
  std::string out;
  encodeVault(vault, out);
  return out;
}

void encodeVault(const Vault& vault, std::string& out) {
  DateWriter date;
  std::size_t size = kHead.size() + kTail.size();
  for (const Vault::Entry& e : vault.entries) {
    size += kCreated.size() + (&e != &vault.entries.front()) + date(e.created).size();
    if (e.jsonNumber) size += *e.jsonNumber ? kNumberTrue.size() : kNumberFalse.size();
    size += kKind.size() + rawName(e.kind).size() + kMask.size() + stringSize(e.mask) +
            kOriginal.size() + stringSize(e.original) + 1;
  }
  out.resize(size);
  char* p = writeText(out.data(), kHead);
  for (const Vault::Entry& e : vault.entries) {
    p = writeText(p, &e == &vault.entries.front() ? kCreated : kNextCreated);
    p = writeText(p, date(e.created));
    if (e.jsonNumber) p = writeText(p, *e.jsonNumber ? kNumberTrue : kNumberFalse);
    p = writeText(p, kKind);
    p = writeText(p, rawName(e.kind));  // a plain identifier
    p = writeText(p, kMask);
    p = writeString(p, e.mask);
    p = writeText(p, kOriginal);
    p = writeString(p, e.original);
    *p++ = '}';
  }
  writeText(p, kTail);
}

Vault decodeVault(std::string_view bytes) {
  const auto j = parse(bytes);
  if (!j) throw DecodeError("the vault is not valid JSON");
  if (!j->is_object()) throw DecodeError("the vault is not a JSON object");
  const auto it = j->find("entries");
  if (it == j->end()) throw DecodeError("the vault has no entries");
  Vault v;
  decode(*it, v.entries, Mode::strict);
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
