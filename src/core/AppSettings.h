#pragma once
// The whole user configuration, stored as "settings.json".
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Detector.h"
#include "Policy.h"
#include "Settings.h"
#include "Types.h"
#include "Vault.h"

namespace clipvane {

struct AppSettings {
  // keyCode: the stored virtual key code (9 = V, 15 = R, 35 = P, …);
  // modifiers: command 0x100, shift 0x200, option 0x800, control 0x1000.
  struct Hotkey {
    std::uint32_t keyCode = 0;
    std::uint32_t modifiers = 0;
    std::u16string display;  // "⌃⌘V"; empty = no key set
    static Hotkey none() { return {}; }
    bool operator==(const Hotkey&) const = default;
  };

  enum class WhenAutoMaskOff { showReview, pasteOriginal };
  enum class CopyAlertStyle { tag, iconOnly };
  enum class Retention { hour, day, week };
  enum class AppAction { mask, blockKeys, off };
  enum class AppsPolicy { useAppSettings, mask, blockKeys, off };
  enum class OtherApps { pasteAsIs, mask };
  enum class PasteMethod { shortcut, smart, browser };

  struct ProtectedApp {
    enum class Scope { extensionSite, aiAgents, allPastes, copilotChat };
    std::u16string name;
    std::optional<std::u16string> bundleID;
    std::optional<std::u16string> site;
    Scope scope = Scope::aiAgents;
    std::optional<AppAction> action;

    // bundleID, else site, else name.
    std::u16string id() const;
    bool operator==(const ProtectedApp&) const = default;
  };

  DetectionSettings detection;
  bool protect = true;
  bool showInMenuBar = true;
  Hotkey safePasteHotkey{9, 0x1100, u"⌃⌘V"};
  Hotkey restoreHotkey{15, 0x1100, u"⌃⌘R"};
  Hotkey pauseHotkey{35, 0x1100, u"⌃⌘P"};
  bool autoMask = true;
  WhenAutoMaskOff whenAutoMaskOff = WhenAutoMaskOff::showReview;
  Vault::LabelStyle labelStyle = Vault::LabelStyle::token;
  bool sameValueSameLabel = true;
  bool pasteToast = true;
  PasteAction keysAction = PasteAction::block;
  PasteAction secretsAction = PasteAction::quiet;
  PasteAction recordsAction = PasteAction::review;
  PasteAction otherAction = PasteAction::quiet;
  OtherApps otherApps = OtherApps::pasteAsIs;
  AppsPolicy appsPolicy = AppsPolicy::useAppSettings;
  std::vector<std::u16string> disabledApps;
  bool copyAlert = true;
  CopyAlertStyle copyAlertStyle = CopyAlertStyle::tag;
  bool launchAtLogin = false;
  bool smartPaste = false;
  bool aiCheck = false;
  Retention retention = Retention::day;
  bool touchIDLock = false;
  std::optional<Date> pausedUntil;
  bool onboarded = false;
  PasteMethod pasteMethod = PasteMethod::shortcut;
  std::vector<ProtectedApp> protectedApps = defaultProtectedApps();
  std::vector<MarkedText> marked;
  std::vector<IgnoredText> ignored;
  std::vector<ImportedList> importedLists;

  static std::vector<ProtectedApp> defaultProtectedApps();

  // Reads "settings.json"; never fails (see the reading rules in the .cpp).
  static AppSettings load();
  // Writes "settings.json" whole and atomically; throws StorageError.
  void save() const;
  // Saves these settings, changed from `base` (what the file held when this
  // copy of the program last read or wrote it), under a lock in the data
  // folder: what another copy changed in the file meanwhile is kept, except
  // where both changed the same value (then this copy's change wins).
  // Lists of records are merged record by record, lists of texts text by
  // text. Returns what the file holds now; throws StorageError.
  AppSettings saveOver(const AppSettings& base) const;
  // The file's reading rules without the file: nothing when the text is not a
  // JSON object; otherwise every readable field, the rest at its default.
  static std::optional<AppSettings> fromJSON(std::string_view json);
  std::string toJSON() const;  // pretty-printed, sorted keys

  AppAction appAction(std::u16string_view bundleID) const;
  PasteAction action(Kind kind) const;
  PastePlan pastePlan(const std::vector<Finding>& findings,
                      std::optional<AppAction> appAction) const;
  bool isEnabled(const ProtectedApp& app) const;
  // Marked texts with their kinds, then the items of every enabled imported list.
  std::vector<std::pair<std::u16string, Kind>> wordTerms() const;
  bool shouldRunSmartPaste(bool accessibilityTrusted, Date now = Clock::now()) const;
  bool isPaused(Date now = Clock::now()) const;

  bool operator==(const AppSettings&) const = default;
};

template <>
struct EnumTraits<AppSettings::WhenAutoMaskOff> {
  static constexpr std::array<std::string_view, 2> names = {"showReview", "pasteOriginal"};
};
template <>
struct EnumTraits<AppSettings::CopyAlertStyle> {
  static constexpr std::array<std::string_view, 2> names = {"tag", "iconOnly"};
};
template <>
struct EnumTraits<AppSettings::Retention> {
  static constexpr std::array<std::string_view, 3> names = {"hour", "day", "week"};
};
template <>
struct EnumTraits<AppSettings::AppAction> {
  static constexpr std::array<std::string_view, 3> names = {"mask", "blockKeys", "off"};
};
template <>
struct EnumTraits<AppSettings::AppsPolicy> {
  static constexpr std::array<std::string_view, 4> names = {"useAppSettings", "mask", "blockKeys",
                                                            "off"};
};
template <>
struct EnumTraits<AppSettings::OtherApps> {
  static constexpr std::array<std::string_view, 2> names = {"pasteAsIs", "mask"};
};
template <>
struct EnumTraits<AppSettings::PasteMethod> {
  static constexpr std::array<std::string_view, 3> names = {"shortcut", "smart", "browser"};
};
template <>
struct EnumTraits<AppSettings::ProtectedApp::Scope> {
  static constexpr std::array<std::string_view, 4> names = {"extensionSite", "aiAgents",
                                                            "allPastes", "copilotChat"};
};

}  // namespace clipvane
