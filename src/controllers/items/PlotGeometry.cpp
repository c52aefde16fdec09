#include "controllers/items/PlotGeometry.h"

#include <algorithm>
#include <cmath>

namespace orvi::ui::items {

int PlotGeometry::nearestMarker(const std::vector<QPointF>& markers, QPointF at, double radius)
{
    int nearest = -1;
    double nearestDistance = radius;
    for (std::size_t i = 0; i < markers.size(); ++i) {
        const double distance = std::hypot(markers[i].x() - at.x(), markers[i].y() - at.y());
        if (distance <= nearestDistance) {
            nearest = int(i);
            nearestDistance = distance;
        }
    }
    return nearest;
}

PlotRange PlotGeometry::zoomedRange(PlotRange view, PlotRange full, double anchor, double factor,
                                    double minimumSpan)
{
    if (!(full.span() > 0.0) || !(view.span() > 0.0) || !std::isfinite(factor) || factor <= 0.0)
        return full;
    const double span =
        std::clamp(view.span() * factor, std::min(minimumSpan, full.span()), full.span());
    const double position = std::clamp((anchor - view.lower) / view.span(), 0.0, 1.0);
    const double lower = anchor - position * span;
    return shiftedRange({lower, lower + span}, full, 0.0);
}

PlotRange PlotGeometry::shiftedRange(PlotRange view, PlotRange full, double shift)
{
    const double span = std::min(view.span(), full.span());
    const double lower = std::clamp(view.lower + shift, full.lower, full.upper - span);
    return {lower, lower + span};
}

} // namespace orvi::ui::items
