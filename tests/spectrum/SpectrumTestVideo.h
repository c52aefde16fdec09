#pragma once

#include "media/VideoInfo.h"

#include <QImage>
#include <QPointF>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>

namespace orvi::spectrum::testing {

// Displacement in pixels of the content at pixel (x, y) at time t seconds.
using Displacement = std::function<QPointF(int x, int y, double t)>;

// A band-limited random texture (a sum of gratings with wavelengths of 5 to 14 pixels) that
// can be sampled at any sub-pixel offset exactly.
class SyntheticTexture
{
public:
    explicit SyntheticTexture(quint32 seed = 1);
    double value(double x, double y) const;
    // One grayscale frame of the texture moved by `displacement` at time t.
    QImage frame(const QSize& size, const Displacement& displacement, double t) const;

private:
    struct Grating
    {
        double kx = 0.0;
        double ky = 0.0;
        double phase = 0.0;
        double amplitude = 0.0;
    };
    // a cos and a sin of every grating at every pixel of the last frame size, so a frame is
    // a weighted sum: a cos(theta - delta) = a cos(theta) cos(delta) + a sin(theta) sin(delta).
    void prepareBasis(const QSize& size) const;

    std::vector<Grating> m_gratings;
    mutable QSize m_basisSize;
    mutable std::vector<float> m_basis;
};

// Writes `frameCount` frames at `frameRate` with the ffmpeg tool and probes the file. `render`
// gives frame i as a Format_Grayscale8 image. `codec` holds the encoder arguments; by default
// H.264, lossless (qp 0).
bool writeTestVideo(const QString& path, const QSize& size, int frameCount, double frameRate,
                    const std::function<QImage(int)>& render, media::VideoInfo* info,
                    QString* error, const QStringList& codec = {});

} // namespace orvi::spectrum::testing
