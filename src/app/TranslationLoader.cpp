#include "app/TranslationLoader.h"

#include <QCoreApplication>

namespace orvi::app {

QStringList TranslationLoader::catalogueBaseNames()
{
    return {QStringLiteral("orvi-motion"), QStringLiteral("orvi-motion_motion_core"),
            QStringLiteral("orvi-motion_media")};
}

std::vector<std::unique_ptr<QTranslator>> TranslationLoader::install(const QLocale& locale,
                                                                     const QString& directory)
{
    std::vector<std::unique_ptr<QTranslator>> installed;
    for (const QString& baseName : catalogueBaseNames()) {
        auto translator = std::make_unique<QTranslator>();
        if (!translator->load(locale, baseName, QStringLiteral("_"), directory))
            continue;
        QCoreApplication::installTranslator(translator.get());
        installed.push_back(std::move(translator));
    }
    return installed;
}

} // namespace orvi::app
