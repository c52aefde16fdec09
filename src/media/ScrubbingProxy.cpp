#include "media/ScrubbingProxy.h"

#include <QBuffer>
#include <algorithm>
#include <cmath>

namespace orvi::media {

namespace {

constexpr int kJpegQuality = 75;
constexpr const char* kFormat = "JPEG";

} // namespace

QSize ScrubbingProxy::pictureSize(const QSize& frameSize)
{
    if (frameSize.isEmpty())
        return {};
    const int longest = std::max(frameSize.width(), frameSize.height());
    if (longest <= kLongestSide)
        return frameSize;
    const double scale = double(kLongestSide) / double(longest);
    return {std::max(1, int(std::lround(frameSize.width() * scale))),
            std::max(1, int(std::lround(frameSize.height() * scale)))};
}

bool ScrubbingProxy::worthPicturing(qint64 framesSinceKey, const QSize& frameSize)
{
    return !frameSize.isEmpty() &&
           framesSinceKey * frameSize.width() * frameSize.height() >= kMinimumDecodedPixels;
}

bool ScrubbingProxy::add(qint64 frameIndex, const QImage& picture)
{
    if (m_closed || frameIndex < qint64(m_pictures.size()) || picture.isNull())
        return false;
    QByteArray encoded;
    QBuffer buffer(&encoded);
    if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, kFormat, kJpegQuality) ||
        m_bytes + encoded.size() > kByteBudget) {
        // A missing image plug-in or a very long file: the pictures made so far stay.
        m_closed = true;
        return false;
    }
    m_pictures.resize(std::size_t(frameIndex) + 1);
    m_bytes += encoded.size();
    m_pictures.back() = std::move(encoded);
    ++m_pictureCount;
    return true;
}

QImage ScrubbingProxy::picture(qint64 frameIndex) const
{
    if (!contains(frameIndex))
        return {};
    return QImage::fromData(m_pictures[std::size_t(frameIndex)], kFormat);
}

bool ScrubbingProxy::contains(qint64 frameIndex) const
{
    return frameIndex >= 0 && frameIndex < qint64(m_pictures.size()) &&
           !m_pictures[std::size_t(frameIndex)].isEmpty();
}

} // namespace orvi::media
