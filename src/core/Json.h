#pragma once
// JSON form of the model, shared by every file of the core: dates as ISO 8601,
// UUIDs upper case, enumerations by raw name, maps keyed by raw names, texts as
// UTF-8, keys equal to the field names. Internal to the core.
#include <nlohmann/json.hpp>

#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "Activity.h"
#include "AppSettings.h"
#include "Enum.h"
#include "Kinds.h"
#include "Settings.h"
#include "Types.h"
#include "Vault.h"

namespace clipvane::json {

using Json = nlohmann::json;

class DecodeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// strict: every field that is not optional must be present and valid (the
// files only this program writes). lenient: a missing or bad field keeps its
// default, bad list elements and unknown map keys are dropped (the user's
// settings, which must survive one bad value).
enum class Mode { strict, lenient };

// Records, each defined next to its type.
Json encodeRecord(const AppSettings& v);
Json encodeRecord(const AppSettings::Hotkey& v);
Json encodeRecord(const AppSettings::ProtectedApp& v);
Json encodeRecord(const DetectionSettings& v);
Json encodeRecord(const CustomRule& v);
Json encodeRecord(const IgnoredText& v);
Json encodeRecord(const MarkedText& v);
Json encodeRecord(const ImportedList& v);
Json encodeRecord(const Vault::Entry& v);
Json encodeRecord(const ActivityEntry& v);
void decodeRecord(const Json& j, AppSettings& out, Mode mode);
void decodeRecord(const Json& j, AppSettings::Hotkey& out, Mode mode);
void decodeRecord(const Json& j, AppSettings::ProtectedApp& out, Mode mode);
void decodeRecord(const Json& j, DetectionSettings& out, Mode mode);
void decodeRecord(const Json& j, CustomRule& out, Mode mode);
void decodeRecord(const Json& j, IgnoredText& out, Mode mode);
void decodeRecord(const Json& j, MarkedText& out, Mode mode);
void decodeRecord(const Json& j, ImportedList& out, Mode mode);
void decodeRecord(const Json& j, Vault::Entry& out, Mode mode);
void decodeRecord(const Json& j, ActivityEntry& out, Mode mode);

// Pretty-printed (sorted keys come with nlohmann's object order).
std::string dumpPretty(const Json& j);
std::string dumpCompact(const Json& j);
// Nothing when the bytes are not JSON.
std::optional<Json> parse(std::string_view bytes);

// Whole files' contents. Decoders throw DecodeError.
std::string encodeVault(const Vault& vault);  // compact {"entries":[…]}
// Where one entry's object stands in the vault's text: [begin, end).
struct VaultPart {
  std::size_t begin = 0, end = 0;
};
// What a vault file may say beside its entries and numbers when the vault
// lies in two files: the base's own id, or, in the file that extends a
// base, that base's id and the new dates of its entries taken again since
// it was written (by their place in it).
struct VaultLinks {
  std::string id, base;
  std::vector<std::pair<std::size_t, Date>> redated;
};
// The same text, into `out` (its memory reused), with each entry's part in
// `parts`. `last` is an earlier text and `lastParts` its parts: an entry that
// still reads exactly as the part of the same index is copied from there.
// `last` must not lie in `out`. `changed`, when given, lists every entry
// that may read otherwise than its part: the others are copied unread.
// Only the entries from `from` on are written (parts count from there), and
// `links`' fields after the numbers.
void encodeVault(const Vault& vault, std::string_view last, const std::vector<VaultPart>& lastParts,
                 std::string& out, std::vector<VaultPart>& parts,
                 const std::vector<std::size_t>* changed = nullptr, std::size_t from = 0,
                 const VaultLinks* links = nullptr);
Vault decodeVault(std::string_view bytes, VaultLinks* links = nullptr);
std::string encodeActivity(const std::vector<ActivityEntry>& entries);  // pretty array
std::vector<ActivityEntry> decodeActivity(std::string_view bytes);

namespace detail {
template <class T>
struct IsOptional : std::false_type {};
template <class T>
struct IsOptional<std::optional<T>> : std::true_type {};
template <class T>
struct IsVector : std::false_type {};
template <class T>
struct IsVector<std::vector<T>> : std::true_type {};
template <class T>
struct IsSet : std::false_type {};
template <class T>
struct IsSet<std::set<T>> : std::true_type {};
template <class T>
struct IsMap : std::false_type {};
template <class K, class V>
struct IsMap<std::map<K, V>> : std::true_type {};

template <class T>
constexpr bool isRawNamed = std::is_enum_v<T> || std::is_same_v<T, Kind>;

template <class T>
T enumFrom(const Json& j) {
  if (!j.is_string()) throw DecodeError("expected a name");
  const auto& s = j.get_ref<const std::string&>();
  if (auto v = fromRawName<T>(s)) return *v;
  throw DecodeError("unknown name \"" + s + "\"");
}

const std::string& stringFrom(const Json& j);
}  // namespace detail

template <class T>
Json encode(const T& v) {
  if constexpr (std::is_same_v<T, bool>) {
    return v;
  } else if constexpr (std::is_integral_v<T>) {
    return v;
  } else if constexpr (std::is_same_v<T, std::u16string>) {
    return toUtf8(v);
  } else if constexpr (std::is_same_v<T, Date>) {
    return formatISO8601(v);
  } else if constexpr (std::is_same_v<T, Uuid>) {
    return v.string();
  } else if constexpr (detail::isRawNamed<T>) {
    return std::string(rawName(v));
  } else if constexpr (detail::IsOptional<T>::value) {
    return v ? encode(*v) : Json(nullptr);
  } else if constexpr (detail::IsVector<T>::value || detail::IsSet<T>::value) {
    Json a = Json::array();
    for (const auto& e : v) a.push_back(encode(e));
    return a;
  } else if constexpr (detail::IsMap<T>::value) {
    Json o = Json::object();
    for (const auto& [k, e] : v) o[std::string(rawName(k))] = encode(e);
    return o;
  } else {
    return encodeRecord(v);
  }
}

// Replaces out with the decoded value (a record keeps the fields the JSON
// lacks); throws DecodeError (strict, or a value of the wrong shape).
template <class T>
void decode(const Json& j, T& out, Mode mode) {
  if constexpr (std::is_same_v<T, bool>) {
    if (!j.is_boolean()) throw DecodeError("expected true or false");
    out = j.get<bool>();
  } else if constexpr (std::is_integral_v<T>) {
    if (!j.is_number_integer()) throw DecodeError("expected a whole number");
    if (j.is_number_unsigned()) {
      const auto u = j.get<std::uint64_t>();
      if (!std::in_range<T>(u)) throw DecodeError("number out of range");
      out = static_cast<T>(u);
    } else {
      const auto s = j.get<std::int64_t>();
      if (!std::in_range<T>(s)) throw DecodeError("number out of range");
      out = static_cast<T>(s);
    }
  } else if constexpr (std::is_same_v<T, std::u16string>) {
    out = toUtf16(detail::stringFrom(j));
  } else if constexpr (std::is_same_v<T, Date>) {
    const auto d = parseISO8601(detail::stringFrom(j));
    if (!d) throw DecodeError("expected an ISO 8601 date");
    out = *d;
  } else if constexpr (std::is_same_v<T, Uuid>) {
    const auto u = Uuid::parse(detail::stringFrom(j));
    if (!u) throw DecodeError("expected a UUID");
    out = *u;
  } else if constexpr (detail::isRawNamed<T>) {
    out = detail::enumFrom<T>(j);
  } else if constexpr (detail::IsOptional<T>::value) {
    if (j.is_null()) {
      out.reset();
    } else {
      typename T::value_type v{};
      decode(j, v, mode);
      out = std::move(v);
    }
  } else if constexpr (detail::IsVector<T>::value || detail::IsSet<T>::value) {
    if (!j.is_array()) throw DecodeError("expected a list");
    T result;
    for (const auto& e : j) {
      typename T::value_type v{};
      try {
        decode(e, v, mode);
      } catch (const DecodeError&) {
        if (mode == Mode::strict) throw;
        continue;
      }
      if constexpr (detail::IsVector<T>::value)
        result.push_back(std::move(v));
      else
        result.insert(std::move(v));
    }
    out = std::move(result);
  } else if constexpr (detail::IsMap<T>::value) {
    if (!j.is_object()) throw DecodeError("expected an object");
    T result;
    for (const auto& [k, e] : j.items()) {
      try {
        const auto key = fromRawName<typename T::key_type>(k);
        if (!key) throw DecodeError("unknown name \"" + k + "\"");
        typename T::mapped_type v{};
        decode(e, v, mode);
        result[*key] = std::move(v);
      } catch (const DecodeError&) {
        if (mode == Mode::strict) throw;
      }
    }
    out = std::move(result);
  } else {
    // Fields the text lacks (lenient) keep the values out already holds.
    T v = out;
    decodeRecord(j, v, mode);
    out = std::move(v);
  }
}

// Visitors over a record's fields: fields(record, visitor) calls
// visitor("key", field) for each field.
struct FieldWriter {
  Json& obj;
  template <class T>
  void operator()(const char* key, const T& v) {
    if constexpr (detail::IsOptional<T>::value) {
      if (!v) return;  // absent optionals are left out, not written as null
    }
    obj[key] = encode(v);
  }
};

struct FieldReader {
  const Json& obj;
  Mode mode;
  template <class T>
  void operator()(const char* key, T& out) {
    const auto it = obj.find(key);
    if (it == obj.end()) {
      if constexpr (detail::IsOptional<T>::value) {
        if (mode == Mode::strict) out.reset();
      } else if (mode == Mode::strict) {
        throw DecodeError(std::string("missing \"") + key + "\"");
      }
      return;
    }
    T v = out;
    try {
      decode(*it, v, mode);
    } catch (const DecodeError& e) {
      if (mode == Mode::strict) throw DecodeError(std::string(key) + ": " + e.what());
      return;  // this field keeps its default
    }
    out = std::move(v);
  }
};

template <class R, class Fields>
Json writeRecord(const R& r, Fields&& fields) {
  Json j = Json::object();
  FieldWriter w{j};
  fields(r, w);
  return j;
}

template <class R, class Fields>
void readRecord(const Json& j, R& r, Mode mode, Fields&& fields) {
  if (!j.is_object()) throw DecodeError("expected an object");
  FieldReader rd{j, mode};
  fields(r, rd);
}

}  // namespace clipvane::json
