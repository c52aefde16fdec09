#include "MotionTestSupport.h"

#include "ReferenceKernels.h"

#include <QRandomGenerator>
#include <algorithm>
#include <cmath>
#include <limits>

namespace orvi::motion_core::testing {

FloatPlane randomPlane(int width, int height, quint32 seed, float low, float high)
{
    QRandomGenerator random(seed);
    FloatPlane plane(width, height);
    for (float& s : plane.samples)
        s = low + float(random.generateDouble()) * (high - low);
    return plane;
}

QImage randomImage(int width, int height, quint32 seed, QImage::Format format)
{
    QRandomGenerator random(seed);
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, random.generate() | 0x80000000u);
    return image.convertToFormat(format);
}

double maxRelativeDifference(const FloatPlane& a, const FloatPlane& b, double scale)
{
    if (!a.sameSize(b) || a.size() != b.size())
        return std::numeric_limits<double>::infinity();
    double worst = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const double d = std::abs(double(a.samples[i]) - double(b.samples[i])) /
                         (std::abs(double(b.samples[i])) + scale);
        worst = std::max(worst, std::isnan(d) ? std::numeric_limits<double>::infinity() : d);
    }
    return worst;
}

bool identical(const FloatPlane& a, const FloatPlane& b)
{
    return a.sameSize(b) && a.samples == b.samples;
}

MovingTexture::MovingTexture(int width, int height, double sigma, quint32 seed, bool isotropic)
    : m_width(width), m_height(height), m_sigma(sigma), m_radius(int(std::ceil(4.0 * sigma))),
      m_margin(m_radius + 8)
{
    QRandomGenerator random(seed);
    const int gw = width + 2 * m_margin, gh = isotropic ? height + 2 * m_margin : 1;
    std::vector<double> noise(std::size_t(gw) * gh);
    for (double& n : noise) {
        // Box-Muller normal samples.
        const double u = std::max(random.generateDouble(), 1e-12), v = random.generateDouble();
        n = std::sqrt(-2.0 * std::log(u)) * std::cos(2.0 * M_PI * v);
    }
    // Vertical filtering does not depend on the horizontal shift: done once.
    m_columns.assign(std::size_t(gw) * height, 0.0);
    for (int y = 0; y < height; ++y)
        for (int i = 0; i < gw; ++i) {
            double acc = 0.0;
            if (isotropic) {
                for (int j = -m_radius; j <= m_radius; ++j)
                    acc += noise[std::size_t(y + m_margin + j) * gw + i] *
                           std::exp(-double(j) * j / (2.0 * sigma * sigma));
            } else {
                acc = noise[std::size_t(i)];
            }
            m_columns[std::size_t(y) * gw + i] = acc;
        }
    // Scale to a standard deviation of about 40 grey levels around 128.
    const std::vector<double> still = weightsFor(0.0);
    double sum = 0.0, sum2 = 0.0;
    int count = 0;
    for (int y = 0; y < height; y += 3)
        for (int x = 0; x < width; x += 3) {
            const double s = filtered(x, y, 0.0, still);
            sum += s;
            sum2 += s * s;
            ++count;
        }
    const double mean = sum / count;
    m_gain = 40.0 / std::sqrt(std::max(sum2 / count - mean * mean, 1e-12));
}

std::vector<double> MovingTexture::weightsFor(double shift) const
{
    // Every sample sees the same fractional offset, hence the same horizontal weights.
    std::vector<double> w;
    const double fraction = shift - std::floor(shift);
    for (int k = -m_radius; k <= m_radius + 1; ++k) {
        const double d = fraction - k;
        w.push_back(std::exp(-d * d / (2.0 * m_sigma * m_sigma)));
    }
    return w;
}

double MovingTexture::filtered(int x, int y, double shift, const std::vector<double>& w) const
{
    const int gw = m_width + 2 * m_margin;
    const double* columns = m_columns.data() + std::size_t(y) * gw;
    const int centre = x + m_margin + int(std::floor(shift));
    double acc = 0.0;
    for (int k = -m_radius; k <= m_radius + 1; ++k)
        acc += columns[std::clamp(centre + k, 0, gw - 1)] * w[std::size_t(k + m_radius)];
    return acc;
}

QImage MovingTexture::frame(double dx) const
{
    return frameWithPatch(dx, QRect(0, 0, m_width, m_height));
}

