#include "motion/CameraMotionEstimator.h"

#include "motion/KernelSupport.h"
#include "records/ErrorMessage.h"

#include <QCoreApplication>
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <utility>

namespace orvi::motion_core {

using project_data::failWith;

namespace {

// 7-tap central difference, as the cell tracker's.
constexpr double kTap1 = 0.75;
constexpr double kTap2 = -0.15;
constexpr double kTap3 = 1.0 / 60.0;
constexpr int kGradientReach = 3;
// Resampling taps reach 2 pixels before and 3 after the sample's whole pixel.
constexpr int kTapsBefore = 2;
constexpr int kTapsAfter = 3;
constexpr int kTaps = kTapsBefore + kTapsAfter + 1;
// The weaker direction of the first frame's gradients must carry at least this mean squared
// gradient per pixel (luminance levels of 0 ... 255 per pixel, squared), and this share of
// the stronger direction's: weaker structure leaves the match to noise and compression.
constexpr double kMinimumWeakEnergy = 1.0;
constexpr double kMinimumDirectionRatio = 0.05;
constexpr int kMaximumIterations = 8;
constexpr double kConvergedStep = 1e-3;
constexpr int kMinimumMatchSide = 8;

// Luminance of an image, smoothed with a 1-2-1 kernel in both directions.
void smoothedLuminance(const QImage& image, FloatPlane& out, FloatPlane& scratch)
{
    const QImage rgb =
        image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
            ? image
            : image.convertToFormat(QImage::Format_RGB32);
    const int w = rgb.width();
    const int h = rgb.height();
    scratch.reshape(w, h);
    out.reshape(w, h);
    for (int y = 0; y < h; ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        float* row = scratch.row(y);
        for (int x = 0; x < w; ++x)
            row[x] = 0.299f * float(qRed(in[x])) + 0.587f * float(qGreen(in[x])) +
                     0.114f * float(qBlue(in[x]));
    }
    for (int y = 0; y < h; ++y) {
        const float* up = scratch.row(std::max(y - 1, 0));
        const float* mid = scratch.row(y);
        const float* down = scratch.row(std::min(y + 1, h - 1));
        float* row = out.row(y);
        for (int x = 0; x < w; ++x)
            row[x] = 0.25f * (up[x] + down[x]) + 0.5f * mid[x];
    }
    for (int y = 0; y < h; ++y) {
        float* row = scratch.row(y);
        const float* in = out.row(y);
        for (int x = 0; x < w; ++x)
            row[x] = 0.25f * (in[std::max(x - 1, 0)] + in[std::min(x + 1, w - 1)]) + 0.5f * in[x];
    }
    std::swap(out, scratch);
}

double lanczos3(double t)
{
    t = std::abs(t);
    if (t < 1e-12)
        return 1.0;
    if (t >= 3.0)
        return 0.0;
    const double a = std::numbers::pi * t;
    return 3.0 * std::sin(a) * std::sin(a / 3.0) / (a * a);
}

// Weights of the taps -2 ... 3 for a sample `fraction` past a whole pixel, summing to 1.
std::array<float, kTaps> tapWeights(double fraction)
{
    std::array<double, kTaps> w{};
    double sum = 0.0;
    for (int i = 0; i < kTaps; ++i) {
        w[size_t(i)] = lanczos3(double(i - kTapsBefore) - fraction);
        sum += w[size_t(i)];
    }
    std::array<float, kTaps> out{};
    for (int i = 0; i < kTaps; ++i)
        out[size_t(i)] = float(w[size_t(i)] / sum);
    return out;
}

// Pixels [from, to) of one axis of `size` pixels that can be matched at whole offset n.
void matchSpan(int size, int n, int& from, int& to)
{
    from = std::max(kGradientReach, kTapsBefore - n);
    to = std::min(size - kGradientReach, size - kTapsAfter - n);
}

struct Moments
{
    double xx = 0.0, xy = 0.0, yy = 0.0;
};

// Sums of one match between the resampled image and the template over the matched pixels.
struct MatchSums
{
    double xx = 0.0, xy = 0.0, yy = 0.0;         // gradient products
    double xDifference = 0.0, yDifference = 0.0; // gradient times (now - then)
    double gradientX = 0.0, gradientY = 0.0;
    double difference = 0.0, squaredDifference = 0.0;
    double template_ = 0.0, squaredTemplate = 0.0;

