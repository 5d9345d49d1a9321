#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "AppIds.h"
#include "AppSettings.h"
#include "Storage.h"
#include "TempHome.h"

using namespace clipvane;
using AS = AppSettings;
using Scope = AS::ProtectedApp::Scope;

namespace {

Date at(const char* iso) { return *parseISO8601(iso); }

Finding finding(Kind kind) {
  return Finding{kind, {0, 1}, u"x", u"•••", std::u16string(kind.label())};
}

// Every field away from its default, so that a field the coder forgets shows.
AppSettings populated() {
  AppSettings s;
  s.detection.groups = {{Kind::Group::records, false}, {Kind::Group::internal, true}};
  s.detection.disabledKinds = {Kind::custom, Kind::email, Kind::name};
  s.detection.kindActions = {{Kind::phone, PasteAction::block}, {Kind::ipv4, PasteAction::review}};
  s.detection.internalDomains = {u"corp.example.com", u"intra.ü.test"};
  CustomRule rule;
  rule.name = u"Project names";
  rule.type = CustomRule::RuleType::pattern;
  rule.terms = {u"Falcon", u"Ørn"};
  rule.pattern = u"\\bPRJ-\\d+\\b";
  rule.enabled = false;
  s.detection.customRules = {rule, CustomRule{}};
  s.detection.skipLocalAddresses = false;
  s.detection.skipPrivateRanges = true;
  s.protect = false;
  s.showInMenuBar = false;
  s.safePasteHotkey = {7, 0x1900, u"⌃⌥⌘X"};
  s.restoreHotkey = AS::Hotkey::none();
  s.pauseHotkey = {53, 0x200, u"⇧⎋"};
  s.autoMask = false;
  s.whenAutoMaskOff = AS::WhenAutoMaskOff::pasteOriginal;
  s.labelStyle = Vault::LabelStyle::mask;
  s.sameValueSameLabel = false;
  s.pasteToast = false;
  s.keysAction = PasteAction::review;
  s.secretsAction = PasteAction::block;
  s.recordsAction = PasteAction::quiet;
  s.otherAction = PasteAction::review;
  s.otherApps = AS::OtherApps::mask;
  s.appsPolicy = AS::AppsPolicy::blockKeys;
  s.disabledApps = {u"code", u"chat.example.com"};
  s.copyAlert = false;
  s.copyAlertStyle = AS::CopyAlertStyle::iconOnly;
  s.launchAtLogin = true;
  s.smartPaste = true;
  s.aiCheck = true;
  s.retention = AS::Retention::week;
  s.touchIDLock = true;
  s.pausedUntil = distantFuture();
  s.onboarded = true;
  s.pasteMethod = AS::PasteMethod::browser;
  s.protectedApps = {{u"Kitty", u"kitty", std::nullopt, Scope::allPastes, AS::AppAction::off},
                     {u"Chat", std::nullopt, u"chat.example.com", Scope::aiAgents, std::nullopt}};
  s.marked = {MarkedText{Uuid::generate(), u"Acme Corp", Kind::organization}};
  s.ignored = {IgnoredText{Uuid::generate(), u"admin", u"Username", at("2026-01-02T03:04:05Z")}};
  s.importedLists = {ImportedList{Uuid::generate(),
                                  u"clients.csv",
                                  Kind::name,
                                  {u"Jane Roe", u"Jöhn Dœ"},
                                  1234,
                                  at("2026-11-30T12:00:00Z"),
                                  false}};
  return s;
}

}  // namespace

