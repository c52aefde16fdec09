#pragma once

#include <vector>

namespace orvi::ui::items {

struct PlotRange;

// A frequency band, Hz.
struct FrequencyBand
{
    double lower = 0.0;
    double upper = 0.0;
};

// The spectrum chart's arithmetic: the visible frequency range inside the result's full range,
// its zoom, and the bands the pointer selects. Frequencies are in Hz; the step is the
// spectrum's bin width.
class SpectrumChartRange
{
public:
    // Sets the full range and the bin width and shows the whole range.
    void setLimits(double minimumHz, double maximumHz, double stepHz);

    double minimum() const { return m_minimum; }
    double maximum() const { return m_maximum; }
    double lower() const { return m_lower; }
    double upper() const { return m_upper; }
    double span() const { return m_upper - m_lower; }
    // The bin width the gestures use; never zero, so that a band always has a width.
    double step() const;

    // Shows the full range; its upper end stays at least 0.001 Hz above the lower one.
    void reset();
    // Shows [lower, upper] when both are finite and min <= lower < upper <= max.
    bool setView(double lower, double upper);
    // Scales the span by 0.8 (in) or 1.25 (out) about the frequency at `fraction` (0 the
    // lower edge, 1 the upper) of the visible range, keeping that frequency at that fraction.
    void zoomAbout(double fraction, bool zoomIn);
    // Shows `band`, held inside the full range.
    void zoomTo(FrequencyBand band);

    // The frequency at a fraction of the visible range.
    double frequencyAt(double fraction) const { return m_lower + fraction * span(); }
    // Where a frequency lies in the visible range, as a fraction.
    double fractionOf(double frequencyHz) const;

    // The band a drag from `pressedHz` to `currentHz` marks: both ends widened by half a bin.
    FrequencyBand draftBand(double pressedHz, double currentHz) const;
    // The one-bin band centred on a clicked frequency.
    FrequencyBand oneBinBand(double frequencyHz) const
    {
        return draftBand(frequencyHz, frequencyHz);
    }

    // Decimals of a frequency text at the given bin width.
    static int frequencyDecimals(double stepHz);
    // Index of the point of `frequencies` (ascending) nearest to `frequencyHz`; on equal
    // distance the higher one. -1 when there are no points.
    static int nearestIndex(const std::vector<double>& frequencies, double frequencyHz);

private:
    double fullUpper() const;
    void show(PlotRange range);

    double m_minimum = 0.0;
    double m_maximum = 1.0;
    double m_step = 0.1;
    double m_lower = 0.0;
    double m_upper = 1.0;
};

} // namespace orvi::ui::items
