// Restoring originals: placeholders in the clipboard text go back to the
// values the vault keeps for them.
#include "AppModel.h"
#include "OnMain.h"
#include "Pasteboard.h"
#include "Storage.h"
#include "TouchID.h"
#include "Vault.h"
#include "Wipe.h"
#include "ports/PanelsPort.h"
#include "ports/Ports.h"
#include "ports/WindowsPort.h"

namespace clipvane {

namespace {

void showNoTokens() {
  Ports::get<PanelsPort>().showToast(
      Toast{QStringLiteral("remove"), Tint::gray, QStringLiteral("No tokens found"),
            Toast::Action{QStringLiteral("OK"), [] { Ports::get<PanelsPort>().dismissToast(); }}},
      false);
}

}  // namespace

void AppModel::restoreClipboard(bool silent) {
  assertMainThread();
  const std::optional<QString> text = Pasteboard::string();
  if (!text) {
    if (!silent) showNoTokens();
    return;
  }
  QPointer<AppModel> self = this;
  auto body = [self, kept = *text, silent] {
    if (!self) return;
    // The user may have copied something else while authenticating.
    const std::optional<QString> now = Pasteboard::string();
    if (!now || *now != kept) return;
    Vault vault;
    try {
      vault = VaultStore::read(ttl(self->settings_.retention));
    } catch (const std::exception& error) {
      // The placeholders stay as they are; the user learns why.
      Ports::get<WindowsPort>().runAlert(QStringLiteral("Can’t restore originals"),
                                         QString::fromUtf8(error.what()));
      return;
    }
    auto [restored, count] = vault.restore(kept.toStdU16String());
    wipe(vault);
    if (count < 1) {
      if (!silent) showNoTokens();
      return;
    }
    QString out = QString::fromStdU16String(restored);
    wipe(restored);
    const std::optional<qint64> change = Pasteboard::writeOriginals(out);
    // Kept only where the clipboard and the last scan share it.
    const struct Wiped {
      QString& text;
      ~Wiped() { wipe(text); }
    } wiped{out};
    if (!change) return;  // another copy came first: it stays
    // A scan still running for what the clipboard held before must not land
    // on the restored text.
    ++self->scanGeneration_;
    self->lastScan_ = Scan{*change, out, false};
    self->setClipboardFindings({});
    self->refreshStatus();
    self->flash(&AppModel::restoredFlash_, 1.0);
  };
  if (settings_.touchIDLock)
    TouchID::unlock(QStringLiteral("restore masked values"), [body](bool ok) {
      if (ok) body();
    });
  else
    body();
}

std::optional<QString> AppModel::originals(const std::vector<QString>& placeholders) const {
  Vault vault;
  try {
    vault = VaultStore::read(ttl(settings_.retention));
  } catch (const std::exception&) {
    return std::nullopt;
  }
  QStringList found;
  const struct Wiped {
    Vault& vault;
    ~Wiped() { wipe(vault); }
  } wiped{vault};
  for (const QString& placeholder : placeholders) {
    const std::u16string mask = placeholder.toStdU16String();
    for (const Vault::Entry& entry : vault.entries)
      if (entry.mask == mask) {
        found << QString::fromStdU16String(entry.original);
        break;
      }
  }
  if (found.isEmpty()) return std::nullopt;
  return found.join(QLatin1Char('\n'));
}

}  // namespace clipvane