    ORVI_MOTION_HOT void addRow(const float* __restrict now, const float* __restrict then,
                                const float* __restrict gx, const float* __restrict gy, int from,
                                int to)
    {
        // Eight running sums per quantity, one per lane, so that the loop vectorises without
        // reordering any single sum.
        constexpr int kLanes = 8;
        float s[11][kLanes] = {};
        const auto add = [&](int x, int lane) {
            const float e = now[x] - then[x];
            s[0][lane] += gx[x] * gx[x];
            s[1][lane] += gx[x] * gy[x];
            s[2][lane] += gy[x] * gy[x];
            s[3][lane] += gx[x] * e;
            s[4][lane] += gy[x] * e;
            s[5][lane] += gx[x];
            s[6][lane] += gy[x];
            s[7][lane] += e;
            s[8][lane] += e * e;
            s[9][lane] += then[x];
            s[10][lane] += then[x] * then[x];
        };
        int x = from;
        for (; x + kLanes <= to; x += kLanes)
            for (int lane = 0; lane < kLanes; ++lane)
                add(x + lane, lane);
        for (; x < to; ++x)
            add(x, 0);
        double t[11] = {};
        for (int q = 0; q < 11; ++q)
            for (int lane = 0; lane < kLanes; ++lane)
                t[q] += s[q][lane];
        xx += t[0], xy += t[1], yy += t[2], xDifference += t[3], yDifference += t[4];
        gradientX += t[5], gradientY += t[6], difference += t[7], squaredDifference += t[8];
        template_ += t[9], squaredTemplate += t[10];
    }
};

std::pair<double, double> eigenvalues(const Moments& m)
{
    const double half = 0.5 * (m.xx + m.yy);
    const double spread =
        std::sqrt(std::max(0.25 * (m.xx - m.yy) * (m.xx - m.yy) + m.xy * m.xy, 0.0));
    return {half + spread, half - spread};
}

} // namespace

QRect CameraMotionEstimator::referenceRect(const QRectF& region, const QSize& frameSize)
{
    if (frameSize.isEmpty() || !std::isfinite(region.x()) || !std::isfinite(region.y()) ||
        !std::isfinite(region.width()) || !std::isfinite(region.height()) ||
        region.width() <= 0.0 || region.height() <= 0.0)
        return {};
    const int left = int(std::floor(region.x() * frameSize.width()));
    const int top = int(std::floor(region.y() * frameSize.height()));
    const int right = int(std::ceil(region.right() * frameSize.width()));
    const int bottom = int(std::ceil(region.bottom() * frameSize.height()));
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1))
        .intersected(QRect(QPoint(0, 0), frameSize));
}

QSize CameraMotionEstimator::measurementSize(const QSize& crop)
{
    if (crop.width() <= kMeasurementSide && crop.height() <= kMeasurementSide)
        return crop;
    return crop.scaled(kMeasurementSide, kMeasurementSide, Qt::KeepAspectRatio);
}

void CameraMotionEstimator::reset(const QSizeF& framePixelsPerPixel)
{
    m_scale = framePixelsPerPixel;
    m_template.clear();
    m_estimate = QPointF();
    m_displacementX.clear();
    m_displacementY.clear();
    m_quality.clear();
}

bool CameraMotionEstimator::addWholeFrame(const QImage& frame, const QRectF& region,
                                          QPointF* displacement, QString* error)
{
    const QRect rect = referenceRect(region, frame.size());
    if (rect.width() < 2 * kMinimumMatchSide || rect.height() < 2 * kMinimumMatchSide)
        return failWith(error, QCoreApplication::translate(
                                   "CameraMotionEstimator",
                                   "The camera reference region is too small to measure camera "
                                   "motion."));
    const QSize size = measurementSize(rect.size());
    if (framesSeen() == 0)
        m_scale =
            QSizeF(double(rect.width()) / size.width(), double(rect.height()) / size.height());
    const QImage crop = frame.copy(rect);
    return addFrame(size == rect.size()
                        ? crop
                        : crop.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                    displacement, error);
}

