#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QtGlobal>
#include <vector>

namespace orvi::media {

// Small JPEG pictures of a video's frames, made while the probe decodes every frame once, so
// that a seek in a file with long key-frame intervals shows the frame asked for at once while
// the exact picture is still decoded. Only frames far enough from their key frame get one:
// the others decode quickly anyway. Built on one thread, then shared read-only.
class ScrubbingProxy
{
public:
    // Decoding this many pixels from a key frame takes long enough to be worth a picture:
    // twelve 1080p frames, about 40 ms on two cores.
    static constexpr qint64 kMinimumDecodedPixels = qint64(12) * 1920 * 1080;
    static constexpr int kLongestSide = 384;
    static constexpr qint64 kByteBudget = qint64(256) << 20;

    // The size of a picture of a frame of `frameSize`: at most kLongestSide, aspect kept.
    static QSize pictureSize(const QSize& frameSize);
    // Whether a frame `framesSinceKey` frames after its key frame gets a picture.
    static bool worthPicturing(qint64 framesSinceKey, const QSize& frameSize);

    // Stores the picture of frame `frameIndex` (frames are added in increasing order); false
    // when it could not be encoded or the budget is spent, which ends the proxy.
    bool add(qint64 frameIndex, const QImage& picture);
    // The picture of frame `frameIndex`, or a null image when there is none.
    QImage picture(qint64 frameIndex) const;
    bool contains(qint64 frameIndex) const;
    bool isEmpty() const { return m_pictureCount == 0; }
    qint64 pictureCount() const { return m_pictureCount; }
    qint64 byteSize() const { return m_bytes; }

private:
    std::vector<QByteArray> m_pictures; // by frame index; empty where there is none
    qint64 m_pictureCount = 0;
    qint64 m_bytes = 0;
    bool m_closed = false;
};

} // namespace orvi::media
