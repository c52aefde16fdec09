#include "StoreTestFixtures.h"

namespace store_test {

orvi::media::VideoInfo makeInfo(const QSize& size, double nominalFrameRate)
{
    orvi::media::VideoInfo info;
    info.filePath = QStringLiteral("/videos/source.mp4");
    info.frameSize = size;
    info.nominalFrameRate = nominalFrameRate;
    info.frameCount = 300;
    info.durationUs = 10'000'000;
    return info;
}

static QRgb expectedPixel(int x, int y, qint64 index)
{
    return qRgba((x * 7 + int(index)) & 0xff, (y * 3 + int(index) * 5) & 0xff, int(index) & 0xff,
                 (x + y) % 2 ? 255 : 128);
}

orvi::media::VideoFrame makeFrame(const QSize& size, qint64 index, qint64 timeUs)
{
    QImage image(size, QImage::Format_RGBA8888);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, expectedPixel(x, y, index));
    orvi::media::VideoFrame frame;
    frame.image = image;
    frame.frameIndex = index;
    frame.presentationTimeUs = timeUs;
    return frame;
}

bool framePixelsMatch(const QImage& image, qint64 index)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != expectedPixel(x, y, index))
                return false;
    return true;
}

} // namespace store_test
