#include "Memory.h"

#include <malloc.h>

#include <atomic>

#include "OnMain.h"

namespace clipvane::Memory {

namespace {
std::atomic<bool> pending = false;  // one trim for the jobs that end together
}

void giveBackAfter(std::size_t bytes) {
  if (bytes < largeJob || pending.exchange(true)) return;
  // A little later on the main thread, so that the job's own copies of the
  // text (its captures, its future's results) are freed first.
  onMain(1.0, [] {
    pending = false;
#ifdef __GLIBC__
    ::malloc_trim(0);
#endif
  });
}

}  // namespace clipvane::Memory
