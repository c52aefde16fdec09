#pragma once

#include "motion/FloatPlane.h"
#include "records/CameraMotion.h"

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <vector>

namespace orvi::motion_core {

// Measures the camera's translation frame by frame on a reference region of the scene that
// does not move itself (a wall, the floor, a fixed frame), so that it can be taken out of the
// frames before they are analysed or amplified.
//
// Method: every frame's reference image is matched against the first frame's by iterated
// gradient least squares (the current image is resampled at the running estimate, with a
// three-lobe windowed sinc, until the correction falls below a thousandth of a pixel). As
// each frame is compared with the first one, errors do not add up into a drift. The images
// are smoothed slightly first, which keeps the finest, least reliably resampled detail out
// of the estimate, and a change of overall brightness is ignored.
//
// Only translation is measured: a rotation or a zoom of the camera, and parallax between
// planes at different distances from it, remain in the frames.
class CameraMotionEstimator
{
public:
    // Longest side of the image the motion is measured on; larger regions are reduced.
    static constexpr int kMeasurementSide = 256;

    // The region in pixels of a frame of this size, widened outward to whole pixels and kept
    // inside the frame; empty when the region is unusable.
    static QRect referenceRect(const QRectF& region, const QSize& frameSize);
    // The size a reference crop is measured at.
    static QSize measurementSize(const QSize& crop);

    // Starts over; the next frame is the first. `framePixelsPerPixel` converts the
    // measurement image's pixels into the frame's.
    void reset(const QSizeF& framePixelsPerPixel = QSizeF(1.0, 1.0));
    // Consumes the reference image of the next frame (any format) and gives the camera's
    // displacement since the first frame in frame pixels. The first frame is refused with a
    // message when its texture cannot hold a two-dimensional match, a later frame when the
    // camera moved the reference region out of reach.
    bool addFrame(const QImage& reference, QPointF* displacement, QString* error = nullptr);
    // The same from a whole frame: the region is cropped and reduced here.
    bool addWholeFrame(const QImage& frame, const QRectF& region, QPointF* displacement,
                       QString* error = nullptr);

    int framesSeen() const { return int(m_displacementX.size()); }
    // The measurement so far (displacements, amplitude and quality; no spectrum).
    project_data::CameraMotion motion() const;

private:
    bool start(QString* error);
    bool track(QPointF& estimate, double& quality, QString* error);
    void resample(const QPointF& at);

    QSizeF m_scale{1.0, 1.0};
    FloatPlane m_template;
    FloatPlane m_gradientX;
    FloatPlane m_gradientY;
    FloatPlane m_current;
    FloatPlane m_scratch;
    FloatPlane m_resampled;
    double m_templateContrast = 0.0;
    QPointF m_estimate; // measurement pixels
    QPointF m_previousEstimate;
    std::vector<float> m_displacementX;
    std::vector<float> m_displacementY;
    std::vector<float> m_quality;
};

} // namespace orvi::motion_core
