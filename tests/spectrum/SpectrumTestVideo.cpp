#include "SpectrumTestVideo.h"

#include "media/libav/LibavVideoAnalyzer.h"

#include <QProcess>
#include <QRandomGenerator>
#include <cmath>
#include <numbers>

namespace orvi::spectrum::testing {

SyntheticTexture::SyntheticTexture(quint32 seed)
{
    QRandomGenerator random(seed);
    for (int i = 0; i < 10; ++i) {
        const double wavelength = 5.0 + 9.0 * random.generateDouble();
        const double angle = std::numbers::pi * random.generateDouble();
        const double k = 2.0 * std::numbers::pi / wavelength;
        m_gratings.push_back({k * std::cos(angle), k * std::sin(angle),
                              2.0 * std::numbers::pi * random.generateDouble(),
                              8.0 + 6.0 * random.generateDouble()});
    }
}

double SyntheticTexture::value(double x, double y) const
{
    double sum = 128.0;
    for (const Grating& g : m_gratings)
        sum += g.amplitude * std::cos(g.kx * x + g.ky * y + g.phase);
    return sum;
}

void SyntheticTexture::prepareBasis(const QSize& size) const
{
    if (size == m_basisSize)
        return;
    const size_t count = m_gratings.size();
    m_basis.resize(size_t(size.width()) * size_t(size.height()) * count * 2);
    size_t index = 0;
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            for (const Grating& g : m_gratings) {
                const double angle = g.kx * x + g.ky * y + g.phase;
                m_basis[index++] = float(g.amplitude * std::cos(angle));
                m_basis[index++] = float(g.amplitude * std::sin(angle));
            }
        }
    }
    m_basisSize = size;
}

QImage SyntheticTexture::frame(const QSize& size, const Displacement& displacement, double t) const
{
    prepareBasis(size);
    const size_t count = m_gratings.size();
    std::vector<double> cosShift(count, 1.0);
    std::vector<double> sinShift(count, 0.0);
    QPointF last;
    QImage image(size, QImage::Format_Grayscale8);
    const float* basis = m_basis.data();
    for (int y = 0; y < size.height(); ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < size.width(); ++x) {
            const QPointF d = displacement ? displacement(x, y, t) : QPointF();
            if (d != last) {
                for (size_t g = 0; g < count; ++g) {
                    const double delta = m_gratings[g].kx * d.x() + m_gratings[g].ky * d.y();
                    cosShift[g] = std::cos(delta);
                    sinShift[g] = std::sin(delta);
                }
                last = d;
            }
            double v = 128.0;
            for (size_t g = 0; g < count; ++g, basis += 2)
                v += basis[0] * cosShift[g] + basis[1] * sinShift[g];
            row[x] = uchar(std::clamp(std::lround(v), 0L, 255L));
        }
    }
    return image;
}

bool writeTestVideo(const QString& path, const QSize& size, int frameCount, double frameRate,
                    const std::function<QImage(int)>& render, media::VideoInfo* info,
                    QString* error, const QStringList& codec)
{
    const QStringList encoder = codec.isEmpty()
                                    ? QStringList{"-c:v", "libx264", "-preset",  "ultrafast",
                                                  "-qp",  "0",       "-pix_fmt", "yuv420p"}
                                    : codec;
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 QStringList{"-v", "error", "-y", "-f", "rawvideo", "-pix_fmt", "gray", "-s",
                             QStringLiteral("%1x%2").arg(size.width()).arg(size.height()), "-r",
                             QString::number(frameRate), "-i", "-"} +
                     encoder + QStringList{path});
    if (!ffmpeg.waitForStarted()) {
        *error = QStringLiteral("ffmpeg did not start");
        return false;
    }
    for (int i = 0; i < frameCount; ++i) {
        const QImage image = render(i);
        for (int y = 0; y < size.height(); ++y)
            ffmpeg.write(reinterpret_cast<const char*>(image.constScanLine(y)), size.width());
        ffmpeg.waitForBytesWritten(-1);
    }
    ffmpeg.closeWriteChannel();
    if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitCode() != 0) {
        *error = QString::fromLocal8Bit(ffmpeg.readAllStandardError());
        return false;
    }
    media::libav::LibavVideoAnalyzer analyzer;
    if (!analyzer.analyze({}, path, info, error))
        return false;
    info->captureFrameRate = frameRate;
    return true;
}

} // namespace orvi::spectrum::testing
