#include "app/ApplicationController.h"

#include "app/ApplicationIdentity.h"

namespace orvi::ui::controllers {

ApplicationController::ApplicationController(QObject* parent)
    : QObject(parent), m_mediaRuntime(new MediaRuntimeController(this)),
      m_videoSession(new VideoSessionController(m_mediaRuntime, this)),
      m_analysisFragment(new AnalysisFragmentController(m_videoSession, this)),
      m_processingSettings(
          new ProcessingSettingsController(m_videoSession, m_analysisFragment, this))
{
    watchActivity(m_videoSession, &VideoSessionController::stateChanged);
    updateOperationLocks();
}

ApplicationController::~ApplicationController()
{
    // No lock is recomputed while the controllers go.
    for (const QMetaObject::Connection& connection : m_activityConnections)
        disconnect(connection);
}

QString ApplicationController::applicationDisplayName() const
{
    return app::ApplicationIdentity::displayName();
}

ApplicationController::Activity ApplicationController::currentActivity() const
{
    return {};
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
}

} // namespace orvi::ui::controllers
