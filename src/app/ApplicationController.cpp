#include "app/ApplicationController.h"

#include "app/ApplicationIdentity.h"
#include "app/ApplicationLicences.h"

namespace orvi::ui::controllers {

ApplicationController::ApplicationController(QObject* parent)
    : QObject(parent), m_mediaRuntime(new MediaRuntimeController(this)),
      m_videoSession(new VideoSessionController(m_mediaRuntime, this)),
      m_analysisFragment(new AnalysisFragmentController(m_videoSession, this)),
      m_processingSettings(
          new ProcessingSettingsController(m_videoSession, m_analysisFragment, this)),
      m_playback(new playback::PlaybackController(m_videoSession, m_analysisFragment,
                                                  m_mediaRuntime, this)),
      m_preview(new PreviewController(m_videoSession, m_mediaRuntime, m_processingSettings,
                                      m_playback, this)),
      m_exporter(new ExportController(m_videoSession, m_mediaRuntime, m_processingSettings,
                                      m_playback, m_preview, this)),
      m_spectrum(new SpectrumController(m_videoSession, m_analysisFragment, m_processingSettings,
                                        m_mediaRuntime, m_preview, m_exporter, this))
{
    watchActivity(m_videoSession, &VideoSessionController::stateChanged);
    // Busy and unsaved both change with it (acknowledging and saving notify too).
    watchActivity(m_preview, &PreviewController::stateChanged);
    watchActivity(m_exporter, &ExportController::stateChanged);
    // Analysis, relative phase and report export each announce their own activity.
    watchActivity(m_spectrum, &SpectrumController::stateChanged);
    watchActivity(m_spectrum, &SpectrumController::phaseChanged);
    watchActivity(m_spectrum, &SpectrumController::reportChanged);
    updateOperationLocks();
}

ApplicationController::~ApplicationController()
{
    // No lock is recomputed while the controllers go.
    for (const QMetaObject::Connection& connection : m_activityConnections)
        disconnect(connection);
    // No worker thread may outlive what it reports to: spectrum tasks end first, then the
    // export's and the preview's jobs, then playback's thread.
    m_spectrum->shutdown();
    delete m_spectrum;
    m_exporter->shutdown();
    m_preview->shutdown();
    delete m_exporter;
    delete m_preview;
    delete m_playback;
}

QString ApplicationController::applicationDisplayName() const
{
    return app::ApplicationIdentity::displayName();
}

QString ApplicationController::licenceNotice() const
{
    return app::ApplicationLicences::text();
}

ApplicationController::Activity ApplicationController::currentActivity() const
{
    Activity activity;
    activity.previewBusy = m_preview->busy();
    activity.exportBusy = m_exporter->busy();
    activity.spectrumBusy =
        m_spectrum->busy() || m_spectrum->phaseBusy() || m_spectrum->reportBusy();
    activity.unsavedProcessedResult = m_preview->unsaved();
    return activity;
}

void ApplicationController::updateOperationLocks()
{
    const Activity activity = currentActivity();
    const bool processingBusy =
        activity.previewBusy || activity.exportBusy || activity.spectrumBusy;
    m_videoSession->setOperationLocked(processingBusy);
    m_videoSession->setUnsavedProcessedResult(activity.unsavedProcessedResult);
    const bool analysing = m_videoSession->busy();
    m_analysisFragment->setOperationLocked(processingBusy || analysing);
    m_processingSettings->setOperationLocked(processingBusy || analysing);
    m_preview->setBlocked(activity.spectrumBusy);
    m_exporter->setBlocked(activity.spectrumBusy);
}

} // namespace orvi::ui::controllers
