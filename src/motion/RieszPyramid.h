#pragma once

#include "motion/FloatPlane.h"
#include "motion/KernelSupport.h"

#include <vector>

namespace orvi::motion_core {

class MotionWorkerPool;

// Work planes and index tables of decomposition and reconstruction, kept between frames so
// that steady-state processing does not allocate. One scratch per concurrent caller.
struct PyramidScratch
{
    FloatPlane rowBlurred;
    FloatPlane down[2];
    FloatPlane rebuilt[2];
    detail::TapIndex columns;
    detail::TapIndex rows;
    detail::BilinearAxis axisX;
    detail::BilinearAxis axisY;
};

// Laplacian-style band split of a luminance plane and its inverse. The pyramid holds no
// images: levels (finest first) and the low-pass residual live in the caller's vectors.
// Level k has half the size of level k - 1, rounded up. Calls fan out over the pool given
// at construction and are const, so one pyramid may serve several callers that each bring
// their own scratch.
class RieszPyramid
{
public:
    // A level count below 1 is stored as 1.
    RieszPyramid(int levelCount, MotionWorkerPool& pool);

    int levelCount() const { return m_levelCount; }
    MotionWorkerPool& pool() const { return m_pool; }

    // Levels for a frame or region of this size (0..4, 0 below 32 pixels a side).
    static int levelCountFor(int width, int height);

    // For each level: blurred = blur(current, 5-tap), down = downsample(blurred),
    // band = current - resizeBilinear(down, current size), current = down; the residual is
    // the last `down`. Only the retained (even) blur samples are computed, which gives the
    // same values as the full blur. An empty luminance clears both outputs.
    void decompose(const FloatPlane& luminance, std::vector<FloatPlane>& levels,
                   FloatPlane& residual, PyramidScratch* scratch = nullptr) const;

    // Riesz components (R1 horizontal, R2 vertical) of every level, in level order.
    void rieszTransform(const std::vector<FloatPlane>& levels, std::vector<FloatPlane>& r1,
                        std::vector<FloatPlane>& r2) const;

    // out = residual; from the coarsest level to the finest:
    // out = resizeBilinear(out, level size) + level. The result has the finest level's size.
    void reconstruct(const std::vector<FloatPlane>& levels, const FloatPlane& residual,
                     FloatPlane& out, PyramidScratch* scratch = nullptr) const;

private:
    int m_levelCount = 1;
    MotionWorkerPool& m_pool;
};

} // namespace orvi::motion_core
