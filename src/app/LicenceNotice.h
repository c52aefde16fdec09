#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <vector>

namespace orvi::app {

// The licence of a program and of the libraries it loads, with what they mean for passing it
// on: the text of --licenses and of the About dialog. Qt Core only, so the bridge shares it.
class LicenceNotice
{
    Q_DECLARE_TR_FUNCTIONS(LicenceNotice)

public:
    struct Component
    {
        QString name;    // with its version, as loaded
        QString licence; // translated
        QString detail;  // optional: how it was built or is linked
        bool redistributable = true;
    };

    // "<program>", the program's own licence, every component, then the terms of passing the
    // whole on.
    static QString text(const QString& program, const std::vector<Component>& components);

    // The Qt libraries of this process, named by the modules it has loaded.
    static Component qt();
    // "Core", "Network", … for the Qt libraries mapped into this process, sorted;
    // empty where the platform cannot list its loaded libraries.
    static QStringList loadedQtModules();
};

} // namespace orvi::app
