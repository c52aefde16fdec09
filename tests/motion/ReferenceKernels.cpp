#include "ReferenceKernels.h"

#include <algorithm>
#include <cmath>

namespace orvi::motion_core::reference {

namespace {

int reflectHalf(int i, int n)
{
    if (n <= 1)
        return 0;
    while (i < 0 || i >= n)
        i = i < 0 ? -i - 1 : 2 * n - i - 1;
    return i;
}

int reflectWhole(int i, int n)
{
    if (n <= 1)
        return 0;
    while (i < 0 || i >= n)
        i = i < 0 ? -i : 2 * n - i - 2;
    return i;
}

float& at(FloatPlane& p, int x, int y)
{
    return p.samples[std::size_t(y) * p.width + x];
}

} // namespace

std::vector<float> pyramidTaps()
{
    return {0.0625f, 0.25f, 0.375f, 0.25f, 0.0625f};
}

std::vector<float> denoiseTaps()
{
    return {0.02763055f, 0.06628225f, 0.12383154f, 0.18017381f, 0.20416369f,
            0.18017381f, 0.12383154f, 0.06628225f, 0.02763055f};
}

FloatPlane luminance(const QImage& image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    FloatPlane out(argb.width(), argb.height());
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb p = argb.pixel(x, y);
            at(out, x, y) =
                0.2126f * float(qRed(p)) + 0.7152f * float(qGreen(p)) + 0.0722f * float(qBlue(p));
        }
    return out;
}

FloatPlane blur(const FloatPlane& in, const std::vector<float>& taps)
{
    const int r = int(taps.size()) / 2;
    FloatPlane mid(in.width, in.height), out(in.width, in.height);
    for (int y = 0; y < in.height; ++y)
        for (int x = 0; x < in.width; ++x) {
            float acc = 0.0f;
            for (int k = -r; k <= r; ++k)
                acc += taps[r + k] * in.at(reflectHalf(x + k, in.width), y);
            at(mid, x, y) = acc;
        }
    for (int y = 0; y < in.height; ++y)
        for (int x = 0; x < in.width; ++x) {
            float acc = 0.0f;
            for (int k = -r; k <= r; ++k)
                acc += taps[r + k] * mid.at(x, reflectHalf(y + k, in.height));
            at(out, x, y) = acc;
        }
    return out;
}

FloatPlane downsample(const FloatPlane& in)
{
    FloatPlane out(std::max(1, (in.width + 1) / 2), std::max(1, (in.height + 1) / 2));
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            at(out, x, y) = in.at(std::min(in.width - 1, 2 * x), std::min(in.height - 1, 2 * y));
    return out;
}

FloatPlane resizeBilinear(const FloatPlane& in, int width, int height)
{
    FloatPlane out(width, height);
    const double sx = double(in.width) / width, sy = double(in.height) / height;
    for (int y = 0; y < height; ++y) {
        const double fyD = std::clamp((y + 0.5) * sy - 0.5, 0.0, double(in.height - 1));
        const int y0 = int(std::floor(fyD)), y1 = std::min(in.height - 1, y0 + 1);
        const float fy = float(fyD - y0);
        for (int x = 0; x < width; ++x) {
            const double fxD = std::clamp((x + 0.5) * sx - 0.5, 0.0, double(in.width - 1));
            const int x0 = int(std::floor(fxD)), x1 = std::min(in.width - 1, x0 + 1);
            const float fx = float(fxD - x0);
            const float top = in.at(x0, y0) + (in.at(x1, y0) - in.at(x0, y0)) * fx;
            const float bottom = in.at(x0, y1) + (in.at(x1, y1) - in.at(x0, y1)) * fx;
            at(out, x, y) = top + (bottom - top) * fy;
        }
    }
    return out;
}

FloatPlane subtract(const FloatPlane& a, const FloatPlane& b)
{
    FloatPlane out(a.width, a.height);
    for (std::size_t i = 0; i < a.size(); ++i)
        out.samples[i] = a.samples[i] - b.samples[i];
    return out;
}

FloatPlane add(const FloatPlane& a, const FloatPlane& b)
{
    FloatPlane out(a.width, a.height);
    for (std::size_t i = 0; i < a.size(); ++i)
        out.samples[i] = a.samples[i] + b.samples[i];
    return out;
}

void decompose(const FloatPlane& luminance, int levels, std::vector<FloatPlane>& bands,
               FloatPlane& residual)
{
    bands.clear();
    FloatPlane current = luminance;
    for (int l = 0; l < levels; ++l) {
        const FloatPlane down = downsample(blur(current, pyramidTaps()));
        bands.push_back(subtract(current, resizeBilinear(down, current.width, current.height)));
        current = down;
    }
    residual = current;
}

