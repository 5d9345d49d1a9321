#pragma once
// Recording a paste's originals in the vault, off the main thread, for the
// clipboard auto-mask and the safe paste alike.
#include <QString>

#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "Detector.h"
#include "Types.h"
#include "Vault.h"

namespace clipvane {

struct VaultRecording {
  // The text with its placeholders; none when the vault could not take the
  // originals (then `error` says why).
  std::optional<QString> masked;
  // The placeholders written, each once, in text order.
  std::vector<std::u16string> placeholders;
  // A damaged vault was set aside and a new one started.
  bool renewed = false;
  QString error;
  // The system's error number behind the failure; 0 when none.
  int code = 0;

  // Why the originals could not be kept, in a few words a notice can hold
  // ("disk full").
  QString why() const;

  // VaultStore::record, a damaged vault renewed; never throws.
  static VaultRecording record(const QString& text, const std::vector<Finding>& findings,
                               const std::set<int>& keep, const std::set<int>& locked, double ttl,
                               Vault::LabelStyle style, bool reuse, Date now);
};

// Says, when it goes, that a damaged vault was set aside and that earlier
// originals can no longer be restored. Made at the start of a road's last
// step, it speaks after that step's own notice, which would replace it.
class RenewalNotice {
 public:
  explicit RenewalNotice(bool renewed) : renewed_(renewed) {}
  ~RenewalNotice();
  // Leaves the saying to a later step: returns whether there is one to say.
  bool handOver() { return std::exchange(renewed_, false); }
  RenewalNotice(const RenewalNotice&) = delete;
  RenewalNotice& operator=(const RenewalNotice&) = delete;

 private:
  bool renewed_;
};

}  // namespace clipvane
