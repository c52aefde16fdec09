#include "controllers/SpectrumAmplitudes.h"

#include "spectrum/SpectrumStage.h"
#include "spectrum/VibrationUnits.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <limits>

namespace orvi::ui::controllers {

using project_data::FrequencyCandidate;
using project_data::SpectrumResult;

void SpectrumAmplitudes::rebuild(const SpectrumResult& result, double millimetresPerPixel)
{
    m_spectrumPoints.clear();
    m_candidates.clear();
    if (!result.ok)
        return;
    const std::size_t bins = result.spectrum.size();
    m_spectrumPoints.reserve(qsizetype(bins));
    for (std::size_t k = 1; k < bins; ++k)
        m_spectrumPoints.append(
            QVariantMap{{QStringLiteral("frequencyHz"), double(k) * result.binWidthHz},
                        {QStringLiteral("relativePower"), result.spectrum[k]}});
    for (const FrequencyCandidate& c : result.candidates)
        m_candidates.append(candidateEntry(result, c, millimetresPerPixel));
}

QVariantMap SpectrumAmplitudes::candidateEntry(const SpectrumResult& result,
                                               const FrequencyCandidate& c,
                                               double millimetresPerPixel)
{
    const double bandPower =
        spectrum::relativeBandPower(result, c.lowerFrequencyHz, c.upperFrequencyHz);
    const bool bandPowerAvailable = std::isfinite(bandPower);
    QVariantMap map{{QStringLiteral("frequencyHz"), c.measuredFrequencyHz()},
                    {QStringLiteral("binFrequencyHz"), c.frequencyHz},
                    {QStringLiteral("refinedFrequencyHz"), c.measuredFrequencyHz()},
                    {QStringLiteral("relativePower"), c.relativePower},
                    {QStringLiteral("bandPowerAvailable"), bandPowerAvailable},
                    {QStringLiteral("relativeBandPower"), bandPowerAvailable ? bandPower : 0.0},
                    {QStringLiteral("contrastDb"), c.contrastDb},
                    {QStringLiteral("spatialSupport"), c.spatialSupport},
                    {QStringLiteral("stabilityEvaluated"), c.stabilityEvaluated},
                    {QStringLiteral("stability"), c.stability},
                    {QStringLiteral("lowerFrequencyHz"), c.lowerFrequencyHz},
                    {QStringLiteral("upperFrequencyHz"), c.upperFrequencyHz},
                    {QStringLiteral("possibleCompressionArtefact"), c.possibleCompressionArtefact},
                    {QStringLiteral("cameraMotion"), c.cameraMotion}};
    addAmplitude(&map, c.amplitudePx, c.measuredFrequencyHz(), millimetresPerPixel);
    map.insert(QStringLiteral("amplitudePoints"), c.amplitudePoints);
    map.insert(QStringLiteral("amplitudePoint"), c.amplitudePoint);
    if (std::isfinite(c.amplitudePx)) {
        map.insert(QStringLiteral("medianAmplitudePx"), c.amplitudePx);
        map.insert(QStringLiteral("amplitudeLowerPx"), c.amplitudeLowerPx);
        map.insert(QStringLiteral("amplitudeUpperPx"), c.amplitudeUpperPx);
        map.insert(QStringLiteral("strongestAmplitudePx"), c.strongestAmplitudePx);
    }
    return map;
}

void SpectrumAmplitudes::addAmplitude(QVariantMap* map, double amplitudePx, double frequencyHz,
                                      double millimetresPerPixel)
{
    if (!std::isfinite(amplitudePx))
        return;
    map->insert(QStringLiteral("amplitudePx"), amplitudePx);
    const spectrum::PhysicalAmplitude units =
        spectrum::physicalAmplitude(amplitudePx, frequencyHz, millimetresPerPixel);
    if (!std::isfinite(units.displacementUm))
        return;
    map->insert(QStringLiteral("displacementUm"), units.displacementUm);
    map->insert(QStringLiteral("velocityMmPerSecondRms"), units.velocityMmPerSecondRms);
    map->insert(QStringLiteral("accelerationMetresPerSecond2"), units.accelerationMetresPerSecond2);
}

QVariantList SpectrumAmplitudes::pointAmplitudes(const SpectrumResult& result, int site,
                                                 double millimetresPerPixel)
{
    QVariantList list;
    if (site < 0 || site >= int(result.sites.size()) || !result.sites[size_t(site)].accepted)
        return list;
    // Accepted signals follow the grid order of the accepted points.
    const auto signal = std::count_if(result.sites.begin(), result.sites.begin() + site,
                                      [](const project_data::GridSite& s) { return s.accepted; });
    const auto& amplitudes = result.acceptedSignals[size_t(signal)].amplitudes;
    for (size_t i = 0; i < amplitudes.size() && i < result.candidates.size(); ++i) {
        const project_data::PointAmplitude& a = amplitudes[i];
        const double frequency = result.candidates[i].measuredFrequencyHz();
        QVariantMap map{{QStringLiteral("frequencyHz"), frequency},
                        {QStringLiteral("reliable"), a.reliable},
                        {QStringLiteral("carriesLine"), a.carriesLine}};
        // An estimate that is not reliable shows only its noise: it is no measurement.
        if (a.reliable) {
            addAmplitude(&map, a.amplitudePx, frequency, millimetresPerPixel);
            map.insert(QStringLiteral("directionDegrees"), a.directionDegrees);
            map.insert(QStringLiteral("phaseDegrees"), a.phaseDegrees);
        }
        if (std::isfinite(a.standardErrorPx))
            map.insert(QStringLiteral("standardErrorPx"), a.standardErrorPx);
        list.append(map);
    }
    return list;
}

double SpectrumAmplitudes::millimetresPerPixel(const project_data::LengthScale& scale,
                                               const QSize& frameSize)
{
    return scale.isSet() ? spectrum::millimetresPerPixel(scale, frameSize)
                         : std::numeric_limits<double>::quiet_NaN();
}

bool SpectrumAmplitudes::acceptScale(const project_data::LengthScale& scale, const QSize& frameSize)
{
    if (!scale.isSet() || !std::isfinite(spectrum::millimetresPerPixel(scale, frameSize))) {
        m_scaleMessage = QCoreApplication::translate(
            "SpectrumController", "A known length needs two different points inside the frame "
                                  "and a positive distance in millimetres.");
        return false;
    }
    m_scaleMessage.clear();
    return true;
}

} // namespace orvi::ui::controllers