bool CameraMotionEstimator::addFrame(const QImage& reference, QPointF* displacement, QString* error)
{
    if (reference.isNull())
        return failWith(
            error, QCoreApplication::translate("CameraMotionEstimator",
                                               "The camera reference region could not be read."));
    const bool first = framesSeen() == 0;
    if (!first && reference.size() != QSize(m_template.width, m_template.height))
        return failWith(
            error, QCoreApplication::translate("CameraMotionEstimator",
                                               "The camera reference region could not be read."));
    double quality = 1.0;
    if (first) {
        smoothedLuminance(reference, m_template, m_scratch);
        if (!start(error))
            return false;
        m_estimate = QPointF();
        m_previousEstimate = QPointF();
    } else {
        smoothedLuminance(reference, m_current, m_scratch);
        // Steady motion continues: the search starts where the last step would lead.
        const QPointF last = m_estimate;
        if (framesSeen() >= 2)
            m_estimate += m_estimate - m_previousEstimate;
        if (!track(m_estimate, quality, error))
            return false;
        m_previousEstimate = last;
    }
    const QPointF framePixels(m_estimate.x() * m_scale.width(), m_estimate.y() * m_scale.height());
    m_displacementX.push_back(float(framePixels.x()));
    m_displacementY.push_back(float(framePixels.y()));
    m_quality.push_back(float(quality));
    if (displacement)
        *displacement = framePixels;
    return true;
}

bool CameraMotionEstimator::start(QString* error)
{
    const int w = m_template.width;
    const int h = m_template.height;
    if (w < 2 * kMinimumMatchSide || h < 2 * kMinimumMatchSide)
        return failWith(error, QCoreApplication::translate(
                                   "CameraMotionEstimator",
                                   "The camera reference region is too small to measure camera "
                                   "motion."));
    m_gradientX = FloatPlane(w, h);
    m_gradientY = FloatPlane(w, h);
    Moments m;
    double sum = 0.0, squares = 0.0;
    int pixels = 0;
    for (int y = kGradientReach; y < h - kGradientReach; ++y) {
        const float* c = m_template.row(y);
        for (int x = kGradientReach; x < w - kGradientReach; ++x) {
            const double gx = kTap1 * (c[x + 1] - c[x - 1]) + kTap2 * (c[x + 2] - c[x - 2]) +
                              kTap3 * (c[x + 3] - c[x - 3]);
            const double gy = kTap1 * (m_template.at(x, y + 1) - m_template.at(x, y - 1)) +
                              kTap2 * (m_template.at(x, y + 2) - m_template.at(x, y - 2)) +
                              kTap3 * (m_template.at(x, y + 3) - m_template.at(x, y - 3));
            m_gradientX.row(y)[x] = float(gx);
            m_gradientY.row(y)[x] = float(gy);
            m.xx += gx * gx;
            m.xy += gx * gy;
            m.yy += gy * gy;
            sum += c[x];
            squares += double(c[x]) * c[x];
            ++pixels;
        }
    }
    const auto [larger, smaller] = eigenvalues(m);
    if (!(smaller >= kMinimumWeakEnergy * pixels))
        return failWith(error, larger >= kMinimumWeakEnergy * pixels
                                   ? QCoreApplication::translate(
                                         "CameraMotionEstimator",
                                         "The camera reference region shows structure in one "
                                         "direction only, so camera motion along it cannot be "
                                         "measured. Draw it over a still part of the scene with "
                                         "detail in more than one direction.")
                                   : QCoreApplication::translate(
                                         "CameraMotionEstimator",
                                         "The camera reference region has too little texture to "
                                         "measure camera motion. Draw it over a still, textured "
                                         "part of the scene."));
    if (smaller < kMinimumDirectionRatio * larger)
        return failWith(error, QCoreApplication::translate(
                                   "CameraMotionEstimator",
                                   "The camera reference region shows structure in one direction "
                                   "only, so camera motion along it cannot be measured. Draw it "
                                   "over a still part of the scene with detail in more than one "
                                   "direction."));
    const double mean = sum / pixels;
    m_templateContrast = std::sqrt(std::max(squares / pixels - mean * mean, 1e-12));
    return true;
}

void CameraMotionEstimator::resample(const QPointF& at)
{
    const int w = m_current.width;
    const int h = m_current.height;
    const int nx = int(std::floor(at.x()));
    const int ny = int(std::floor(at.y()));
    const std::array<float, kTaps> wx = tapWeights(at.x() - nx);
    const std::array<float, kTaps> wy = tapWeights(at.y() - ny);
    int x0, x1, y0, y1;
    matchSpan(w, nx, x0, x1);
    matchSpan(h, ny, y0, y1);
    // Horizontal pass over every source row the vertical pass reads.
    m_scratch.reshape(w, h);
    const int rowFrom = std::max(y0 + ny - kTapsBefore, 0);
    const int rowTo = std::min(y1 + ny + kTapsAfter, h - 1);
    for (int r = rowFrom; r <= rowTo; ++r) {
        const float* in = m_current.row(r) + nx - kTapsBefore;
        float* out = m_scratch.row(r);
        for (int x = x0; x < x1; ++x) {
            float v = 0.0f;
            for (int i = 0; i < kTaps; ++i)
                v += wx[size_t(i)] * in[x + i];
            out[x] = v;
        }
    }
    m_resampled.reshape(w, h);
    for (int y = y0; y < y1; ++y) {
        float* out = m_resampled.row(y);
        std::fill(out + x0, out + x1, 0.0f);
        for (int i = 0; i < kTaps; ++i) {
            const float* in = m_scratch.row(y + ny - kTapsBefore + i);
            const float weight = wy[size_t(i)];
            for (int x = x0; x < x1; ++x)
                out[x] += weight * in[x];
        }
    }
}

