#pragma once
// The application model: the live state every view observes, the settings
// with their side effects, and the roads of a copy, a paste and a restore.
// Everything here runs on the main thread.
#include <QFuture>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "Activity.h"
#include "AppSettings.h"
#include "ClipboardMonitor.h"
#include "Detector.h"
#include "IconState.h"
#include "Pasteboard.h"
#include "Toast.h"
#include "Types.h"
#include "ports/WorkspacePort.h"

namespace clipvane {

struct ClipboardDetector;

struct Place;

class AppModel : public QObject {
  Q_OBJECT

 public:
  // ---- types --------------------------------------------------------------

  // Hot-key ids.
  enum class Key : std::uint32_t { safePaste = 1, restore = 2, pause = 3, ignore = 4, mark = 5 };
  static std::optional<Key> keyFromRaw(std::uint32_t raw);

  // Where a safe paste came from.
  enum class Trigger { hotkey, smartPaste, menu };

  // The last scanned clipboard state.
  struct Scan {
    qint64 changeCount = 0;
    QString text;
    bool sensitive = false;
    bool operator==(const Scan&) const = default;
  };

  // One of the last copies, newest first in recentCopies().
  struct RecentCopy {
    Uuid id;
    QString text;  // as the user copied it, never the masked form
    std::vector<Finding> found;
    bool masked = false;  // the clipboard holds its masked form
    Date date{};
    // "Nothing found", the one finding's label, or "N items".
    QString detail() const;
    bool operator==(const RecentCopy&) const = default;
  };

  static constexpr int maxRecentCopies = 3;
  // How often the originals' ages are looked at: an original leaves the
  // vault file and the recent copies within this time of its expiry.
  static constexpr int retentionTick = 20'000;  // ms
  static constexpr int maxSafeTexts = 8;

  // The one model of the program, created on first use. Tests make their own.
  static AppModel& shared();
  AppModel();
  ~AppModel() override;

  // ---- state ----------------------------------------------------------------

  const std::vector<RecentCopy>& recentCopies() const { return recentCopies_; }
  const AppSettings& settings() const { return settings_; }
  // Saves and applies the side effects of the fields that changed; an equal
  // value does nothing.
  void setSettings(const AppSettings& next);
  const std::vector<Finding>& clipboardFindings() const { return clipboardFindings_; }
  const std::optional<Scan>& lastScan() const { return lastScan_; }
  qint64 scanGeneration() const { return scanGeneration_; }
  const std::vector<ActivityEntry>& activity() const { return activity_; }
  void setActivity(std::vector<ActivityEntry> activity);
  bool blockedFlash() const { return blockedFlash_; }
  bool pastedFlash() const { return pastedFlash_; }
  bool restoredFlash() const { return restoredFlash_; }
  ClipboardMonitor& monitor() { return monitor_; }
  const std::optional<ClipboardSnapshot>& clearedClipboard() const { return clearedClipboard_; }
  // The copy as it was before the auto-mask, held for its notice's Undo
  // while the notice is the latest and the copy's original is kept.
  std::weak_ptr<const ClipboardSnapshot> maskUndoOriginal() const {
    return maskUndo_ && *maskUndo_ ? (*maskUndo_)->original : nullptr;
  }
  const QStringList& recentSafeTexts() const { return recentSafeTexts_; }
  bool safePasteWaiting() const { return safePasteWaiting_; }

  // Protection is on and no pause is running.
  bool isProtecting() const;
  // Copy alerts on, protecting, and the clipboard has findings.
  bool copyAlertActive() const;
  IconState iconState() const;

  // ---- start-up --------------------------------------------------------------

  // Wires the model once at launch.
  void start();
  // How long after the start a missing tray still counts as missing: a tray
  // host started with the session may come up after the program.
  static constexpr double defaultTrayWait = 5.0;
  static double& trayWait();
  // Runs the paste-key tap exactly while the settings and the permission allow.
  void refreshSmartPaste();
  void registerHotkeys();

