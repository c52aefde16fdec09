#pragma once

#include "motion/FloatPlane.h"

#include <QSize>
#include <vector>

namespace orvi::motion_core {

// Sub-pixel displacement of the cells of a grid laid over a luminance plane, followed from
// frame to frame. The spectrum analysis measures vibration amplitudes with it, the pipeline
// the motion gain an amplification reached.
//
// Method: gradient least squares between consecutive frames. The step d of a cell from frame
// t - 1 to frame t minimises the sum over the cell of (L_t - L_(t-1) + g . d)^2, where g is
// the mean of both frames' gradients (which cancels the error of first order in the step).
// Steps are summed, so a displacement is relative to the first frame. Gradients are 7-tap
// central differences, within 2 % of the true derivative down to wavelengths of 5 pixels.
//
// Limits:
// - A step between two frames must stay small against the structure's wavelength: a tenth of
//   it reads about 1 % high, a fifth about 4 %.
// - A cell whose structure runs one way only (a straight edge) shows only the motion across
//   it; motion along an edge is invisible to any local estimator and reads as 0. Whether a
//   cell is such an edge is judged once, on the first frame.
// - A cell without structure gives NaN.
// - Noise adds a slow random drift to the summed steps, which a vibration spectrum ignores.
// - A cell measures the mean motion of its content weighted by gradient energy: a cell that
//   holds a moving edge and still texture reads less than the edge moves.
class CellDisplacementTracker
{
public:
    // Pixels a gradient reads on either side of its sample.
    static constexpr int kReach = 3;

    // Cells lie between consecutive column edges and row edges, in plane pixels (ascending,
    // the last edge exclusive). Edges are kept kReach pixels inside the plane. Clears all
    // state; the next frame is the first.
    void reset(const QSize& planeSize, std::vector<int> columnEdges, std::vector<int> rowEdges);
    // Consumes the next luminance plane. False, with nothing changed, when the tracker has no
    // cells or the plane's size differs from the one given to `reset`.
    bool addFrame(const FloatPlane& luminance);

    int columns() const { return int(m_columnEdges.size()) - 1; }
    int rows() const { return int(m_rowEdges.size()) - 1; }
    int cellCount() const { return m_columnEdges.empty() ? 0 : columns() * rows(); }
    int framesSeen() const { return m_frames; }
    // Displacement of cell i (row-major) since the first frame, in plane pixels: x at 2i and
    // y at 2i + 1 (y grows downwards). NaN for a cell without structure, and for a frame
    // that gave a cell no usable step.
    const std::vector<float>& displacement() const { return m_displacement; }

private:
    enum class Structure
    {
        None,
        OneWay, // an edge: only the motion along `normal` is measured
        TwoWay,
    };

    struct Cell
    {
        Structure structure = Structure::None;
        double normalX = 0.0;
        double normalY = 0.0;
        double sumX = 0.0;
        double sumY = 0.0;
    };

    // Products of one band of grid rows, summed over its rows per column.
    struct BandSums
    {
        std::vector<float> xx, xy, yy, xt, yt;
        void clear(int width);
    };

    void accumulateBand(int row, const FloatPlane& luminance);
    void classify(Cell& cell, const double moments[5], int pixels) const;
    void step(Cell& cell, const double moments[5], float* out) const;

    QSize m_size;
    std::vector<int> m_columnEdges;
    std::vector<int> m_rowEdges;
    std::vector<Cell> m_cells;
    std::vector<float> m_displacement;
    int m_frames = 0;

    FloatPlane m_previous; // luminance of the previous frame
    FloatPlane m_gradientX[2];
    FloatPlane m_gradientY[2];
    int m_current = 0; // which gradient planes hold this frame
    BandSums m_band;
};

} // namespace orvi::motion_core
