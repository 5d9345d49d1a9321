#pragma once
// The data directory, its lock and whole-file writes.
#include <filesystem>
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
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  int fd_ = -1;
};

// Writes to a temporary file in the same directory with 0600, fsyncs and
// renames over the target: a crash leaves the old file or the new one.
void writeFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// The whole file; nullopt when it does not exist; throws StorageError on
// other failures.
std::optional<std::string> readFile(const std::filesystem::path& path);

}  // namespace clipvane