TEST(AppSettingsDefaults, AreTheDocumentedOnes) {
  const AppSettings s;
  EXPECT_EQ(s.detection, DetectionSettings{});
  EXPECT_TRUE(s.detection.skipLocalAddresses);
  EXPECT_FALSE(s.detection.skipPrivateRanges);
  EXPECT_TRUE(s.protect && s.showInMenuBar && s.autoMask && s.sameValueSameLabel && s.pasteToast &&
              s.copyAlert);
  EXPECT_FALSE(s.launchAtLogin || s.smartPaste || s.aiCheck || s.touchIDLock || s.onboarded);
  EXPECT_EQ(s.safePasteHotkey, (AS::Hotkey{9, 0x1100, u"⌃⌘V"}));
  EXPECT_EQ(s.restoreHotkey, (AS::Hotkey{15, 0x1100, u"⌃⌘R"}));
  EXPECT_EQ(s.pauseHotkey, (AS::Hotkey{35, 0x1100, u"⌃⌘P"}));
  EXPECT_EQ(s.whenAutoMaskOff, AS::WhenAutoMaskOff::showReview);
  EXPECT_EQ(s.labelStyle, Vault::LabelStyle::token);
  EXPECT_EQ(s.keysAction, PasteAction::block);
  EXPECT_EQ(s.secretsAction, PasteAction::quiet);
  EXPECT_EQ(s.recordsAction, PasteAction::review);
  EXPECT_EQ(s.otherAction, PasteAction::quiet);
  EXPECT_EQ(s.otherApps, AS::OtherApps::pasteAsIs);
  EXPECT_EQ(s.appsPolicy, AS::AppsPolicy::useAppSettings);
  EXPECT_EQ(s.copyAlertStyle, AS::CopyAlertStyle::tag);
  EXPECT_EQ(s.retention, AS::Retention::day);
  EXPECT_EQ(s.pasteMethod, AS::PasteMethod::shortcut);
  EXPECT_FALSE(s.pausedUntil);
  EXPECT_TRUE(s.disabledApps.empty() && s.marked.empty() && s.ignored.empty() &&
              s.importedLists.empty());
  const std::vector<AS::ProtectedApp> apps = {
      {u"Terminal", u"org.gnome.Terminal", std::nullopt, Scope::aiAgents, std::nullopt},
      {u"Ghostty", u"com.mitchellh.ghostty", std::nullopt, Scope::aiAgents, std::nullopt},
      {u"Visual Studio Code", u"code", std::nullopt, Scope::copilotChat, std::nullopt},
  };
  EXPECT_EQ(s.protectedApps, apps);
}

TEST(AppSettingsJson, FullyPopulatedValueRoundTrips) {
  const AppSettings s = populated();
  const auto back = AppSettings::fromJSON(s.toJSON());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->toJSON(), s.toJSON());
  EXPECT_EQ(*back, s);
  // And an empty object is the defaults, field for field.
  EXPECT_EQ(AppSettings::fromJSON("{}"), AppSettings{});
}

