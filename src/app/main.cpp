#include "app/ApplicationController.h"
#include "app/ApplicationIdentity.h"
#include "app/StartupOptions.h"
#include "app/TerminationSignalWatcher.h"
#include "app/TranslationLoader.h"
#include "controllers/UiModule.h"
#include "diagnostics/AbandonedInstances.h"
#include "diagnostics/SemanticDebugService.h"
#include "media/libav/LibavRuntime.h"
#include "results/TemporaryVideo.h"

#include <QGuiApplication>
#include <QIcon>
#include <QLocale>
#include <QQmlApplicationEngine>
#include <QQuickStyle>
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
            argument == "--help-all" || argument == "--version" || argument == "-v") {
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
    QQuickStyle::setStyle(QStringLiteral("Basic"));
}

// VideoFrameItem and StaticFrameItem (and the controller types) in "OrviMotion.Ui" 1.0.
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

} // namespace

int main(int argc, char* argv[])
{
    allowHeadlessInformationalRuns(argc, argv);
    QGuiApplication application(argc, argv);
    orvi::media::libav::LibavRuntime::routeLogMessages();
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

    registerQmlTypes();
    auto controller = std::make_unique<orvi::ui::controllers::ApplicationController>();
    // Watched before the descriptor is published: a client may stop the program as soon as it
    // finds it, and the teardown must then still remove what was published.
    const orvi::app::TerminationSignalWatcher terminationSignals;
    auto diagnostics = startDiagnostics(*options, *controller);

    auto engine = std::make_unique<QQmlApplicationEngine>();
    engine->setInitialProperties(
        {{QStringLiteral("applicationController"), QVariant::fromValue(controller.get())}});
    QObject::connect(
        engine.get(), &QQmlApplicationEngine::objectCreationFailed, &application,
        [] { QCoreApplication::exit(-1); }, Qt::QueuedConnection);
    engine->addImportPath(ApplicationIdentity::qmlImportPath());
    engine->load(QUrl(ApplicationIdentity::mainQmlUrl()));
    // A file named on the command line opens like one chosen in the window; a missing one
    // shows the session's error there.
    if (!engine->rootObjects().isEmpty() && !options->fileToOpen().isEmpty())
        controller->videoSession()->openSource(QUrl::fromLocalFile(options->fileToOpen()));

    const int exitCode = engine->rootObjects().isEmpty() ? -1 : QGuiApplication::exec();

    // Reverse order of construction: nothing outlives what it reports to.
    engine.reset();
    diagnostics.reset();
    controller.reset();
    options.reset();
    return exitCode;
}
