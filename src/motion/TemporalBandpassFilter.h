#pragma once

#include "motion/FloatPlane.h"

#include <QCoreApplication>
#include <QString>
#include <QtGlobal>
#include <vector>

namespace orvi::motion_core {

class MotionWorkerPool;

// Second-order IIR band-pass per sample (bilinear transform of B s / (s^2 + B s + P) with
// pre-warped band edges): gain 1 at the centre, 1/sqrt(2) at the edges, no frame latency.
// The state holds one plane per pyramid level and persists across frames until reset().
class TemporalBandpassFilter
{
    Q_DECLARE_TR_FUNCTIONS(TemporalBandpassFilter)

public:
    struct Coefficients
    {
        double b0 = 0.0, b1 = 0.0, b2 = 0.0; // numerator
        double a1 = 0.0, a2 = 0.0;           // denominator, a0 normalised to 1
    };

    // Designs the filter for frame rate fs and band [fl, fh] (0 < fl < fh < fs / 2) and
    // leaves it ready to start afresh (no state). A failure leaves it unconfigured.
    bool configure(double frameRate, double lowerHz, double upperHz, QString* error = nullptr);
    // Drops the state; the design stays.
    void reset();

    // Filters one frame: `output` gets one plane per input level (transposed direct form II
    // in single precision). The first frame after configure/reset sizes the state; a later
    // change of level count or size is an error.
    bool process(const std::vector<FloatPlane>& input, std::vector<FloatPlane>* output,
                 MotionWorkerPool& pool, QString* error = nullptr);
    // process() in two steps, for a caller that filters each part of a level as soon as its
    // input is ready (still in cache): prepare() checks the frame and sizes the state and
    // `output` (the input's samples are not read); filterRange() then filters samples
    // [begin, end) of one level. Disjoint ranges may be filtered from different threads.
    bool prepare(const std::vector<FloatPlane>& input, std::vector<FloatPlane>* output,
                 QString* error = nullptr);
    void filterRange(std::size_t level, const FloatPlane& input, FloatPlane& output, int begin,
                     int end);

    bool isConfigured() const { return m_configured; }
    bool isStateReady() const { return m_stateReady; }
    const Coefficients& coefficients() const { return m_coefficients; }

    // Band design rule shared with the settings: finite, fs > 0, 0 < fl < fh < fs / 2.
    static bool isBandValid(double frameRate, double lowerHz, double upperHz);
    // Coefficients of the band, or false when the band is invalid or they are not finite.
    static bool designCoefficients(double frameRate, double lowerHz, double upperHz,
                                   Coefficients* coefficients);
    // Largest pole radius of the design (0 when the poles cannot be found).
    static double poleRadius(double frameRate, double lowerHz, double upperHz);
    // Frames for the impulse response to decay to 1 % (0 when the filter is not stable).
    static qint64 settlingFrameCount(double frameRate, double lowerHz, double upperHz);
    // Recommended minimum fragment length: settling plus five periods of the lower edge, at
    // least two seconds of frames; 0 for an invalid band.
    static qint64 recommendedMinimumFrameCount(double frameRate, double lowerHz, double upperHz);
    // The band is valid and its upper edge is at or above 80 % of the Nyquist frequency.
    static bool isNearNyquist(double frameRate, double lowerHz, double upperHz);
    // Widens the band around its centre (at most four times its half-width, never across
    // 0 Hz or fs / 2) until its recommended minimum count fits `frameCount`. Returns whether
    // the band fits; the edges change only on success.
    static bool widenBandToFit(double frameRate, double* lowerHz, double* upperHz,
                               qint64 frameCount);

private:
    Coefficients m_coefficients;
    bool m_configured = false;
    bool m_stateReady = false;
    std::vector<FloatPlane> m_s1;
    std::vector<FloatPlane> m_s2;
};

} // namespace orvi::motion_core
