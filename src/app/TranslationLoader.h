#pragma once

#include <QLocale>
#include <QString>
#include <QTranslator>
#include <memory>
#include <vector>

namespace orvi::app {

// Loads the program's catalogues from ":/i18n" for a locale; a missing one is skipped.
class TranslationLoader
{
public:
    static QStringList catalogueBaseNames();

    // Returns the translators that loaded, already installed on the application.
    static std::vector<std::unique_ptr<QTranslator>>
    install(const QLocale& locale, const QString& directory = QStringLiteral(":/i18n"));
    // Qt's own catalogues (standard dialog buttons, file dialogs) from the Qt installation.
    static std::vector<std::unique_ptr<QTranslator>> installQtCatalogues(const QLocale& locale);
};

} // namespace orvi::app
