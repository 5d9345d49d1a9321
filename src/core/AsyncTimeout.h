#pragma once
// Waiting for a result for at most a given time.
#include <chrono>
#include <future>
#include <optional>

namespace clipvane::AsyncTimeout {

// The value when it is ready within the time-out, else nothing. The work is
// not cancelled and runs on.
template <class T>
std::optional<T> value(std::shared_future<T> future, double seconds) {
  if (!future.valid()) return std::nullopt;
  const auto wait = std::chrono::duration<double>(seconds < 0 ? 0 : seconds);
  if (future.wait_for(wait) != std::future_status::ready) return std::nullopt;
  return future.get();
}

}  // namespace clipvane::AsyncTimeout
