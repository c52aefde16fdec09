#pragma once

#include "media/VideoInfo.h"
#include "reports/AnalysisExportContext.h"

#include <QImage>
#include <QRectF>
#include <QSize>
#include <QString>

namespace orvi::reports::test {

// Shape of a synthetic analysis built by the real spectrum stage and phase calculation.
struct FixtureOptions
{
    QRectF region{0.18, 0.14, 0.42, 0.5};
    QSize requestedGrid{16, 8};
    qint64 startFrame = 10;
    qint64 frameCount = 1025; // fragment length; 1024 phase samples per point
    double captureRate = 240.0;
    bool withTones = true; // false: noise only, no candidates pass the thresholds
    bool withPhase = true; // run the relative phase calculation
    bool withScale = true; // a length scale converts amplitudes into physical units
};

// Encodes a short synthetic clip with the ffmpeg tool; false with its output on failure.
bool makeClip(const QString& path, const QSize& size, int frames, QString* error);
// Probes a clip through the media layer.
bool probeClip(const QString& path, media::VideoInfo* info, QImage* firstFrame, QString* error);

// A complete export context: grid sites with synthetic phase series (two tones with a
// spatially varying amplitude and phase, untextured cells, gaps, one rejected point), the
// spectrum and candidates computed by the spectrum stage, the band map of the strongest
// candidate and a relative phase vector.
AnalysisExportContext makeContext(const media::VideoInfo& info, const QImage& firstFrame,
                                  const FixtureOptions& options = {});

// A small application icon standing in for the program's resource.
QImage fixtureIcon();

} // namespace orvi::reports::test
