#pragma once

#include <QRectF>
#include <QtGlobal>
#include <vector>

namespace orvi::project_data {

// One point of the analysis grid with its phase series and rejection statistics.
struct GridSite
{
    double sampleX = 0.0; // chosen analysis-image pixel centre, normalised to the source frame
    double sampleY = 0.0;
    QRectF cellRect; // the cell's pixel span, normalised to the source frame
    bool textured = false;
    bool accepted = false;
    qint32 pyramidLevel = 0; // level whose band the phase was read from
    qint32 lowContrastSamples = 0;
    qint32 phaseJumpSamples = 0;
    qint32 nonFiniteSamples = 0;
    qint32 validSamples = 0;
    qint32 gapCount = 0;      // maximal runs of rejected samples
    qint32 segmentStart = 0;  // first sample of the longest continuous segment
    qint32 segmentLength = 0; // its length in samples
    // One entry per phase sample, NaN where rejected; empty for an untextured point.
    std::vector<float> phaseSeriesX;
    std::vector<float> phaseSeriesY;
    // Displacement of the cell's content since the first frame of the fragment, in pixels of
    // the source frame, one entry per phase sample (the frame after it), x right and y down;
    // NaN where the cell gave no estimate. Empty for an untextured point, or when the run did
    // not measure displacement.
    std::vector<float> displacementSeriesX;
    std::vector<float> displacementSeriesY;
};

} // namespace orvi::project_data
