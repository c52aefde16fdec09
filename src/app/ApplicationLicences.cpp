#include "app/ApplicationLicences.h"

#include "app/ApplicationIdentity.h"
#include "media/VideoBackend.h"

namespace orvi::app {

namespace {

using media::VideoBackend;

// FFmpeg names its licence in one of a few fixed phrases; anything else is shown as it is.
QString translatedLicence(const QString& reported)
{
    if (reported == QLatin1String("GPL version 2 or later"))
        return ApplicationLicences::tr("GNU GPL version 2 or later");
    if (reported == QLatin1String("GPL version 3 or later"))
        return ApplicationLicences::tr("GNU GPL version 3 or later");
    if (reported == QLatin1String("LGPL version 2.1 or later"))
        return ApplicationLicences::tr("GNU LGPL version 2.1 or later");
    if (reported == QLatin1String("LGPL version 3 or later"))
        return ApplicationLicences::tr("GNU LGPL version 3 or later");
    if (reported == QLatin1String("nonfree and unredistributable"))
        return ApplicationLicences::tr("non-free, not redistributable");
    return reported;
}

} // namespace

LicenceNotice::Component ApplicationLicences::ffmpeg()
{
    const VideoBackend::Licence licence = VideoBackend::licence();
    return {QStringLiteral("FFmpeg (%1)").arg(VideoBackend::versionSummary()),
            translatedLicence(licence.licence), tr("Built with: %1").arg(licence.configuration),
            !licence.licence.contains(QLatin1String("unredistributable"))};
}

QString ApplicationLicences::text()
{
    std::vector<LicenceNotice::Component> components{LicenceNotice::qt(), ffmpeg()};
    if (VideoBackend::licence().libx264)
        components.push_back({tr("libx264, the H.264 encoder built into libavcodec"),
                              tr("GNU GPL version 2 or later"), QString()});
    return LicenceNotice::text(ApplicationIdentity::displayName(), components);
}

} // namespace orvi::app
