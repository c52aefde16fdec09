#pragma once

#include "media/IVideoSource.h"

#include <functional>
#include <memory>

namespace orvi::media::libav {

// Hands out FFmpeg-backed sources as owned IVideoSource objects.
class LibavVideoSourceFactory
{
public:
    // cancellation may be empty; decoderThreadCount 0 keeps FFmpeg's default.
    static std::unique_ptr<IVideoSource> create(std::function<bool()> cancellation = {},
                                                int decoderThreadCount = 0);
};

} // namespace orvi::media::libav
