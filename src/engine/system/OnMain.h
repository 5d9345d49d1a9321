#pragma once
// Runs a function on the main thread later.
#include <functional>

namespace clipvane {

// Runs fn on the main thread after `after` seconds (0, negative or NaN: as
// soon as the main thread gets to it). Never runs fn inside the call;
// callable from any thread; cannot be cancelled.
void onMain(double after, std::function<void()> fn);

// Tests only: while set, each call with a positive delay hands its delay and
// fn to this function on the main thread instead of starting a timer, so that
// a test runs the calls on a clock of its own. An empty function ends that.
using DelayedCalls = std::function<void(double after, std::function<void()> fn)>;
void setDelayedCalls(DelayedCalls calls);

// Asserts that the caller runs on the main thread.
void assertMainThread();

}  // namespace clipvane
