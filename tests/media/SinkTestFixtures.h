#pragma once

#include "media/VideoFrame.h"
#include "media/VideoInfo.h"

#include <QByteArray>
#include <QJsonObject>
#include <QSize>
#include <QStringList>

// Inputs and output checks for the video sink tests (checked with the ffmpeg tools).
namespace sink_test {

// Metadata whose average playback rate is frameCount * 1e6 / durationUs.
orvi::media::VideoInfo makeSinkInfo(const QSize& size, qint64 frameCount = 300,
                                    qint64 durationUs = 10'000'000);
// A moving gradient with varying alpha, different for every index.
orvi::media::VideoFrame makeSinkFrame(const QSize& size, qint64 index);

// First video stream of a file as ffprobe reports it (frames counted), or empty on failure.
QJsonObject probeVideoStream(const QString& path, QString* output = nullptr);
// Names of the top-level boxes of an MP4 file in file order.
QStringList topLevelMp4Boxes(const QString& path);
// All frames decoded by ffmpeg as tightly packed RGBA bytes.
QByteArray decodeRgba(const QString& path, QString* output = nullptr);
// The packed RGBA bytes of an image, row after row.
QByteArray packedRgba(const QImage& image);
// Every entry of a folder, hidden ones included.
QStringList folderEntries(const QString& folder);

} // namespace sink_test
