#include "media/libav/LibavVideoSourceFactory.h"

#include "media/libav/LibavVideoSource.h"

#include <utility>

namespace orvi::media::libav {

std::unique_ptr<IVideoSource> LibavVideoSourceFactory::create(std::function<bool()> cancellation,
                                                              int decoderThreadCount)
{
    return std::make_unique<LibavVideoSource>(std::move(cancellation), decoderThreadCount);
}

} // namespace orvi::media::libav