TEST(AppSettingsJson, StoredFormUsesFieldNamesRawNamesAndISODates) {
  AppSettings s = populated();
  s.pausedUntil = at("2026-12-06T20:37:24Z");
  s.marked[0].id = *Uuid::parse("e621e1f8-c36c-495a-93fc-0c247a3e6e5f");
  const std::string text = s.toJSON();
  const auto j = nlohmann::json::parse(text);
  EXPECT_NE(text.find("\n  \"aiCheck\": true"), std::string::npos) << "pretty, sorted keys";
  EXPECT_EQ(j["pausedUntil"], "2026-12-06T20:37:24Z");
  EXPECT_EQ(j["marked"][0]["id"], "E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
  EXPECT_EQ(j["marked"][0]["kind"], "organization");
  EXPECT_EQ(j["labelStyle"], "mask");
  EXPECT_EQ(j["safePasteHotkey"]["modifiers"], 0x1900);
  EXPECT_EQ(j["safePasteHotkey"]["display"], "⌃⌥⌘X");
  EXPECT_EQ(j["detection"]["disabledKinds"], nlohmann::json({"name", "email", "custom"}));
  EXPECT_EQ(j["detection"]["kindActions"],
            nlohmann::json({{"phone", "block"}, {"ipv4", "review"}}));
  EXPECT_EQ(j["detection"]["groups"], nlohmann::json({{"internal", true}, {"records", false}}));
  // Absent optionals are left out.
  EXPECT_FALSE(j["protectedApps"][1].contains("action"));
  EXPECT_FALSE(j["protectedApps"][1].contains("bundleID"));
  EXPECT_FALSE(nlohmann::json::parse(AppSettings{}.toJSON()).contains("pausedUntil"));
}

TEST(AppSettingsJson, OneBadValueCostsOnlyThatValue) {
  struct Row {
    const char* json;
    std::function<bool(const AppSettings&)> check;
  };
  const Row rows[] = {
      {R"({"protect": "no", "autoMask": false})",
       [](const AS& s) { return s.protect && !s.autoMask; }},
      {R"({"labelStyle": "fancy", "retention": "week"})",
       [](const AS& s) {
         return s.labelStyle == Vault::LabelStyle::token && s.retention == AS::Retention::week;
       }},
      {R"({"safePasteHotkey": {"keyCode": -1, "modifiers": 256, "display": "⌘V"}})",
       [](const AS& s) {
         return s.safePasteHotkey == AS::Hotkey{9, 256, u"⌘V"};
       }},
      {R"({"pauseHotkey": [], "onboarded": true})",
       [](const AS& s) { return s.pauseHotkey == AppSettings{}.pauseHotkey && s.onboarded; }},
      {R"({"pausedUntil": "tomorrow", "smartPaste": true})",
       [](const AS& s) { return !s.pausedUntil && s.smartPaste; }},
      {R"({"pausedUntil": null})", [](const AS& s) { return !s.pausedUntil; }},
      {R"({"detection": {"disabledKinds": ["email", "creditScore", 7, "cvv"]}})",
       [](const AS& s) {
         return s.detection.disabledKinds == std::set<Kind>{Kind::email, Kind::cvv};
       }},
      {R"({"detection": {"kindActions": {"email": "block", "shoeSize": "quiet", "phone": "loud"}}})",
       [](const AS& s) {
         return s.detection.kindActions ==
                std::map<Kind, PasteAction>{{Kind::email, PasteAction::block}};
       }},
      {R"({"detection": {"groups": {"records": false, "weather": false}, "skipPrivateRanges": 1}})",
       [](const AS& s) {
         return s.detection.groups == std::map<Kind::Group, bool>{{Kind::Group::records, false}} &&
                !s.detection.skipPrivateRanges;
       }},
      {R"({"detection": 5, "protect": false})",
       [](const AS& s) { return s.detection == DetectionSettings{} && !s.protect; }},
      {R"({"protectedApps": [
            {"name": "Site", "site": "chat.example.com", "scope": "extensionSite"},
            {"name": "Kitty", "bundleID": "kitty", "scope": "allPastes", "action": "teleport"},
            "garbage"]})",
       [](const AS& s) {
         return s.protectedApps.size() == 1 && s.protectedApps[0].name == u"Kitty" &&
                s.protectedApps[0].scope == Scope::allPastes && !s.protectedApps[0].action;
       }},
      {R"({"marked": [{"text": "Acme", "kind": "organization", "id": "not-a-uuid"}]})",
       [](const AS& s) {
         return s.marked.size() == 1 && s.marked[0].text == u"Acme" &&
                s.marked[0].kind == Kind::organization;
       }},
      {R"({"disabledApps": ["code", null, "kitty"]})",
       [](const AS& s) {
         return s.disabledApps == std::vector<std::u16string>{u"code", u"kitty"};
       }},
  };
  for (const auto& r : rows) {
    const auto s = AppSettings::fromJSON(r.json);
    ASSERT_TRUE(s) << r.json;
    EXPECT_TRUE(r.check(*s)) << r.json;
  }
}

TEST(AppSettingsJson, NotAnObjectIsNoSettings) {
  for (const char* text : {"", "not json", "[]", "42", "\"{}\"", "{\"protect\": tru"})
    EXPECT_FALSE(AppSettings::fromJSON(text)) << text;
}

class AppSettingsFile : public TempHome {};

TEST_F(AppSettingsFile, SaveThenLoadKeepsEverythingPrivately) {
  EXPECT_EQ(AppSettings::load(), AppSettings{}) << "no file: defaults";
  const AppSettings s = populated();
  s.save();
  EXPECT_EQ(AppSettings::load(), s);
  EXPECT_EQ(mode("settings.json"), 0600);
  EXPECT_EQ(mode("."), 0700);
}

TEST_F(AppSettingsFile, UnparseableFileIsMovedAsideAndDefaultsReturned) {
  const std::string broken = "{\"protect\": false,\n  \"marked\": [";
  write("settings.json", broken);
  EXPECT_EQ(AppSettings::load(), AppSettings{});
  EXPECT_EQ(contents("settings.json.bad"), broken);
  EXPECT_FALSE(std::filesystem::exists(path("settings.json")));
  // A save afterwards does not touch what was set aside.
  AppSettings{}.save();
  EXPECT_EQ(contents("settings.json.bad"), broken);
}

