#include "controllers/AutomationParameters.h"

#include "controllers/AutomationValues.h"
#include "controllers/ProcessingSettingsController.h"
#include "controllers/SpectrumBandSelection.h"
#include "controllers/VideoSessionController.h"
#include "spectrum/SpectrumAnalysisLimits.h"

namespace orvi::ui::controllers {

using Values = AutomationValues;

bool AutomationParameters::spectrumDraft(const QVariantMap& parameters,
                                         const QVariantMap& currentDraft,
                                         int maximumWorkerThreadCount,
                                         VideoSessionController* session, SpectrumDraft* draft)
{
    if (!Values::onlyFiniteNumbers(parameters,
                                   {"captureFrameRate", "gridDensityIndex", "workerThreadCount"}))
        return false;
    const auto value = [&](const char* key) {
        return parameters.value(QLatin1String(key), currentDraft.value(QLatin1String(key)));
    };
    const QVariant rate = value("captureFrameRate");
    const QVariant density = value("gridDensityIndex");
    const QVariant workers = value("workerThreadCount");
    if (!Values::isNumber(rate) || !Values::isCaptureFrameRate(rate.toDouble()) ||
        !Values::isWholeIn(density, 0, spectrum::kGridDensityCount - 1) ||
        !Values::isWholeIn(workers, 0, maximumWorkerThreadCount))
        return false;
    if (parameters.contains(QStringLiteral("captureFrameRate")) && session &&
        session->captureFrameRateAssumed() && rate.toDouble() == session->captureFrameRate())
        session->setCaptureFrameRate(rate.toDouble());
    draft->captureFrameRate = rate.toDouble();
    draft->gridDensityIndex = int(density.toDouble());
    draft->workerThreadCount = int(workers.toDouble());
    return true;
}

bool AutomationParameters::applyAmplification(const QVariantMap& parameters,
                                              VideoSessionController* session,
                                              ProcessingSettingsController* settings)
{
    if (!session || !settings ||
        !Values::onlyFiniteNumbers(parameters,
                                   {"captureFrameRate", "lowerFrequencyHz", "upperFrequencyHz",
                                    "amplificationFactor", "workerThreadCount"}))
        return false;
    const auto given = [&parameters](const char* key) {
        return parameters.contains(QLatin1String(key));
    };
    const auto value = [&](const char* key, double current) {
        return given(key) ? parameters.value(QLatin1String(key)).toDouble() : current;
    };
    const double rate = value("captureFrameRate", session->captureFrameRate());
    const double lower = value("lowerFrequencyHz", settings->lowerFrequencyHz());
    const double upper = value("upperFrequencyHz", settings->upperFrequencyHz());
    const double factor = value("amplificationFactor", settings->amplificationFactor());
    const QVariant workers =
        parameters.value(QStringLiteral("workerThreadCount"), settings->workerThreadCount());
    if (!Values::isCaptureFrameRate(rate) || !SpectrumBandSelection::isValid(lower, upper, rate) ||
        factor < settings->minimumAmplificationFactor() ||
        factor > settings->maximumAmplificationFactor() ||
        !Values::isWholeIn(workers, 0, settings->maximumWorkerThreadCount()))
        return false;
    if (given("captureFrameRate"))
        session->setCaptureFrameRate(rate);
    if (given("lowerFrequencyHz") || given("upperFrequencyHz"))
        settings->setFrequencyBand(lower, upper);
    if (given("amplificationFactor"))
        settings->setAmplificationFactor(factor);
    if (given("workerThreadCount"))
        settings->setWorkerThreadCount(int(workers.toDouble()));
    return true;
}

} // namespace orvi::ui::controllers
