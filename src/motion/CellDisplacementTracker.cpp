#include "motion/CellDisplacementTracker.h"

#include "motion/KernelSupport.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <utility>

namespace orvi::motion_core {

namespace {

// 7-tap central difference (sixth order).
constexpr float kTap1 = 0.75f;
constexpr float kTap2 = -0.15f;
constexpr float kTap3 = 1.0f / 60.0f;
// Mean squared gradient per pixel (luminance levels of 0 ... 255 per pixel, squared) below
// which a cell holds nothing to follow.
constexpr double kMinimumGradientEnergy = 0.25;
// A cell whose weaker gradient direction carries less than this share of the stronger one's
// energy is an edge.
constexpr double kOneWayRatio = 0.05;

enum Moment
{
    XX,
    XY,
    YY,
    XT,
    YT,
};

// Gradients of row y of a plane over columns from ... to - 1.
ORVI_MOTION_HOT void gradientRow(const FloatPlane& plane, int y, int from, int to,
                                 float* __restrict gx, float* __restrict gy)
{
    const float* __restrict up3 = plane.row(y - 3);
    const float* __restrict up2 = plane.row(y - 2);
    const float* __restrict up1 = plane.row(y - 1);
    const float* __restrict c = plane.row(y);
    const float* __restrict down1 = plane.row(y + 1);
    const float* __restrict down2 = plane.row(y + 2);
    const float* __restrict down3 = plane.row(y + 3);
    for (int x = from; x < to; ++x) {
        gx[x] = kTap1 * (c[x + 1] - c[x - 1]) + kTap2 * (c[x + 2] - c[x - 2]) +
                kTap3 * (c[x + 3] - c[x - 3]);
        gy[x] =
            kTap1 * (down1[x] - up1[x]) + kTap2 * (down2[x] - up2[x]) + kTap3 * (down3[x] - up3[x]);
    }
}

// Adds one row's products to the band sums (index 0 is column `from`).
ORVI_MOTION_HOT void accumulateRow(const float* __restrict now, const float* __restrict before,
                                   const float* __restrict gxNow, const float* __restrict gyNow,
                                   const float* __restrict gxBefore,
                                   const float* __restrict gyBefore, int count,
                                   float* __restrict xx, float* __restrict xy, float* __restrict yy,
                                   float* __restrict xt, float* __restrict yt)
{
    for (int i = 0; i < count; ++i) {
        const float gx = 0.5f * (gxNow[i] + gxBefore[i]);
        const float gy = 0.5f * (gyNow[i] + gyBefore[i]);
        const float change = now[i] - before[i];
        xx[i] += gx * gx;
        xy[i] += gx * gy;
        yy[i] += gy * gy;
        xt[i] += gx * change;
        yt[i] += gy * change;
    }
}

// Eigenvalues of the symmetric 2 x 2 matrix [xx xy; xy yy], larger first.
std::pair<double, double> eigenvalues(double xx, double xy, double yy)
{
    const double half = 0.5 * (xx + yy);
    const double spread = std::sqrt(std::max(0.25 * (xx - yy) * (xx - yy) + xy * xy, 0.0));
    return {half + spread, half - spread};
}

// Unit eigenvector of the larger eigenvalue.
void dominantDirection(double xx, double xy, double yy, double& nx, double& ny)
{
    const double larger = eigenvalues(xx, xy, yy).first;
    // (xy, larger - xx) and (larger - yy, xy) both solve the eigen equation; take the longer.
    double ax = xy;
    double ay = larger - xx;
    const double bx = larger - yy;
    const double by = xy;
    if (bx * bx + by * by > ax * ax + ay * ay) {
        ax = bx;
        ay = by;
    }
    const double length = std::hypot(ax, ay);
    if (length > 0.0) {
        nx = ax / length;
        ny = ay / length;
    } else {
        nx = xx >= yy ? 1.0 : 0.0;
        ny = xx >= yy ? 0.0 : 1.0;
    }
}

std::vector<int> clampedEdges(std::vector<int> edges, int size)
{
    const int low = CellDisplacementTracker::kReach;
    const int high = std::max(low, size - CellDisplacementTracker::kReach);
    for (int& edge : edges)
        edge = std::clamp(edge, low, high);
    return edges;
}

bool ascending(const std::vector<int>& edges)
{
    return edges.size() >= 2 &&
           std::adjacent_find(edges.begin(), edges.end(), std::greater_equal<int>()) == edges.end();
}

} // namespace

void CellDisplacementTracker::BandSums::clear(int width)
{
    for (std::vector<float>* sums : {&xx, &xy, &yy, &xt, &yt})
        sums->assign(size_t(std::max(width, 0)), 0.0f);
}

void CellDisplacementTracker::reset(const QSize& planeSize, std::vector<int> columnEdges,
                                    std::vector<int> rowEdges)
{
    m_size = planeSize;
    m_columnEdges = clampedEdges(std::move(columnEdges), planeSize.width());
    m_rowEdges = clampedEdges(std::move(rowEdges), planeSize.height());
    if (!ascending(m_columnEdges) || !ascending(m_rowEdges)) {
        m_columnEdges.clear();
        m_rowEdges.clear();
    }
    m_cells.assign(size_t(cellCount()), Cell());
    m_displacement.assign(2 * m_cells.size(), std::numeric_limits<float>::quiet_NaN());
    m_frames = 0;
    m_current = 0;
    m_previous.clear();
}

bool CellDisplacementTracker::addFrame(const FloatPlane& luminance)
{
    if (cellCount() < 1 || luminance.isEmpty() || luminance.width != m_size.width() ||
        luminance.height != m_size.height())
        return false;
    for (FloatPlane* plane : {&m_gradientX[0], &m_gradientX[1], &m_gradientY[0], &m_gradientY[1]})
        if (!plane->sameSize(luminance))
            *plane = FloatPlane(luminance.width, luminance.height);
    if (m_frames == 0) {
        // The first frame is its own predecessor: the sums are then the gradient tensor
        // alone, which tells how each cell is structured.
        m_previous = luminance;
        for (int y = m_rowEdges.front(); y < m_rowEdges.back(); ++y)
            gradientRow(luminance, y, m_columnEdges.front(), m_columnEdges.back(),
                        m_gradientX[1 - m_current].row(y), m_gradientY[1 - m_current].row(y));
    }
    for (int row = 0; row < rows(); ++row)
        accumulateBand(row, luminance);
    std::copy(luminance.samples.begin(), luminance.samples.end(), m_previous.samples.begin());
    m_current = 1 - m_current;
    ++m_frames;
    return true;
}

void CellDisplacementTracker::accumulateBand(int row, const FloatPlane& luminance)
{
    const int from = m_columnEdges.front();
    const int to = m_columnEdges.back();
    const bool first = m_frames == 0;
    FloatPlane& gxNow = m_gradientX[m_current];
    FloatPlane& gyNow = m_gradientY[m_current];
    const FloatPlane& gxBefore = m_gradientX[1 - m_current];
    const FloatPlane& gyBefore = m_gradientY[1 - m_current];
    m_band.clear(to - from);
    for (int y = m_rowEdges[size_t(row)]; y < m_rowEdges[size_t(row) + 1]; ++y) {
        gradientRow(luminance, y, from, to, gxNow.row(y), gyNow.row(y));
        accumulateRow(luminance.row(y) + from, m_previous.row(y) + from, gxNow.row(y) + from,
                      gyNow.row(y) + from, gxBefore.row(y) + from, gyBefore.row(y) + from,
                      to - from, m_band.xx.data(), m_band.xy.data(), m_band.yy.data(),
                      m_band.xt.data(), m_band.yt.data());
    }
    const int height = m_rowEdges[size_t(row) + 1] - m_rowEdges[size_t(row)];
    for (int column = 0; column < columns(); ++column) {
        double moments[5] = {0.0, 0.0, 0.0, 0.0, 0.0};
        const int x0 = m_columnEdges[size_t(column)] - from;
        const int x1 = m_columnEdges[size_t(column) + 1] - from;
        for (int x = x0; x < x1; ++x) {
            moments[XX] += m_band.xx[size_t(x)];
            moments[XY] += m_band.xy[size_t(x)];
            moments[YY] += m_band.yy[size_t(x)];
            moments[XT] += m_band.xt[size_t(x)];
            moments[YT] += m_band.yt[size_t(x)];
        }
        const size_t index = size_t(row) * size_t(columns()) + size_t(column);
        if (first)
            classify(m_cells[index], moments, (x1 - x0) * height);
        else
            step(m_cells[index], moments, &m_displacement[2 * index]);
        if (first && m_cells[index].structure != Structure::None) {
            m_displacement[2 * index] = 0.0f;
            m_displacement[2 * index + 1] = 0.0f;
        }
    }
}

void CellDisplacementTracker::classify(Cell& cell, const double moments[5], int pixels) const
{
    const auto [larger, smaller] = eigenvalues(moments[XX], moments[XY], moments[YY]);
    if (!(larger >= kMinimumGradientEnergy * pixels)) {
        cell.structure = Structure::None;
        return;
    }
    if (smaller < kOneWayRatio * larger) {
        cell.structure = Structure::OneWay;
        dominantDirection(moments[XX], moments[XY], moments[YY], cell.normalX, cell.normalY);
    } else {
        cell.structure = Structure::TwoWay;
    }
}

void CellDisplacementTracker::step(Cell& cell, const double moments[5], float* out) const
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    double dx = nan;
    double dy = nan;
    const double xx = moments[XX];
    const double xy = moments[XY];
    const double yy = moments[YY];
    const double det = xx * yy - xy * xy;
    const double trace = xx + yy;
    if (cell.structure == Structure::TwoWay && det > 1e-9 * trace * trace) {
        dx = -(yy * moments[XT] - xy * moments[YT]) / det;
        dy = -(xx * moments[YT] - xy * moments[XT]) / det;
    } else if (cell.structure != Structure::None) {
        // An edge, or a frame in which a textured cell lost one direction: the motion across.
        double nx = cell.normalX;
        double ny = cell.normalY;
        if (cell.structure == Structure::TwoWay)
            dominantDirection(xx, xy, yy, nx, ny);
        const double energy = nx * nx * xx + 2.0 * nx * ny * xy + ny * ny * yy;
        if (energy > 0.0) {
            const double along = -(nx * moments[XT] + ny * moments[YT]) / energy;
            dx = along * nx;
            dy = along * ny;
        }
    }
    if (std::isfinite(dx) && std::isfinite(dy)) {
        cell.sumX += dx;
        cell.sumY += dy;
        out[0] = float(cell.sumX);
        out[1] = float(cell.sumY);
    } else {
        out[0] = out[1] = float(nan);
    }
}

} // namespace orvi::motion_core
