#include "Storage.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace clipvane {
namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(const std::string& what, const fs::path& path, int err) {
  throw StorageError(what + " " + path.string() + ": " + std::strerror(err), err);
}

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

// Closes a descriptor on every path out of a scope.
struct Fd {
  int fd = -1;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

FileId identity(const struct stat& st) {
  const auto ns = [](const timespec& t) {
    return std::int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
  };
  return {std::uint64_t(st.st_dev), std::uint64_t(st.st_ino), std::uint64_t(st.st_size),
          ns(st.st_mtim), ns(st.st_ctim)};
}

void fsyncDirectory(const fs::path& dir) {
  Fd d{::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
  if (d.fd >= 0) ::fsync(d.fd);  // best effort: some file systems refuse it
}

}  // namespace

namespace Paths {

fs::path directory() {
  if (auto home = env("CLIPVANE_HOME"); !home.empty()) return home;
  // The XDG base directory rules ignore a relative XDG_DATA_HOME.
  if (auto xdg = env("XDG_DATA_HOME"); !xdg.empty() && xdg.front() == '/')
    return fs::path(xdg) / "Clipvane";
  std::string home = env("HOME");
  if (home.empty()) {
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) home = pw->pw_dir;
  }
  return fs::path(home) / ".local" / "share" / "Clipvane";
}

fs::path ensureDirectory() {
  const fs::path dir = directory();
  std::error_code ec;
  if (dir.has_parent_path()) fs::create_directories(dir.parent_path(), ec);
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) fail("Can’t create", dir, errno);
  struct stat st {};
  if (::stat(dir.c_str(), &st) != 0) fail("Can’t read", dir, errno);
  if (!S_ISDIR(st.st_mode)) fail("Not a folder:", dir, ENOTDIR);
  // Originals and keys live here: nobody else may look in.
  if ((st.st_mode & 077) != 0 && ::chmod(dir.c_str(), 0700) != 0) fail("Can’t protect", dir, errno);
  return dir;
}

fs::path file(std::string_view name) { return directory() / name; }

}  // namespace Paths

FileLock::FileLock() : FileLock({}, true) {}

FileLock::FileLock(std::try_to_lock_t) : FileLock({}, false) {}

FileLock::FileLock(std::string_view name) : FileLock(name, true) {}

FileLock::FileLock(std::string_view name, bool wait) {
  const fs::path path = Paths::ensureDirectory() / (".lock" + std::string(name));
  // Never through a link: one there would make the program create or lock
  // whatever it points to. The link goes and a file of the program's own
  // takes its place.
  const int flags = O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW;
  fd_ = ::open(path.c_str(), flags, 0600);
  if (fd_ < 0 && errno == ELOOP && (::unlink(path.c_str()) == 0 || errno == ENOENT))
    fd_ = ::open(path.c_str(), flags, 0600);
  if (fd_ < 0) fail("Can’t open", path, errno);
  // Each FileLock has its own open file description, so the lock also holds
  // between threads of this process.
  while (::flock(fd_, wait ? LOCK_EX : LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    const int err = errno;
    if (!wait && err == EWOULDBLOCK) {
      ::close(fd_);
      fd_ = -1;
      return;
    }
    ::close(fd_);
    fd_ = -1;
    fail("Can’t lock", path, err);
  }
}

FileLock::~FileLock() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

void writeFileAtomically(const fs::path& path, std::string_view bytes) {
  const fs::path dir = path.has_parent_path() ? path.parent_path() : fs::path(".");
  std::string tmpl = (dir / ("." + path.filename().string() + ".XXXXXX")).string();
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  Fd out{::mkostemp(name.data(), O_CLOEXEC)};
  if (out.fd < 0) fail("Can’t write", path, errno);
  const fs::path tmp(name.data());
  auto abandon = [&](const char* what) {
    const int err = errno;
    ::unlink(tmp.c_str());
    fail(what, path, err);
  };
  // Set before any byte is written and before the rename, so that the file is
  // never readable by others, not even for a moment.
  if (::fchmod(out.fd, 0600) != 0) abandon("Can’t protect");
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(out.fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      abandon("Can’t write");
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(out.fd) != 0) abandon("Can’t write");
  const int fd = out.fd;
  out.fd = -1;
  if (::close(fd) != 0) abandon("Can’t write");
  if (::rename(tmp.c_str(), path.c_str()) != 0) abandon("Can’t replace");
  fsyncDirectory(dir);
}

bool fileHolds(const fs::path& path, std::string_view bytes) {
  Fd in{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
  struct stat st {};
  if (in.fd < 0 || ::fstat(in.fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      std::uint64_t(st.st_size) != bytes.size())
    return false;
  char buf[65536];
  std::size_t at = 0;
  for (;;) {
    const ssize_t n = ::read(in.fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return at == bytes.size();
    if (std::size_t(n) > bytes.size() - at || std::memcmp(buf, bytes.data() + at, std::size_t(n)))
      return false;
    at += std::size_t(n);
  }
}

std::optional<FileId> fileId(const fs::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return identity(st);
}

std::optional<std::string> readFile(const fs::path& path, std::uint64_t maxBytes, FileId* id) {
  // Not blocking: a pipe in the file's place would wait for a writer forever.
  Fd in{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
  if (in.fd < 0) {
    if (errno == ENOENT) return std::nullopt;
    fail("Can’t read", path, errno);
  }
  struct stat st {};
  if (::fstat(in.fd, &st) != 0) fail("Can’t read", path, errno);
  if (!S_ISREG(st.st_mode)) fail("Not a file:", path, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
  if (id) *id = identity(st);
  const auto tooLarge = [&] {
    throw TooLarge("Too large to be read (more than " + std::to_string(maxBytes >> 20) +
                   " MB): " + path.string());
  };
  if (std::uint64_t(st.st_size) > maxBytes) tooLarge();
  std::string out;
  out.reserve(std::size_t(st.st_size));
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(in.fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail("Can’t read", path, errno);
    }
    if (n == 0) break;
    // It may have grown since it was measured.
    if (out.size() + std::uint64_t(n) > maxBytes) tooLarge();
    out.append(buf, static_cast<std::size_t>(n));
  }
  return out;
}

}  // namespace clipvane
