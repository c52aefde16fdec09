#pragma once

#include <QImage>
#include <QPointF>
#include <QRect>
#include <array>
#include <cstdint>
#include <vector>

namespace orvi::motion_core {

class MotionWorkerPool;

// Moves the content of an image by a sub-pixel offset: target(x, y) = source(x - dx, y - dy),
// bilinear, with the border pixels repeated outside the image. Works on every byte of a
// 32-bit pixel alike, so channel order does not matter and a later change of byte order
// gives the same as changing it first. Row by row, any part of the moved image can be made
// alone, so only what is used needs the work.
//
// Each source row is blended across once and kept for the next target row, so rows are
// cheapest asked for from top to bottom; one object serves one thread.
class ImageShift
{
public:
    // `source` must have 32 bits a pixel and outlive this object; rows are made for the
    // columns [from, to) of the moved image.
    ImageShift(const QImage& source, const QPointF& offset, int from, int to);

    // Pixels [from, to) (inside the columns above) of row `row` of the moved image into `out`
    // (4 bytes a pixel, pixel `from` first); the same bytes however a row is split.
    void row(int row, int from, int to, uchar* out);

    // Offsets and 8-bit weights of one axis: sample p = i + whole + fraction.
    struct Axis
    {
        int whole = 0;
        uint32_t far = 0; // weight of sample whole + 1, 0 ... 256
        uint32_t near = 256;
    };
    static Axis axisFor(double offset);

private:
    // Source row `sourceRow` (kept inside the image) blended across, for the columns.
    const uchar* across(int sourceRow);

    const QImage& m_source;
    Axis m_x;
    Axis m_y;
    int m_from;
    int m_to;
    std::array<std::vector<uchar>, 2> m_across;
    std::array<int, 2> m_acrossRow{-1, -1};
    int m_lastFilled = 1;
};

// The whole image moved by `offset`. 16-bit grey (luminance images) is moved as it is, other
// formats than 32-bit ones are converted to ARGB32 first. The target takes the source's size
// and that format (its storage is reused when it already has them). Rows are shared out over
// `pool` when one is given.
void shiftImage(const QImage& source, const QPointF& offset, QImage& target,
                MotionWorkerPool* pool = nullptr);
// Only `area` (inside the image) of the moved image, in an image of the area's size: the
// same as shiftImage(...).copy(area) without moving the rest.
void shiftImageArea(const QImage& source, const QPointF& offset, const QRect& area, QImage& target,
                    MotionWorkerPool* pool = nullptr);

} // namespace orvi::motion_core
