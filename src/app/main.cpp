#include "app/ApplicationController.h"
#include "app/ApplicationIdentity.h"
#include "app/ApplicationLicences.h"
#include "app/StartupOptions.h"
#include "app/TerminationSignalWatcher.h"
#include "app/TranslationLoader.h"
#include "controllers/items/UiModule.h"
#include "diagnostics/AbandonedInstances.h"
#include "diagnostics/SemanticDebugService.h"
#include "media/VideoBackend.h"
#include "results/TemporaryVideo.h"

#include <QApplication>
#include <QIcon>
#include <QLocale>
#include <QMessageBox>
#include <QQmlApplicationEngine>
#include <QQmlComponent>
#include <QQuickStyle>
#include <QTextStream>
#include <memory>

namespace {

using orvi::app::ApplicationIdentity;
using orvi::diagnostics::service::DiagnosticsControllers;
using orvi::diagnostics::service::SemanticDebugService;

// Help and version need no window; let them work on a machine without a display.
void allowHeadlessInformationalRuns(int argc, char* argv[])
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
        !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return;
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--help" || argument == "-h" || argument == "-?" ||
            argument == "--help-all" || argument == "--version" || argument == "-v" ||
            argument == "--licenses") {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            return;
        }
    }
}

void applyIdentity()
{
    QGuiApplication::setWindowIcon(QIcon(ApplicationIdentity::windowIconPath()));
    QCoreApplication::setOrganizationName(ApplicationIdentity::organizationName());
    QCoreApplication::setApplicationVersion(ApplicationIdentity::applicationVersion());
    QGuiApplication::setApplicationDisplayName(ApplicationIdentity::displayName());
    // Wayland matches the windows to the installed desktop entry by this name.
    QGuiApplication::setDesktopFileName(ApplicationIdentity::desktopFileName());
    QQuickStyle::setStyle(QStringLiteral("Basic"));
}

// The controller types in "OrviMotion.Ui" 1.0, VideoFrameItem, StaticFrameItem and the painted
// items in "OrviMotion.Ui.Items" 1.0.
void registerQmlTypes()
{
    orvi::ui::registerUiModule();
}

// The local diagnostics service, when the command line asks for it; a service that does not
// start is reported and left out, and the program carries on without it.
std::unique_ptr<SemanticDebugService>
startDiagnostics(const orvi::app::StartupOptions& options,
                 const orvi::ui::controllers::ApplicationController& controller)
{
    if (!options.diagnosticsRequested())
        return nullptr;
    auto service = std::make_unique<SemanticDebugService>(DiagnosticsControllers::of(controller));
    QString error;
    if (!service->start(options.controlAllowed(), &error)) {
        qCritical().noquote() << QCoreApplication::translate("Application",
                                                             "Could not start MCP diagnostics: %1")
                                     .arg(error);
        return nullptr;
    }
    qInfo().noquote() << QCoreApplication::translate(
        "Application", "MCP diagnostics are enabled for this application instance.");
    return service;
}

// A window that cannot load (a Qt module missing on this machine) says why in a window of its
// own: the user who started the program from a menu sees no terminal.
void reportLoadFailure(QQmlEngine& engine)
{
    // The failed document is cached by the engine; compiling it again only collects the errors.
    const QQmlComponent main(&engine, QUrl(ApplicationIdentity::mainQmlUrl()));
    const QString text =
        QCoreApplication::translate(
            "Application", "The window could not be loaded, most likely because a Qt module "
                           "that it needs is not installed on this computer.\n\n%1")
            .arg(main.errorString().trimmed());
    qCritical().noquote() << text;
    if (QGuiApplication::platformName() != QLatin1String("offscreen") &&
        QGuiApplication::platformName() != QLatin1String("minimal"))
        QMessageBox::critical(nullptr, ApplicationIdentity::displayName(), text);
}

} // namespace

int main(int argc, char* argv[])
{
    allowHeadlessInformationalRuns(argc, argv);
    QApplication application(argc, argv);
    orvi::media::VideoBackend::routeLogMessages();
    // Results left by crashed runs go before any controller could pick one up, and so do the
    // descriptors and sockets of crashed instances before a client could try them.
    orvi::project_data::TemporaryVideo::cleanupStaleResults();
    orvi::diagnostics::AbandonedInstances::remove();

    applyIdentity();
    const auto translators = orvi::app::TranslationLoader::install(QLocale::system());
    const auto qtTranslators = orvi::app::TranslationLoader::installQtCatalogues(QLocale::system());
    QCoreApplication::setApplicationName(ApplicationIdentity::applicationName());

    auto options = std::make_unique<orvi::app::StartupOptions>();
    options->process(QCoreApplication::arguments());
    if (options->licencesRequested()) {
        QTextStream(stdout) << orvi::app::ApplicationLicences::text();
        return 0;
    }

    registerQmlTypes();
    auto controller = std::make_unique<orvi::ui::controllers::ApplicationController>();
    // Watched before the descriptor is published: a client may stop the program as soon as it
    // finds it, and the teardown must then still remove what was published.
    const orvi::app::TerminationSignalWatcher terminationSignals;
    auto diagnostics = startDiagnostics(*options, *controller);

    auto engine = std::make_unique<QQmlApplicationEngine>();
    engine->setInitialProperties(
        {{QStringLiteral("applicationController"), QVariant::fromValue(controller.get())}});
    engine->addImportPath(ApplicationIdentity::qmlImportPath());
    engine->load(QUrl(ApplicationIdentity::mainQmlUrl()));
    if (engine->rootObjects().isEmpty())
        reportLoadFailure(*engine);
    // A file named on the command line opens like one chosen in the window; a missing one
    // shows the session's error there.
    if (!engine->rootObjects().isEmpty() && !options->fileToOpen().isEmpty())
        controller->videoSession()->openSource(QUrl::fromLocalFile(options->fileToOpen()));

    const int exitCode = engine->rootObjects().isEmpty() ? -1 : QApplication::exec();

    // Reverse order of construction: nothing outlives what it reports to.
    engine.reset();
    diagnostics.reset();
    controller.reset();
    options.reset();
    return exitCode;
}
