#include "app/ApplicationController.h"

#include "app/ApplicationIdentity.h"
#include "controllers/MediaRuntimeController.h"

namespace orvi::ui::controllers {

ApplicationController::ApplicationController(QObject* parent)
    : QObject(parent), m_mediaRuntime(new MediaRuntimeController(this))
{}

ApplicationController::~ApplicationController() = default;

QString ApplicationController::applicationDisplayName() const
{
    return app::ApplicationIdentity::displayName();
}

} // namespace orvi::ui::controllers
