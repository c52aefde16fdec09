#pragma once

#include <functional>

namespace orvi::spectrum {

// Returns true once the work is to stop; once it has said so it keeps saying so.
using CancellationCheck = std::function<bool()>;
// Receives the completed fraction 0 ... 1.
using ProgressCallback = std::function<void(double)>;

} // namespace orvi::spectrum
