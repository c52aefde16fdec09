#pragma once

#include "controllers/MediaRuntimeController.h"

#include <QObject>
#include <QString>

namespace orvi::ui::controllers {

// Owns every interface controller, exposes them to QML and interlocks their activity.
class ApplicationController : public QObject
{
    Q_OBJECT
    Q_PROPERTY(
        orvi::ui::controllers::MediaRuntimeController* mediaRuntime READ mediaRuntime CONSTANT)
    Q_PROPERTY(QString applicationDisplayName READ applicationDisplayName CONSTANT)

public:
    explicit ApplicationController(QObject* parent = nullptr);
    ~ApplicationController() override;

    MediaRuntimeController* mediaRuntime() const { return m_mediaRuntime; }
    QString applicationDisplayName() const;

private:
    MediaRuntimeController* m_mediaRuntime = nullptr;
};

} // namespace orvi::ui::controllers
