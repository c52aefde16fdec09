#pragma once

#include "media/VideoInfo.h"

#include <QString>

namespace orvi::ui::controllers {

// Outcome of one probe task: exactly one of succeeded (with the metadata), failed (with a
// message) or cancelled.
struct VideoAnalysisResult
{
    media::VideoInfo videoInfo;
    QString errorMessage;
    bool cancelled = false;
    bool succeeded = false;
};

} // namespace orvi::ui::controllers
