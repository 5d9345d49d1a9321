// Preloaded into the program by the end-to-end tests: moves its wall clock
// on by the seconds written in the file that CLIPVANE_TEST_CLOCK_OFFSET
// names, read again at most every 100 ms, so that a test can age what the
// running program holds. The monotonic clock (timers) is left alone.
#include <dlfcn.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>

namespace {

using ClockGettime = int (*)(clockid_t, timespec*);

ClockGettime real() {
  static const auto fn = reinterpret_cast<ClockGettime>(dlsym(RTLD_NEXT, "clock_gettime"));
  return fn;
}

std::atomic<long long> offset{0};
std::atomic<long long> readAt{-1};  // monotonic milliseconds

long long offsetNow() {
  timespec mono{};
  real()(CLOCK_MONOTONIC, &mono);
  const long long ms = mono.tv_sec * 1000LL + mono.tv_nsec / 1'000'000;
  const long long last = readAt.load();
  if (last < 0 || ms - last >= 100) {
    readAt.store(ms);
    if (const char* path = std::getenv("CLIPVANE_TEST_CLOCK_OFFSET")) {
      const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
      if (fd >= 0) {
        char buf[32] = {};
        const ssize_t n = ::read(fd, buf, sizeof buf - 1);
        ::close(fd);
        if (n > 0) offset.store(std::strtoll(buf, nullptr, 10));
      }
    }
  }
  return offset.load();
}

}  // namespace

extern "C" int clock_gettime(clockid_t clock, timespec* ts) {
  const int result = real()(clock, ts);
  if (result == 0 && (clock == CLOCK_REALTIME || clock == CLOCK_REALTIME_COARSE))
    ts->tv_sec += offsetNow();
  return result;
}
