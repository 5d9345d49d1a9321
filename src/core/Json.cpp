#include "Json.h"

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

// A text as a JSON string, byte for byte as the document's own dump writes
// it: UTF-8, a lone surrogate as U+FFFD, only quotes, backslashes and
// control characters escaped.
void appendString(std::string& out, std::u16string_view text) {
  static constexpr char hex[] = "0123456789abcdef";
  const std::size_t at = out.size();
  out.resize(at + 6 * text.size() + 2);  // "\u00xx" at most for each unit
  char* p = out.data() + at;
  *p++ = '"';
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0x20 && c < 0x80 && c != '"' && c != '\\') {
      *p++ = char(c);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDFFF) {
      const bool paired =
          c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
      c = paired ? 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00) : 0xFFFD;
    }
    if (c < 0x80) {
      *p++ = '\\';
      switch (c) {
        case '"':
          *p++ = '"';
          break;
        case '\\':
          *p++ = '\\';
          break;
        case '\b':
          *p++ = 'b';
          break;
        case '\f':
          *p++ = 'f';
          break;
        case '\n':
          *p++ = 'n';
          break;
        case '\r':
          *p++ = 'r';
          break;
        case '\t':
          *p++ = 't';
          break;
        default:
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
  out.resize(std::size_t(p - out.data()));
}

void appendDigits(std::string& out, unsigned value, int width) {
  char buf[4];
  for (int i = width - 1; i >= 0; --i, value /= 10) buf[i] = char('0' + value % 10);
  out.append(buf, std::size_t(width));
}

// formatISO8601 without its formatted print, for the years it writes with
// four digits.
void appendDate(std::string& out, Date d) {
  using namespace std::chrono;
  const auto secs = floor<seconds>(d);
  const auto days = floor<std::chrono::days>(secs);
  const year_month_day ymd{sys_days{days.time_since_epoch()}};
  if (int(ymd.year()) < 0 || int(ymd.year()) > 9999) {
    out += '"' + formatISO8601(d) + '"';
    return;
  }
  const hh_mm_ss hms{secs - days};
  out += '"';
  appendDigits(out, unsigned(int(ymd.year())), 4);
  out += '-';
  appendDigits(out, unsigned(ymd.month()), 2);
  out += '-';
  appendDigits(out, unsigned(ymd.day()), 2);
  out += 'T';
  appendDigits(out, unsigned(hms.hours().count()), 2);
  out += ':';
  appendDigits(out, unsigned(hms.minutes().count()), 2);
  out += ':';
  appendDigits(out, unsigned(hms.seconds().count()), 2);
  out += "Z\"";
}

}  // namespace

std::string encodeVault(const Vault& vault) {
  // Written whole at every masked copy: the entries go straight into the text,
  // as the generic encoder would write them (the fields in entryFields' order),
  // rather than through a document of thousands of small objects.
  std::string out = "{\"entries\":[";
  std::size_t size = 0;
  for (const Vault::Entry& e : vault.entries) size += 100 + 3 * (e.mask.size() + e.original.size());
  out.reserve(out.size() + size + 2);
  bool first = true;
  for (const Vault::Entry& e : vault.entries) {
    out += first ? "{\"created\":" : ",{\"created\":";
    first = false;
    appendDate(out, e.created);
    if (e.jsonNumber) out += *e.jsonNumber ? ",\"jsonNumber\":true" : ",\"jsonNumber\":false";
    out += ",\"kind\":\"";
    out += rawName(e.kind);  // a plain identifier
    out += '"';
    out += ",\"mask\":";
    appendString(out, e.mask);
    out += ",\"original\":";
    appendString(out, e.original);
    out += '}';
  }
  out += "]}";
  return out;
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
