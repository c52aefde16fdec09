#pragma once

#include <QRect>
#include <QRectF>
#include <QSize>

namespace orvi::motion_core {

// The region plan of one configuration: which part of the frame is decomposed and where the
// amplified region lies within it.
struct ProcessingRegion
{
    QRect fullFrame;         // origin 0,0, the source frame's size
    QRect processingRect;    // the decomposed part; the full frame when nothing is cropped
    QRectF regionOfInterest; // normalised to processingRect
    QRectF expandedRegion;   // region of interest plus margin, normalised to processingRect
    bool optimizationActive = false;

    // The processor works on a copy of processingRect and pastes the result back.
    bool croppingInForce() const { return optimizationActive && processingRect != fullFrame; }
};

// Plans the processing rectangle around a normalised region of interest. With optimisation
// on (and a region other than the whole frame), the crop covers the region grown by a margin
// (at least the feather and two coarsest-level samples) and a context band, is at least
// 32 * 2^(L-1) pixels a side (within the frame), and starts and ends on multiples of 2^L.
ProcessingRegion planRegion(const QSize& frameSize, const QRectF& regionOfInterest,
                            bool optimizationEnabled, int levelCount, double featherPixels);

// Feather width of the region edge for a frame: 1 % of the shorter side, 2..24 pixels;
// 0 for an empty size.
double featherWidth(const QSize& frameSize);

// Weight of the expanded region for factor alpha: (alpha / 2 - 1) / (alpha - 1) in 0..1,
// 0 without optimisation or for alpha <= 1.
double expandedRegionWeight(const ProcessingRegion& plan, double amplificationFactor);

// Weight of pixel (x, y) of a width x height image in a normalised region: 1 for the whole
// frame, 0 outside (edges count as inside), else a smoothstep over `featherPixels` from the
// nearest region edge (1 when the feather is not positive).
float regionWeight(int x, int y, int width, int height, const QRectF& region, double featherPixels);

// True for exactly (0, 0, 1, 1).
bool isWholeFrame(const QRectF& region);

} // namespace orvi::motion_core
