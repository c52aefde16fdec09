#pragma once

#include "media/ScrubbingProxy.h"
#include "media/VideoInfo.h"

#include <QString>
#include <memory>

namespace orvi::ui::controllers {

// Outcome of one probe task: exactly one of succeeded (with the metadata), failed (with a
// message) or cancelled.
struct VideoAnalysisResult
{
    media::VideoInfo videoInfo;
    std::shared_ptr<const media::ScrubbingProxy> scrubbingProxy; // null when none was made
    QString errorMessage;
    bool cancelled = false;
    bool succeeded = false;
};

} // namespace orvi::ui::controllers
