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

std::string encodeVault(const Vault& vault) {
  Json j = Json::object();
  j["entries"] = encode(vault.entries);
  return dumpCompact(j);
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
