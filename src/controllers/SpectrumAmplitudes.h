#pragma once

#include "records/LengthScale.h"
#include "records/SpectrumResult.h"

#include <QSize>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

namespace orvi::ui::controllers {

// A result as the views list it: the spectrum curve and the candidates with their amplitudes,
// in pixels and, with a known length on the frame, in physical units.
class SpectrumAmplitudes
{
public:
    // Rebuilds both lists; empty for a result that is not ready.
    void rebuild(const project_data::SpectrumResult& result, double millimetresPerPixel);
    const QVariantList& spectrumPoints() const { return m_spectrumPoints; }
    const QVariantList& candidates() const { return m_candidates; }

    // One point's displacement at each candidate frequency; empty unless the point is accepted.
    static QVariantList pointAmplitudes(const project_data::SpectrumResult& result, int site,
                                        double millimetresPerPixel);
    // NaN without a scale.
    static double millimetresPerPixel(const project_data::LengthScale& scale,
                                      const QSize& frameSize);
    // False, with the reason as the scale message, when the scale cannot convert this frame.
    bool acceptScale(const project_data::LengthScale& scale, const QSize& frameSize);
    QString scaleMessage() const { return m_scaleMessage; }
    void clearScaleMessage() { m_scaleMessage.clear(); }

private:
    // Keys only where there is a value: never a displacement without a measurement, never
    // physical units without a scale.
    static void addAmplitude(QVariantMap* map, double amplitudePx, double frequencyHz,
                             double millimetresPerPixel);
    static QVariantMap candidateEntry(const project_data::SpectrumResult& result,
                                      const project_data::FrequencyCandidate& candidate,
                                      double millimetresPerPixel);

    QVariantList m_spectrumPoints;
    QVariantList m_candidates;
    QString m_scaleMessage;
};

} // namespace orvi::ui::controllers
