#pragma once

#include <QVariantMap>

namespace orvi::ui::controllers {

class ProcessingSettingsController;
class VideoSessionController;

// The "set_dialog_parameters" requests of the two settings dialogs: which names each takes,
// the ranges they must lie in, and what a valid request changes.
class AutomationParameters
{
public:
    struct SpectrumDraft
    {
        double captureFrameRate = 0.0;
        int gridDensityIndex = 0;
        int workerThreadCount = 0;
    };

    // The spectrum settings' draft with the given parameters in place of the current draft's;
    // false when a parameter is unknown or out of range. A rate the client states confirms
    // the session's assumed rate when it repeats it.
    static bool spectrumDraft(const QVariantMap& parameters, const QVariantMap& currentDraft,
                              int maximumWorkerThreadCount, VideoSessionController* session,
                              SpectrumDraft* draft);
    // Sets the given amplification parameters, after checking them all together with the
    // current ones; false, changing nothing, when one is unknown or out of range.
    static bool applyAmplification(const QVariantMap& parameters, VideoSessionController* session,
                                   ProcessingSettingsController* settings);
};

} // namespace orvi::ui::controllers
