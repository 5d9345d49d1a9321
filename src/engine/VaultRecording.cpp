#include "VaultRecording.h"

#include <cerrno>

#include "Storage.h"
#include "ports/PanelsPort.h"
#include "ports/Ports.h"

namespace clipvane {

VaultRecording VaultRecording::record(const QString& text, const std::vector<Finding>& findings,
                                      const std::set<int>& keep, const std::set<int>& locked,
                                      double ttl, Vault::LabelStyle style, bool reuse, Date now) {
  VaultRecording out;
  try {
    const std::u16string masked =
        VaultStore::record(ttl, text.toStdU16String(), findings, keep, locked, style, reuse, now,
                           &out.placeholders, &out.renewed);
    out.masked = QString::fromStdU16String(masked);
  } catch (const StorageError& error) {
    out.placeholders.clear();
    out.error = QString::fromUtf8(error.what());
    out.code = error.code();
  } catch (const std::exception& error) {
    out.placeholders.clear();
    out.error = QString::fromUtf8(error.what());
  }
  return out;
}

QString VaultRecording::why() const {
  switch (code) {
    case ENOSPC:
    case EDQUOT:
      return QStringLiteral("disk full");
    case EROFS:
      return QStringLiteral("data folder read-only");
    case EACCES:
    case EPERM:
      return QStringLiteral("data folder not writable");
    default:
      return QStringLiteral("vault unavailable");
  }
}

RenewalNotice::~RenewalNotice() {
  if (!renewed_) return;
  Ports::get<PanelsPort>().showToast(
      Toast{QStringLiteral("priority_high"),
            Tint::att,
            QStringLiteral("Damaged vault set aside: earlier originals can’t be restored"),
            {}},
      false);
}

}  // namespace clipvane
