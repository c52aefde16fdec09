#pragma once

namespace orvi::motion_core {

// Puts the calling thread below the interface thread: on Linux the batch policy (its
// wake-ups never preempt another thread) and a nice value kBackgroundNiceOffset above the
// thread's own; elsewhere Qt's low priority. Threads it creates afterwards inherit this,
// which is how the decoders' and encoders' own threads follow their caller. Done once per
// thread; the application's main thread is never lowered. True when the thread runs lowered.
bool lowerCurrentThreadPriority();

// How far below normal work threads run: their share against the interface thread drops
// to about a third, while against other programs they still progress.
inline constexpr int kBackgroundNiceOffset = 5;

} // namespace orvi::motion_core
