#pragma once

namespace orvi::project_data {

// Extremes of a point's X and Y phase series over one display column.
struct TraceBucket
{
    double startSeconds = 0.0; // from the fragment start
    double endSeconds = 0.0;
    double xMin = 0.0;
    double xMax = 0.0;
    double yMin = 0.0;
    double yMax = 0.0;
    bool valid = false;  // at least one sample with X and Y finite
    bool hasGap = false; // at least one sample with X or Y not finite
};

} // namespace orvi::project_data
