#include "controllers/SpectrumInputs.h"

#include "controllers/AnalysisFragmentController.h"
#include "controllers/NumberFormatter.h"
#include "controllers/ProcessingSettingsController.h"
#include "controllers/VideoSessionController.h"
#include "records/ErrorMessage.h"
#include "spectrum/SpectrumAnalysisLimits.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QThread>
#include <algorithm>

namespace orvi::ui::controllers {

using project_data::SpectrumAnalysisRequest;

SpectrumInputs::SpectrumInputs(const VideoSessionController* videoSession,
                               const AnalysisFragmentController* fragment,
                               const ProcessingSettingsController* settings)
    : m_videoSession(videoSession), m_fragment(fragment), m_settings(settings)
{}

bool SpectrumInputs::isDensityIndex(int index)
{
    return index >= 0 && index < spectrum::kGridDensityCount;
}

double SpectrumInputs::sessionCaptureRate() const
{
    return m_videoSession ? m_videoSession->captureFrameRate() : 0.0;
}

QString SpectrumInputs::filePath() const
{
    return m_videoSession ? m_videoSession->filePath() : QString();
}

QSize SpectrumInputs::frameSize() const
{
    return m_videoSession ? m_videoSession->videoInfo().frameSize : QSize();
}

void SpectrumInputs::setRunParameters(int densityIndex, int workerThreadCount)
{
    m_gridDensityIndex = densityIndex;
    m_workerThreadCount = workerThreadCount;
}

SpectrumAnalysisRequest SpectrumInputs::request(std::optional<double> captureFrameRate,
                                                std::optional<int> densityIndex,
                                                std::optional<int> workerThreadCount,
                                                bool fullMetadata) const
{
    SpectrumAnalysisRequest request;
    if (m_videoSession) {
        const media::VideoInfo& info = m_videoSession->videoInfo();
        if (fullMetadata) {
            request.videoInfo = info;
        } else {
            request.videoInfo.frameSize = info.frameSize;
            request.videoInfo.frameCount = info.frameCount;
        }
        request.videoInfo.filePath = m_videoSession->filePath();
    }
    request.videoInfo.captureFrameRate = captureFrameRate.value_or(sessionCaptureRate());
    // A rate other than the session's is the user's entry; the session's own one may still be
    // the assumed starting value.
    const bool sessionRate = request.videoInfo.captureFrameRate == sessionCaptureRate();
    request.videoInfo.captureFrameRateAssumed =
        m_videoSession && sessionRate && m_videoSession->captureFrameRateAssumed();
    if (!sessionRate)
        request.videoInfo.captureFrameRateManual = true;
    if (m_settings) {
        request.analysisRegion = m_settings->regionOfInterest();
        request.cameraMotionCompensation = m_settings->stabilizationEnabled();
        if (request.cameraMotionCompensation)
            request.cameraReferenceRegion = m_settings->stabilizationReferenceRegion();
    }
    if (m_fragment) {
        request.startFrame = m_fragment->startFrame();
        request.endFrame = m_fragment->endFrameExclusive();
    }
    request.requestedGrid = spectrum::gridForDensity(densityIndex.value_or(m_gridDensityIndex));
    request.workerThreadCount = workerThreadCount.value_or(m_workerThreadCount);
    request.lengthScale = m_lengthScale;
    request.identity = spectrum::makeIdentity(m_inputRevision, request);
    return request;
}

SpectrumInputs::IdentityKey SpectrumInputs::identityKey() const
{
    const QFileInfo file(filePath());
    const QDateTime modified = file.lastModified();
    const QRectF region = m_settings ? m_settings->regionOfInterest() : QRectF(0.0, 0.0, 1.0, 1.0);
    IdentityKey key;
    key.revision = m_inputRevision;
    key.absolutePath = file.absoluteFilePath();
    key.fileSize = file.size();
    key.modifiedMs = modified.isValid() ? modified.toMSecsSinceEpoch() : 0;
    key.frameSize = frameSize();
    key.captureFrameRate = sessionCaptureRate();
    key.regionX = region.x();
    key.regionY = region.y();
    key.regionWidth = region.width();
    key.regionHeight = region.height();
    key.startFrame = m_fragment ? m_fragment->startFrame() : 0;
    key.endFrame = m_fragment ? m_fragment->endFrameExclusive() : 0;
    key.densityIndex = m_gridDensityIndex;
    if (m_settings && m_settings->stabilizationEnabled())
        key.cameraReference = m_settings->stabilizationReferenceRegion();
    return key;
}

QByteArray SpectrumInputs::identity() const
{
    IdentityKey key = identityKey();
    if (m_identityKey != key) {
        m_identity = request({}, {}, {}, false).identity;
        m_identityKey = std::move(key);
    }
    return m_identity;
}

bool SpectrumInputs::validate(double captureFrameRate, int densityIndex, int workerThreadCount,
                              QString* message) const
{
    if (!isDensityIndex(densityIndex))
        return project_data::failWith(
            message, QCoreApplication::translate("SpectrumController",
                                                 "Select one of the available grid densities."));
    QString problem;
    const bool valid =
        spectrum::validate(request(captureFrameRate, densityIndex, workerThreadCount), &problem);
    if (message)
        *message = problem;
    return valid;
}

QString SpectrumInputs::validationMessage() const
{
    QString problem;
    spectrum::validate(request(), &problem);
    return problem;
}

QString SpectrumInputs::gridPlan(double captureFrameRate, int densityIndex) const
{
    if (!isDensityIndex(densityIndex))
        return {};
    const SpectrumAnalysisRequest request = this->request(captureFrameRate, densityIndex);
    const QSize grid = spectrum::effectiveGrid(request);
    if (grid.isEmpty())
        return {};
    const QSize image = spectrum::analysisImageSize(request);
    return QCoreApplication::translate(
               "SpectrumController",
               "Effective grid: %1 × %2 (%3 points), analysis image: %4 × %5 pixels. Maximum "
               "fragment: %6 frames for this grid.")
        .arg(grid.width())
        .arg(grid.height())
        .arg(qint64(grid.width()) * grid.height())
        .arg(image.width())
        .arg(image.height())
        .arg(spectrum::maximumFragmentFrames(request));
}

QString SpectrumInputs::timingWarning() const
{
    if (!m_videoSession || !m_fragment)
        return {};
    return m_videoSession->videoInfo().timingWarning(m_fragment->startFrame(),
                                                     m_fragment->endFrameExclusive());
}

QString SpectrumInputs::summary() const
{
    const QRectF region = m_settings ? m_settings->regionOfInterest() : QRectF();
    const qint64 start = m_fragment ? m_fragment->startFrame() : 0;
    const qint64 end = m_fragment ? m_fragment->endFrameExclusive() : 0;
    const auto percent = [](double fraction) {
        return NumberFormatter::trimmed(NumberFormatter::plainSystemLocale(), fraction * 100.0, 4);
    };
    return QCoreApplication::translate(
               "SpectrumController",
               "Frames %1–%2; analysis region: x=%3%, y=%4%, width=%5%, height=%6%.")
        .arg(start + 1)
        .arg(end)
        .arg(percent(region.x()), percent(region.y()), percent(region.width()),
             percent(region.height()));
}

int SpectrumInputs::effectiveWorkerThreadCount() const
{
    return spectrum::effectiveWorkerThreads(request({}, {}, {}, false));
}

int SpectrumInputs::maximumWorkerThreadCount()
{
    return std::clamp(QThread::idealThreadCount(), 1, spectrum::kMaximumWorkerThreads);
}

int SpectrumInputs::availableLogicalProcessorCount()
{
    return std::max(QThread::idealThreadCount(), 1);
}

QString SpectrumInputs::gridDescription(const SpectrumAnalysisRequest& request)
{
    const QSize grid = spectrum::effectiveGrid(request);
    if (grid.isEmpty())
        return {};
    return QCoreApplication::translate("SpectrumController",
                                       "Grid: %1 × %2 (%3 points); requested: %4 × %5.")
        .arg(grid.width())
        .arg(grid.height())
        .arg(qint64(grid.width()) * grid.height())
        .arg(request.requestedGrid.width())
        .arg(request.requestedGrid.height());
}

} // namespace orvi::ui::controllers
