#include "controllers/SpectrumBandSelection.h"

#include "controllers/NumberFormatter.h"
#include "controllers/PointInspection.h"
#include "controllers/ProcessingSettingsController.h"
#include "motion/TemporalBandpassFilter.h"
#include "records/ErrorMessage.h"
#include "spectrum/SpectrumViews.h"

#include <QCoreApplication>
#include <cmath>

namespace orvi::ui::controllers {

using project_data::failWith;

namespace {

constexpr double kBandReadBackTolerance = 1e-9;
constexpr double kCandidateBandTolerance = 1e-9;

} // namespace

bool SpectrumBandSelection::isValid(double lowerHz, double upperHz, double captureFrameRate)
{
    return motion_core::TemporalBandpassFilter::isBandValid(captureFrameRate, lowerHz, upperHz);
}

void SpectrumBandSelection::select(double lowerHz, double upperHz)
{
    m_lowerHz = lowerHz;
    m_upperHz = upperHz;
    m_applicationMessage.clear();
}

int SpectrumBandSelection::candidateIndex(
    const std::vector<project_data::FrequencyCandidate>& candidates,
    std::optional<double> phaseFrequencyHz) const
{
    const auto near = [](double a, double b) { return std::abs(a - b) <= kCandidateBandTolerance; };
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const project_data::FrequencyCandidate& c = candidates[i];
        if (near(c.lowerFrequencyHz, m_lowerHz) && near(c.upperFrequencyHz, m_upperHz) &&
            (!phaseFrequencyHz || near(c.measuredFrequencyHz(), *phaseFrequencyHz)))
            return int(i);
    }
    return -1;
}

bool SpectrumBandSelection::appliesAt(double captureFrameRate, QString* message) const
{
    if (isValid(m_lowerHz, m_upperHz, captureFrameRate))
        return true;
    return failWith(message, QCoreApplication::translate(
                                 "SpectrumController",
                                 "Select a band strictly between 0 Hz and the Nyquist frequency."));
}

bool SpectrumBandSelection::applyTo(ProcessingSettingsController* settings, qint64 frames,
                                    double captureFrameRate, double stepHz)
{
    double lower = m_lowerHz;
    double upper = m_upperHz;
    const bool fits = frames >= 1 && isValid(lower, upper, captureFrameRate) &&
                      motion_core::TemporalBandpassFilter::widenBandToFit(captureFrameRate, &lower,
                                                                          &upper, frames);
    if (!fits) {
        m_applicationMessage =
            QCoreApplication::translate(
                "SpectrumController",
                "The selected fragment has %1 frames. Automatic band expansion up to four times "
                "the original width could not satisfy the amplifier's duration requirement. "
                "Select a longer fragment or adjust the band manually. Amplification settings "
                "were not changed.")
                .arg(frames);
        return false;
    }
    settings->setFrequencyBand(lower, upper);
    if (std::abs(settings->lowerFrequencyHz() - lower) >= kBandReadBackTolerance ||
        std::abs(settings->upperFrequencyHz() - upper) >= kBandReadBackTolerance) {
        m_applicationMessage = QCoreApplication::translate(
            "SpectrumController",
            "The band could not be applied. Check that amplification settings are editable.");
        return false;
    }
    const QLocale locale = NumberFormatter::plainSystemLocale();
    const int decimals = NumberFormatter::frequencyDecimalsFor(stepHz);
    const auto hz = [&](double value) {
        return NumberFormatter::fixedText(locale, value, decimals);
    };
    if (lower == m_lowerHz && upper == m_upperHz)
        m_applicationMessage =
            QCoreApplication::translate(
                "SpectrumController",
                "Band %1–%2 Hz applied to amplification without expansion; the selected fragment "
                "is long enough.")
                .arg(hz(lower), hz(upper));
    else
        m_applicationMessage =
            QCoreApplication::translate(
                "SpectrumController",
                "For amplification, the band was expanded from %1–%2 Hz to %3–%4 Hz for the "
                "selected %5 frames. The spectrum selection is unchanged. Nearby oscillations "
                "may also be amplified.")
                .arg(hz(m_lowerHz), hz(m_upperHz), hz(lower), hz(upper))
                .arg(frames);
    return true;
}

void SpectrumBandSelection::rebuildMap(const project_data::SpectrumResult& result)
{
    m_mapSamples.clear();
    m_mapAvailable = false;
    if (!result.ok || result.firstFrame.isNull() || result.acceptedSignals.empty()) {
        m_mapMessage = QCoreApplication::translate(
            "SpectrumController",
            "Calculate a spectrum to show the first frame and local frequency map.");
        return;
    }
    if (!isValid(m_lowerHz, m_upperHz, result.request.videoInfo.captureFrameRate)) {
        m_mapMessage = QCoreApplication::translate(
            "SpectrumController",
            "Select a valid frequency band to highlight it on the first frame.");
        return;
    }
    const std::vector<project_data::BandMapEntry> entries =
        spectrum::bandPowerMap(result.acceptedSignals, result.binWidthHz, m_lowerHz, m_upperHz);
    int valid = 0;
    for (const project_data::BandMapEntry& entry : entries) {
        QVariantMap map = PointInspection::cellEntry(entry.cellRect, entry.sampleX, entry.sampleY);
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
                  .arg(result.acceptedCount);
}

} // namespace orvi::ui::controllers
