#pragma once

// Building blocks shared by the kernel sources (not part of the public kernel interface).

#include <QtGlobal>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

namespace orvi::motion_core::detail {

// Hot loops get AVX2 and AVX-512 clones next to the portable one, picked at load time. The
// library is built without floating-point contraction: fused multiply-adds would round
// differently from the plain formulas (a phase product of two equal samples would no longer
// be exactly 0), so every clone computes the same floats. Not under the thread checker: the
// load-time clone resolvers would run instrumented before its runtime is ready.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && !defined(ORVI_NO_CLONES) && \
    !defined(__SANITIZE_THREAD__)
#define ORVI_MOTION_HOT __attribute__((target_clones("default", "avx2", "avx512f")))
// Byte and 16-bit loops: AVX-512 pays only with its byte and word instructions, which
// "avx512f" alone leaves out. Integer results are the same in every clone.
#define ORVI_MOTION_HOT_INTEGER __attribute__((target_clones("default", "avx2", "arch=x86-64-v4")))
#else
#define ORVI_MOTION_HOT
#define ORVI_MOTION_HOT_INTEGER
#endif

// Bodies shared by several hot loops: compiled into each caller's clone, never called for
// the portable target alone.
#if defined(__GNUC__)
#define ORVI_MOTION_INLINE inline __attribute__((always_inline))
#else
#define ORVI_MOTION_INLINE inline
#endif

// Source positions and weights of one axis of a bilinear resize from `from` to `to` samples.
struct BilinearAxis
{
    std::vector<int> first;
    std::vector<int> second;
    std::vector<float> weight;
    // An exact doubling (to == 2 * from, from > 1): between the first and the last output,
    // output 2k + 1 blends samples k and k + 1 by 0.25 and output 2k + 2 by 0.75, so loops
    // may take the neighbours by position instead of from the tables.
    bool doubling = false;

    void build(int from, int to);
};

// Source index of every tap of every output position along one axis, with the half-sample
// symmetric border; `stride` 2 keeps only the even outputs (blur fused with downsampling).
struct TapIndex
{
    std::vector<int> index; // outputs * tapCount entries
    void build(int n, int outputs, int stride, int tapCount);
};

// c ? a : b as a bit mask. Written as a plain conditional, a select against a constant lets
// the compiler split the loop body into branches (folding the constant per path), which
// stops vectorisation; the mask form keeps the loop straight.
inline float pick(bool c, float a, float b)
{
    const std::uint32_t mask = 0u - static_cast<std::uint32_t>(c);
    return std::bit_cast<float>((std::bit_cast<std::uint32_t>(a) & mask) |
                                (std::bit_cast<std::uint32_t>(b) & ~mask));
}

// Samples per block of the blocked per-sample kernels (stack buffers).
inline constexpr int kSampleBlock = 256;

// Correctly rounded square roots of a block, in place. The library is built without errno
// for math functions, so these loops vectorise to the widest square root of each clone; the
// results are the same in every clone.
inline void sqrtBlock(float* values, int n)
{
    for (int i = 0; i < n; ++i)
        values[i] = std::sqrt(values[i]);
}

// Correctly rounded double square roots of a block, rounded to float.
inline void sqrtBlock(const double* values, float* out, int n)
{
    for (int i = 0; i < n; ++i)
        out[i] = static_cast<float>(std::sqrt(values[i]));
}

// atan2(y, x) for y >= 0 (result 0..pi) without branches, so that loops using it vectorise:
// octant reduction to t in [0, 1], a further split at tan(pi/8), and the classic float
// minimax polynomial for atan on [-tan(pi/8), tan(pi/8)]. Within a few float ulps of
// std::atan2 (checked by the kernel tests).
inline float atan2NonNegative(float y, float x)
{
    constexpr float kPi = 3.14159265358979f;
    constexpr float kHalfPi = 1.57079632679490f;
    constexpr float kQuarterPi = 0.785398163397448f;
    constexpr float kTanEighthPi = 0.414213562373095f;
    const float ax = std::fabs(x);
    const bool steep = y > ax;
    const float low = pick(steep, ax, y);
    const float high = pick(steep, y, ax);
    const float t = low / pick(high > 0.0f, high, 1.0f);
    const bool upper = t > kTanEighthPi;
    const float reduced = pick(upper, (t - 1.0f) / (t + 1.0f), t);
    const float z = reduced * reduced;
    const float poly = (((8.05374449538e-2f * z - 1.38776856032e-1f) * z + 1.99777106478e-1f) * z -
                        3.33329491539e-1f) *
                           z * reduced +
                       reduced;
    float angle = pick(upper, kQuarterPi, 0.0f) + poly;
    angle = pick(steep, kHalfPi - angle, angle);
    return pick(x < 0.0f, kPi - angle, angle);
}

// cos(theta) and sin(theta) / theta for 0 <= theta <= pi/2 (Taylor series in double, far
// below float rounding on that interval; the quotient is 1 at 0).
inline void cosAndSinc(double theta, double& cosTheta, double& sinc)
{
    const double z = theta * theta;
    cosTheta =
        1.0 +
        z * (-1.0 / 2 +
             z * (1.0 / 24 +
                  z * (-1.0 / 720 +
                       z * (1.0 / 40320 + z * (-1.0 / 3628800 +
                                               z * (1.0 / 479001600 +
                                                    z * (-1.0 / 87178291200 +
                                                         z * (1.0 / 20922789888000 +
                                                              z * (-1.0 / 6402373705728000)))))))));
    sinc = 1.0 +
           z * (-1.0 / 6 +
                z * (1.0 / 120 +
                     z * (-1.0 / 5040 +
                          z * (1.0 / 362880 +
                               z * (-1.0 / 39916800 +
                                    z * (1.0 / 6227020800 + z * (-1.0 / 1307674368000 +
                                                                 z * (1.0 / 355687428096000))))))));
}

} // namespace orvi::motion_core::detail
