#pragma once

namespace orvi::media {

// Outcome of reading one frame; Error also covers cancellation (the text says which).
enum class ReadResult : int
{
    Frame = 0,
    EndOfStream = 1,
    Error = 2,
};

} // namespace orvi::media
