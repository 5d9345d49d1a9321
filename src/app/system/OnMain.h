#pragma once
// Runs a function on the main thread later.
#include <functional>

namespace clipvane {

// Runs fn on the main thread after `after` seconds (0, negative or NaN: as
// soon as the main thread gets to it). Never runs fn inside the call;
// callable from any thread; cannot be cancelled.
void onMain(double after, std::function<void()> fn);

// Asserts that the caller runs on the main thread.
void assertMainThread();

}  // namespace clipvane