  // ---- pause ----------------------------------------------------------------

  // none: until resumed.
  void pause(std::optional<Date> until);
  void resume();
  void togglePause();
  void schedulePauseEnd();
  QString pausedText() const;

  // ---- copy road -------------------------------------------------------------

  // Summary of the clipboard's findings: the one label, or "N items".
  QString copiedWhat() const;
  void clearClipboard();

  // ---- recent copies -----------------------------------------------------------

  void putBack(const RecentCopy& copy);
  void ignore(const RecentCopy& copy);
  void changeType(const RecentCopy& copy, Kind kind);
  void mark(const std::vector<QString>& texts, Kind kind);
  void checkAgain(const RecentCopy& copy);
  void ignoreLatest();
  void markLatest();

  // ---- retention ----------------------------------------------------------------

  // Lets go of the recent copies and the vault entries older than the
  // retention; an age counted from a date ahead of the clock counts from now.
  void keepToRetention();
  // The copy is older than the retention: its original is no longer offered.
  bool expired(const RecentCopy& copy) const;

  // ---- safe paste, commit, result notices, restore ---------------------------

  // pressedIn: the window of the application in front when the key that asked
  // for the paste went down (0: none); the paste goes there or nowhere.
  void safePaste(Trigger trigger, std::optional<quint64> pressedIn = std::nullopt);
  void restoreClipboard(bool silent);
  // Vault time-to-live of the retention setting, in seconds.
  static double ttl(AppSettings::Retention retention);
  // The originals behind the placeholders, one per line; none when none is known.
  std::optional<QString> originals(const std::vector<QString>& placeholders) const;
  // Values masked or removed by today's safe pastes.
  int hiddenToday() const;
  // A kind's label as running text ("API key", "ipv4 address"), and counted
  // ("2 addresses").
  static QString phrase(const QString& label);
  static QString counted(int count, const QString& label);

 signals:
  void recentCopiesChanged();
  void settingsChanged();
  void clipboardFindingsChanged();
  void activityChanged();
  void flashesChanged();

 private:
  // ---- settings side effects --------------------------------------------------
  void applySideEffects(const AppSettings& old);

  // ---- start-up ----------------------------------------------------------------
  // Says once what this desktop lacks: Wayland windows' keys and pastes, a tray.
  void noticeDesktopLimits();

  // ---- copy road -----------------------------------------------------------------
  void clipboardChanged(std::optional<QString> text, qint64 changeCount, bool alert,
                        std::optional<Uuid> replacing);
  void applyScan(std::vector<Finding> findings, const QString& text, qint64 generation,
                 qint64 changeCount, bool alert, std::optional<Uuid> replacing);
  void showCopyAlert();
  void rememberSafe(const QString& text);
  void setClipboardFindings(std::vector<Finding> findings);
  void undoClear();
  void rescanClipboard();
  // A detector of the current settings for this text, with the language
  // model's spans when they are already known.
  ClipboardDetector detectorFor(const QString& text) const;
  void refreshStatus();

  // ---- auto-mask and the language-model pass ---------------------------------------
  void maskClipboard(const QString& text, const std::vector<Finding>& findings, qint64 changeCount,
                     std::optional<Uuid> entry, qint64 generation, bool checkAI,
                     std::shared_ptr<const ClipboardSnapshot> original);
  // The Undo of an auto-mask's notice: the copy as it was before the mask.
  // The notice and the model share the slot; the model empties it when it
  // lets the original go.
  struct MaskUndo {
    std::shared_ptr<const ClipboardSnapshot> original;  // wiped by the last holder
    std::optional<Uuid> entry;                          // the recent copy it goes with
  };
  using MaskUndoSlot = std::shared_ptr<std::optional<MaskUndo>>;
  // Gives the clipboard the copy back as it was before the auto-mask, while
  // the slot holds it; the lock of the model, or the one when the mask was
  // made once it is gone.
  static void undoMask(QPointer<AppModel> self, const MaskUndoSlot& slot, bool lockedWhenShown);
  void letMaskUndoGo();
  void checkWithAI(const QString& text, qint64 generation, bool alert, std::optional<Uuid> entry,
                   std::optional<QString> expectedClipboard, std::vector<Finding> previousFindings,
                   std::shared_ptr<const ClipboardSnapshot> original);