TEST_F(AppSettingsFile, MissingKeysKeepDefaultsAndAReadableFileStaysInPlace) {
  write("settings.json", R"({"protect": false, "retention": "hour", "labelStyle": 3})");
  AppSettings expected;
  expected.protect = false;
  expected.retention = AS::Retention::hour;
  EXPECT_EQ(AppSettings::load(), expected);
  EXPECT_FALSE(std::filesystem::exists(path("settings.json.bad")));
}

TEST(AppSettingsPolicy, AppActionFollowsEntryDisabledListAndPolicy) {
  using P = AS::AppsPolicy;
  using A = AS::AppAction;
  struct Row {
    std::u16string bundle;
    AS::OtherApps otherApps;
    P policy;
    bool disabled;
    std::optional<A> entryAction;
    A expected;
  };
  const auto other = AS::OtherApps::pasteAsIs, maskOthers = AS::OtherApps::mask;
  const Row rows[] = {
      // Not protected: off unless other apps are masked, then the policy decides.
      {u"org.example.Editor", other, P::blockKeys, false, {}, A::off},
      {u"org.example.Editor", maskOthers, P::useAppSettings, false, {}, A::mask},
      {u"org.example.Editor", maskOthers, P::mask, false, {}, A::mask},
      {u"org.example.Editor", maskOthers, P::blockKeys, false, {}, A::blockKeys},
      {u"org.example.Editor", maskOthers, P::off, false, {}, A::off},
      {u"", maskOthers, P::useAppSettings, false, {}, A::mask},
      {u"", other, P::useAppSettings, false, {}, A::off},
      // Protected and switched off: off whatever the policy.
      {u"kitty", other, P::blockKeys, true, A::blockKeys, A::off},
      // Protected: a policy other than the per-app one wins.
      {u"kitty", other, P::off, false, A::blockKeys, A::off},
      {u"kitty", other, P::blockKeys, false, A::off, A::blockKeys},
      {u"kitty", other, P::mask, false, A::off, A::mask},
      // The per-app one: its own action, mask when unset.
      {u"kitty", other, P::useAppSettings, false, A::blockKeys, A::blockKeys},
      {u"kitty", other, P::useAppSettings, false, A::off, A::off},
      {u"kitty", other, P::useAppSettings, false, {}, A::mask},
      // Bundle identifiers compare exactly.
      {u"Kitty", other, P::useAppSettings, false, A::blockKeys, A::off},
  };
  for (const auto& r : rows) {
    AppSettings s;
    s.otherApps = r.otherApps;
    s.appsPolicy = r.policy;
    s.protectedApps = {{u"Kitty", u"kitty", std::nullopt, Scope::aiAgents, r.entryAction},
                       {u"Kitty again", u"kitty", std::nullopt, Scope::aiAgents, A::off}};
    if (r.disabled) s.disabledApps = {u"kitty"};
    EXPECT_EQ(s.appAction(r.bundle), r.expected)
        << toUtf8(r.bundle) << " policy " << rawName(r.policy) << " other " << rawName(r.otherApps);
  }
}

TEST(AppSettingsPolicy, IsEnabledComparesTheIdentity) {
  AppSettings s;
  s.disabledApps = {u"kitty", u"chat.example.com", u"Notes"};
  const AS::ProtectedApp rows[] = {
      {u"Kitty", u"kitty", u"ignored.example", Scope::aiAgents, {}},
      {u"Chat", std::nullopt, u"chat.example.com", Scope::aiAgents, {}},
      {u"Notes", std::nullopt, std::nullopt, Scope::allPastes, {}},
      {u"kitty", u"org.kitty", std::nullopt, Scope::aiAgents, {}},
      {u"Chat", std::nullopt, u"CHAT.example.com", Scope::aiAgents, {}},
  };
  const bool enabled[] = {false, false, false, true, true};
  for (std::size_t i = 0; i < std::size(rows); ++i)
    EXPECT_EQ(s.isEnabled(rows[i]), enabled[i]) << toUtf8(rows[i].id());
}

