#pragma once

#include <QJsonObject>

namespace orvi::ui::controllers {
class SpectrumController;
}

namespace orvi::diagnostics::service {

// The "spectrum" section of the snapshot: the run, its result and candidates, the inspected
// points, the band, the power map, the relative phase, the exports and the length scale.
class DiagnosticsSpectrumSnapshot
{
public:
    static QJsonObject section(const ui::controllers::SpectrumController& spectrum);

private:
    static QJsonObject pointCounts(const ui::controllers::SpectrumController& spectrum);
    static QJsonValue lengthScale(const ui::controllers::SpectrumController& spectrum);
};

} // namespace orvi::diagnostics::service