QImage MovingTexture::frameWithPatch(double dx, const QRect& patch) const
{
    const std::vector<double> moving = weightsFor(dx), still = weightsFor(0.0);
    QImage image(m_width, m_height, QImage::Format_RGBA8888);
    for (int y = 0; y < m_height; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < m_width; ++x) {
            const bool inside = patch.contains(x, y);
            const double acc = filtered(x, y, inside ? dx : 0.0, inside ? moving : still);
            const int v = std::clamp(int(std::lround(128.0 + m_gain * acc)), 0, 255);
            line[4 * x] = line[4 * x + 1] = line[4 * x + 2] = uchar(v);
            line[4 * x + 3] = 255;
        }
    }
    return image;
}

namespace {

// Catmull-Rom interpolation of row values at x + shift, and its derivative.
void cubicAt(const double* row, int width, double position, double& value, double& slope)
{
    const int i = int(std::floor(position));
    const double t = position - i;
    auto p = [&](int k) { return row[std::clamp(i + k, 0, width - 1)]; };
    const double p0 = p(-1), p1 = p(0), p2 = p(1), p3 = p(2);
    const double a = -0.5 * p0 + 1.5 * p1 - 1.5 * p2 + 0.5 * p3;
    const double b = p0 - 2.5 * p1 + 2.0 * p2 - 0.5 * p3;
    const double c = -0.5 * p0 + 0.5 * p2;
    value = ((a * t + b) * t + c) * t + p1;
    slope = (3.0 * a * t + 2.0 * b) * t + c;
}

} // namespace

std::vector<double> horizontalDisplacements(const std::vector<QImage>& frames, int border)
{
    std::vector<double> result;
    if (frames.empty())
        return result;
    const int w = frames.front().width(), h = frames.front().height();
    std::vector<std::vector<double>> grey;
    for (const QImage& f : frames) {
        const FloatPlane luma = reference::luminance(f);
        grey.emplace_back(luma.samples.begin(), luma.samples.end());
    }
    std::vector<double> mean(grey.front().size(), 0.0);
    for (const auto& g : grey)
        for (std::size_t i = 0; i < g.size(); ++i)
            mean[i] += g[i] / double(grey.size());

    for (const auto& g : grey) {
        // frame(x) ~ mean(x + d): solve for d iteratively.
        double d = 0.0;
        for (int iteration = 0; iteration < 8; ++iteration) {
            double num = 0.0, den = 0.0;
            for (int y = border; y < h - border; y += 2) {
                const double* row = mean.data() + std::size_t(y) * w;
                for (int x = border; x < w - border; ++x) {
                    double value = 0.0, slope = 0.0;
                    cubicAt(row, w, x + d, value, slope);
                    const double error = g[std::size_t(y) * w + x] - value;
                    num += slope * error;
                    den += slope * slope;
                }
            }
            const double step = den > 0.0 ? num / den : 0.0;
            d += step;
            if (std::abs(step) < 1e-5)
                break;
        }
        result.push_back(d);
    }
    return result;
}

SinusoidFit fitSinusoid(const std::vector<double>& values, double frameRate, double frequencyHz,
                        int first)
{
    // Normal equations of [1, sin, cos].
    double m[3][3] = {}, v[3] = {};
    for (int i = first; i < int(values.size()); ++i) {
        const double t = 2.0 * M_PI * frequencyHz * i / frameRate;
        const double basis[3] = {1.0, std::sin(t), std::cos(t)};
        for (int r = 0; r < 3; ++r) {
            v[r] += basis[r] * values[std::size_t(i)];
            for (int c = 0; c < 3; ++c)
                m[r][c] += basis[r] * basis[c];
        }
    }
    // Gaussian elimination.
    for (int col = 0; col < 3; ++col)
        for (int row = col + 1; row < 3; ++row) {
            const double f = m[row][col] / m[col][col];
            for (int c = col; c < 3; ++c)
                m[row][c] -= f * m[col][c];
            v[row] -= f * v[col];
        }
    double x[3];
    for (int row = 2; row >= 0; --row) {
        double s = v[row];
        for (int c = row + 1; c < 3; ++c)
            s -= m[row][c] * x[c];
        x[row] = s / m[row][row];
    }
    SinusoidFit fit;
    fit.amplitude = std::hypot(x[1], x[2]);
    fit.phaseRadians = std::atan2(x[2], x[1]);
    return fit;
}

} // namespace orvi::motion_core::testing
