#include "spectrum/SpectrumViews.h"

#include "motion/MotionWorkerPool.h"
#include "spectrum/SpectrumStage.h"

#include <QCoreApplication>
#include <QLocale>
#include <algorithm>
#include <cmath>
#include <exception>

namespace orvi::spectrum {

namespace {

bool hasUsableSegment(const project_data::GridSite& site)
{
    const qint64 seriesLength = qint64(site.phaseSeriesX.size());
    return site.accepted && site.segmentStart >= 0 && site.segmentLength >= kMinimumSeriesSamples &&
           site.segmentLength <= kMaximumSeriesSamples &&
           site.phaseSeriesX.size() == site.phaseSeriesY.size() &&
           qint64(site.segmentStart) + site.segmentLength <= seriesLength;
}

std::vector<float> copySegment(const std::vector<float>& series, int start, int length)
{
    return std::vector<float>(series.begin() + start, series.begin() + start + length);
}

} // namespace

std::vector<project_data::BandMapEntry>
bandPowerMap(const std::vector<project_data::AcceptedSignal>& pointSignals, double binWidthHz,
             double lowerHz, double upperHz)
{
    std::vector<project_data::BandMapEntry> entries;
    if (!std::isfinite(binWidthHz) || binWidthHz <= 0.0 || !std::isfinite(lowerHz) ||
        !std::isfinite(upperHz) || lowerHz <= 0.0 || lowerHz >= upperHz)
        return entries;
    const double lowBin = std::max(std::ceil(lowerHz / binWidthHz), 1.0);
    const double highBinLimit = std::floor(upperHz / binWidthHz);
    entries.reserve(pointSignals.size());
    double strongest = 0.0;
    for (const project_data::AcceptedSignal& signal : pointSignals) {
        project_data::BandMapEntry entry;
        entry.sampleX = signal.sampleX;
        entry.sampleY = signal.sampleY;
        entry.cellRect = signal.cellRect;
        const std::vector<double>& power = signal.powerSpectrum;
        const double highBin = std::min(highBinLimit, double(power.size()) - 1.0);
        if (highBin >= lowBin) {
            const int low = int(lowBin);
            const int high = int(highBin);
            double bandPower = 0.0;
            int peak = low;
            for (int k = low; k <= high; ++k) {
                bandPower += power[size_t(k)];
                if (power[size_t(k)] > power[size_t(peak)])
                    peak = k;
            }
            // Between bins, like every other frequency the analysis states.
            entry.peakFrequencyHz = interpolatedPeakHz(power, binWidthHz, peak);
            if (std::isfinite(bandPower) && bandPower > 1e-12 &&
                bandPower >= 4.0 * (high - low + 1) * signal.localBackground) {
                entry.value = bandPower;
                entry.valid = true;
                strongest = std::max(strongest, bandPower);
            }
        }
        entries.push_back(entry);
    }
    if (strongest > 0.0) {
        for (project_data::BandMapEntry& entry : entries) {
            if (entry.valid)
                entry.value /= strongest;
        }
    }
    return entries;
}

bool localSpectrum(const project_data::GridSite& site, double captureRate,
                   project_data::SpectrumResult* out)
{
    if (!hasUsableSegment(site))
        return false;
    try {
        std::vector<std::vector<float>> series;
        series.push_back(copySegment(site.phaseSeriesX, site.segmentStart, site.segmentLength));
        series.push_back(copySegment(site.phaseSeriesY, site.segmentStart, site.segmentLength));
        project_data::SpectrumResult local;
        project_data::AcceptedSignal signal;
        signal.sampleX = site.sampleX;
        signal.sampleY = site.sampleY;
        signal.cellRect = site.cellRect;
        local.acceptedSignals.push_back(signal);
        local.siteCount = 1;
        local.acceptedCount = 1;
        motion_core::MotionWorkerPool pool; // a single worker: everything runs inline
        if (!computeSpectrum(series, captureRate, local, {}, pool, {}))
            return false;
        local.ok = true;
        if (out)
            *out = std::move(local);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

std::vector<project_data::TraceBucket> traceWindow(const std::vector<float>& seriesX,
                                                   const std::vector<float>& seriesY,
                                                   double captureRate, double startSeconds,
                                                   double endSeconds, int columns, bool* raw)
{
    std::vector<project_data::TraceBucket> buckets;
    if (raw)
        *raw = false;
    const qint64 count = qint64(seriesX.size());
    if (count < 1 || seriesY.size() != seriesX.size() || count > kMaximumSeriesSamples ||
        !std::isfinite(captureRate) || captureRate <= 0.0 || !std::isfinite(startSeconds) ||
        !std::isfinite(endSeconds))
        return buckets;
    const double rate = captureRate;
    const double lastTime = double(count + 1) / rate;
    const double start = std::clamp(startSeconds, 0.0, lastTime);
    const double end = std::clamp(endSeconds, 0.0, lastTime);
    if (start >= end)
        return buckets;
    const qint64 first = std::clamp<qint64>(qint64(std::ceil(start * rate - 1.0 - 1e-9)), 0, count);
    const qint64 last = std::min<qint64>(qint64(std::floor(end * rate - 1.0 + 1e-9)) + 1, count);
    if (last <= first)
        return buckets;
    const qint64 width = std::clamp(columns, kMinimumTraceColumns, kMaximumTraceColumns);
    const qint64 step = std::max<qint64>(1, (last - first - 1 + width) / width);
    if (raw)
        *raw = step == 1;
    for (qint64 begin = first; begin < last; begin += step) {
        const qint64 stop = std::min(begin + step, last);
        project_data::TraceBucket bucket;
        bucket.startSeconds = double(begin + 1) / rate;
        bucket.endSeconds = double(stop + 1) / rate;
        for (qint64 i = begin; i < stop; ++i) {
            const double x = seriesX[size_t(i)];
            const double y = seriesY[size_t(i)];
            if (!std::isfinite(x) || !std::isfinite(y)) {
                bucket.hasGap = true;
                continue;
            }
            if (!bucket.valid) {
                bucket.xMin = bucket.xMax = x;
                bucket.yMin = bucket.yMax = y;
                bucket.valid = true;
                continue;
            }
            bucket.xMin = std::min(bucket.xMin, x);
            bucket.xMax = std::max(bucket.xMax, x);
            bucket.yMin = std::min(bucket.yMin, y);
            bucket.yMax = std::max(bucket.yMax, y);
        }
        buckets.push_back(bucket);
    }
    return buckets;
}

std::vector<float> detrendRuns(const std::vector<float>& series)
{
    std::vector<float> result = series;
    const size_t count = series.size();
    size_t runStart = 0;
    while (runStart < count) {
        if (!std::isfinite(series[runStart])) {
            ++runStart;
            continue;
        }
        size_t runEnd = runStart;
        while (runEnd < count && std::isfinite(series[runEnd]))
            ++runEnd;
        const size_t length = runEnd - runStart;
        const double centre = (double(length) - 1.0) * 0.5;
        double sum = 0.0;
        double weighted = 0.0;
        double spread = 0.0;
        for (size_t i = 0; i < length; ++i) {
            const double offset = double(i) - centre;
            sum += series[runStart + i];
            weighted += offset * series[runStart + i];
            spread += offset * offset;
        }
        const double mean = sum / double(length);
        const double slope = spread > 0.0 ? weighted / spread : 0.0;
        for (size_t i = 0; i < length; ++i) {
            result[runStart + i] =
                float(series[runStart + i] - mean - slope * (double(i) - centre));
        }
        runStart = runEnd;
    }
    return result;
}

QString siteReason(const project_data::GridSite& site, double captureRate)
{
    if (!site.textured)
        return QCoreApplication::translate("SpectrumAnalysis",
                                           "No textured point in this cell on the first frame.");
    const bool rateKnown = captureRate > 0.0;
    const double length = rateKnown ? site.segmentLength / captureRate : 0.0;
    const double start = rateKnown ? (site.segmentStart + 1) / captureRate : 0.0;
    const QString details =
        QCoreApplication::translate(
            "SpectrumAnalysis",
            "Longest segment: %1 s, starting at %2 s. Lost samples: low contrast %3, phase "
            "jump %4, non-finite %5.")
            .arg(QLocale().toString(length, 'f', 3), QLocale().toString(start, 'f', 3))
            .arg(site.lowContrastSamples)
            .arg(site.phaseJumpSamples)
            .arg(site.nonFiniteSamples);
    const QString verdict =
        site.accepted
            ? QCoreApplication::translate("SpectrumAnalysis", "Accepted continuous segment.")
            : QCoreApplication::translate(
                  "SpectrumAnalysis",
                  "Continuous segment is too short (minimum 64 samples and 25% of the "
                  "fragment).");
    return verdict + QLatin1Char(' ') + details;
}

} // namespace orvi::spectrum
