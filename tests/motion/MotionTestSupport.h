#pragma once

// Shared fixtures of the motion tests: random planes and images, plane comparison, and
// synthetic sub-pixel motion.

#include "motion/FloatPlane.h"

#include <QImage>
#include <QString>
#include <functional>
#include <vector>

namespace orvi::motion_core::testing {

FloatPlane randomPlane(int width, int height, quint32 seed, float low = -50.0f, float high = 50.0f);
QImage randomImage(int width, int height, quint32 seed,
                   QImage::Format format = QImage::Format_RGBA8888);

// Largest |a - b| / (|b| + scale) over all samples; infinity for different sizes.
double maxRelativeDifference(const FloatPlane& a, const FloatPlane& b, double scale = 1.0);
bool identical(const FloatPlane& a, const FloatPlane& b);

// Band-limited random texture: white noise on the integer grid filtered by a continuous
// Gaussian, so that it can be sampled at any sub-pixel offset. `isotropic` false makes it
// vary along x only.
class MovingTexture
{
public:
    MovingTexture(int width, int height, double sigma, quint32 seed, bool isotropic = true);
    // The texture translated by (dx, 0) pixels as an 8-bit grey RGBA image.
    QImage frame(double dx) const;
    // Same, translated by dx only inside `patch` (pixel rectangle); static elsewhere.
    QImage frameWithPatch(double dx, const QRect& patch) const;

private:
    std::vector<double> weightsFor(double shift) const;
    // The texture at (x + shift, y), given the weights of the shift's fraction.
    double filtered(int x, int y, double shift, const std::vector<double>& w) const;

    int m_width;
    int m_height;
    double m_sigma;
    int m_radius;
    int m_margin;
    double m_gain = 1.0;
    std::vector<double> m_columns; // noise filtered vertically, per output row
};

// Global horizontal displacement of every frame against the mean frame: Gauss-Newton on the
// brightness constancy equation, the template shifted by cubic interpolation, over the
// interior (border pixels excluded, every second row).
std::vector<double> horizontalDisplacements(const std::vector<QImage>& frames, int border);

struct SinusoidFit
{
    double amplitude = 0.0;
    double phaseRadians = 0.0; // of a sin(2 pi f t + phase) model
};
// Least-squares fit of offset + a sin + b cos at `frequencyHz` to samples [first, end).
SinusoidFit fitSinusoid(const std::vector<double>& values, double frameRate, double frequencyHz,
                        int first);

} // namespace orvi::motion_core::testing