TEST(AppSettingsPolicy, ActionPerKind) {
  AppSettings s;
  s.keysAction = PasteAction::review;
  s.secretsAction = PasteAction::block;
  s.recordsAction = PasteAction::quiet;
  s.otherAction = PasteAction::review;
  s.detection.kindActions = {{Kind::medicalRecord, PasteAction::block},
                             {Kind::email, PasteAction::quiet}};
  const std::pair<Kind, PasteAction> rows[] = {
      {Kind::card, PasteAction::review},           {Kind::privateKey, PasteAction::review},
      {Kind::apiKey, PasteAction::block},          {Kind::ipv4, PasteAction::block},
      {Kind::financialRecord, PasteAction::quiet}, {Kind::medicalRecord, PasteAction::block},
      {Kind::email, PasteAction::quiet},           {Kind::phone, PasteAction::review},
      {Kind::custom, PasteAction::review},
  };
  for (const auto& [kind, expected] : rows) EXPECT_EQ(s.action(kind), expected) << rawName(kind);
  // With the defaults: keys, cards and security codes removed; records asked.
  const AppSettings d;
  EXPECT_EQ(d.action(Kind::cvv), PasteAction::block);
  EXPECT_EQ(d.action(Kind::employmentRecord), PasteAction::review);
  EXPECT_EQ(d.action(Kind::databaseUrl), PasteAction::quiet);
}

TEST(AppSettingsPolicy, PastePlan) {
  using A = AS::AppAction;
  struct Row {
    std::vector<Kind> kinds;
    std::optional<A> app;
    PasteAction secrets;
    std::set<int> locked;
    bool ask;
  };
  const auto quiet = PasteAction::quiet, review = PasteAction::review;
  const Row rows[] = {
      {{}, std::nullopt, quiet, {}, false},
      {{Kind::email, Kind::card, Kind::phone}, std::nullopt, quiet, {1}, false},
      {{Kind::email, Kind::card, Kind::phone}, A::mask, quiet, {1}, false},
      {{Kind::email, Kind::card, Kind::phone}, A::off, quiet, {1}, false},
      {{Kind::apiKey, Kind::secret, Kind::ipv4}, std::nullopt, quiet, {}, false},
      // blockKeys removes every blocked or secret kind, not the internal ones.
      {{Kind::apiKey, Kind::secret, Kind::ipv4, Kind::privateKey},
       A::blockKeys,
       quiet,
       {0, 1, 3},
       false},
      // A record asks first.
      {{Kind::email, Kind::financialRecord}, std::nullopt, quiet, {}, true},
      // Asking is about findings that are not locked.
      {{Kind::apiKey, Kind::cvv}, std::nullopt, review, {1}, true},
      {{Kind::apiKey, Kind::cvv}, A::blockKeys, review, {0, 1}, false},
      {{Kind::apiKey, Kind::ipv6}, A::blockKeys, review, {0}, true},
  };
  for (const auto& r : rows) {
    AppSettings s;
    s.secretsAction = r.secrets;
    std::vector<Finding> findings;
    for (Kind k : r.kinds) findings.push_back(finding(k));
    EXPECT_EQ(s.pastePlan(findings, r.app), (PastePlan{r.locked, r.ask}))
        << findings.size() << " findings, app " << (r.app ? rawName(*r.app) : "none");
  }
}

TEST(AppSettingsPolicy, PauseAndSmartPaste) {
  const Date now = at("2026-12-06T20:00:00Z");
  struct Row {
    std::optional<Date> pausedUntil;
    bool smartPaste, protect, trusted;
    bool paused, run;
  };
  const Row rows[] = {
      {std::nullopt, true, true, true, false, true},
      {std::nullopt, true, true, false, false, false},
      {std::nullopt, false, true, true, false, false},
      {std::nullopt, true, false, true, false, false},
      {now + std::chrono::minutes(5), true, true, true, true, false},
      {distantFuture(), true, true, true, true, false},
      {now, true, true, true, false, true},  // a pause that ends now has ended
      {now - std::chrono::hours(1), true, true, true, false, true},
  };
  for (const auto& r : rows) {
    AppSettings s;
    s.pausedUntil = r.pausedUntil;
    s.smartPaste = r.smartPaste;
    s.protect = r.protect;
    EXPECT_EQ(s.isPaused(now), r.paused);
    EXPECT_EQ(s.shouldRunSmartPaste(r.trusted, now), r.run);
  }
}

