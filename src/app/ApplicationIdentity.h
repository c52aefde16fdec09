#pragma once

#include <QString>

namespace orvi::app {

// The program's fixed identity, shared by start-up, the application controller and tests.
struct ApplicationIdentity
{
    static QString organizationName() { return QStringLiteral("ORVI"); }
    static QString applicationName() { return QStringLiteral("orvi-motion"); }
    static QString applicationVersion() { return QStringLiteral("0.3.36 build 71"); }
    static QString displayName() { return QStringLiteral("orvi-motion 0.3.36 build 71"); }
    static QString windowIconPath() { return QStringLiteral(":/ui/icons/application.png"); }
    static QString mainQmlUrl() { return QStringLiteral("qrc:/ui/qml/Main.qml"); }
};

} // namespace orvi::app