  // ---- recent copies -------------------------------------------------------------------
  Uuid recordCopy(const QString& text, const std::vector<Finding>& findings,
                  std::optional<Uuid> replacing);
  void setMasked(std::optional<Uuid> id, bool masked);
  RecentCopy* findCopy(const Uuid& id);
  // The clipboard holds this copy, as copied or as masked by us.
  bool holdsCopy(const RecentCopy& copy) const;
  // The clipboard holds this copy's masked form: writing the copy back shows
  // its original.
  bool showsOriginal(const RecentCopy& copy) const;
  // Runs `then` at once, or, when it shows originals and the lock is on, once
  // the owner has authenticated; never after a refusal.
  void afterUnlock(bool showsOriginals, std::function<void()> then);
  void checkAgainUnlocked(const RecentCopy& copy);
  // Finds a recent copy's values again without touching the clipboard.
  void redetect(const RecentCopy& copy);
  qint64 writeClipboardText(const QString& text);

  // ---- retention -------------------------------------------------------------------------
  void startRetentionTicks();
  // Lets a copy's original go, wherever the program holds it, wiped.
  void forget(RecentCopy& copy);

  // ---- state (declaration order of the model) --------------------------------------
  std::vector<RecentCopy> recentCopies_;
  AppSettings settings_;
  // What the settings file held when this copy last read or wrote it: what
  // another copy of the program changed since is merged in on saving.
  AppSettings saved_;
  std::vector<Finding> clipboardFindings_;
  std::optional<Scan> lastScan_;
  qint64 scanGeneration_ = 0;
  std::vector<ActivityEntry> activity_;
  bool blockedFlash_ = false;
  bool pastedFlash_ = false;
  bool restoredFlash_ = false;
  ClipboardMonitor monitor_;
  QPointer<QTimer> pauseTimer_;
  QPointer<QTimer> accessibilityTimer_;
  QPointer<QTimer> retentionTimer_;
  QFuture<void> activityWrite_;
  std::optional<ClipboardSnapshot> clearedClipboard_;
  MaskUndoSlot maskUndo_;
  QStringList recentSafeTexts_;
  bool safePasteWaiting_ = false;
  // A copy could not be masked and the user was told; cleared once a mask works.
  bool maskFailureSaid_ = false;
  // The latest re-detection of each recent copy still under way.
  std::map<Uuid, qint64> redetections_;
  qint64 redetectTicket_ = 0;

  // ---- safe paste, commit, result notices, restore (their own files) -------------------
  // Sets the flag for that many seconds and refreshes the status icon.
  void flash(bool AppModel::*flag, double seconds);
  void safePaste(const QString& text, std::optional<RunningApp> app,
                 std::optional<AppSettings::AppAction> action, std::vector<Detector::Span> ai);
  bool isCurrentDestination(const std::optional<RunningApp>& app) const;
  static void showPasteCancelled();
  void commit(const QString& text, const std::vector<Finding>& findings, std::set<int> keep,
              const std::set<int>& locked, const std::optional<RunningApp>& app);
  void log(const Place& place, ActivityEntry::Outcome outcome, std::map<Kind, int> counts, int kept,
           std::optional<std::vector<std::u16string>> masks);
  void showPasteResult(const std::vector<Finding>& findings, const std::set<int>& locked,
                       const std::vector<int>& hidden, bool pasted);
};

}  // namespace clipvane
