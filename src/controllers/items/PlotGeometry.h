#pragma once

#include <QPointF>
#include <vector>

namespace orvi::ui::items {

// A visible range along a plot axis.
struct PlotRange
{
    double lower = 0.0;
    double upper = 0.0;

    double span() const { return upper - lower; }
    bool operator==(const PlotRange&) const = default;
};

// Pointer arithmetic of the interactive views, kept out of QML so that it can be checked.
class PlotGeometry
{
public:
    // Index of the marker nearest to `at` within `radius` (pixels); the later one on equal
    // distance, −1 when none is that close.
    static int nearestMarker(const std::vector<QPointF>& markers, QPointF at, double radius);
    // `view` scaled by `factor` about `anchor`, which keeps its relative position. The span stays
    // within minimumSpan (or the full span, if smaller) and the full span, the range inside
    // `full`.
    static PlotRange zoomedRange(PlotRange view, PlotRange full, double anchor, double factor,
                                 double minimumSpan);
    // `view` moved by `shift`, stopped at the ends of `full`.
    static PlotRange shiftedRange(PlotRange view, PlotRange full, double shift);
};

} // namespace orvi::ui::items
