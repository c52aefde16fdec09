#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <cstdint>
#include <vector>

namespace orvi::media {

// How the luminance 0.2126 R + 0.7152 G + 0.0722 B of the RGB picture follows from the YUV
// samples, the matrix and range folded in: luma × (Y − lumaOffset) + chromaU × (U − 128) +
// chromaV × (V − 128). Both chroma weights are 0 when the matrix is BT.709.
struct LuminanceWeights
{
    float luma = 1.0f;
    float lumaOffset = 0.0f;
    float chromaU = 0.0f;
    float chromaV = 0.0f;
};

// The three planes of an 8-bit 4:2:0 picture of `size` luma samples.
struct Planes420
{
    const uint8_t* y = nullptr;
    const uint8_t* u = nullptr;
    const uint8_t* v = nullptr;
    int yStride = 0;
    int chromaStride = 0;
    QSize size;
};

// Reduces a crop of a 4:2:0 picture straight to its luminance, for an analysis image at
// least twice smaller than the crop both ways: 2 × 2 luma blocks meet their chroma sample,
// and the half-resolution luminance is resampled with a triangle filter as wide as the
// remaining reduction (the bilinear reduction of scalers). Far cheaper than scaling the
// three planes and converting them to RGB, and the result keeps the fraction that rounding
// to 8-bit RGB would lose: a Grayscale16 image holding luminance × 256, 0 … 255 × 256.
class LuminanceReducer
{
public:
    static constexpr int kScale = 256;

    // Whether `crop` reduced to `size` is a reduction by 2 or more in both directions.
    static bool handles(const QSize& crop, const QSize& size);

    // False when the crop lies outside the picture, the reduction is not handled or memory
    // is short. An unshared Grayscale16 `target` of `size` is reused.
    bool reduce(const Planes420& planes, const QRect& crop, const QSize& size,
                const LuminanceWeights& weights, QImage& target);

private:
    // Resampling taps of one axis, from half-resolution samples to output samples.
    struct Taps
    {
        int count = 0;
        int stride = 0;             // count rounded up to the multiple asked for, zero-weighted
        std::vector<int> first;     // per output, the first tap's unclamped index (+ m_pad)
        std::vector<int> index;     // stride per output, clamped into the half-resolution span
        std::vector<float> weights; // stride per output, summing to 1
    };
    static void buildTaps(int cropStart, int cropLength, int outputs, int halfFirst, int halfCount,
                          int strideMultiple, Taps& taps);
    void prepare(const QRect& crop, const QSize& size);
    void columns(const float* sums, float* out) const;
    const float* halfRow(const Planes420& planes, const LuminanceWeights& weights, int row);
    void computeHalfRow(const Planes420& planes, const LuminanceWeights& weights, int row,
                        float* out) const;

    QRect m_crop;
    QSize m_size;
    QRect m_half; // half-resolution blocks covering the crop
    Taps m_columns;
    Taps m_rows;
    // The half-resolution rows the current output row reads, computed as the outputs move
    // down: a few rows stay in cache where a whole half-resolution plane would not.
    std::vector<float> m_ring;  // m_ringSlots × m_half.width()
    std::vector<int> m_ringRow; // the half-resolution row each ring slot holds, or -1
    int m_ringSlots = 0;
    // One output row before the horizontal pass, its ends repeated m_pad times on both
    // sides, so that every output reads its taps as consecutive samples.
    std::vector<float> m_rowSums;
    int m_pad = 0;
    std::vector<float> m_output; // one output row
};

} // namespace orvi::media
