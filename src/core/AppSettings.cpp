#include "AppSettings.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>

#include "AppIds.h"
#include "Json.h"
#include "Storage.h"

namespace clipvane {

namespace {
constexpr std::string_view kFile = "settings.json";
constexpr std::string_view kAside = "settings.json.bad";

AppSettings::AppAction policyAction(AppSettings::AppsPolicy p) {
  switch (p) {
    case AppSettings::AppsPolicy::useAppSettings:
    case AppSettings::AppsPolicy::mask:
      return AppSettings::AppAction::mask;
    case AppSettings::AppsPolicy::blockKeys:
      return AppSettings::AppAction::blockKeys;
    case AppSettings::AppsPolicy::off:
      return AppSettings::AppAction::off;
  }
  return AppSettings::AppAction::off;
}
}  // namespace

std::u16string AppSettings::ProtectedApp::id() const {
  if (bundleID) return *bundleID;
  if (site) return *site;
  return name;
}

std::vector<AppSettings::ProtectedApp> AppSettings::defaultProtectedApps() {
  using S = ProtectedApp::Scope;
  return {
      {u"Terminal", std::u16string(AppIds::gnomeTerminal), std::nullopt, S::aiAgents, std::nullopt},
      {u"Ghostty", std::u16string(AppIds::ghostty), std::nullopt, S::aiAgents, std::nullopt},
      {u"Visual Studio Code", std::u16string(AppIds::vscode), std::nullopt, S::copilotChat,
       std::nullopt},
  };
}

// Reading rules: a key that is missing, has the wrong type or names an unknown
// case keeps its default, field by field and inside nested values too; list
// elements that cannot be read and unknown kinds in lists and maps are
// dropped; protected browser-extension sites are dropped. One bad value must
// not cost the user the rest of the configuration.
std::optional<AppSettings> AppSettings::fromJSON(std::string_view bytes) {
  const auto j = json::parse(bytes);
  if (!j || !j->is_object()) return std::nullopt;
  AppSettings s;
  json::decodeRecord(*j, s, json::Mode::lenient);
  return s;
}

std::string AppSettings::toJSON() const { return json::dumpPretty(json::encode(*this)); }

namespace {

using json::Json;
using Value = std::optional<Json>;  // none: the key is missing

// The key an element of a list is known by across copies: a record's id (an
// app's bundle ID, else its site, else its name), a text itself; none when
// the list holds anything else.
std::optional<Json> elementKey(const Json& e) {
  if (e.is_object()) {
    for (const char* field : {"id", "bundleID", "site", "name"})
      if (const auto it = e.find(field); it != e.end() && it->is_string()) return *it;
    return std::nullopt;
  }
  if (e.is_string() || e.is_number() || e.is_boolean()) return e;
  return std::nullopt;
}

bool keyed(const Json& list) {
  return std::all_of(list.begin(), list.end(),
                     [](const Json& e) { return elementKey(e).has_value(); });
}

const Json* findKey(const Json& list, const Json& key) {
  for (const Json& e : list)
    if (elementKey(e) == key) return &e;
  return nullptr;
}

// A hot key's parts make one key only together: it is never merged part by part.
bool whole(const Json& v) { return v.is_object() && v.contains("keyCode"); }

// Three-way merge: what `mine` changed from `base` goes over `theirs`.
Value merge(const Value& base, const Value& mine, const Value& theirs) {
  if (mine == base) return theirs;
  if (theirs == base || !mine || !theirs) return mine;
  if (mine->is_object() && theirs->is_object() && !whole(*mine)) {
    Json out = *theirs;
    const Json none = Json::object();
    const Json& b = base && base->is_object() ? *base : none;
    auto at = [](const Json& o, const std::string& k) -> Value {
      const auto it = o.find(k);
      return it == o.end() ? Value() : Value(*it);
    };
    std::set<std::string> keys;
    for (const auto& [k, v] : b.items()) keys.insert(k);
    for (const auto& [k, v] : mine->items()) keys.insert(k);
    for (const std::string& k : keys) {
      const Value merged = merge(at(b, k), at(*mine, k), at(*theirs, k));
      if (merged)
        out[k] = *merged;
      else
        out.erase(k);
    }
    return out;
  }
  if (mine->is_array() && theirs->is_array() && base && base->is_array() && keyed(*mine) &&
      keyed(*theirs) && keyed(*base)) {
    Json out = Json::array();
    // Theirs, in their order, with what I changed or removed.
    for (const Json& t : *theirs) {
      const Json key = *elementKey(t);
      const Json* b = findKey(*base, key);
      const Json* m = findKey(*mine, key);
      const Value merged = merge(b ? Value(*b) : Value(), m ? Value(*m) : Value(), Value(t));
      if (merged) out.push_back(*merged);
    }
    // Then what I added.
    for (const Json& m : *mine) {
      const Json key = *elementKey(m);
      if (!findKey(*base, key) && !findKey(*theirs, key)) out.push_back(m);
    }
    return out;
  }
  return mine;
}

// What "settings.json" holds; nothing when it is missing, unreadable or
// damaged. A file that is not JSON at all, or far larger than settings ever
// grow, is kept aside for the user before a save replaces it.
std::optional<AppSettings> readStored() {
  try {
    const auto path = Paths::file(kFile);
    const auto setAside = [&] {
      std::error_code ec;
      std::filesystem::rename(path, Paths::file(kAside), ec);
    };
    std::optional<std::string> bytes;
    try {
      bytes = readFile(path, Limits::settings);
    } catch (const TooLarge&) {
      setAside();
      return std::nullopt;
    }
    if (!bytes) return std::nullopt;
    if (auto s = AppSettings::fromJSON(*bytes)) return s;
    setAside();
  } catch (const std::exception&) {
    // Unreadable: like a missing file.
  }
  return std::nullopt;
}

}  // namespace

AppSettings AppSettings::saveOver(const AppSettings& base) const {
  // The settings' own lock: a save on the main thread never waits for a
  // vault or history write of the pool.
  const FileLock lock(".settings");
  const std::optional<AppSettings> theirs = readStored();
  AppSettings out = *this;
  // Compared as stored: dates are kept to the second.
  const Json was = json::encode(base);
  if (Json now; theirs && (now = json::encode(*theirs)) != was) {
    const Value merged = merge(was, json::encode(*this), now);
    if (merged && merged->is_object()) {
      out = AppSettings();
      json::decodeRecord(*merged, out, json::Mode::lenient);
    }
  }
  out.save();
  return out;
}

AppSettings AppSettings::load() { return readStored().value_or(AppSettings()); }

void AppSettings::save() const {
  const auto dir = Paths::ensureDirectory();
  writeFileAtomically(dir / kFile, toJSON());
}

AppSettings::AppAction AppSettings::appAction(std::u16string_view bundleID) const {
  const auto app = std::find_if(protectedApps.begin(), protectedApps.end(), [&](const auto& a) {
    return a.bundleID && !a.bundleID->empty() && *a.bundleID == bundleID;
  });
  if (app == protectedApps.end())
    return otherApps == OtherApps::mask ? policyAction(appsPolicy) : AppAction::off;
  if (!isEnabled(*app)) return AppAction::off;
  if (appsPolicy != AppsPolicy::useAppSettings) return policyAction(appsPolicy);
  return app->action.value_or(AppAction::mask);
}

PasteAction AppSettings::action(Kind kind) const {
  if (const auto it = detection.kindActions.find(kind); it != detection.kindActions.end())
    return it->second;
  if (kind.group() == Kind::Group::records) return recordsAction;
  switch (kind.risk()) {
    case Kind::Risk::blocked:
      return keysAction;
    case Kind::Risk::secret:
    case Kind::Risk::internal:
      return secretsAction;
    case Kind::Risk::personal:
      return otherAction;
  }
  return otherAction;
}

PastePlan AppSettings::pastePlan(const std::vector<Finding>& findings,
                                 std::optional<AppAction> appAction) const {
  PastePlan plan;
  for (std::size_t i = 0; i < findings.size(); ++i) {
    const Kind kind = findings[i].kind;
    PasteAction a = action(kind);
    if (appAction == AppAction::blockKeys &&
        (kind.risk() == Kind::Risk::blocked || kind.risk() == Kind::Risk::secret))
      a = PasteAction::block;
    if (a == PasteAction::block)
      plan.locked.insert(static_cast<int>(i));
    else if (a == PasteAction::review)
      plan.ask = true;
  }
  return plan;
}

bool AppSettings::isEnabled(const ProtectedApp& app) const {
  return std::find(disabledApps.begin(), disabledApps.end(), app.id()) == disabledApps.end();
}

std::vector<std::pair<std::u16string, Kind>> AppSettings::wordTerms() const {
  std::vector<std::pair<std::u16string, Kind>> out;
  for (const auto& m : marked) out.emplace_back(m.text, m.kind);
  for (const auto& list : importedLists)
    if (list.enabled)
      for (const auto& item : list.items) out.emplace_back(item, list.kind);
  return out;
}

bool AppSettings::shouldRunSmartPaste(bool accessibilityTrusted, Date now) const {
  return smartPaste && protect && !isPaused(now) && accessibilityTrusted;
}

bool AppSettings::isPaused(Date now) const { return pausedUntil && *pausedUntil > now; }

namespace json {
namespace {

template <class R, class V>
void hotkeyFields(R& r, V& v) {
  v("display", r.display);
  v("keyCode", r.keyCode);
  v("modifiers", r.modifiers);
}

template <class R, class V>
void appFields(R& r, V& v) {
  v("action", r.action);
  v("bundleID", r.bundleID);
  v("name", r.name);
  v("scope", r.scope);
  v("site", r.site);
}

template <class R, class V>
void settingsFields(R& r, V& v) {
  v("aiCheck", r.aiCheck);
  v("appsPolicy", r.appsPolicy);
  v("autoMask", r.autoMask);
  v("copyAlert", r.copyAlert);
  v("copyAlertStyle", r.copyAlertStyle);
  v("detection", r.detection);
  v("disabledApps", r.disabledApps);
  v("ignored", r.ignored);
  v("importedLists", r.importedLists);
  v("keysAction", r.keysAction);
  v("labelStyle", r.labelStyle);
  v("launchAtLogin", r.launchAtLogin);
  v("marked", r.marked);
  v("onboarded", r.onboarded);
  v("otherAction", r.otherAction);
  v("otherApps", r.otherApps);
  v("pasteMethod", r.pasteMethod);
  v("pasteToast", r.pasteToast);
  v("pauseHotkey", r.pauseHotkey);
  v("pausedUntil", r.pausedUntil);
  v("protect", r.protect);
  v("protectedApps", r.protectedApps);
  v("recordsAction", r.recordsAction);
  v("restoreHotkey", r.restoreHotkey);
  v("retention", r.retention);
  v("safePasteHotkey", r.safePasteHotkey);
  v("sameValueSameLabel", r.sameValueSameLabel);
  v("secretsAction", r.secretsAction);
  v("showInMenuBar", r.showInMenuBar);
  v("smartPaste", r.smartPaste);
  v("touchIDLock", r.touchIDLock);
  v("whenAutoMaskOff", r.whenAutoMaskOff);
}

const auto hotkey = [](auto& r, auto& v) { hotkeyFields(r, v); };
const auto protectedApp = [](auto& r, auto& v) { appFields(r, v); };
const auto settings = [](auto& r, auto& v) { settingsFields(r, v); };

}  // namespace

Json encodeRecord(const AppSettings::Hotkey& v) { return writeRecord(v, hotkey); }
Json encodeRecord(const AppSettings::ProtectedApp& v) { return writeRecord(v, protectedApp); }
Json encodeRecord(const AppSettings& v) { return writeRecord(v, settings); }

void decodeRecord(const Json& j, AppSettings::Hotkey& out, Mode mode) {
  readRecord(j, out, mode, hotkey);
}
void decodeRecord(const Json& j, AppSettings::ProtectedApp& out, Mode mode) {
  readRecord(j, out, mode, protectedApp);
}
void decodeRecord(const Json& j, AppSettings& out, Mode mode) {
  readRecord(j, out, mode, settings);
  // Browser-extension sites have no meaning on this desktop.
  std::erase_if(out.protectedApps, [](const AppSettings::ProtectedApp& a) {
    return a.scope == AppSettings::ProtectedApp::Scope::extensionSite;
  });
}

}  // namespace json
}  // namespace clipvane
