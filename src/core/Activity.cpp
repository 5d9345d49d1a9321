#include "Activity.h"

#include <algorithm>
#include <climits>
#include <filesystem>

#include "Json.h"
#include "Storage.h"

namespace clipvane {

namespace {
constexpr std::string_view kFile = "activity.json";
constexpr std::string_view kAside = "activity.json.bad";
constexpr auto kKeep = std::chrono::days(30);
}  // namespace

int ActivityEntry::hiddenCount() const {
  long long sum = 0;
  for (const auto& [kind, n] : counts) sum += n;
  return static_cast<int>(std::clamp<long long>(sum, INT_MIN, INT_MAX));
}

std::vector<ActivityEntry> ActivityStore::read() {
  try {
    const auto bytes = readFile(Paths::file(kFile), Limits::activity);
    if (!bytes) return {};
    return json::decodeActivity(*bytes);
  } catch (const std::exception&) {
    return {};  // an unreadable history shows as an empty one
  }
}

std::vector<ActivityEntry> ActivityStore::append(const ActivityEntry& entry) {
  const FileLock lock;
  const auto path = Paths::file(kFile);
  std::vector<ActivityEntry> list;
  // Keep a damaged history for the user instead of writing over it.
  const auto setAside = [&] {
    std::error_code ec;
    std::filesystem::rename(path, Paths::file(kAside), ec);
    if (ec) throw StorageError("Can’t set the damaged history aside: " + ec.message());
  };
  std::optional<std::string> bytes;
  try {
    bytes = readFile(path, Limits::activity);
  } catch (const TooLarge&) {
    setAside();
  }
  if (bytes) {
    try {
      list = json::decodeActivity(*bytes);
    } catch (const json::DecodeError&) {
      setAside();
    }
  }
  const Date cutoff = Clock::now() - kKeep;
  std::erase_if(list, [&](const ActivityEntry& e) { return e.date < cutoff; });
  list.push_back(entry);
  writeFileAtomically(path, json::encodeActivity(list));
  return list;
}

void ActivityStore::clear() {
  const FileLock lock;
  std::error_code ec;
  std::filesystem::remove(Paths::file(kFile), ec);
  if (ec) throw StorageError("Can’t remove the history: " + ec.message());
}

}  // namespace clipvane
