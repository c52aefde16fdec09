#pragma once

#include "orvi/Version.h"

#include <QString>

namespace orvi::app {

// The program's fixed identity, shared by start-up, the application controller and tests.
struct ApplicationIdentity
{
    static QString organizationName() { return QStringLiteral("ORVI"); }
    static QString applicationName() { return QStringLiteral("orvi-motion"); }
    static QString applicationVersion() { return QLatin1String(version::kText); }
    static QString displayName() { return QLatin1String(version::kProductIdentity); }
    static QString desktopFileName() { return QLatin1String(version::kDesktopId); }
    static QString windowIconPath() { return QStringLiteral(":/ui/icons/application.png"); }
    // The interface modules live among the resources under this import path.
    static QString qmlImportPath() { return QStringLiteral("qrc:/qt/qml"); }
    static QString mainQmlUrl() { return QStringLiteral("qrc:/qt/qml/OrviMotion/Main.qml"); }
};

} // namespace orvi::app
