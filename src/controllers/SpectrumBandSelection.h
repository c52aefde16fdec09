#pragma once

#include "records/FrequencyCandidate.h"
#include "records/SpectrumResult.h"

#include <QString>
#include <QVariantList>
#include <optional>
#include <vector>

namespace orvi::ui::controllers {

class ProcessingSettingsController;

// The frequency band selected on a result, the band power map it draws on the first frame,
// and handing the band to the amplification.
class SpectrumBandSelection
{
public:
    double lowerHz() const { return m_lowerHz; }
    double upperHz() const { return m_upperHz; }
    // The one band rule: 0 < lower < upper < rate / 2, all finite.
    static bool isValid(double lowerHz, double upperHz, double captureFrameRate);
    // Takes a band and forgets the last application's message; the map is rebuilt apart.
    void select(double lowerHz, double upperHz);
    bool selects(double lowerHz, double upperHz) const
    {
        return lowerHz == m_lowerHz && upperHz == m_upperHz;
    }
    void clear() { select(0.0, 0.0); }
    // The first candidate whose band is the selected one and, when a phase frequency is given,
    // whose frequency is that one; -1 when none is.
    int candidateIndex(const std::vector<project_data::FrequencyCandidate>& candidates,
                       std::optional<double> phaseFrequencyHz = {}) const;
    // False, with the reason in *message, when the band does not apply at this rate.
    bool appliesAt(double captureFrameRate, QString* message = nullptr) const;

    // Applies the band to the amplification, widened to fit `frames` when it must. The
    // outcome, either way, becomes the application message.
    bool applyTo(ProcessingSettingsController* settings, qint64 frames, double captureFrameRate,
                 double stepHz);
    QString applicationMessage() const { return m_applicationMessage; }

    void rebuildMap(const project_data::SpectrumResult& result);
    bool mapAvailable() const { return m_mapAvailable; }
    QString mapMessage() const { return m_mapMessage; }
    const QVariantList& mapSamples() const { return m_mapSamples; }

private:
    double m_lowerHz = 0.0;
    double m_upperHz = 0.0;
    QString m_applicationMessage;
    bool m_mapAvailable = false;
    QString m_mapMessage;
    QVariantList m_mapSamples;
};

} // namespace orvi::ui::controllers