FloatPlane reconstruct(const std::vector<FloatPlane>& bands, const FloatPlane& residual)
{
    FloatPlane out = residual;
    for (int l = int(bands.size()) - 1; l >= 0; --l)
        out = add(resizeBilinear(out, bands[l].width, bands[l].height), bands[l]);
    return out;
}

void riesz(const FloatPlane& in, FloatPlane& r1, FloatPlane& r2)
{
    r1 = FloatPlane(in.width, in.height);
    r2 = FloatPlane(in.width, in.height);
    for (int y = 0; y < in.height; ++y)
        for (int x = 0; x < in.width; ++x) {
            at(r1, x, y) = 0.5f * (in.at(reflectWhole(x - 1, in.width), y) -
                                   in.at(reflectWhole(x + 1, in.width), y));
            at(r2, x, y) = 0.5f * (in.at(x, reflectWhole(y - 1, in.height)) -
                                   in.at(x, reflectWhole(y + 1, in.height)));
        }
}

void phaseDifference(float a0, float a1, float a2, float b0, float b1, float b2, float& cosPart,
                     float& sinPart, float& amplitude)
{
    const float q1 = a1 * b0 - a0 * b1;
    const float q2 = a2 * b0 - a0 * b2;
    const float r = a0 * b0 + a1 * b1 + a2 * b2;
    const float v = std::hypot(q1, q2);
    const float phi = std::atan2(v, r);
    cosPart = v > 1e-6f ? phi * q1 / v : 0.0f;
    sinPart = v > 1e-6f ? phi * q2 / v : 0.0f;
    amplitude = std::sqrt(std::sqrt(std::max(q1 * q1 + r * r + q2 * q2, 0.0f)));
}

void denoise(FloatPlane& a, FloatPlane& b, const FloatPlane& m)
{
    FloatPlane ta(a.width, a.height), tb(a.width, a.height);
    for (std::size_t i = 0; i < a.size(); ++i) {
        ta.samples[i] = m.samples[i] * a.samples[i];
        tb.samples[i] = m.samples[i] * b.samples[i];
    }
    const FloatPlane ba = blur(ta, denoiseTaps()), bb = blur(tb, denoiseTaps()),
                     bm = blur(m, denoiseTaps());
    for (std::size_t i = 0; i < a.size(); ++i) {
        const bool ok = bm.samples[i] > 0.0001f;
        a.samples[i] = ok ? ba.samples[i] / bm.samples[i] : 0.0f;
        b.samples[i] = ok ? bb.samples[i] / bm.samples[i] : 0.0f;
    }
}

float shiftSample(float band, float r1, float r2, float fc, float fs, float factor)
{
    float a1 = factor * fc, a2 = factor * fs;
    float theta = std::hypot(a1, a2);
    if (theta > 1.5707964f) {
        a1 *= 1.5707964f / theta;
        a2 *= 1.5707964f / theta;
        theta = 1.5707964f;
    }
    const float sinc = theta > 1e-6f ? std::sin(theta) / theta : 1.0f;
    return std::cos(theta) * band - (r1 * a1 + r2 * a2) * sinc;
}

float regionWeight(int x, int y, int w, int h, const QRectF& r, double feather)
{
    if (r == QRectF(0, 0, 1, 1))
        return 1.0f;
    const double u = (x + 0.5) / w, v = (y + 0.5) / h;
    if (u < r.left() || u > r.right() || v < r.top() || v > r.bottom())
        return 0.0f;
    if (feather <= 0.0)
        return 1.0f;
    const double d = std::min(w * std::min(u - r.left(), r.right() - u),
                              h * std::min(v - r.top(), r.bottom() - v));
    const double t = std::clamp(d / feather, 0.0, 1.0);
    return float(t * t * (3.0 - 2.0 * t));
}

QImage compose(const QImage& image, const FloatPlane& before, const FloatPlane& after,
               const QRectF& roi, const QRectF& expanded, double k, double feather)
{
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            float w = regionWeight(x, y, out.width(), out.height(), roi, feather);
            if (k > 0.0 && expanded != roi) {
                const float w2 =
                    float(k) * regionWeight(x, y, out.width(), out.height(), expanded, feather);
                w = (1.0f - w2) * w + w2;
            }
            const float delta = (after.at(x, y) - before.at(x, y)) * w;
            const QRgb p = out.pixel(x, y);
            auto channel = [delta](int c) {
                return int(std::clamp(std::round(float(c) + delta), 0.0f, 255.0f));
            };
            out.setPixel(x, y,
                         qRgba(channel(qRed(p)), channel(qGreen(p)), channel(qBlue(p)), qAlpha(p)));
        }
    return out;
}

} // namespace orvi::motion_core::reference
