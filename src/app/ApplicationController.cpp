#include "app/ApplicationController.h"

#include "app/ApplicationIdentity.h"

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
                                      m_playback, this))
{
    watchActivity(m_videoSession, &VideoSessionController::stateChanged);
    // Busy and unsaved both change with it (acknowledging and saving notify too).
    watchActivity(m_preview, &PreviewController::stateChanged);
    updateOperationLocks();
}

ApplicationController::~ApplicationController()
{
    // No lock is recomputed while the controllers go.
    for (const QMetaObject::Connection& connection : m_activityConnections)
        disconnect(connection);
    // No worker thread may outlive what it reports to: the preview's job ends first, then
    // playback's thread.
    m_preview->shutdown();
    delete m_preview;
    delete m_playback;
}

QString ApplicationController::applicationDisplayName() const
{
    return app::ApplicationIdentity::displayName();
}

ApplicationController::Activity ApplicationController::currentActivity() const
{
    Activity activity;
    activity.previewBusy = m_preview->busy();
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
}

} // namespace orvi::ui::controllers
