#include "Settings.h"

#include "Json.h"

namespace clipvane {

bool DetectionSettings::isEnabled(Kind kind) const {
  const auto g = groups.find(kind.group());
  if (g != groups.end() && !g->second) return false;
  return !disabledKinds.contains(kind);
}

void DetectionSettings::setEnabled(Kind kind, bool enabled) {
  // A group switch is folded into the kinds first, so that switching one kind
  // of an off group on leaves its siblings off.
  for (const auto group : allCases<Kind::Group>()) {
    auto g = groups.find(group);
    if (g == groups.end() || g->second) continue;
    g->second = true;
    for (const Kind k : allCases<Kind>())
      if (k.group() == group) disabledKinds.insert(k);
  }
  if (enabled)
    disabledKinds.erase(kind);
  else
    disabledKinds.insert(kind);
}

namespace json {
namespace {

template <class R, class V>
void detectionFields(R& r, V& v) {
  v("customRules", r.customRules);
  v("disabledKinds", r.disabledKinds);
  v("groups", r.groups);
  v("internalDomains", r.internalDomains);
  v("kindActions", r.kindActions);
  v("skipLocalAddresses", r.skipLocalAddresses);
  v("skipPrivateRanges", r.skipPrivateRanges);
}

template <class R, class V>
void ruleFields(R& r, V& v) {
  v("enabled", r.enabled);
  v("id", r.id);
  v("name", r.name);
  v("pattern", r.pattern);
  v("terms", r.terms);
  v("type", r.type);
}

template <class R, class V>
void ignoredFields(R& r, V& v) {
  v("added", r.added);
  v("id", r.id);
  v("seenAs", r.seenAs);
  v("text", r.text);
}

template <class R, class V>
void markedFields(R& r, V& v) {
  v("id", r.id);
  v("kind", r.kind);
  v("text", r.text);
}

template <class R, class V>
void listFields(R& r, V& v) {
  v("added", r.added);
  v("bytes", r.bytes);
  v("enabled", r.enabled);
  v("file", r.file);
  v("id", r.id);
  v("items", r.items);
  v("kind", r.kind);
}

const auto detection = [](auto& r, auto& v) { detectionFields(r, v); };
const auto rule = [](auto& r, auto& v) { ruleFields(r, v); };
const auto ignoredText = [](auto& r, auto& v) { ignoredFields(r, v); };
const auto markedText = [](auto& r, auto& v) { markedFields(r, v); };
const auto importedList = [](auto& r, auto& v) { listFields(r, v); };

}  // namespace

Json encodeRecord(const DetectionSettings& v) { return writeRecord(v, detection); }
Json encodeRecord(const CustomRule& v) { return writeRecord(v, rule); }
Json encodeRecord(const IgnoredText& v) { return writeRecord(v, ignoredText); }
Json encodeRecord(const MarkedText& v) { return writeRecord(v, markedText); }
Json encodeRecord(const ImportedList& v) { return writeRecord(v, importedList); }

void decodeRecord(const Json& j, DetectionSettings& out, Mode mode) {
  readRecord(j, out, mode, detection);
}
void decodeRecord(const Json& j, CustomRule& out, Mode mode) { readRecord(j, out, mode, rule); }
void decodeRecord(const Json& j, IgnoredText& out, Mode mode) {
  readRecord(j, out, mode, ignoredText);
}
void decodeRecord(const Json& j, MarkedText& out, Mode mode) {
  readRecord(j, out, mode, markedText);
}
void decodeRecord(const Json& j, ImportedList& out, Mode mode) {
  readRecord(j, out, mode, importedList);
}

}  // namespace json
}  // namespace clipvane
