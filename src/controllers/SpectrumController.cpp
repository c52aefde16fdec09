#include "controllers/SpectrumController.h"

#include "controllers/AnalysisFragmentController.h"
#include "controllers/ExportController.h"
#include "controllers/LocalFile.h"
#include "controllers/MediaRuntimeController.h"
#include "controllers/NumberFormatter.h"
#include "controllers/PreviewController.h"
#include "controllers/ProcessingSettingsController.h"
#include "controllers/VideoSessionController.h"
#include "motion/BackgroundPriority.h"
#include "motion/TemporalBandpassFilter.h"
#include "orvi/Version.h"
#include "processing/OutputDestination.h"
#include "records/SpectrumAlgorithms.h"
#include "reports/AnalysisExportContext.h"
#include "reports/AnalysisExportWriter.h"
#include "spectrum/RelativePhase.h"
#include "spectrum/SpectrumAnalysisLimits.h"
#include "spectrum/SpectrumAnalysisRun.h"
#include "spectrum/SpectrumStage.h"
#include "spectrum/SpectrumViews.h"
#include "spectrum/VibrationUnits.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QJsonArray>
#include <QLocale>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <cmath>
#include <limits>

namespace orvi::ui::controllers {

namespace {

using project_data::GridSite;
using project_data::RelativePhaseSample;
using project_data::SpectrumAnalysisRequest;
using project_data::SpectrumResult;

constexpr int kMaximumDensityIndex = 2;
constexpr double kBandReadBackTolerance = 1e-9;
constexpr double kProgressStep = 0.005;

// A frequency to the precision the spectrum resolves, in the controller's own texts.
QString formatFrequency(double hz, double stepHz)
{
    return NumberFormatter::fixedText(NumberFormatter::plainSystemLocale(), hz,
                                      NumberFormatter::frequencyDecimalsFor(stepHz));
}

QString formatSignificant(double value, int digits)
{
    return NumberFormatter::trimmed(NumberFormatter::plainSystemLocale(), value, digits);
}

bool bandValidFor(double lowerHz, double upperHz, double rate)
{
    return motion_core::TemporalBandpassFilter::isBandValid(rate, lowerHz, upperHz);
}

QString gridDescription(const SpectrumAnalysisRequest& request)
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

QVariantMap cellMap(const QRectF& cell, double sampleX, double sampleY)
{
    return {{QStringLiteral("x"), cell.x()},         {QStringLiteral("y"), cell.y()},
            {QStringLiteral("width"), cell.width()}, {QStringLiteral("height"), cell.height()},
            {QStringLiteral("sampleX"), sampleX},    {QStringLiteral("sampleY"), sampleY}};
}

QString phaseReasonText(qint32 reason)
{
    switch (reason) {
    case project_data::RelativePhaseAccepted:
        return {};
    case project_data::RelativePhaseShortOverlap:
        return QCoreApplication::translate("SpectrumController",
                                           "The common continuous interval is too short.");
    case project_data::RelativePhaseWeakFit:
        return QCoreApplication::translate(
            "SpectrumController",
            "The selected component has insufficient energy at this frequency in this cell "
            "or the reference.");
    case project_data::RelativePhaseUnstable:
        return QCoreApplication::translate(
            "SpectrumController",
            "The relative phase changes by more than 30° between interval halves.");
    default:
        return QCoreApplication::translate("SpectrumController",
                                           "No accepted signal in this cell or the reference.");
    }
}

// The program's icon as start-up set it, for the report's title block.
QImage applicationIcon()
{
    const QIcon icon = QGuiApplication::windowIcon();
    if (!icon.isNull())
        return icon.pixmap(256).toImage();
    return QImage(QStringLiteral(":/ui/icons/application.png"));
}

} // namespace

SpectrumController::SpectrumController(VideoSessionController* videoSession,
                                       AnalysisFragmentController* fragment,
                                       ProcessingSettingsController* settings,
                                       MediaRuntimeController* mediaRuntime,
                                       playback::PlaybackController* playback,
                                       PreviewController* preview, ExportController* exporter,
                                       QObject* parent)
    : QObject(parent), m_videoSession(videoSession), m_fragment(fragment), m_settings(settings),
      m_mediaRuntime(mediaRuntime), m_playback(playback), m_preview(preview), m_exporter(exporter)
{
    // Whether a report can be written follows state, result and diagnostics alike; its own
    // notification fires whenever the answer changes, so bindings on it never go stale.
    for (const auto signal : {&SpectrumController::stateChanged, &SpectrumController::resultChanged,
                              &SpectrumController::diagnosticChanged})
        connect(this, signal, this, &SpectrumController::notifyReportAbility);
    if (m_videoSession) {
        connect(m_videoSession, &VideoSessionController::sourceChanged, this,
                &SpectrumController::onSourceChanged);
        connect(m_videoSession, &VideoSessionController::videoInfoChanged, this,
                &SpectrumController::onInputsChanged);
        connect(m_videoSession, &VideoSessionController::stateChanged, this,
                &SpectrumController::onInputsChanged);
    }
    if (m_fragment)
        connect(m_fragment, &AnalysisFragmentController::rangeChanged, this,
                &SpectrumController::onInputsChanged);
    if (m_settings)
        connect(m_settings, &ProcessingSettingsController::settingsChanged, this,
                &SpectrumController::onInputsChanged);
    if (m_mediaRuntime)
        connect(m_mediaRuntime, &MediaRuntimeController::statusChanged, this,
                &SpectrumController::onInputsChanged);
    if (m_preview)
        connect(m_preview, &PreviewController::stateChanged, this,
                &SpectrumController::onInputsChanged);
    if (m_exporter)
        connect(m_exporter, &ExportController::stateChanged, this,
                &SpectrumController::onInputsChanged);
    connect(&m_analysisWatcher, &QFutureWatcher<SpectrumResult>::finished, this,
            &SpectrumController::onAnalysisFinished);
    connect(&m_phaseWatcher, &QFutureWatcher<std::vector<RelativePhaseSample>>::finished, this,
            &SpectrumController::onPhaseFinished);
    connect(&m_reportWatcher, &QFutureWatcher<QString>::finished, this,
            &SpectrumController::onReportFinished);
    clearAll();
}

SpectrumController::~SpectrumController()
{
    shutdown();
}

void SpectrumController::shutdown()
{
    if (m_shuttingDown)
        return;
    m_shuttingDown = true;
    if (m_cancelFlag)
        m_cancelFlag->store(true);
    if (m_phaseCancelFlag)
        m_phaseCancelFlag->store(true);
    m_analysisWatcher.disconnect(this);
    m_phaseWatcher.disconnect(this);
    m_reportWatcher.disconnect(this);
    m_analysisWatcher.waitForFinished();
    m_phaseWatcher.waitForFinished();
    m_reportWatcher.waitForFinished();
}

// ---- Inputs -------------------------------------------------------------------------------

double SpectrumController::sessionCaptureRate() const
{
    return m_videoSession ? m_videoSession->captureFrameRate() : 0.0;
}

SpectrumAnalysisRequest SpectrumController::buildRequest(std::optional<double> captureFrameRate,
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
            request.videoInfo.filePath = info.filePath;
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
    if (!sessionRate) {
        request.videoInfo.captureFrameRateManual = true;
    }
    if (m_settings)
        request.analysisRegion = m_settings->regionOfInterest();
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

QByteArray SpectrumController::currentIdentity() const
{
    return buildRequest({}, {}, {}, false).identity;
}

bool SpectrumController::otherWorkRuns() const
{
    return (m_preview && m_preview->busy()) || (m_exporter && m_exporter->busy());
}

bool SpectrumController::anythingRuns() const
{
    return m_busy || m_phaseBusy || m_reportBusy || otherWorkRuns();
}

bool SpectrumController::resultCurrent() const
{
    return ready() && !stale();
}

bool SpectrumController::diagnosticsMatchResult() const
{
    return !m_diagnosticSites.empty() && m_diagnosticIdentity == m_result.request.identity;
}

// ---- Properties ---------------------------------------------------------------------------

bool SpectrumController::available() const
{
    return !m_shuttingDown && !anythingRuns() && m_videoSession && m_videoSession->ready() &&
           m_videoSession->hasSource() && m_mediaRuntime && m_mediaRuntime->available();
}

bool SpectrumController::stale() const
{
    return ready() && currentIdentity() != m_result.request.identity;
}

QString SpectrumController::stageName() const
{
    if (m_cancelling)
        return QCoreApplication::translate("SpectrumController", "Cancelling spectrum analysis");
    return m_progress < 0.9
               ? QCoreApplication::translate("SpectrumController",
                                             "Analyzing motion frame by frame…")
               : QCoreApplication::translate("SpectrumController", "Calculating spectrum");
}

QString SpectrumController::validationMessage() const
{
    return spectrum::validate(buildRequest());
}

QString SpectrumController::warningMessage() const
{
    QStringList texts;
    if (m_videoSession && m_fragment) {
        const QString timing = m_videoSession->videoInfo().timingWarning(
            m_fragment->startFrame(), m_fragment->endFrameExclusive());
        if (!timing.isEmpty())
            texts << timing;
    }
    if (ready() && m_result.unresolvedPeaks)
        texts << QCoreApplication::translate(
            "SpectrumController",
            "Some peaks overlap. The proposed band does not guarantee isolation of one "
            "component.");
    return texts.join(QStringLiteral("\n\n"));
}

QString SpectrumController::analysisHelp() const
{
    return QCoreApplication::translate(
        "SpectrumController",
        "What the analysis measures\n"
        "The analysis follows the local phase of image structure at every point of a grid "
        "inside the analysis region and computes the spectrum of that motion. Relative "
        "power compares frequencies with one another; it is not a displacement in "
        "millimetres. Camera shake, changes of light and large movement of the object "
        "also change the signal.\n\n"
        "How to interpret a peak\n"
        "A peak is a frequency worth investigating, not proof of a mechanical vibration. "
        "Each point is judged against its own noise, so a line that a few clean points carry "
        "is found among many noisy ones. Check its contrast, how many points show it and "
        "whether both halves of the fragment show it again, then confirm it with the "
        "amplified video.\n\n"
        "Amplitude\n"
        "Every point's displacement at a line's frequency comes with a standard error from "
        "its own noise. It counts as reliable when the point carries the line, the amplitude "
        "is at least four times its error and its swing stays inside the cell. A line's "
        "amplitude is the median over its reliable points, each weighted by how clearly it "
        "shows the motion, with the quartiles as its spread; the points view names the "
        "strongest reliable point.\n\n"
        "Frame rate and accuracy\n"
        "Every frequency depends on the capture frame rate, which for a slow-motion file "
        "differs from its playback rate. A new file starts from an assumed 240 fps, which "
        "must be confirmed or changed before anything is measured. Frequencies are refined "
        "between the spectrum's bins. Motion faster than half the capture rate appears at a "
        "false, lower frequency (aliasing). A finer frequency grid does not by itself "
        "separate two close vibrations; only a longer fragment does.");
}

int SpectrumController::effectiveWorkerThreadCount() const
{
    return spectrum::effectiveWorkerThreads(buildRequest({}, {}, {}, false));
}

int SpectrumController::maximumWorkerThreadCount() const
{
    return std::clamp(QThread::idealThreadCount(), 1, spectrum::kMaximumWorkerThreads);
}

int SpectrumController::availableLogicalProcessorCount() const
{
    return std::max(QThread::idealThreadCount(), 1);
}

QString SpectrumController::resultGridDescription() const
{
    return ready() ? gridDescription(m_result.request) : QString();
}

QString SpectrumController::diagnosticGridDescription() const
{
    return m_diagnosticSites.empty() ? QString() : gridDescription(m_diagnosticRequest);
}

bool SpectrumController::diagnosticStale() const
{
    return !m_diagnosticSites.empty() && currentIdentity() != m_diagnosticIdentity;
}

double SpectrumController::diagnosticSampleRate() const
{
    return m_diagnosticSites.empty() ? 0.0 : m_diagnosticRequest.videoInfo.captureFrameRate;
}

double SpectrumController::diagnosticDurationSeconds() const
{
    const double rate = diagnosticSampleRate();
    if (!(rate > 0.0))
        return 0.0;
    return double(m_diagnosticRequest.endFrame - m_diagnosticRequest.startFrame) / rate;
}

bool SpectrumController::diagnosticSegmentAccepted() const
{
    return m_selectedSite >= 0 && m_selectedSite < int(m_diagnosticSites.size()) &&
           m_diagnosticSites[std::size_t(m_selectedSite)].accepted;
}

double SpectrumController::diagnosticSegmentStartSeconds() const
{
    const double rate = diagnosticSampleRate();
    if (!diagnosticSegmentAccepted() || !(rate > 0.0))
        return 0.0;
    return double(m_diagnosticSites[std::size_t(m_selectedSite)].segmentStart + 1) / rate;
}

double SpectrumController::diagnosticSegmentEndSeconds() const
{
    const double rate = diagnosticSampleRate();
    if (!diagnosticSegmentAccepted() || !(rate > 0.0))
        return 0.0;
    const GridSite& site = m_diagnosticSites[std::size_t(m_selectedSite)];
    return double(qint64(site.segmentStart) + site.segmentLength + 1) / rate;
}

QString SpectrumController::inputSummary() const
{
    const QRectF region = m_settings ? m_settings->regionOfInterest() : QRectF();
    const qint64 start = m_fragment ? m_fragment->startFrame() : 0;
    const qint64 end = m_fragment ? m_fragment->endFrameExclusive() : 0;
    return QCoreApplication::translate(
               "SpectrumController",
               "Frames %1–%2; analysis region: x=%3%, y=%4%, width=%5%, height=%6%.")
        .arg(start + 1)
        .arg(end)
        .arg(formatSignificant(region.x() * 100.0, 4), formatSignificant(region.y() * 100.0, 4),
             formatSignificant(region.width() * 100.0, 4),
             formatSignificant(region.height() * 100.0, 4));
}

QString SpectrumController::resultSummary() const
{
    if (!ready())
        return {};
    const SpectrumAnalysisRequest& request = m_result.request;
    return QCoreApplication::translate(
               "SpectrumController",
               "%1 fps; frames %2–%3; %4/%5 reliable sites; grid %6 Hz; window scale %7 Hz; "
               "%8 × %9 analysis pixels; %10 ms.")
        .arg(formatSignificant(request.videoInfo.captureFrameRate, 8))
        .arg(request.startFrame + 1)
        .arg(request.endFrame)
        .arg(m_result.acceptedCount)
        .arg(m_result.siteCount)
        .arg(formatSignificant(m_result.binWidthHz, 4),
             formatSignificant(m_result.windowResolutionHz, 4))
        .arg(m_result.analysisImageSize.width())
        .arg(m_result.analysisImageSize.height())
        .arg(m_result.elapsedMs);
}

double SpectrumController::minimumFrequencyHz() const
{
    return ready() ? m_result.binWidthHz : 0.0;
}

double SpectrumController::maximumFrequencyHz() const
{
    return 0.5 * (ready() ? m_result.request.videoInfo.captureFrameRate : sessionCaptureRate());
}

double SpectrumController::frequencyStepHz() const
{
    return ready() ? m_result.binWidthHz : 0.1;
}

QString SpectrumController::bandValidationMessage() const
{
    if (!ready())
        return QCoreApplication::translate("SpectrumController", "Calculate a spectrum first.");
    if (stale())
        return QCoreApplication::translate(
            "SpectrumController", "The spectrum is stale. Recalculate it for the current inputs.");
    if (m_busy || otherWorkRuns() || (m_videoSession && m_videoSession->busy()))
        return QCoreApplication::translate("SpectrumController",
                                           "Wait for the active operation to finish.");
    if (!bandValidFor(m_selectedLowerHz, m_selectedUpperHz, sessionCaptureRate()))
        return QCoreApplication::translate(
            "SpectrumController", "Select a band strictly between 0 Hz and the Nyquist frequency.");
    return {};
}

QString SpectrumController::bandApplicationMessage() const
{
    return stale() ? QString() : m_bandApplicationMessage;
}

qint64 SpectrumController::mapFrameNumber() const
{
    return ready() ? m_result.request.startFrame + 1 : 0;
}

bool SpectrumController::phaseAvailable() const
{
    return m_phaseValid && !stale();
}

bool SpectrumController::phaseCancelling() const
{
    return m_phaseBusy && m_phaseCancelFlag && m_phaseCancelFlag->load();
}

bool SpectrumController::phaseCanCalculate() const
{
    if (anythingRuns() || !resultCurrent() || !diagnosticsMatchResult())
        return false;
    if (!std::isfinite(m_phaseFrequencyHz) || !(m_phaseFrequencyHz > 0.0))
        return false;
    return m_phaseReference >= 0 && m_phaseReference < int(m_diagnosticSites.size()) &&
           m_diagnosticSites[std::size_t(m_phaseReference)].accepted;
}

QString SpectrumController::phaseMessage() const
{
    if (m_phaseBusy)
        return phaseCancelling() ? QCoreApplication::translate("SpectrumController",
                                                               "Cancelling phase calculation…")
                                 : QCoreApplication::translate("SpectrumController",
                                                               "Calculating relative phase…");
    if (!resultCurrent() || m_diagnosticIdentity != m_result.request.identity)
        return QCoreApplication::translate(
            "SpectrumController",
            "Calculate a spectrum for the current fragment and analysis region before "
            "comparing phase.");
    if (!(m_phaseFrequencyHz > 0.0))
        return QCoreApplication::translate("SpectrumController",
                                           "Select one frequency candidate for the phase map.");
    if (m_phaseReference < 0)
        return QCoreApplication::translate("SpectrumController",
                                           "Click a cell to select the phase reference point.");
    if (m_phaseReference >= int(m_diagnosticSites.size()) ||
        !m_diagnosticSites[std::size_t(m_phaseReference)].accepted)
        return QCoreApplication::translate(
            "SpectrumController",
            "This reference has no accepted continuous signal. Choose another point.");
    if (!m_storedPhaseMessage.isEmpty())
        return m_storedPhaseMessage;
    return QCoreApplication::translate(
        "SpectrumController",
        "Calculate phase for the selected frequency, component and reference.");
}

void SpectrumController::notifyReportAbility()
{
    const bool can = canExportReport();
    if (can == m_couldExportReport)
        return;
    m_couldExportReport = can;
    emit reportChanged();
}

bool SpectrumController::canExportReport() const
{
    return !anythingRuns() && resultCurrent() && m_diagnosticIdentity == m_result.request.identity;
}

// ---- Validation and start -----------------------------------------------------------------

QString SpectrumController::validateAnalysis(double captureFrameRate, int densityIndex,
                                             int workerThreadCount) const
{
    if (densityIndex > kMaximumDensityIndex || densityIndex < 0)
        return QCoreApplication::translate("SpectrumController",
                                           "Select one of the available grid densities.");
    return spectrum::validate(buildRequest(captureFrameRate, densityIndex, workerThreadCount));
}

QString SpectrumController::gridPlan(double captureFrameRate, int densityIndex) const
{
    if (densityIndex > kMaximumDensityIndex || densityIndex < 0)
        return {};
    const SpectrumAnalysisRequest request = buildRequest(captureFrameRate, densityIndex);
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

QString SpectrumController::validateCaptureFrameRate(double captureFrameRate) const
{
    return spectrum::validate(buildRequest(captureFrameRate));
}

bool SpectrumController::startAnalysis(double captureFrameRate, int densityIndex,
                                       int workerThreadCount)
{
    if (m_shuttingDown || anythingRuns() || !m_videoSession || !m_videoSession->ready() ||
        !m_mediaRuntime || !m_mediaRuntime->available())
        return false;
    if (densityIndex > kMaximumDensityIndex || densityIndex < 0) {
        m_errorMessage = QCoreApplication::translate("SpectrumController",
                                                     "Select one of the available grid densities.");
        emit stateChanged();
        return false;
    }
    const QString invalid =
        spectrum::validate(buildRequest(captureFrameRate, densityIndex, workerThreadCount));
    if (!invalid.isEmpty()) {
        m_errorMessage = invalid;
        emit stateChanged();
        return false;
    }
    if (captureFrameRate != sessionCaptureRate() &&
        !m_videoSession->setCaptureFrameRate(captureFrameRate))
        return false;
    m_gridDensityIndex = densityIndex;
    m_workerThreadCount = workerThreadCount;
    const SpectrumAnalysisRequest request = buildRequest();

    m_busy = true;
    m_cancelling = false;
    m_cancelled = false;
    m_progress = 0.0;
    m_errorMessage.clear();
    m_cancelFlag = std::make_shared<std::atomic_bool>(false);
    const quint64 generation = ++m_generation;
    emit stateChanged();
    emit progressChanged();
    emit analysisStarted();

    // Posted to the interface thread in steps of at least 0.5 % (and the end), so a long run
    // does not flood the event queue. The controller outlives the run: shutdown waits for it.
    auto report = [this, generation, last = -1.0](double value) mutable {
        if (value < 1.0 && value - last < kProgressStep)
            return;
        last = value;
        QMetaObject::invokeMethod(
            this, [this, generation, value] { onProgress(generation, value); },
            Qt::QueuedConnection);
    };
    m_analysisWatcher.setFuture(QtConcurrent::run([request, flag = m_cancelFlag, report] {
        motion_core::lowerCurrentThreadPriority();
        return spectrum::runSpectrumAnalysis(
            request, [flag] { return flag->load(); }, report);
    }));
    return true;
}

void SpectrumController::cancel()
{
    if (!m_busy || !m_cancelFlag)
        return;
    m_cancelFlag->store(true);
    m_cancelling = true;
    emit stateChanged();
    emit progressChanged();
}

void SpectrumController::onProgress(quint64 generation, double value)
{
    if (generation != m_generation || !m_busy)
        return;
    m_progress = std::clamp(value, 0.0, 1.0);
    emit progressChanged();
}

void SpectrumController::onAnalysisFinished()
{
    if (m_shuttingDown)
        return;
    SpectrumResult result = m_analysisWatcher.result();
    const bool cancelled = result.cancelled || (m_cancelFlag && m_cancelFlag->load());
    m_busy = false;
    m_cancelling = false;
    m_cancelFlag.reset();
    if (cancelled) {
        m_cancelled = true;
    } else {
        if (!result.sites.empty()) {
            m_diagnosticRequest = result.request;
            m_diagnosticIdentity = result.request.identity;
            m_diagnosticSites = result.sites;
            m_diagnosticFrame = result.firstFrame;
            m_diagnosticRegion = result.request.analysisRegion;
            m_phaseReference = -1;
            m_phaseFrequencyHz = 0.0;
            m_phaseSamples.clear(); // new points: rebuilt even when as many as before
            resetPhaseState();
        }
        if (result.ok) {
            m_result = std::move(result);
            m_selectedLowerHz = 0.0;
            m_selectedUpperHz = 0.0;
            m_bandApplicationMessage.clear();
            m_progress = 1.0;
            rebuildResultLists();
            rebuildMap();
            emit resultChanged();
            emit mapChanged();
            if (!m_result.candidates.empty())
                selectCandidate(0);
        } else {
            m_errorMessage =
                result.errorMessage.isEmpty()
                    ? QCoreApplication::translate("SpectrumController", "Spectrum analysis failed.")
                    : result.errorMessage;
        }
    }
    rebuildDiagnostics();
    emit diagnosticChanged();
    emit stateChanged();
    emit progressChanged();
}

// ---- Input changes ------------------------------------------------------------------------

void SpectrumController::onSourceChanged()
{
    ++m_inputRevision;
    if (m_busy && m_cancelFlag) {
        m_cancelFlag->store(true);
        m_cancelling = true;
    }
    clearAll();
    emit diagnosticChanged();
    emit stateChanged();
    emit resultChanged();
    emit mapChanged();
    emit phaseChanged();
    emit reportChanged();
    emit progressChanged();
}

void SpectrumController::onInputsChanged()
{
    emit stateChanged();
}

void SpectrumController::clearAll()
{
    m_result = {};
    m_errorMessage.clear();
    m_progress = 0.0;
    m_diagnosticRequest = {};
    m_diagnosticIdentity.clear();
    m_diagnosticSites.clear();
    m_diagnosticFrame = {};
    m_diagnosticRegion = {};
    m_selectedLowerHz = 0.0;
    m_selectedUpperHz = 0.0;
    m_bandApplicationMessage.clear();
    m_phaseReference = -1;
    m_phaseFrequencyHz = 0.0;
    m_reportMessage.clear();
    m_reportTime = {};
    rebuildResultLists();
    rebuildMap();
    rebuildDiagnostics();
    resetPhaseState();
}

// ---- Band selection -----------------------------------------------------------------------

void SpectrumController::applySelectedBand(double lowerHz, double upperHz)
{
    m_selectedLowerHz = lowerHz;
    m_selectedUpperHz = upperHz;
    m_bandApplicationMessage.clear();
    m_phaseFrequencyHz = 0.0;
    resetPhaseState();
    rebuildMap();
    emit mapChanged();
    emit stateChanged();
}

void SpectrumController::setSelectedBand(double lowerHz, double upperHz)
{
    if (!std::isfinite(lowerHz) || !std::isfinite(upperHz))
        return; // the selection stays NaN-free
    if (lowerHz == m_selectedLowerHz && upperHz == m_selectedUpperHz)
        return;
    applySelectedBand(lowerHz, upperHz);
}

void SpectrumController::selectCandidate(int index)
{
    if (index < 0 || index >= int(m_result.candidates.size()))
        return;
    const project_data::FrequencyCandidate& candidate = m_result.candidates[std::size_t(index)];
    if (candidate.lowerFrequencyHz != m_selectedLowerHz ||
        candidate.upperFrequencyHz != m_selectedUpperHz)
        applySelectedBand(candidate.lowerFrequencyHz, candidate.upperFrequencyHz);
    m_phaseFrequencyHz = candidate.measuredFrequencyHz();
    resetPhaseState();
    emit stateChanged();
}

bool SpectrumController::applyBandToAmplification()
{
    if (!canApplyBand() || !m_settings || !m_fragment)
        return false;
    const qint64 frames = m_fragment->endFrameExclusive() - m_fragment->startFrame();
    const double rate = sessionCaptureRate();
    double lower = m_selectedLowerHz;
    double upper = m_selectedUpperHz;
    const bool fits =
        frames >= 1 && motion_core::TemporalBandpassFilter::isBandValid(rate, lower, upper) &&
        motion_core::TemporalBandpassFilter::widenBandToFit(rate, &lower, &upper, frames);
    if (!fits) {
        m_bandApplicationMessage =
            QCoreApplication::translate(
                "SpectrumController",
                "The selected fragment has %1 frames. Automatic band expansion up to four times "
                "the original width could not satisfy the amplifier's duration requirement. "
                "Select a longer fragment or adjust the band manually. Amplification settings "
                "were not changed.")
                .arg(frames);
        emit stateChanged();
        return false;
    }
    m_settings->setFrequencyBand(lower, upper);
    if (std::abs(m_settings->lowerFrequencyHz() - lower) >= kBandReadBackTolerance ||
        std::abs(m_settings->upperFrequencyHz() - upper) >= kBandReadBackTolerance) {
        m_bandApplicationMessage = QCoreApplication::translate(
            "SpectrumController",
            "The band could not be applied. Check that amplification settings are editable.");
        emit stateChanged();
        return false;
    }
    if (lower == m_selectedLowerHz && upper == m_selectedUpperHz)
        m_bandApplicationMessage =
            QCoreApplication::translate(
                "SpectrumController",
                "Band %1–%2 Hz applied to amplification without expansion; the selected fragment "
                "is long enough.")
                .arg(formatFrequency(lower, frequencyStepHz()),
                     formatFrequency(upper, frequencyStepHz()));
    else
        m_bandApplicationMessage =
            QCoreApplication::translate(
                "SpectrumController",
                "For amplification, the band was expanded from %1–%2 Hz to %3–%4 Hz for the "
                "selected %5 frames. The spectrum selection is unchanged. Nearby oscillations "
                "may also be amplified.")
                .arg(formatFrequency(m_selectedLowerHz, frequencyStepHz()),
                     formatFrequency(m_selectedUpperHz, frequencyStepHz()),
                     formatFrequency(lower, frequencyStepHz()),
                     formatFrequency(upper, frequencyStepHz()))
                .arg(frames);
    emit stateChanged();
    return true;
}

// ---- Derived lists ------------------------------------------------------------------------

void SpectrumController::rebuildResultLists()
{
    m_spectrumPoints.clear();
    m_candidates.clear();
    if (!ready())
        return;
    const std::size_t bins = m_result.spectrum.size();
    m_spectrumPoints.reserve(qsizetype(bins));
    for (std::size_t k = 1; k < bins; ++k)
        m_spectrumPoints.append(
            QVariantMap{{QStringLiteral("frequencyHz"), double(k) * m_result.binWidthHz},
                        {QStringLiteral("relativePower"), m_result.spectrum[k]}});
    for (const project_data::FrequencyCandidate& c : m_result.candidates) {
        const double bandPower =
            spectrum::relativeBandPower(m_result, c.lowerFrequencyHz, c.upperFrequencyHz);
        const bool bandPowerAvailable = std::isfinite(bandPower);
        QVariantMap map{
            {QStringLiteral("frequencyHz"), c.measuredFrequencyHz()},
            {QStringLiteral("binFrequencyHz"), c.frequencyHz},
            {QStringLiteral("refinedFrequencyHz"), c.measuredFrequencyHz()},
            {QStringLiteral("relativePower"), c.relativePower},
            {QStringLiteral("bandPowerAvailable"), bandPowerAvailable},
            {QStringLiteral("relativeBandPower"), bandPowerAvailable ? bandPower : 0.0},
            {QStringLiteral("contrastDb"), c.contrastDb},
            {QStringLiteral("spatialSupport"), c.spatialSupport},
            {QStringLiteral("stabilityEvaluated"), c.stabilityEvaluated},
            {QStringLiteral("stability"), c.stability},
            {QStringLiteral("lowerFrequencyHz"), c.lowerFrequencyHz},
            {QStringLiteral("upperFrequencyHz"), c.upperFrequencyHz},
            {QStringLiteral("possibleCompressionArtefact"), c.possibleCompressionArtefact}};
        addAmplitude(&map, c.amplitudePx, c.measuredFrequencyHz());
        map.insert(QStringLiteral("amplitudePoints"), c.amplitudePoints);
        map.insert(QStringLiteral("amplitudePoint"), c.amplitudePoint);
        if (std::isfinite(c.amplitudePx)) {
            map.insert(QStringLiteral("medianAmplitudePx"), c.amplitudePx);
            map.insert(QStringLiteral("amplitudeLowerPx"), c.amplitudeLowerPx);
            map.insert(QStringLiteral("amplitudeUpperPx"), c.amplitudeUpperPx);
            map.insert(QStringLiteral("strongestAmplitudePx"), c.strongestAmplitudePx);
        }
        m_candidates.append(map);
    }
}

void SpectrumController::addAmplitude(QVariantMap* map, double amplitudePx,
                                      double frequencyHz) const
{
    // Keys only where there is a value: never a displacement without a measurement, never
    // physical units without a scale.
    if (!std::isfinite(amplitudePx))
        return;
    map->insert(QStringLiteral("amplitudePx"), amplitudePx);
    const spectrum::PhysicalAmplitude units =
        spectrum::physicalAmplitude(amplitudePx, frequencyHz, millimetresPerPixel());
    if (!std::isfinite(units.displacementUm))
        return;
    map->insert(QStringLiteral("displacementUm"), units.displacementUm);
    map->insert(QStringLiteral("velocityMmPerSecondRms"), units.velocityMmPerSecondRms);
    map->insert(QStringLiteral("accelerationMetresPerSecond2"), units.accelerationMetresPerSecond2);
}

double SpectrumController::millimetresPerPixel() const
{
    const QSize frame = ready()
                            ? m_result.request.videoInfo.frameSize
                            : (m_videoSession ? m_videoSession->videoInfo().frameSize : QSize());
    return m_lengthScale.isSet() ? spectrum::millimetresPerPixel(m_lengthScale, frame)
                                 : std::numeric_limits<double>::quiet_NaN();
}

bool SpectrumController::setLengthScale(QPointF first, QPointF second, double lengthMm)
{
    const project_data::LengthScale scale{first, second, lengthMm};
    const QSize frame = m_videoSession ? m_videoSession->videoInfo().frameSize : QSize();
    if (!scale.isSet() || !std::isfinite(spectrum::millimetresPerPixel(scale, frame))) {
        m_lengthScaleMessage = QCoreApplication::translate(
            "SpectrumController", "A known length needs two different points inside the frame "
                                  "and a positive distance in millimetres.");
        emit stateChanged();
        return false;
    }
    applyLengthScale(scale);
    return true;
}

void SpectrumController::clearLengthScale()
{
    applyLengthScale({});
}

// The scale only converts pixel results, so a result stays current and takes the new units.
void SpectrumController::applyLengthScale(const project_data::LengthScale& scale)
{
    m_lengthScale = scale;
    m_lengthScaleMessage.clear();
    if (ready()) {
        m_result.request.lengthScale = scale;
        rebuildResultLists();
        emit resultChanged();
        emit diagnosticChanged();
    }
    emit stateChanged();
}

QVariantList SpectrumController::selectedPointAmplitudes() const
{
    QVariantList list;
    if (!ready() || m_diagnosticIdentity != m_result.request.identity || m_selectedSite < 0 ||
        m_selectedSite >= int(m_result.sites.size()) ||
        !m_result.sites[size_t(m_selectedSite)].accepted)
        return list;
    // Accepted signals follow the grid order of the accepted points.
    const auto signal =
        std::count_if(m_result.sites.begin(), m_result.sites.begin() + m_selectedSite,
                      [](const GridSite& site) { return site.accepted; });
    const auto& amplitudes = m_result.acceptedSignals[size_t(signal)].amplitudes;
    for (size_t i = 0; i < amplitudes.size() && i < m_result.candidates.size(); ++i) {
        const project_data::PointAmplitude& a = amplitudes[i];
        const double frequency = m_result.candidates[i].measuredFrequencyHz();
        QVariantMap map{{QStringLiteral("frequencyHz"), frequency},
                        {QStringLiteral("reliable"), a.reliable},
                        {QStringLiteral("carriesLine"), a.carriesLine}};
        // An estimate that is not reliable shows only its noise: it is no measurement.
        if (a.reliable) {
            addAmplitude(&map, a.amplitudePx, frequency);
            map.insert(QStringLiteral("directionDegrees"), a.directionDegrees);
            map.insert(QStringLiteral("phaseDegrees"), a.phaseDegrees);
        }
        if (std::isfinite(a.standardErrorPx))
            map.insert(QStringLiteral("standardErrorPx"), a.standardErrorPx);
        list.append(map);
    }
    return list;
}

void SpectrumController::rebuildMap()
{
    m_mapSamples.clear();
    m_mapAvailable = false;
    if (!ready() || m_result.firstFrame.isNull() || m_result.acceptedSignals.empty()) {
        m_mapMessage = QCoreApplication::translate(
            "SpectrumController",
            "Calculate a spectrum to show the first frame and local frequency map.");
        return;
    }
    if (!bandValidFor(m_selectedLowerHz, m_selectedUpperHz,
                      m_result.request.videoInfo.captureFrameRate)) {
        m_mapMessage = QCoreApplication::translate(
            "SpectrumController",
            "Select a valid frequency band to highlight it on the first frame.");
        return;
    }
    const std::vector<project_data::BandMapEntry> entries = spectrum::bandPowerMap(
        m_result.acceptedSignals, m_result.binWidthHz, m_selectedLowerHz, m_selectedUpperHz);
    int valid = 0;
    for (const project_data::BandMapEntry& entry : entries) {
        QVariantMap map = cellMap(entry.cellRect, entry.sampleX, entry.sampleY);
        map.insert(QStringLiteral("value"), entry.value);
        map.insert(QStringLiteral("valid"), entry.valid);
        map.insert(QStringLiteral("frequencyHz"), entry.peakFrequencyHz);
        m_mapSamples.append(map);
        valid += entry.valid ? 1 : 0;
    }
    m_mapAvailable = true;
    m_mapMessage =
        valid < 1
            ? QCoreApplication::translate(
                  "SpectrumController",
                  "No sufficiently strong local signal in this band. Unavailable "
                  "cells remain transparent.")
            : QCoreApplication::translate("SpectrumController",
                                          "Highlighted cells: %1 of %2 reliable sites. Values are "
                                          "normalized to the strongest site in this band.")
                  .arg(valid)
                  .arg(m_result.acceptedCount);
}

void SpectrumController::rebuildDiagnostics()
{
    m_diagnosticSiteList.clear();
    m_diagnosticText.clear();
    m_selectedSite = -1;
    m_detrendedX.clear();
    m_detrendedY.clear();
    if (!m_diagnosticSites.empty()) {
        const double rate = m_diagnosticRequest.videoInfo.captureFrameRate;
        const qint64 samples = m_diagnosticRequest.endFrame - m_diagnosticRequest.startFrame - 1;
        int accepted = 0;
        for (std::size_t i = 0; i < m_diagnosticSites.size(); ++i) {
            const GridSite& site = m_diagnosticSites[i];
            accepted += site.accepted ? 1 : 0;
            m_diagnosticSiteList.append(
                QVariantMap{{QStringLiteral("index"), int(i)},
                            {QStringLiteral("accepted"), site.accepted},
                            {QStringLiteral("reason"), spectrum::siteReason(site, rate)},
                            {QStringLiteral("validFraction"),
                             samples > 0 ? double(site.validSamples) / double(samples) : 0.0},
                            {QStringLiteral("gapCount"), site.gapCount}});
        }
        m_diagnosticText = QCoreApplication::translate(
                               "SpectrumController",
                               "Accepted points: %1 of %2. Spectrum uses each point's longest "
                               "continuous segment; gaps are not interpolated.")
                               .arg(accepted)
                               .arg(m_diagnosticSites.size());
        m_selectedSite = initialDiagnosticSite();
        const GridSite& site = m_diagnosticSites[std::size_t(m_selectedSite)];
        m_detrendedX = spectrum::detrendRuns(site.phaseSeriesX);
        m_detrendedY = spectrum::detrendRuns(site.phaseSeriesY);
    }
    rebuildLocalSpectrum();
}

// The points open on the point that carries the strongest candidate, else on the first accepted
// one: an excluded point says nothing about the vibration.
int SpectrumController::initialDiagnosticSite() const
{
    if (ready() && m_diagnosticIdentity == m_result.request.identity &&
        !m_result.candidates.empty()) {
        const qint32 strongest = m_result.candidates.front().amplitudePoint;
        if (strongest >= 0 && strongest < qint32(m_diagnosticSites.size()))
            return int(strongest);
    }
    const auto accepted = std::find_if(m_diagnosticSites.begin(), m_diagnosticSites.end(),
                                       [](const GridSite& site) { return site.accepted; });
    return accepted == m_diagnosticSites.end() ? 0 : int(accepted - m_diagnosticSites.begin());
}

void SpectrumController::selectDiagnosticSite(int index)
{
    if (index < 0 || index >= int(m_diagnosticSites.size()))
        return;
    m_selectedSite = index;
    const GridSite& site = m_diagnosticSites[std::size_t(index)];
    m_detrendedX = spectrum::detrendRuns(site.phaseSeriesX);
    m_detrendedY = spectrum::detrendRuns(site.phaseSeriesY);
    rebuildLocalSpectrum();
    emit diagnosticChanged();
}

void SpectrumController::rebuildLocalSpectrum()
{
    m_localPoints.clear();
    m_localCandidates.clear();
    m_localStepHz = 0.0;
    m_localPeakHz = 0.0;
    m_localPowerNormalization = 0.0;
    m_localAvailable = false;
    if (!diagnosticSegmentAccepted()) {
        m_localMessage = QCoreApplication::translate(
            "SpectrumController",
            "Local spectrum unavailable: this point has no accepted continuous segment.");
        return;
    }
    SpectrumResult local;
    if (!spectrum::localSpectrum(m_diagnosticSites[std::size_t(m_selectedSite)],
                                 m_diagnosticRequest.videoInfo.captureFrameRate, &local)) {
        m_localMessage = QCoreApplication::translate("SpectrumController",
                                                     "The local spectrum could not be calculated.");
        return;
    }
    for (const project_data::FrequencyCandidate& c : local.candidates)
        m_localCandidates.append(
            QVariantMap{{QStringLiteral("lowerFrequencyHz"), c.lowerFrequencyHz},
                        {QStringLiteral("upperFrequencyHz"), c.upperFrequencyHz},
                        {QStringLiteral("frequencyHz"), c.measuredFrequencyHz()},
                        {QStringLiteral("relativePower"), c.relativePower}});
    double largest = 0.0;
    for (std::size_t k = 1; k < local.spectrum.size(); ++k) {
        const double frequency = double(k) * local.binWidthHz;
        m_localPoints.append(QVariantMap{{QStringLiteral("frequencyHz"), frequency},
                                         {QStringLiteral("relativePower"), local.spectrum[k]}});
        if (local.spectrum[k] > largest) {
            largest = local.spectrum[k];
            m_localPeakHz = frequency;
        }
    }
    m_localStepHz = local.binWidthHz;
    m_localPowerNormalization = local.powerNormalization;
    m_localAvailable = largest > 0.0;
    m_localMessage = m_localAvailable
                         ? QCoreApplication::translate(
                               "SpectrumController",
                               "Local spectrum of the highlighted segment. Linear trend is "
                               "removed; power is normalized within this point. The largest bin "
                               "is not a confirmed vibration frequency.")
                         : QCoreApplication::translate(
                               "SpectrumController",
                               "No measurable local spectral power in the accepted segment.");
}

QVariantMap SpectrumController::diagnosticTraceWindow(double startSeconds, double endSeconds,
                                                      int columns, bool detrend) const
{
    QVariantList samples;
    bool raw = false;
    if (m_selectedSite >= 0 && m_selectedSite < int(m_diagnosticSites.size())) {
        const GridSite& site = m_diagnosticSites[std::size_t(m_selectedSite)];
        const std::vector<project_data::TraceBucket> buckets = spectrum::traceWindow(
            detrend ? m_detrendedX : site.phaseSeriesX, detrend ? m_detrendedY : site.phaseSeriesY,
            diagnosticSampleRate(), startSeconds, endSeconds, columns, &raw);
        samples.reserve(qsizetype(buckets.size()));
        for (const project_data::TraceBucket& b : buckets)
            samples.append(QVariantMap{{QStringLiteral("timeSeconds"), b.startSeconds},
                                       {QStringLiteral("timeEndSeconds"), b.endSeconds},
                                       {QStringLiteral("xMin"), b.xMin},
                                       {QStringLiteral("xMax"), b.xMax},
                                       {QStringLiteral("yMin"), b.yMin},
                                       {QStringLiteral("yMax"), b.yMax},
                                       {QStringLiteral("valid"), b.valid},
                                       {QStringLiteral("hasGap"), b.hasGap}});
    }
    return {{QStringLiteral("samples"), samples},
            {QStringLiteral("raw"), raw && !samples.isEmpty()}};
}

// ---- Relative phase -----------------------------------------------------------------------

void SpectrumController::rebuildPhaseSamples()
{
    m_phaseSamples.clear();
    const double rate = m_diagnosticRequest.videoInfo.captureFrameRate;
    const bool computed = m_phaseVectorComputed && m_phaseVector.size() == m_diagnosticSites.size();
    for (std::size_t i = 0; i < m_diagnosticSites.size(); ++i) {
        const GridSite& site = m_diagnosticSites[i];
        QVariantMap map = cellMap(site.cellRect, site.sampleX, site.sampleY);
        map.insert(QStringLiteral("index"), int(i));
        RelativePhaseSample sample;
        if (computed)
            sample = m_phaseVector[i];
        map.insert(QStringLiteral("valid"), computed && sample.valid);
        map.insert(QStringLiteral("phaseDegrees"), sample.phaseDegrees);
        map.insert(QStringLiteral("quality"), sample.quality);
        map.insert(
            QStringLiteral("reason"),
            computed ? phaseReasonText(sample.reason)
                     : QCoreApplication::translate("SpectrumController", "No phase estimate yet."));
        map.insert(QStringLiteral("startSeconds"),
                   rate > 0.0 ? double(sample.intervalStart + 1) / rate : 0.0);
        map.insert(QStringLiteral("durationSeconds"),
                   rate > 0.0 ? double(std::max(sample.intervalLength, 0)) / rate : 0.0);
        m_phaseSamples.append(map);
    }
}

void SpectrumController::resetPhaseState()
{
    if (m_phaseCancelFlag)
        m_phaseCancelFlag->store(true);
    // Without a calculated phase the samples depend on the points alone: a band or reference
    // change need not rebuild a few thousand of them.
    const bool samplesCurrent =
        !m_phaseVectorComputed && m_phaseSamples.size() == qsizetype(m_diagnosticSites.size());
    m_phaseValid = false;
    m_phaseVector.clear();
    m_phaseVectorComputed = false;
    m_storedPhaseMessage.clear();
    if (!samplesCurrent)
        rebuildPhaseSamples();
    emit phaseChanged();
}

void SpectrumController::setPhaseReferenceSite(int index)
{
    if (m_phaseBusy || index < 0 || index >= int(m_diagnosticSites.size()) ||
        index == m_phaseReference)
        return;
    m_phaseReference = index;
    resetPhaseState();
    emit stateChanged();
}

void SpectrumController::setPhaseAxis(int axis)
{
    if (m_phaseBusy || axis < 0 || axis >= 2 || axis == m_phaseAxis)
        return;
    m_phaseAxis = axis;
    resetPhaseState();
    emit stateChanged();
}

void SpectrumController::calculatePhaseMap()
{
    if (m_shuttingDown || !phaseCanCalculate())
        return;
    resetPhaseState();
    m_phaseCancelFlag = std::make_shared<std::atomic_bool>(false);
    m_phaseBusy = true;
    m_phaseWatcher.setFuture(
        QtConcurrent::run([sites = m_diagnosticSites, reference = m_phaseReference,
                           axis = m_phaseAxis, rate = m_result.request.videoInfo.captureFrameRate,
                           frequency = m_phaseFrequencyHz, flag = m_phaseCancelFlag] {
            motion_core::lowerCurrentThreadPriority();
            return spectrum::computeRelativePhase(sites, reference, axis, rate, frequency,
                                                  [flag] { return flag->load(); });
        }));
    emit phaseChanged();
    emit stateChanged();
}

void SpectrumController::cancelPhaseMap()
{
    if (!m_phaseBusy || !m_phaseCancelFlag || m_phaseCancelFlag->load())
        return;
    m_phaseCancelFlag->store(true);
    m_storedPhaseMessage =
        QCoreApplication::translate("SpectrumController", "Phase calculation cancelled.");
    emit phaseChanged();
    emit stateChanged();
}

void SpectrumController::onPhaseFinished()
{
    if (m_shuttingDown)
        return;
    m_phaseBusy = false;
    const bool cancelled = !m_phaseCancelFlag || m_phaseCancelFlag->load();
    if (!cancelled) {
        m_phaseVector = m_phaseWatcher.result();
        m_phaseVectorComputed = true;
        const auto valid = std::count_if(m_phaseVector.begin(), m_phaseVector.end(),
                                         [](const RelativePhaseSample& s) { return s.valid; });
        m_phaseValid = valid > 0;
        m_storedPhaseMessage =
            m_phaseValid
                ? QCoreApplication::translate("SpectrumController",
                                              "Phase shown for %1 of %2 points. Each pair uses "
                                              "its common continuous interval.")
                      .arg(valid)
                      .arg(m_phaseVector.size())
                : QCoreApplication::translate("SpectrumController",
                                              "No stable phase estimates. Try another "
                                              "reference, component or frequency.");
        rebuildPhaseSamples();
    }
    m_phaseCancelFlag.reset();
    emit phaseChanged();
    emit stateChanged();
}

// ---- Analysis exports ---------------------------------------------------------------------

QUrl SpectrumController::suggestedAnalysisFileUrl(int format)
{
    m_reportTime = {};
    if (format != int(reports::AnalysisExportFormat::PdfReport) &&
        format != int(reports::AnalysisExportFormat::DocxReport))
        return {};
    m_reportTime = QDateTime::currentDateTime();
    const QString base =
        QStringLiteral("report_") + m_reportTime.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    const QString extension = QLatin1Char('.') + reports::analysisExportSuffix(format);
    const QString sourcePath = ready() ? m_result.request.videoInfo.filePath
                                       : (m_videoSession ? m_videoSession->filePath() : QString());
    const QDir folder = QFileInfo(sourcePath).absoluteDir();
    QString candidate = folder.absoluteFilePath(base + extension);
    for (int n = 2; QFileInfo(candidate).exists() || QFileInfo(candidate).isSymLink(); ++n)
        candidate = folder.absoluteFilePath(base + QStringLiteral("_%1").arg(n) + extension);
    return QUrl::fromLocalFile(candidate);
}

QUrl SpectrumController::exportFolderUrl() const
{
    const QString sourcePath = ready() ? m_result.request.videoInfo.filePath
                                       : (m_videoSession ? m_videoSession->filePath() : QString());
    if (sourcePath.isEmpty())
        return {};
    return QUrl::fromLocalFile(QFileInfo(sourcePath).absolutePath());
}

void SpectrumController::dismissReportMessage()
{
    if (m_reportBusy || m_reportMessage.isEmpty())
        return;
    m_reportMessage.clear();
    emit reportChanged();
}

bool SpectrumController::exportAnalysis(const QUrl& path, int format, bool logarithmicColors)
{
    const QString refused = QCoreApplication::translate(
        "SpectrumController",
        "Choose an available export format for the current analysis and a local file.");
    // A refusal while an export runs keeps that export's message.
    if (m_reportBusy)
        return false;
    const bool formatUsable =
        format >= 0 && format < reports::kAnalysisExportFormatCount &&
        (format != int(reports::AnalysisExportFormat::BandPowerMapPng) || m_mapAvailable) &&
        (format != int(reports::AnalysisExportFormat::RelativePhaseMapPng) || phaseAvailable());
    if (m_shuttingDown || anythingRuns() || !resultCurrent() || !diagnosticsMatchResult() ||
        LocalFile::pathOf(path).isEmpty() || !formatUsable) {
        m_reportMessage = refused;
        emit reportChanged();
        return false;
    }

    reports::AnalysisExportContext context;
    context.result = m_result;
    context.applicationIcon = applicationIcon();
    context.versionText = QLatin1String(version::kText);
    const bool report = format == int(reports::AnalysisExportFormat::PdfReport) ||
                        format == int(reports::AnalysisExportFormat::DocxReport);
    context.created =
        report && m_reportTime.isValid() ? m_reportTime : QDateTime::currentDateTime();
    m_reportTime = {};
    context.lowerHz = m_selectedLowerHz;
    context.upperHz = m_selectedUpperHz;
    context.phaseFrequencyHz = m_phaseFrequencyHz;
    context.phaseAxis = m_phaseAxis;
    context.phaseReferenceIndex = m_phaseReference;
    context.hasPhase = phaseAvailable();
    context.hasPhaseCalculation = m_phaseVectorComputed;
    context.hasPowerMap = m_mapAvailable;
    context.relativePhase = m_phaseVector;
    context.sites = reports::AnalysisExportContext::sitesFrom(m_diagnosticSites);
    context.logarithmicColors = logarithmicColors;

    // A typed name without an extension gets the format's, as the save dialogs do.
    QString given = LocalFile::pathOf(path);
    if (QFileInfo(given).suffix().isEmpty())
        given += QLatin1Char('.') + reports::analysisExportSuffix(format);
    // The folder as the file system resolves it; an unresolvable one goes to the writer as
    // given, which refuses it with its reason.
    const QString resolved = processing::OutputDestination::resolvedPath(given);
    m_reportPath = resolved.isEmpty() ? given : resolved;
    m_reportBusy = true;
    m_reportMessage = QCoreApplication::translate("SpectrumController", "Saving analysis export…");
    emit reportChanged();
    emit stateChanged();
    m_reportWatcher.setFuture(
        QtConcurrent::run([target = m_reportPath, format, context = std::move(context)] {
            motion_core::lowerCurrentThreadPriority();
            return reports::writeAnalysisExport(target, format, context);
        }));
    return true;
}

void SpectrumController::onReportFinished()
{
    if (m_shuttingDown)
        return;
    m_reportBusy = false;
    const QString failure = m_reportWatcher.result();
    m_reportMessage = failure.isEmpty() ? QCoreApplication::translate("SpectrumController",
                                                                      "Analysis export saved: %1")
                                              .arg(m_reportPath)
                                        : failure;
    emit reportChanged();
    emit stateChanged();
}

// ---- Diagnostics snapshot -----------------------------------------------------------------

QJsonObject SpectrumController::diagnosticSnapshot() const
{
    int accepted = 0;
    int untextured = 0;
    qint64 lowContrast = 0;
    qint64 phaseJumps = 0;
    qint64 nonFinite = 0;
    for (const GridSite& site : m_diagnosticSites) {
        accepted += site.accepted ? 1 : 0;
        untextured += site.textured ? 0 : 1;
        lowContrast += site.lowContrastSamples;
        phaseJumps += site.phaseJumpSamples;
        nonFinite += site.nonFiniteSamples;
    }
    const auto phaseValid = std::count_if(m_phaseVector.begin(), m_phaseVector.end(),
                                          [](const RelativePhaseSample& s) { return s.valid; });
    QJsonValue referenceSample = QJsonValue::Null;
    if (m_phaseReference >= 0 && m_phaseReference < m_phaseSamples.size())
        referenceSample = QJsonObject::fromVariantMap(m_phaseSamples[m_phaseReference].toMap());

    // Inserted in the documented order (the JSON object itself keeps its keys sorted).
    QJsonObject o;
    o.insert(QStringLiteral("busy"), m_busy);
    o.insert(QStringLiteral("ready"), ready());
    o.insert(QStringLiteral("stale"), stale());
    o.insert(QStringLiteral("progress"), m_progress);
    o.insert(QStringLiteral("error"), m_errorMessage);
    o.insert(QStringLiteral("identity"), QString::fromLatin1(m_result.request.identity));
    o.insert(QStringLiteral("algorithm"), QLatin1String(project_data::kSpectrumAlgorithmId));
    o.insert(QStringLiteral("diagnosticSiteCount"), qint64(m_diagnosticSites.size()));
    o.insert(QStringLiteral("diagnosticSites"), QJsonArray::fromVariantList(m_diagnosticSiteList));
    o.insert(QStringLiteral("workerThreadCount"), m_workerThreadCount);
    o.insert(QStringLiteral("maximumWorkerThreadCount"), maximumWorkerThreadCount());
    o.insert(QStringLiteral("selectedLowerFrequencyHz"), m_selectedLowerHz);
    o.insert(QStringLiteral("selectedUpperFrequencyHz"), m_selectedUpperHz);
    o.insert(QStringLiteral("phaseCanCalculate"), phaseCanCalculate());
    o.insert(QStringLiteral("bandApplicationMessage"), m_bandApplicationMessage);
    o.insert(QStringLiteral("diagnosticStale"), diagnosticStale());
    o.insert(QStringLiteral("diagnosticText"), m_diagnosticText);
    o.insert(QStringLiteral("gridDensityIndex"), m_gridDensityIndex);
    o.insert(QStringLiteral("resultGrid"), resultGridDescription());
    o.insert(QStringLiteral("diagnosticGrid"), diagnosticGridDescription());
    o.insert(QStringLiteral("localSpectrumAvailable"), m_localAvailable);
    o.insert(QStringLiteral("localSpectrumPeakHz"), m_localPeakHz);
    o.insert(QStringLiteral("localSpectrumStepHz"), m_localStepHz);
    o.insert(QStringLiteral("localPhasePeakPower"), m_localPowerNormalization);
    o.insert(QStringLiteral("diagnosticSegmentStartSeconds"), diagnosticSegmentStartSeconds());
    o.insert(QStringLiteral("diagnosticSegmentEndSeconds"), diagnosticSegmentEndSeconds());
    o.insert(QStringLiteral("diagnosticIdentity"), QString::fromLatin1(m_diagnosticIdentity));
    o.insert(QStringLiteral("diagnosticAccepted"), accepted);
    o.insert(QStringLiteral("untexturedCells"), untextured);
    o.insert(QStringLiteral("lowContrastSamples"), lowContrast);
    o.insert(QStringLiteral("phaseJumpSamples"), phaseJumps);
    o.insert(QStringLiteral("nonFiniteSamples"), nonFinite);
    o.insert(QStringLiteral("selectedDiagnosticSite"), m_selectedSite);
    o.insert(QStringLiteral("mapAvailable"), m_mapAvailable);
    o.insert(QStringLiteral("mapMessage"), m_mapMessage);
    o.insert(QStringLiteral("mapFrameNumber"), mapFrameNumber());
    o.insert(QStringLiteral("mapSiteCount"), qint64(m_result.acceptedSignals.size()));
    o.insert(QStringLiteral("phaseAvailable"), phaseAvailable());
    o.insert(QStringLiteral("phaseBusy"), m_phaseBusy);
    o.insert(QStringLiteral("phaseReferenceSite"), m_phaseReference);
    o.insert(QStringLiteral("phaseAxis"), m_phaseAxis);
    o.insert(QStringLiteral("phaseFrequencyHz"), m_phaseFrequencyHz);
    o.insert(QStringLiteral("phaseMessage"), phaseMessage());
    o.insert(QStringLiteral("reportBusy"), m_reportBusy);
    o.insert(QStringLiteral("reportMessage"), m_reportMessage);
    o.insert(QStringLiteral("phaseValidSites"), qint64(phaseValid));
    o.insert(QStringLiteral("phaseReferenceSample"), referenceSample);
    o.insert(QStringLiteral("validSites"), m_result.acceptedCount);
    o.insert(QStringLiteral("selectedSites"), m_result.siteCount);
    o.insert(QStringLiteral("sampleCount"), m_result.sampleCount);
    o.insert(QStringLiteral("fftSize"), m_result.fftSize);
    o.insert(QStringLiteral("unresolvedPeaks"), m_result.unresolvedPeaks);
    o.insert(QStringLiteral("binWidthHz"), m_result.binWidthHz);
    o.insert(QStringLiteral("elapsedMs"), m_result.elapsedMs);
    o.insert(QStringLiteral("candidates"), QJsonArray::fromVariantList(m_candidates));
    o.insert(QStringLiteral("lengthScale"),
             hasLengthScale()
                 ? QJsonValue(
                       QJsonObject{{QStringLiteral("first"),
                                    QJsonArray{m_lengthScale.first.x(), m_lengthScale.first.y()}},
                                   {QStringLiteral("second"),
                                    QJsonArray{m_lengthScale.second.x(), m_lengthScale.second.y()}},
                                   {QStringLiteral("lengthMm"), m_lengthScale.lengthMm},
                                   {QStringLiteral("millimetresPerPixel"), millimetresPerPixel()}})
                 : QJsonValue(QJsonValue::Null));
    o.insert(QStringLiteral("selectedPointAmplitudes"),
             QJsonArray::fromVariantList(selectedPointAmplitudes()));
    return o;
}

} // namespace orvi::ui::controllers
