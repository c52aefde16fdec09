#pragma once

#include "controllers/AnalysisFragmentController.h"
#include "controllers/ExportController.h"
#include "controllers/MediaRuntimeController.h"
#include "controllers/PlaybackController.h"
#include "controllers/PreviewController.h"
#include "controllers/ProcessingSettingsController.h"
#include "controllers/SpectrumController.h"
#include "controllers/VideoSessionController.h"

#include <QMetaObject>
#include <QObject>
#include <QString>
#include <vector>

namespace orvi::ui::controllers {

// Owns every interface controller, exposes them to QML and interlocks their activity.
class ApplicationController : public QObject
{
    Q_OBJECT
    Q_PROPERTY(
        orvi::ui::controllers::MediaRuntimeController* mediaRuntime READ mediaRuntime CONSTANT)
    Q_PROPERTY(
        orvi::ui::controllers::VideoSessionController* videoSession READ videoSession CONSTANT)
    Q_PROPERTY(orvi::ui::controllers::AnalysisFragmentController* analysisFragment READ
                   analysisFragment CONSTANT)
    Q_PROPERTY(orvi::ui::controllers::ProcessingSettingsController* processingSettings READ
                   processingSettings CONSTANT)
    Q_PROPERTY(orvi::ui::playback::PlaybackController* playback READ playback CONSTANT)
    Q_PROPERTY(orvi::ui::controllers::PreviewController* preview READ preview CONSTANT)
    Q_PROPERTY(orvi::ui::controllers::ExportController* exporter READ exporter CONSTANT)
    Q_PROPERTY(orvi::ui::controllers::SpectrumController* spectrum READ spectrum CONSTANT)
    Q_PROPERTY(QString applicationDisplayName READ applicationDisplayName CONSTANT)
    Q_PROPERTY(QString licenceNotice READ licenceNotice CONSTANT)

public:
    explicit ApplicationController(QObject* parent = nullptr);
    ~ApplicationController() override;

    MediaRuntimeController* mediaRuntime() const { return m_mediaRuntime; }
    VideoSessionController* videoSession() const { return m_videoSession; }
    AnalysisFragmentController* analysisFragment() const { return m_analysisFragment; }
    ProcessingSettingsController* processingSettings() const { return m_processingSettings; }
    playback::PlaybackController* playback() const { return m_playback; }
    PreviewController* preview() const { return m_preview; }
    ExportController* exporter() const { return m_exporter; }
    SpectrumController* spectrum() const { return m_spectrum; }
    QString applicationDisplayName() const;
    // The program's licence and those of the libraries it loads, for the About dialog.
    QString licenceNotice() const;

    // The activity interlock. While processing work runs (preview, video export, spectrum
    // analysis, relative phase or report export) nothing may change its inputs: session,
    // fragment and settings are locked. While the session probes a file, fragment and
    // settings are locked. Every notification that can change one of these activities, or
    // the preview's unsaved flag, is connected here through watchActivity().
    void updateOperationLocks();

private:
    // What the interlock reads from the controllers that do the work.
    struct Activity
    {
        bool previewBusy = false;
        bool exportBusy = false;
        bool spectrumBusy = false; // analysis, relative phase or report export
        bool unsavedProcessedResult = false;
    };

    Activity currentActivity() const;
    template <typename Sender, typename Signal>
    void watchActivity(const Sender* sender, Signal signal)
    {
        m_activityConnections.push_back(
            connect(sender, signal, this, &ApplicationController::updateOperationLocks));
    }

    MediaRuntimeController* m_mediaRuntime = nullptr;
    VideoSessionController* m_videoSession = nullptr;
    AnalysisFragmentController* m_analysisFragment = nullptr;
    ProcessingSettingsController* m_processingSettings = nullptr;
    playback::PlaybackController* m_playback = nullptr;
    PreviewController* m_preview = nullptr;
    ExportController* m_exporter = nullptr;
    SpectrumController* m_spectrum = nullptr;
    std::vector<QMetaObject::Connection> m_activityConnections;
};

} // namespace orvi::ui::controllers
