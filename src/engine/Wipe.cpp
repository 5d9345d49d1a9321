#include "Wipe.h"

#include <cstring>

namespace clipvane {

void wipe(QString& text) {
  // A literal's characters are not the program's to change.
  if (text.isDetached() && text.data_ptr().isMutable())
    explicit_bzero(text.data(), std::size_t(text.size()) * sizeof(QChar));
  text = QString();
}

void wipe(QByteArray& bytes) {
  if (bytes.isDetached() && bytes.data_ptr().isMutable())
    explicit_bzero(bytes.data(), std::size_t(bytes.size()));
  bytes = QByteArray();
}

void wipe(ClipboardSnapshot& snapshot) {
  for (ClipboardItem& item : snapshot)
    for (auto& format : item) wipe(format.second);
  snapshot.clear();
}

void wipe(std::vector<Finding>& findings) {
  for (Finding& f : findings) wipe(f.value);
  findings.clear();
}

}  // namespace clipvane
