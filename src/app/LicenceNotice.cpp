#include "app/LicenceNotice.h"

#include "orvi/Version.h"

#include <QRegularExpression>

#ifdef Q_OS_LINUX
#include <link.h>
#endif

namespace orvi::app {

namespace {

QString componentBlock(const LicenceNotice::Component& component)
{
    QString block = component.name + QLatin1Char('\n') + QStringLiteral("  ") +
                    LicenceNotice::tr("Licence: %1").arg(component.licence);
    if (!component.detail.isEmpty())
        block += QLatin1Char('\n') + QStringLiteral("  ") + component.detail;
    return block;
}

QString termsOfPassingOn(const std::vector<LicenceNotice::Component>& components)
{
    for (const LicenceNotice::Component& component : components) {
        if (!component.redistributable)
            return LicenceNotice::tr("Passing it on: this build loads %1, whose licence does not "
                                     "allow redistribution. Do not pass the build on together "
                                     "with that library.")
                .arg(component.name);
    }
    return LicenceNotice::tr(
        "Passing it on: the GNU GPL version 3 is the one licence under which the program's own "
        "licence and those of the libraries above all hold together, so this build may be passed "
        "on under it: with the complete corresponding source code of the program (or a written "
        "offer of it), with these notices, and without further restrictions on the recipients. "
        "Whoever ships the libraries too must offer their source code in the same way; Debian "
        "does so for the packages it distributes.");
}

} // namespace

QString LicenceNotice::text(const QString& program, const std::vector<Component>& components)
{
    QStringList parts;
    parts << program + QLatin1Char('\n') +
                 tr("Copyright © %1 ORVI").arg(QLatin1String(version::kReleaseYear));
    parts << tr("This program is free software: you may pass it on and change it under the "
                "terms of the GNU General Public License, version 3 or (at your option) any later "
                "version. It comes with no warranty, to the extent permitted by law. The licence "
                "is in /usr/share/common-licenses/GPL-3 on Debian systems and at "
                "https://www.gnu.org/licenses/gpl-3.0.html.");
    parts << tr("Libraries this program loads:");
    for (const Component& component : components)
        parts << componentBlock(component);
    parts << termsOfPassingOn(components);
    return parts.join(QStringLiteral("\n\n")) + QLatin1Char('\n');
}

LicenceNotice::Component LicenceNotice::qt()
{
    QString name = QStringLiteral("Qt %1").arg(QLatin1String(qVersion()));
    const QStringList modules = loadedQtModules();
    if (!modules.isEmpty())
        name += QStringLiteral(" (%1)").arg(modules.join(QStringLiteral(", ")));
    return {name, tr("GNU LGPL version 3 (also offered under the GNU GPL, versions 2 and 3)"),
            tr("Loaded from the system's shared libraries, which may be replaced by another "
               "build of the same version.")};
}

QStringList LicenceNotice::loadedQtModules()
{
    QStringList modules;
#ifdef Q_OS_LINUX
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            static const QRegularExpression library(QStringLiteral("/libQt6(\\w+)\\.so[.0-9]*$"));
            const auto match = library.match(QString::fromLocal8Bit(info->dlpi_name));
            auto* found = static_cast<QStringList*>(data);
            if (match.hasMatch() && !found->contains(match.captured(1)))
                found->append(match.captured(1));
            return 0;
        },
        &modules);
    modules.sort();
#endif
    return modules;
}

} // namespace orvi::app
