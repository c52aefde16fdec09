#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

// Test clips made and checked with the ffmpeg tools (never used by the programs themselves).
namespace orvi::test {

// Encodes `frames` frames of a lavfi source graph to `path`; H.264/yuv420p unless `extra`
// names its own "-c:v". `extra` goes right before the output path. False with the tool's
// output on failure.
bool encodeClip(const QString& path, const QString& graph, int frames,
                const QStringList& extra = {}, QString* output = nullptr);
// First video stream as ffprobe reports it (frames counted), or empty on failure.
QJsonObject probeVideoStream(const QString& path, QString* output = nullptr);
// Names of the top-level boxes of an MP4 file in file order.
QStringList mp4TopLevelBoxes(const QString& path);
// Frames decoded by ffmpeg as tightly packed RGBA bytes; `filters` go before the output.
QByteArray decodeRgba(const QString& path, QString* output = nullptr,
                      const QStringList& filters = {});
// Every entry of a folder, hidden ones included, by name.
QStringList folderEntries(const QString& folder);

} // namespace orvi::test