bool CameraMotionEstimator::track(QPointF& estimate, double& quality, QString* error)
{
    const int w = m_current.width;
    const int h = m_current.height;
    const QString outOfReach = QCoreApplication::translate(
        "CameraMotionEstimator", "The camera moved the reference region out of reach: the camera "
                                 "motion is too large to be measured in it.");
    QPointF next = estimate;
    double residual = 0.0;
    double contrast = m_templateContrast;
    for (int iteration = 0; iteration < kMaximumIterations; ++iteration) {
        const int nx = int(std::floor(next.x()));
        const int ny = int(std::floor(next.y()));
        int x0, x1, y0, y1;
        matchSpan(w, nx, x0, x1);
        matchSpan(h, ny, y0, y1);
        if (x1 - x0 < kMinimumMatchSide || y1 - y0 < kMinimumMatchSide)
            return failWith(error, outOfReach);
        resample(next);
        // One pass: rows summed in single precision, rows added in double.
        MatchSums sums;
        for (int y = y0; y < y1; ++y)
            sums.addRow(m_resampled.row(y), m_template.row(y), m_gradientX.row(y),
                        m_gradientY.row(y), x0, x1);
        const double count = double(x1 - x0) * double(y1 - y0);
        // A change of overall brightness is no motion: the mean difference is taken out.
        const double offset = sums.difference / count;
        const double bx = sums.xDifference - offset * sums.gradientX;
        const double by = sums.yDifference - offset * sums.gradientY;
        const double xx = sums.xx, xy = sums.xy, yy = sums.yy;
        const double det = xx * yy - xy * xy;
        if (!(det > 1e-9 * (xx + yy) * (xx + yy)))
            return failWith(error, outOfReach);
        // The resampled image at `next` reads the template moved by next - true motion.
        const double dx = (yy * bx - xy * by) / det;
        const double dy = (xx * by - xy * bx) / det;
        const double errors = sums.squaredDifference - count * offset * offset;
        const double meanThen = sums.template_ / count;
        residual = std::sqrt(std::max(errors, 0.0) / count);
        contrast = std::sqrt(std::max(sums.squaredTemplate / count - meanThen * meanThen, 0.0));
        next -= QPointF(dx, dy);
        if (std::hypot(dx, dy) < kConvergedStep)
            break;
    }
    if (!std::isfinite(next.x()) || !std::isfinite(next.y()))
        return failWith(error, outOfReach);
    estimate = next;
    quality = contrast > 0.0 ? std::clamp(1.0 - residual / contrast, 0.0, 1.0) : 0.0;
    return true;
}

project_data::CameraMotion CameraMotionEstimator::motion() const
{
    project_data::CameraMotion motion;
    motion.compensated = true;
    motion.displacementX = m_displacementX;
    motion.displacementY = m_displacementY;
    const size_t n = m_displacementX.size();
    if (n == 0)
        return motion;
    double meanX = 0.0, meanY = 0.0;
    for (size_t i = 0; i < n; ++i) {
        meanX += m_displacementX[i];
        meanY += m_displacementY[i];
    }
    meanX /= double(n);
    meanY /= double(n);
    double peak = 0.0, squares = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double distance = std::hypot(m_displacementX[i] - meanX, m_displacementY[i] - meanY);
        peak = std::max(peak, distance);
        squares += distance * distance;
    }
    motion.peakPx = peak;
    motion.rmsPx = std::sqrt(squares / double(n));
    // The first frame matches itself; the quality of the others tells.
    if (n > 1) {
        double sum = 0.0;
        float lowest = 1.0f;
        for (size_t i = 1; i < n; ++i) {
            sum += m_quality[i];
            lowest = std::min(lowest, m_quality[i]);
        }
        motion.meanQuality = sum / double(n - 1);
        motion.lowestQuality = lowest;
    }
    return motion;
}

} // namespace orvi::motion_core
