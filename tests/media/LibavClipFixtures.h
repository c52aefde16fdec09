#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

namespace orvi::media::tests {

// Real video files for the FFmpeg media tests, made with the ffmpeg tool inside a folder
// the test owns. Every maker returns the file path, or an empty string (see lastError()).
class LibavClipFixtures
{
public:
    explicit LibavClipFixtures(QString directory);

    static bool ffmpegAvailable();
    // Qt Test rows of the four right-angle rotations of cornerMarkedMp4: "degrees", the
    // upright "frameSize" and the corner ("markerRight", "markerBottom") the marker ends in.
    static void addRotationRows();
    QString lastError() const { return m_lastError; }

    // Plain H.264 MP4 of moving test pattern, uniform time grid.
    QString uniformMp4(const QString& name, int frames = 48, QSize size = QSize(160, 120),
                       int rate = 30);
    // Blue frame with a red block in the top-left corner whose display matrix asks for the
    // given clockwise rotation (degrees, any angle).
    QString cornerMarkedMp4(const QString& name, double rotationDegrees, int frames = 6);
    // 48 frames with a key frame every `interval` frames and B-frames between.
    QString groupedMp4(const QString& name, int interval);
    // Frame n is a flat grey of luma 16 + 5 n, so a frame tells its own index.
    // The first four intervals last three frame periods; the remaining 36 frames are uniform.
    QString irregularStartMp4(const QString& name);
    // Matroska (FFV1) where frame 10 repeats the timestamp of frame 9.
    QString repeatedTimestampMkv(const QString& name);
    // QuickTime file whose container metadata says it is not for full-rate playback.
    QString playbackIntentMov(const QString& name, const QString& value);
    // Live-stream Matroska: neither container nor stream carries a duration.
    QString durationlessMkv(const QString& name, int frames = 30);

    // A text file under a video name.
    QString textFile(const QString& name);
    // The first half of a valid MP4 (index at the end, so the index is lost).
    QString truncatedCopy(const QString& source, const QString& name);

    QString path(const QString& name) const;

private:
    QString encode(const QString& name, const QString& graph, int frames,
                   const QStringList& extra = {});
    bool setTrackMatrixRotation(const QString& filePath, double rotationDegrees);

    QString m_directory;
    QString m_lastError;
};

} // namespace orvi::media::tests
