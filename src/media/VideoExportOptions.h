#pragma once

#include <QString>

namespace orvi::media {

// Options a sink is opened with.
struct VideoExportOptions
{
    QString container = QStringLiteral("mp4");
    QString videoCodec = QStringLiteral("h264");
    int qualityPercent = 75; // 0..100
    bool includeAudio = false;
    bool preserveFrameSize = true;
    bool preserveFrameRate = true;
};

} // namespace orvi::media
