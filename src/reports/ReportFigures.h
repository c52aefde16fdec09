#pragma once

#include "records/BandMapEntry.h"
#include "records/FrequencyCandidate.h"
#include "records/RelativePhaseSample.h"

#include <QImage>
#include <QRectF>
#include <vector>

namespace orvi::reports {

// What the spectrum chart shows: the normalised aggregate spectrum over a frequency range
// with one band shaded and the candidates inside the range labelled.
struct SpectrumFigureSpec
{
    std::vector<double> spectrum; // bins 0 ... N/2 - 1
    double binWidthHz = 0.0;
    double fromHz = 0.0;
    double toHz = 0.0;
    double bandLowerHz = 0.0; // shaded when a valid band inside the range
    double bandUpperHz = 0.0;
    bool fitVerticalScale = false; // fit the range, else 0 ... 1 of the full normalisation
    std::vector<project_data::FrequencyCandidate> candidates;
};

// Background, cells and analysis region of a map figure. `view` is the normalised part of
// the frame shown: the whole frame for an overview, the padded region for a close-up.
struct MapFigureFrame
{
    QImage background;
    QRectF analysisRegion{0.0, 0.0, 1.0, 1.0};
    QRectF view{0.0, 0.0, 1.0, 1.0};
    bool outlineRegion = true;
};

QImage renderSpectrumFigure(const SpectrumFigureSpec& spec);
QImage renderBandPowerMapFigure(const MapFigureFrame& frame,
                                const std::vector<project_data::BandMapEntry>& entries,
                                bool logarithmicColors);
// One cell of an amplitude map with its value in the map's unit.
struct AmplitudeMapEntry
{
    QRectF cellRect;
    double value = 0.0;
};
// Share of an amplitude map's values below the top of its colour scale.
inline constexpr double kColorScalePercentile = 0.95;
// The top of an amplitude map's colour scale: the 95th percentile of the finite positive
// values (interpolated), 0 without any.
double colorScaleTop(std::vector<double> values);
// Cells coloured linearly from 0 to `maximum`, larger values in the top colour (the colour bar
// is labelled in the same unit).
QImage renderAmplitudeMapFigure(const MapFigureFrame& frame,
                                const std::vector<AmplitudeMapEntry>& entries, double maximum,
                                const QString& colorBarTitle);
QImage renderPhaseMapFigure(const MapFigureFrame& frame,
                            const std::vector<project_data::RelativePhaseSample>& samples,
                            int referenceIndex);
// The frame with the analysis region outlined (unless it is the whole frame).
QImage renderSourceFrameFigure(const QImage& frame, const QRectF& analysisRegion);
// The analysis region cut out of the frame and enlarged.
QImage renderRegionCloseUp(const QImage& frame, const QRectF& analysisRegion);

// The region padded a little and clipped to the frame, for close-up map figures.
QRectF closeUpView(const QRectF& analysisRegion);
bool isWholeFrame(const QRectF& analysisRegion);

} // namespace orvi::reports
