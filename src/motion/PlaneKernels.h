#pragma once

#include "motion/FloatPlane.h"

#include <QImage>

namespace orvi::motion_core {

class MotionWorkerPool;

// Pyramid kernel: binomial 1-4-6-4-1 over 16.
inline constexpr float kPyramidTaps[5] = {0.0625f, 0.25f, 0.375f, 0.25f, 0.0625f};
// Denoising kernel: normalised Gaussian, standard deviation 2.
inline constexpr float kDenoiseTaps[9] = {0.02763055f, 0.06628225f, 0.12383154f,
                                          0.18017381f, 0.20416369f, 0.18017381f,
                                          0.12383154f, 0.06628225f, 0.02763055f};

// Half-sample symmetric border (the edge sample repeats): -1 -> 0, n -> n - 1, repeated
// until inside; 0 when n <= 1. Used by the blur.
int reflectHalfSample(int index, int n);
// Whole-sample symmetric border: -1 -> 1, n -> n - 2; 0 when n <= 1. Used by the Riesz
// transform.
int reflectWholeSample(int index, int n);

// All kernels below are row- or sample-parallel over `pool` and give identical results for
// every worker count. The `...Into` forms write into `out`, reusing its storage; `out` must
// not alias an input. An empty input gives an empty output.

// Rec. 709 luma 0.2126 R + 0.7152 G + 0.0722 B of the non-premultiplied colour, in the
// 0..255 range (no normalisation, no gamma handling). A Grayscale16 image is a luminance
// image of the analysis reading (luminance × 256) and is read as it is.
FloatPlane extractLuminance(MotionWorkerPool& pool, const QImage& image);
void extractLuminanceInto(MotionWorkerPool& pool, const QImage& image, FloatPlane& out);

// Separable convolution with an odd-length kernel: horizontal pass into `scratch`, then the
// vertical pass; half-sample symmetric borders. Taps are summed from the first to the last.
FloatPlane blur(MotionWorkerPool& pool, const FloatPlane& plane, const float* taps, int tapCount);
void blurInto(MotionWorkerPool& pool, const FloatPlane& plane, const float* taps, int tapCount,
              FloatPlane& out, FloatPlane& scratch);

// Keeps every second sample: size ((w + 1) / 2, (h + 1) / 2), at least 1 x 1;
// out(x, y) = in(min(w - 1, 2x), min(h - 1, 2y)). No filtering (blur first).
FloatPlane downsample(MotionWorkerPool& pool, const FloatPlane& plane);

// Bilinear resize with pixel centres aligned ((x + 0.5) * scale - 0.5, clamped to the
// plane). A non-positive target size gives an empty plane.
FloatPlane resizeBilinear(MotionWorkerPool& pool, const FloatPlane& plane, int width, int height);
void resizeBilinearInto(MotionWorkerPool& pool, const FloatPlane& plane, int width, int height,
                        FloatPlane& out);

// Sample-by-sample a + b and a - b; planes of different sizes give an empty plane.
FloatPlane add(MotionWorkerPool& pool, const FloatPlane& a, const FloatPlane& b);
FloatPlane subtract(MotionWorkerPool& pool, const FloatPlane& a, const FloatPlane& b);

// Shorter-side rule for the number of pyramid levels of a frame or region: halve the shorter
// side (rounding up) while it is at least 32, at most 4 times. Below 32 gives 0.
int pyramidLevelCount(int width, int height);

} // namespace orvi::motion_core
