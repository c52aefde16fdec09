#include "controllers/MediaRuntimeController.h"

namespace orvi::ui::controllers {

using media::libav::LibavRuntime;

MediaRuntimeController::MediaRuntimeController(QObject* parent)
    : MediaRuntimeController(LibavRuntime::loadedLibraries(), parent)
{}

MediaRuntimeController::MediaRuntimeController(
    const std::vector<LibavRuntime::LibraryVersion>& libraries, QObject* parent)
    : QObject(parent), m_versionSummary(LibavRuntime::summarize(libraries))
{
    m_available = LibavRuntime::checkLibraries(libraries, &m_errorMessage);
    if (m_available) {
        m_errorMessage.clear();
    }
}

} // namespace orvi::ui::controllers
