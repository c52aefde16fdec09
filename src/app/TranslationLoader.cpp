#include "app/TranslationLoader.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace orvi::app {

QStringList TranslationLoader::catalogueBaseNames()
{
    return {QStringLiteral("orvi-motion"), QStringLiteral("orvi-motion_motion_core"),
            QStringLiteral("orvi-motion_media")};
}

namespace {

std::vector<std::unique_ptr<QTranslator>>
installFrom(const QStringList& baseNames, const QLocale& locale, const QString& directory)
{
    std::vector<std::unique_ptr<QTranslator>> installed;
    for (const QString& baseName : baseNames) {
        auto translator = std::make_unique<QTranslator>();
        if (!translator->load(locale, baseName, QStringLiteral("_"), directory))
            continue;
        QCoreApplication::installTranslator(translator.get());
        installed.push_back(std::move(translator));
    }
    return installed;
}

} // namespace

std::vector<std::unique_ptr<QTranslator>> TranslationLoader::install(const QLocale& locale,
                                                                     const QString& directory)
{
    return installFrom(catalogueBaseNames(), locale, directory);
}

std::vector<std::unique_ptr<QTranslator>>
TranslationLoader::installQtCatalogues(const QLocale& locale)
{
    return installFrom({QStringLiteral("qtbase"), QStringLiteral("qtdeclarative")}, locale,
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

} // namespace orvi::app