TEST(AppSettingsPolicy, WordTermsAreMarkedThenEnabledLists) {
  AppSettings s;
  s.marked = {MarkedText{Uuid::generate(), u"Acme", Kind::organization},
              MarkedText{Uuid::generate(), u"hunter2", Kind::secret}};
  s.importedLists = {
      ImportedList{Uuid::generate(), u"a.csv", Kind::name, {u"Jane", u"John"}, 9, {}, true},
      ImportedList{Uuid::generate(), u"b.csv", Kind::custom, {u"off"}, 3, {}, false},
      ImportedList{Uuid::generate(), u"c.txt", Kind::custom, {u"Falcon"}, 6, {}, true}};
  const std::vector<std::pair<std::u16string, Kind>> expected = {{u"Acme", Kind::organization},
                                                                 {u"hunter2", Kind::secret},
                                                                 {u"Jane", Kind::name},
                                                                 {u"John", Kind::name},
                                                                 {u"Falcon", Kind::custom}};
  EXPECT_EQ(s.wordTerms(), expected);
}

TEST(DetectionSettings, SetEnabledFoldsSwitchedOffGroupsFirst) {
  struct Row {
    std::map<Kind::Group, bool> groups;
    std::set<Kind> disabled;
    Kind kind;
    bool enable;
    std::set<Kind> expectedDisabled;
  };
  const std::set<Kind> internal = {Kind::ipv4, Kind::ipv6, Kind::macAddress, Kind::internalUrl,
                                   Kind::userPath};
  auto without = [](std::set<Kind> s, Kind k) {
    s.erase(k);
    return s;
  };
  const Row rows[] = {
      {{}, {}, Kind::email, false, {Kind::email}},
      {{}, {Kind::email}, Kind::email, true, {}},
      {{}, {Kind::email}, Kind::phone, true, {Kind::email}},
      {{{Kind::Group::internal, false}}, {}, Kind::ipv4, true, without(internal, Kind::ipv4)},
      {{{Kind::Group::internal, false}},
       {},
       Kind::email,
       false,
       [&] {
         auto s = internal;
         s.insert(Kind::email);
         return s;
       }()},
      {{{Kind::Group::internal, true}}, {}, Kind::ipv6, false, {Kind::ipv6}},
  };
  for (const auto& r : rows) {
    DetectionSettings d;
    d.groups = r.groups;
    d.disabledKinds = r.disabled;
    d.setEnabled(r.kind, r.enable);
    EXPECT_EQ(d.disabledKinds, r.expectedDisabled) << rawName(r.kind);
    for (const auto& [g, on] : d.groups) EXPECT_TRUE(on) << rawName(g);
    EXPECT_EQ(d.isEnabled(r.kind), r.enable);
    // Folding changes nothing about what is enabled, apart from the kind set.
    DetectionSettings before;
    before.groups = r.groups;
    before.disabledKinds = r.disabled;
    for (Kind k : allCases<Kind>())
      if (k != r.kind) {
        EXPECT_EQ(d.isEnabled(k), before.isEnabled(k)) << rawName(k);
      }
  }
}

TEST(Policy, SummarizeGroupsByKindAndLabelInFirstOrder) {
  auto f = [](Kind k, std::u16string label) { return Finding{k, {}, u"", u"", label}; };
  const std::vector<Finding> findings = {f(Kind::email, u"Email"),    f(Kind::custom, u"Project"),
                                         f(Kind::email, u"Email"),    f(Kind::custom, u"Client"),
                                         f(Kind::custom, u"Project"), f(Kind::phone, u"Email")};
  const std::vector<Policy::Summary> expected = {{Kind::email, u"Email", 2},
                                                 {Kind::custom, u"Project", 2},
                                                 {Kind::custom, u"Client", 1},
                                                 {Kind::phone, u"Email", 1}};
  EXPECT_EQ(Policy::summarize(findings), expected);
  EXPECT_TRUE(Policy::summarize({}).empty());
}

