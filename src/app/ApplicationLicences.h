#pragma once

#include "app/LicenceNotice.h"

#include <QCoreApplication>
#include <QString>

namespace orvi::app {

// The licence notice of orvi-motion: its own licence, then Qt, FFmpeg and the encoders built
// into FFmpeg, as this process has loaded them.
class ApplicationLicences
{
    Q_DECLARE_TR_FUNCTIONS(ApplicationLicences)

public:
    static QString text();
    // FFmpeg as loaded, with the licence that its libraries report.
    static LicenceNotice::Component ffmpeg();
};

} // namespace orvi::app
