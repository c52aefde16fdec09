#include "controllers/SpectrumRun.h"

#include "controllers/NumberFormatter.h"
#include "controllers/SpectrumInputs.h"
#include "motion/BackgroundPriority.h"
#include "records/ThreadHandOff.h"
#include "spectrum/SpectrumAnalysisRun.h"

#include <QCoreApplication>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <cmath>

namespace orvi::ui::controllers {

namespace {

constexpr double kProgressStep = 0.005;

} // namespace

SpectrumRun::SpectrumRun(QObject* parent) : QObject(parent)
{
    connect(&m_watcher, &QFutureWatcher<Outcome>::finished, this, &SpectrumRun::finished);
}

SpectrumRun::~SpectrumRun()
{
    shutdown();
}

void SpectrumRun::shutdown()
{
    m_watcher.disconnect(this);
    // Only a run whose outcome was not taken is waited for: a taken future has given up its
    // result and would never report finished again.
    if (!m_cancelFlag)
        return;
    m_cancelFlag->store(true);
    m_watcher.waitForFinished();
}

QString SpectrumRun::stageName() const
{
    if (m_cancelling)
        return QCoreApplication::translate("SpectrumController", "Cancelling spectrum analysis");
    return m_progress < 0.9
               ? QCoreApplication::translate("SpectrumController",
                                             "Analyzing motion frame by frame…")
               : QCoreApplication::translate("SpectrumController", "Calculating spectrum");
}

QString SpectrumRun::summary() const
{
    if (!ready())
        return {};
    const project_data::SpectrumAnalysisRequest& request = m_result.request;
    const QLocale locale = NumberFormatter::plainSystemLocale();
    return QCoreApplication::translate(
               "SpectrumController",
               "%1 fps; frames %2–%3; %4/%5 reliable sites; grid %6 Hz; window scale %7 Hz; "
               "%8 × %9 analysis pixels; %10 ms.")
        .arg(NumberFormatter::trimmed(locale, request.videoInfo.captureFrameRate, 8))
        .arg(request.startFrame + 1)
        .arg(request.endFrame)
        .arg(m_result.acceptedCount)
        .arg(m_result.siteCount)
        .arg(NumberFormatter::trimmed(locale, m_result.binWidthHz, 4),
             NumberFormatter::trimmed(locale, m_result.windowResolutionHz, 4))
        .arg(m_result.analysisImageSize.width())
        .arg(m_result.analysisImageSize.height())
        .arg(m_result.elapsedMs);
}

QString SpectrumRun::cameraMotionSummary() const
{
    const project_data::CameraMotion& camera = m_result.cameraMotion;
    if (!ready() || !m_result.request.cameraMotionCompensation || !camera.compensated)
        return {};
    const QLocale locale = NumberFormatter::plainSystemLocale();
    // A value that cannot be given (no match quality of a single frame) shows as a dash.
    const auto number = [&](double value) {
        return std::isfinite(value) ? NumberFormatter::fixedText(locale, value, 2)
                                    : QStringLiteral("—");
    };
    return QCoreApplication::translate("SpectrumController",
                                       "Camera motion removed: %1 px peak, %2 px RMS; match "
                                       "quality %3 (lowest %4).")
        .arg(number(camera.peakPx), number(camera.rmsPx), number(camera.meanQuality),
             number(camera.lowestQuality));
}

QString SpectrumRun::gridDescription() const
{
    return ready() ? SpectrumInputs::gridDescription(m_result.request) : QString();
}

QString SpectrumRun::help()
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

void SpectrumRun::start(const project_data::SpectrumAnalysisRequest& request)
{
    m_busy = true;
    m_cancelling = false;
    m_cancelled = false;
    m_progress = 0.0;
    m_errorMessage.clear();
    m_cancelFlag = std::make_shared<std::atomic_bool>(false);
    const quint64 generation = ++m_generation;

    // Posted to the interface thread in steps of at least 0.5 % (and the end), so a long run
    // does not flood the event queue.
    auto report = [this, generation, last = -1.0](double value) mutable {
        if (value < 1.0 && value - last < kProgressStep)
            return;
        last = value;
        project_data::postHandOff(this, [&] {
            QMetaObject::invokeMethod(
                this,
                [this, generation, value] {
                    project_data::receiveHandOff(this);
                    onProgress(generation, value);
                },
                Qt::QueuedConnection);
        });
    };
    m_watcher.setFuture(QtConcurrent::run([request, flag = m_cancelFlag, report] {
        motion_core::lowerCurrentThreadPriority();
        Outcome outcome;
        outcome.result = spectrum::runSpectrumAnalysis(
            request, [flag] { return flag->load(); }, report);
        outcome.inspectedSites = outcome.result.sites;
        return outcome;
    }));
}

bool SpectrumRun::cancel()
{
    if (!m_busy || !m_cancelFlag)
        return false;
    m_cancelFlag->store(true);
    m_cancelling = true;
    return true;
}

void SpectrumRun::onProgress(quint64 generation, double value)
{
    if (generation != m_generation || !m_busy)
        return;
    m_progress = std::clamp(value, 0.0, 1.0);
    emit progressChanged();
}

std::optional<SpectrumRun::Outcome> SpectrumRun::takeOutcome()
{
    // Moved out, not copied: a copy of every point's signals kept the interface thread busy
    // for about 25 ms at the end of a 1080p analysis.
    Outcome outcome = m_watcher.future().takeResult();
    const project_data::SpectrumResult& result = outcome.result;
    const bool cancelled = result.cancelled || (m_cancelFlag && m_cancelFlag->load());
    m_busy = false;
    m_cancelling = false;
    m_cancelFlag.reset();
    if (cancelled) {
        m_cancelled = true;
        return std::nullopt;
    }
    if (!result.ok)
        m_errorMessage =
            result.errorMessage.isEmpty()
                ? QCoreApplication::translate("SpectrumController", "Spectrum analysis failed.")
                : result.errorMessage;
    return outcome;
}

void SpectrumRun::adopt(project_data::SpectrumResult result)
{
    m_result = std::move(result);
    m_progress = 1.0;
}

void SpectrumRun::setLengthScale(const project_data::LengthScale& scale)
{
    if (m_result.ok)
        m_result.request.lengthScale = scale;
}

void SpectrumRun::clear()
{
    m_result = {};
    m_errorMessage.clear();
    m_progress = 0.0;
}

} // namespace orvi::ui::controllers
