#include "motion/ProcessingRegion.h"

#include <algorithm>
#include <cmath>

namespace orvi::motion_core {

namespace {

QRectF normalisedWithin(const QRect& r, const QRect& p)
{
    return QRectF(double(r.x() - p.x()) / p.width(), double(r.y() - p.y()) / p.height(),
                  double(r.width()) / p.width(), double(r.height()) / p.height());
}

// Start and end of the crop along one axis of `size` pixels, centred on the context span
// and aligned outward to `step`.
void cropSpan(int contextStart, int contextLength, int size, int minimumSide, int step, int& start,
              int& end)
{
    const int length = std::min(std::max(contextLength, minimumSide), size);
    int origin = contextStart + contextLength / 2 - length / 2;
    origin = origin <= size - length ? std::max(origin, 0) : size - length;
    start = std::max(0, origin - origin % step);
    const int last = origin + length - 1;
    end = std::min(size, (last + step) - ((last + step) % step));
}

} // namespace

bool isWholeFrame(const QRectF& region)
{
    return region.x() == 0.0 && region.y() == 0.0 && region.width() == 1.0 &&
           region.height() == 1.0;
}

ProcessingRegion planRegion(const QSize& frameSize, const QRectF& regionOfInterest,
                            bool optimizationEnabled, int levelCount, double featherPixels)
{
    ProcessingRegion plan;
    if (frameSize.isEmpty())
        return plan;
    const int w = frameSize.width(), h = frameSize.height();
    plan.fullFrame = QRect(0, 0, w, h);
    plan.processingRect = plan.fullFrame;
    plan.regionOfInterest = regionOfInterest;
    plan.expandedRegion = regionOfInterest;
    if (!optimizationEnabled || isWholeFrame(regionOfInterest) || levelCount < 1)
        return plan;

    plan.optimizationActive = true;
    const int coarsest = 1 << (levelCount - 1);
    const int margin = std::max(static_cast<int>(std::ceil(featherPixels)), 2 * coarsest);
    const int context = 6 * coarsest;
    const int minimumSide = 32 * coarsest;
    const int step = 1 << levelCount;

    const int left =
        std::clamp(static_cast<int>(std::floor(regionOfInterest.left() * w)), 0, w - 1);
    const int top = std::clamp(static_cast<int>(std::floor(regionOfInterest.top() * h)), 0, h - 1);
    const int right =
        std::min(std::max(static_cast<int>(std::ceil(regionOfInterest.right() * w)), left + 1), w);
    const int bottom =
        std::min(std::max(static_cast<int>(std::ceil(regionOfInterest.bottom() * h)), top + 1), h);
    const QRect roi(left, top, right - left, bottom - top);
    const QRect expanded = roi.adjusted(-margin, -margin, margin, margin) & plan.fullFrame;
    const QRect contextRect =
        expanded.adjusted(-context, -context, context, context) & plan.fullFrame;

    int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    cropSpan(contextRect.x(), contextRect.width(), w, minimumSide, step, x0, x1);
    cropSpan(contextRect.y(), contextRect.height(), h, minimumSide, step, y0, y1);
    plan.processingRect = QRect(x0, y0, x1 - x0, y1 - y0);
    plan.regionOfInterest = normalisedWithin(roi, plan.processingRect);
    plan.expandedRegion = normalisedWithin(expanded, plan.processingRect);
    return plan;
}

double featherWidth(const QSize& frameSize)
{
    if (frameSize.isEmpty())
        return 0.0;
    return std::clamp(std::min(frameSize.width(), frameSize.height()) * 0.01, 2.0, 24.0);
}

double expandedRegionWeight(const ProcessingRegion& plan, double amplificationFactor)
{
    if (!plan.optimizationActive || !(amplificationFactor > 1.0))
        return 0.0;
    return std::clamp((amplificationFactor * 0.5 - 1.0) / (amplificationFactor - 1.0), 0.0, 1.0);
}

float regionWeight(int x, int y, int width, int height, const QRectF& region, double featherPixels)
{
    if (isWholeFrame(region))
        return 1.0f;
    const double u = (x + 0.5) / width, v = (y + 0.5) / height;
    if (u < region.left() || u > region.right() || v < region.top() || v > region.bottom())
        return 0.0f;
    if (featherPixels <= 0.0)
        return 1.0f;
    const double d = std::min(width * std::min(u - region.left(), region.right() - u),
                              height * std::min(v - region.top(), region.bottom() - v));
    const double t = std::clamp(d / featherPixels, 0.0, 1.0);
    return static_cast<float>(t * t * (3.0 - 2.0 * t));
}

} // namespace orvi::motion_core
