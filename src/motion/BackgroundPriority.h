#pragma once

namespace orvi::motion_core {

// Puts the calling thread below the interface thread: on Linux the batch policy (its
// wake-ups never preempt another thread) and a nice value kBackgroundNiceOffset above the
// thread's own; elsewhere Qt's low priority. Threads it creates afterwards inherit this,
// which is how the decoders' and encoders' own threads follow their caller. Done once per
// thread; the application's main thread is never lowered. True when the thread runs lowered.
bool lowerCurrentThreadPriority();

// How far below normal work threads run. With the batch policy, the interface thread already
// wins every wake-up against them; a larger step adds nothing there but starves the work
// beside other busy programs (beside two busy loops a 1080p preview took 2.5 times as long as
// at normal priority with a step of 5, 1.5 times with 2).
inline constexpr int kBackgroundNiceOffset = 2;

} // namespace orvi::motion_core
