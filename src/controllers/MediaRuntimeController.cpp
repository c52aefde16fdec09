#include "controllers/MediaRuntimeController.h"

namespace orvi::ui::controllers {

using media::VideoBackend;

MediaRuntimeController::MediaRuntimeController(QObject* parent)
    : MediaRuntimeController(VideoBackend::loadedLibraries(), parent)
{}

MediaRuntimeController::MediaRuntimeController(
    const std::vector<VideoBackend::LibraryVersion>& libraries, QObject* parent)
    : QObject(parent), m_versionSummary(VideoBackend::summarize(libraries))
{
    m_available = VideoBackend::checkLibraries(libraries, &m_errorMessage);
    if (m_available) {
        m_errorMessage.clear();
    }
}

} // namespace orvi::ui::controllers
