// An xcb reply owned until it goes out of scope: xcb hands out replies that
// the caller frees with free().
#pragma once

#include <cstdlib>
#include <memory>

namespace clipvane::x11 {

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};

template <class T>
using Reply = std::unique_ptr<T, FreeDeleter>;

}  // namespace clipvane::x11
