#pragma once
// The data directory, its lock and whole-file writes.
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace clipvane {

// A failure a person can read: key missing, decryption failed, disk full …
class StorageError : public std::runtime_error {
 public:
  explicit StorageError(const std::string& what, int code = 0)
      : std::runtime_error(what), code_(code) {}
  // The system's error number behind the failure (ENOSPC, EROFS …); 0 when
  // it did not come from the system.
  int code() const { return code_; }

 private:
  int code_ = 0;
};

namespace Paths {
// CLIPVANE_HOME when set and not empty, else $XDG_DATA_HOME/Clipvane or
// ~/.local/share/Clipvane.
std::filesystem::path directory();
// Creates the directory with 0700 (tightening looser bits); throws StorageError.
std::filesystem::path ensureDirectory();
std::filesystem::path file(std::string_view name);  // directory() / name
}  // namespace Paths

// flock(LOCK_EX) on ".lock" in the data directory, between processes and
// threads; released when the object goes.
class FileLock {
 public:
  FileLock();  // ensures the directory; throws StorageError
  // Takes the lock only when no one holds it; owns() says whether it did.
  explicit FileLock(std::try_to_lock_t);
  // Another lock of the data directory, on its own file there (".lock" and
  // this name): for a file that must not wait on the vault's and the
  // history's work.
  explicit FileLock(std::string_view name);
  ~FileLock();
  bool owns() const { return fd_ >= 0; }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  FileLock(std::string_view name, bool wait);
  int fd_ = -1;
};

// A data file larger than its limit: damaged or not the program's, and never
// read whole.
class TooLarge : public StorageError {
 public:
  using StorageError::StorageError;
};

// The most bytes a data file may hold. Each lies far above what the program
// writes there in its heaviest use, so that only a file that is damaged or
// not the program's is refused.
namespace Limits {
inline constexpr std::uint64_t settings = std::uint64_t(64) << 20;
inline constexpr std::uint64_t activity = std::uint64_t(512) << 20;
inline constexpr std::uint64_t vault = std::uint64_t(512) << 20;
inline constexpr std::uint64_t none = UINT64_MAX;
}  // namespace Limits

// Writes to a temporary file in the same directory with 0600, fsyncs and
// renames over the target: a crash leaves the old file or the new one.
void writeFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// What tells one state of a file from another without reading it: the file
// it is (device and inode: a file replaced by rename is another), its size
// and the times of its last write and last change, to the nanosecond. The
// system sets the change time on every write, rename and change of mode.
struct FileId {
  std::uint64_t device = 0, inode = 0, size = 0;
  std::int64_t modified = 0, changed = 0;  // nanoseconds since the epoch
  bool operator==(const FileId&) const = default;
};

// The file's identity now; nullopt when it cannot be looked at.
std::optional<FileId> fileId(const std::filesystem::path& path);

// The whole file; nullopt when it does not exist. Throws TooLarge, unread,
// when it holds more than maxBytes, and StorageError on other failures (a
// folder, a pipe or a device in its place among them). `id`, when given,
// gets the identity of the file read, as it was before it was read.
std::optional<std::string> readFile(const std::filesystem::path& path,
                                    std::uint64_t maxBytes = Limits::none, FileId* id = nullptr);

// Whether the path is a file holding exactly `bytes`, compared as it is read
// without keeping a copy; false on any failure to read it.
bool fileHolds(const std::filesystem::path& path, std::string_view bytes);

}  // namespace clipvane
