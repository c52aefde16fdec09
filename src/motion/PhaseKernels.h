#pragma once

#include "motion/FloatPlane.h"
#include "motion/KernelSupport.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace orvi::motion_core {

class MotionWorkerPool;

// Largest phase shift applied to a sample: a quarter turn.
inline constexpr float kMaximumPhaseShift = 1.5707964f;
// Below this blurred amplitude the denoised phase is 0.
inline constexpr float kDenoiseAmplitudeFloor = 0.0001f;

// Phase change of one sample between two frames, from the quaternion product of the current
// (I, R1, R2) with the previous one.
struct PhaseDifference
{
    float cosPart = 0.0f;   // phase difference times the cosine of the local orientation
    float sinPart = 0.0f;   // phase difference times the sine of the local orientation
    float amplitude = 0.0f; // geometric mean of the two local amplitudes
};

// Single precision throughout: q1 = a1 b0 - a0 b1, q2 = a2 b0 - a0 b2,
// r = a0 b0 + a1 b1 + a2 b2, v = hypot(q1, q2), phi = atan2(v, r) in 0..pi;
// parts = phi q / v when v > 1e-6, else 0; amplitude = (q1^2 + r^2 + q2^2)^(1/4).
inline PhaseDifference quaternionPhaseDifference(float a0, float a1, float a2, float b0, float b1,
                                                 float b2)
{
    const float q1 = a1 * b0 - a0 * b1;
    const float q2 = a2 * b0 - a0 * b2;
    const float r = a0 * b0 + a1 * b1 + a2 * b2;
    const float v = std::hypot(q1, q2);
    const float phi = std::atan2(v, r);
    PhaseDifference d;
    if (v > 1e-6f) {
        d.cosPart = phi * q1 / v;
        d.sinPart = phi * q2 / v;
    }
    d.amplitude = std::sqrt(std::sqrt(std::max(q1 * q1 + r * r + q2 * q2, 0.0f)));
    return d;
}

// Riesz components of one band level (three-tap approximation, whole-sample symmetric
// border): R1(x, y) = (I(x-1, y) - I(x+1, y)) / 2, R2(x, y) = (I(x, y-1) - I(x, y+1)) / 2.
void rieszTransform(MotionWorkerPool& pool, const FloatPlane& level, FloatPlane& r1,
                    FloatPlane& r2);

// Per-sample phase difference of three current planes against three previous planes of the
// same size; the outputs are reshaped to that size. Mismatched or empty inputs clear them.
void quaternionPhaseDifference(MotionWorkerPool& pool, const FloatPlane& currentI,
                               const FloatPlane& currentR1, const FloatPlane& currentR2,
                               const FloatPlane& previousI, const FloatPlane& previousR1,
                               const FloatPlane& previousR2, FloatPlane& cosPart,
                               FloatPlane& sinPart, FloatPlane& amplitude);

// One level of phase accumulation: adds the phase difference of current against previous to
// the cosine and sine accumulators and writes the amplitude plane. All six inputs and both
// accumulators must have one size; otherwise nothing changes and false is returned.
bool accumulatePhase(MotionWorkerPool& pool, const FloatPlane& currentI,
                     const FloatPlane& currentR1, const FloatPlane& currentR2,
                     const FloatPlane& previousI, const FloatPlane& previousR1,
                     const FloatPlane& previousR2, FloatPlane& cosAccumulator,
                     FloatPlane& sinAccumulator, FloatPlane& amplitude);

// The same accumulation with the Riesz components of both frames formed from their band
// levels as they are needed (rieszTransform's floats), so no component plane is kept.
// `finished`, when given, is called on the pool's threads with each block of rows whose
// samples [begin, end) are accumulated, while they are still in cache.
bool accumulatePhase(MotionWorkerPool& pool, const FloatPlane& currentI,
                     const FloatPlane& previousI, FloatPlane& cosAccumulator,
                     FloatPlane& sinAccumulator, FloatPlane& amplitude,
                     const std::function<void(int, int)>& finished = {});

// Output planes and border tables of the phase denoising, kept between frames to avoid
// reallocation (the planes' storage is exchanged with the denoised planes on every call).
struct DenoiseScratch
{
    FloatPlane denoisedCos;
    FloatPlane denoisedSin;
    detail::TapIndex columns;
    detail::TapIndex rows;
};

// Amplitude-weighted smoothing of one level's filtered phase, in place:
// A' = blur(M A) / blur(M), B' = blur(M B) / blur(M) with the 9-tap denoising kernel, and 0
// where blur(M) <= 0.0001. Planes of different sizes clear both outputs. Every thread that
// runs it keeps a work buffer of about 120 rows of the plane's width for later calls.
void denoisePhase(MotionWorkerPool& pool, FloatPlane& filteredCos, FloatPlane& filteredSin,
                  const FloatPlane& amplitude, DenoiseScratch* scratch = nullptr);

// Phase shift of one band level by the factor s (amplification factor - 1):
// a = s (cos, sin), theta = |a| limited to pi/2 (a scaled along), then
// out = cos(theta) I - (R1 a1 + R2 a2) sin(theta) / theta (the quotient is 1 for
// theta <= 1e-6). `out` may be `band` itself. Mismatched sizes clear `out`.
void shiftPhase(MotionWorkerPool& pool, const FloatPlane& band, const FloatPlane& r1,
                const FloatPlane& r2, const FloatPlane& filteredCos, const FloatPlane& filteredSin,
                float factor, FloatPlane& out);

// denoisePhase followed by shiftPhase with the Riesz components of `band`, row by row: the
// same floats as the two calls, without the denoised planes (the filtered planes are left
// as they are). `out` must not be `band`; that, or planes of different sizes, clear `out`.
void denoiseAndShiftPhase(MotionWorkerPool& pool, const FloatPlane& filteredCos,
                          const FloatPlane& filteredSin, const FloatPlane& amplitude,
                          const FloatPlane& band, float factor, FloatPlane& out,
                          DenoiseScratch* scratch = nullptr);

} // namespace orvi::motion_core
