#include "media/LuminanceReducer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

// Hot loops get AVX2 and AVX-512 clones next to the portable one, picked at load time (not
// under the thread checker, whose runtime is not ready when the resolvers run).
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && !defined(ORVI_NO_CLONES) && \
    !defined(__SANITIZE_THREAD__)
#define ORVI_MEDIA_HOT __attribute__((target_clones("default", "avx2", "avx512f")))
#else
#define ORVI_MEDIA_HOT
#endif

namespace orvi::media {

namespace {

constexpr float kMaximum = 255.0f;
// Vertical taps of one output row at most: reductions beyond about 60 are left to scalers.
constexpr int kMaximumTaps = 60;

// Half-resolution luminance of one row of 2 × 2 blocks whose four luma samples all lie in
// the picture: blocks [begin, end) of rows `upper` and `lower`.
ORVI_MEDIA_HOT void blockRow(const uint8_t* __restrict upper, const uint8_t* __restrict lower,
                             const uint8_t* __restrict u, const uint8_t* __restrict v,
                             float* __restrict out, int count, float luma, float lumaOffset,
                             float chromaU, float chromaV)
{
    const float quarter = 0.25f * luma;
    const float offset = luma * lumaOffset + 128.0f * (chromaU + chromaV);
    if (chromaU == 0.0f && chromaV == 0.0f) {
        for (int i = 0; i < count; ++i)
            out[i] =
                quarter * float(upper[2 * i] + upper[2 * i + 1] + lower[2 * i] + lower[2 * i + 1]) -
                offset;
        return;
    }
    for (int i = 0; i < count; ++i)
        out[i] =
            quarter * float(upper[2 * i] + upper[2 * i + 1] + lower[2 * i] + lower[2 * i + 1]) +
            chromaU * float(u[i]) + chromaV * float(v[i]) - offset;
}

// sums[i] += weight × row[i]. A function of its own: inlined into the loop over the taps, the
// compiler fused pairs of taps into a scalar loop.
[[gnu::noinline]] ORVI_MEDIA_HOT void addWeightedRow(const float* __restrict row, float weight,
                                                     int width, float* __restrict sums)
{
    for (int i = 0; i < width; ++i)
        sums[i] += weight * row[i];
}

// sums[i] = Σ weights[k] × rows[k][i]: one output row from the half-resolution rows.
void weightedRows(const float* const* rows, const float* weights, int count, int width,
                  float* __restrict sums)
{
    const float* first = rows[0];
    const float w0 = weights[0];
    for (int i = 0; i < width; ++i)
        sums[i] = w0 * first[i];
    for (int k = 1; k < count; ++k)
        addWeightedRow(rows[k], weights[k], width, sums);
}

// Horizontal pass of one output row. `sums` is padded at both ends with the end samples, so
// the taps of every output are consecutive samples from `first`; each output's taps are
// padded with zero weights to whole groups of four. Four consecutive taps are one vector
// load, and four outputs are summed together by a transpose, where loading tap by tap took
// one scalar load per tap and output (four times slower on a 1080p picture).
#if defined(__GNUC__)
using Float4 = float __attribute__((vector_size(16)));

inline Float4 load4(const float* p)
{
    Float4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Lanes a0 b0 a1 b1 and a2 b2 a3 b3; a0 a1 b0 b1 and a2 a3 b2 b3.
inline Float4 interleaveLow(Float4 a, Float4 b)
{
    return __builtin_shufflevector(a, b, 0, 4, 1, 5);
}
inline Float4 interleaveHigh(Float4 a, Float4 b)
{
    return __builtin_shufflevector(a, b, 2, 6, 3, 7);
}
inline Float4 lowHalves(Float4 a, Float4 b)
{
    return __builtin_shufflevector(a, b, 0, 1, 4, 5);
}
inline Float4 highHalves(Float4 a, Float4 b)
{
    return __builtin_shufflevector(a, b, 2, 3, 6, 7);
}

template <int Groups>
inline Float4 tapProducts(const float* samples, const float* weights, int groups)
{
    const int count = Groups > 0 ? Groups : groups;
    Float4 p = load4(samples) * load4(weights);
    for (int g = 1; g < count; ++g)
        p += load4(samples + 4 * g) * load4(weights + 4 * g);
    return p;
}

// Groups > 0 fixes the group count at compile time; 0 takes `groups`.
template <int Groups>
ORVI_MEDIA_HOT void columnsGrouped(const float* __restrict sums, const int* first,
                                   const float* weights, int groups, int outputs,
                                   float* __restrict out)
{
    const int stride = 4 * (Groups > 0 ? Groups : groups);
    int o = 0;
    for (; o + 4 <= outputs; o += 4) {
        const float* w = weights + qsizetype(stride) * o;
        const Float4 p0 = tapProducts<Groups>(sums + first[o], w, groups);
        const Float4 p1 = tapProducts<Groups>(sums + first[o + 1], w + stride, groups);
        const Float4 p2 = tapProducts<Groups>(sums + first[o + 2], w + 2 * stride, groups);
        const Float4 p3 = tapProducts<Groups>(sums + first[o + 3], w + 3 * stride, groups);
        const Float4 s01 = interleaveLow(p0, p1) + interleaveHigh(p0, p1);
        const Float4 s23 = interleaveLow(p2, p3) + interleaveHigh(p2, p3);
        const Float4 four = lowHalves(s01, s23) + highHalves(s01, s23);
        std::memcpy(out + o, &four, sizeof four);
    }
    for (; o < outputs; ++o) {
        const Float4 p =
            tapProducts<Groups>(sums + first[o], weights + qsizetype(stride) * o, groups);
        out[o] = (p[0] + p[2]) + (p[1] + p[3]);
    }
}
#else
template <int Groups>
void columnsGrouped(const float* sums, const int* first, const float* weights, int groups,
                    int outputs, float* out)
{
    const int stride = 4 * (Groups > 0 ? Groups : groups);
    for (int o = 0; o < outputs; ++o) {
        float value = 0.0f;
        for (int k = 0; k < stride; ++k)
            value += weights[qsizetype(stride) * o + k] * sums[first[o] + k];
        out[o] = value;
    }
}
#endif

// Luminance to samples of 1/256, kept in 0 … 255: rounded through int and clamped as ints,
// which vector lanes do without branches (a value beyond int range or not a number becomes
// INT_MIN and so 0).
ORVI_MEDIA_HOT void toSamples(const float* __restrict values, int count, quint16* __restrict out)
{
    constexpr int highest = int(kMaximum) * LuminanceReducer::kScale;
    for (int i = 0; i < count; ++i) {
        const int sample = int(values[i] * float(LuminanceReducer::kScale) + 0.5f);
        out[i] = quint16(std::min(std::max(sample, 0), highest));
    }
}

} // namespace

bool LuminanceReducer::handles(const QSize& crop, const QSize& size)
{
    return !size.isEmpty() && crop.width() >= 2 * size.width() &&
           crop.height() >= 2 * size.height() && crop.height() <= kMaximumTaps * size.height();
}

void LuminanceReducer::buildTaps(int cropStart, int cropLength, int outputs, int halfFirst,
                                 int halfCount, int strideMultiple, Taps& taps)
{
    const double scale = double(cropLength) / outputs; // luma samples per output
    const double radius = scale / 2.0;                 // in half-resolution samples
    // An open interval 2 × radius long holds at most ceil(2 × radius) whole samples.
    taps.count = std::max(1, int(std::ceil(2.0 * radius)));
    taps.stride = (taps.count + strideMultiple - 1) / strideMultiple * strideMultiple;
    taps.index.assign(size_t(outputs) * size_t(taps.stride), 0);
    taps.weights.assign(size_t(outputs) * size_t(taps.stride), 0.0f);
    taps.first.assign(size_t(outputs), 0);
    for (int o = 0; o < outputs; ++o) {
        // The output's centre in half-resolution sample coordinates (sample i covers luma
        // 2i … 2i + 2, its centre at 2i + 1).
        const double centre = (cropStart + (o + 0.5) * scale) / 2.0 - 0.5;
        const int first = int(std::floor(centre - radius)) + 1;
        taps.first[size_t(o)] = first - halfFirst;
        double total = 0.0;
        std::vector<double> weights(size_t(taps.count));
        for (int k = 0; k < taps.count; ++k) {
            weights[size_t(k)] = std::max(0.0, 1.0 - std::abs(first + k - centre) / radius);
            total += weights[size_t(k)];
        }
        for (int k = 0; k < taps.count; ++k) {
            const size_t at = size_t(o) * size_t(taps.stride) + size_t(k);
            taps.index[at] = std::clamp(first + k - halfFirst, 0, halfCount - 1);
            taps.weights[at] = float(weights[size_t(k)] / total);
        }
    }
}

void LuminanceReducer::prepare(const QRect& crop, const QSize& size)
{
    if (crop == m_crop && size == m_size)
        return;
    m_crop = crop;
    m_size = size;
    m_half =
        QRect(QPoint(crop.left() / 2, crop.top() / 2), QPoint(crop.right() / 2, crop.bottom() / 2));
    buildTaps(crop.x(), crop.width(), size.width(), m_half.x(), m_half.width(), 4, m_columns);
    buildTaps(crop.y(), crop.height(), size.height(), m_half.y(), m_half.height(), 1, m_rows);
    // The rows of one output span at most `count` half-resolution rows, and outputs move
    // down monotonically, so a row computed for this output never evicts one it still reads.
    m_ringSlots = m_rows.count + 1;
    m_ring.assign(size_t(m_ringSlots) * size_t(m_half.width()), 0.0f);
    m_ringRow.assign(size_t(m_ringSlots), -1);
    const auto [lowest, highest] =
        std::minmax_element(m_columns.first.begin(), m_columns.first.end());
    m_pad = std::max({0, -*lowest, *highest + m_columns.stride - m_half.width()});
    for (int& first : m_columns.first)
        first += m_pad;
    m_rowSums.assign(size_t(m_half.width() + 2 * m_pad), 0.0f);
    m_output.assign(size_t(size.width()), 0.0f);
}

void LuminanceReducer::columns(const float* sums, float* out) const
{
    const Taps& t = m_columns;
    const int outputs = m_size.width();
    switch (t.stride / 4) {
    case 1:
        return columnsGrouped<1>(sums, t.first.data(), t.weights.data(), 1, outputs, out);
    case 2:
        return columnsGrouped<2>(sums, t.first.data(), t.weights.data(), 2, outputs, out);
    default:
        return columnsGrouped<0>(sums, t.first.data(), t.weights.data(), t.stride / 4, outputs,
                                 out);
    }
}

const float* LuminanceReducer::halfRow(const Planes420& planes, const LuminanceWeights& weights,
                                       int row)
{
    const int slot = row % m_ringSlots;
    float* const out = m_ring.data() + size_t(slot) * size_t(m_half.width());
    if (m_ringRow[size_t(slot)] != row) {
        computeHalfRow(planes, weights, row, out);
        m_ringRow[size_t(slot)] = row;
    }
    return out;
}

void LuminanceReducer::computeHalfRow(const Planes420& planes, const LuminanceWeights& weights,
                                      int row, float* out) const
{
    const int lastRow = planes.size.height() - 1;
    const int lastColumn = planes.size.width() - 1;
    const int width = m_half.width();
    // Blocks whose right luma sample is still inside the picture.
    const int whole = std::clamp((lastColumn + 1) / 2 - m_half.x(), 0, width);
    const int hy = m_half.y() + row;
    const uint8_t* upper = planes.y + qsizetype(std::min(2 * hy, lastRow)) * planes.yStride;
    const uint8_t* lower = planes.y + qsizetype(std::min(2 * hy + 1, lastRow)) * planes.yStride;
    const uint8_t* u = planes.u + qsizetype(hy) * planes.chromaStride + m_half.x();
    const uint8_t* v = planes.v + qsizetype(hy) * planes.chromaStride + m_half.x();
    const int x = 2 * m_half.x();
    blockRow(upper + x, lower + x, u, v, out, whole, weights.luma, weights.lumaOffset,
             weights.chromaU, weights.chromaV);
    for (int i = whole; i < width; ++i) { // an odd picture width's last block
        const int left = x + 2 * i;
        const int sum = upper[left] + upper[lastColumn] + lower[left] + lower[lastColumn];
        out[i] = weights.luma * (0.25f * float(sum) - weights.lumaOffset) +
                 weights.chromaU * (float(u[i]) - 128.0f) +
                 weights.chromaV * (float(v[i]) - 128.0f);
    }
}

bool LuminanceReducer::reduce(const Planes420& planes, const QRect& crop, const QSize& size,
                              const LuminanceWeights& weights, QImage& target)
{
    if (!handles(crop.size(), size) || planes.y == nullptr || planes.u == nullptr ||
        planes.v == nullptr || !QRect(QPoint(0, 0), planes.size).contains(crop))
        return false;
    if (!target.isDetached() || target.format() != QImage::Format_Grayscale16 ||
        target.size() != size) {
        target = QImage(size, QImage::Format_Grayscale16);
        if (target.isNull())
            return false;
    }
    prepare(crop, size);
    // The planes differ from call to call.
    std::fill(m_ringRow.begin(), m_ringRow.end(), -1);
    const int width = m_half.width();
    float* const sums = m_rowSums.data() + m_pad;
    const float* rows[kMaximumTaps + 2];
    for (int oy = 0; oy < size.height(); ++oy) {
        const size_t tapBase = size_t(oy) * size_t(m_rows.stride);
        for (int k = 0; k < m_rows.count; ++k)
            rows[k] = halfRow(planes, weights, m_rows.index[tapBase + size_t(k)]);
        weightedRows(rows, m_rows.weights.data() + tapBase, m_rows.count, width, sums);
        std::fill(m_rowSums.data(), sums, sums[0]);
        std::fill(sums + width, sums + width + m_pad, sums[width - 1]);
        columns(m_rowSums.data(), m_output.data());
        toSamples(m_output.data(), size.width(), reinterpret_cast<quint16*>(target.scanLine(oy)));
    }
    return true;
}

} // namespace orvi::media
