#pragma once

#include "media/VideoFrame.h"
#include "media/VideoInfo.h"

#include <QSize>

// Small synthetic inputs shared by the temporary-store tests.
namespace store_test {

orvi::media::VideoInfo makeInfo(const QSize& size, double nominalFrameRate = 30.0);
// A frame whose pixels encode its index, so a misplaced record is detectable.
orvi::media::VideoFrame makeFrame(const QSize& size, qint64 index, qint64 timeUs);
bool framePixelsMatch(const QImage& image, qint64 index);

} // namespace store_test
