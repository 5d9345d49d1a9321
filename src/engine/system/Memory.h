#pragma once
// Memory given back to the system after a large job.
#include <cstddef>

namespace clipvane::Memory {

// Jobs that handled at least this many bytes of text give their memory back.
inline constexpr std::size_t largeJob = 4 << 20;

// After a job that handled `bytes` of text, once the main thread is done with
// the job's last buffers, returns the heap's free pages to the system. The
// C library keeps what a large copy freed in each thread's heap for the
// process's lifetime otherwise: a 50 MB copy would keep hundreds of MB.
void giveBackAfter(std::size_t bytes);

}  // namespace clipvane::Memory