// Two copies of the program over one data folder, each saving what it
// changed from what it last read: neither loses the other's change.
TEST_F(AppSettingsFile, SavingOverKeepsWhatAnotherCopyChangedMeanwhile) {
  AppSettings start = populated();
  start.ignored = {IgnoredText{Uuid::generate(), u"one", u"Name", {}},
                   IgnoredText{Uuid::generate(), u"two", u"Name", {}}};
  start.save();
  AppSettings a = start, b = start;  // each copy's view

  IgnoredText fromA{Uuid::generate(), u"ada@example.com", u"Email", {}};
  a.ignored.push_back(fromA);
  a.retention = AppSettings::Retention::hour;
  a = a.saveOver(start);
  const AppSettings aSaved = a;

  MarkedText fromB{Uuid::generate(), u"Falcon", Kind::custom};
  b.marked.push_back(fromB);
  b.detection.internalDomains.push_back(u"corp.example.org");
  b.ignored.erase(b.ignored.begin());  // b removes one it had
  const AppSettings merged = b.saveOver(start);
  EXPECT_EQ(AppSettings::load(), merged);

  AppSettings expected = aSaved;
  expected.marked.push_back(fromB);
  expected.detection.internalDomains.push_back(u"corp.example.org");
  expected.ignored.erase(expected.ignored.begin());
  EXPECT_EQ(merged, expected);
  EXPECT_EQ(merged.retention, AppSettings::Retention::hour);
  EXPECT_NE(std::find(merged.ignored.begin(), merged.ignored.end(), fromA), merged.ignored.end());

  // The same value changed by both: the later save's change wins.
  AppSettings c = merged;
  c.retention = AppSettings::Retention::week;
  AppSettings d = aSaved;
  d.retention = AppSettings::Retention::day;
  d.saveOver(aSaved);
  EXPECT_EQ(c.saveOver(merged).retention, AppSettings::Retention::week);
}

// Apps are known by their bundle ID, so each copy's new app stays; a hot key
// is one value, never put together from the two copies' halves.
TEST_F(AppSettingsFile, SavingOverKeepsBothCopiesAppsAndTakesAHotKeyWhole) {
  const AppSettings start;
  start.save();
  AppSettings a = start, b = start;
  const AS::ProtectedApp editor{
      u"Editor", u"org.example.Editor", {}, AS::ProtectedApp::Scope::allPastes, {}};
  const AS::ProtectedApp chat{
      u"Chat", u"org.example.Chat", {}, AS::ProtectedApp::Scope::aiAgents, AS::AppAction::off};
  a.protectedApps.push_back(editor);
  a.safePasteHotkey = {9, 0x1800, u"⌃⌥V"};  // the modifiers changed
  a.saveOver(start);
  b.protectedApps.push_back(chat);
  b.safePasteHotkey = {7, 0x1100, u"⌃⌘X"};  // the key changed
  const AppSettings merged = b.saveOver(start);
  ASSERT_EQ(merged.protectedApps.size(), start.protectedApps.size() + 2);
  EXPECT_EQ(merged.protectedApps[start.protectedApps.size()], editor);
  EXPECT_EQ(merged.protectedApps.back(), chat);
  EXPECT_EQ(merged.safePasteHotkey, b.safePasteHotkey);
  EXPECT_EQ(AppSettings::load(), merged);
}

// A file that cannot be merged with is no reason to lose this copy's
// settings: a damaged one is set aside and replaced, one that cannot be
// replaced says so and stays as it was.
TEST_F(AppSettingsFile, SavingOverADamagedOrUnwritableFile) {
  const std::string broken = "{\"protect\": false,\n  \"marked\": [";
  write("settings.json", broken);
  const AppSettings mine = populated();
  EXPECT_EQ(mine.saveOver(AppSettings{}), mine);
  EXPECT_EQ(AppSettings::load(), mine);
  EXPECT_EQ(contents("settings.json.bad"), broken);

  std::filesystem::remove(path("settings.json"));
  std::filesystem::create_directory(path("settings.json"));  // not even root replaces it
  EXPECT_THROW(AppSettings{}.saveOver(mine), StorageError);
  EXPECT_TRUE(std::filesystem::is_directory(path("settings.json")));
}
