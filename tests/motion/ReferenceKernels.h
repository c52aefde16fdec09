#pragma once

// Plain, direct implementations of the motion formulas, one obvious loop each, used to check
// the optimised kernels.

#include "motion/FloatPlane.h"

#include <QImage>
#include <QRectF>
#include <vector>

namespace orvi::motion_core::reference {

FloatPlane luminance(const QImage& image);
FloatPlane blur(const FloatPlane& in, const std::vector<float>& taps);
FloatPlane downsample(const FloatPlane& in);
FloatPlane resizeBilinear(const FloatPlane& in, int width, int height);
FloatPlane subtract(const FloatPlane& a, const FloatPlane& b);
FloatPlane add(const FloatPlane& a, const FloatPlane& b);
void decompose(const FloatPlane& luminance, int levels, std::vector<FloatPlane>& bands,
               FloatPlane& residual);
FloatPlane reconstruct(const std::vector<FloatPlane>& bands, const FloatPlane& residual);
void riesz(const FloatPlane& in, FloatPlane& r1, FloatPlane& r2);
void phaseDifference(float a0, float a1, float a2, float b0, float b1, float b2, float& cosPart,
                     float& sinPart, float& amplitude);
void denoise(FloatPlane& a, FloatPlane& b, const FloatPlane& m);
float shiftSample(float band, float r1, float r2, float fc, float fs, float factor);
float regionWeight(int x, int y, int w, int h, const QRectF& r, double feather);
QImage compose(const QImage& image, const FloatPlane& before, const FloatPlane& after,
               const QRectF& roi, const QRectF& expanded, double k, double feather);

std::vector<float> pyramidTaps();
std::vector<float> denoiseTaps();

} // namespace orvi::motion_core::reference
