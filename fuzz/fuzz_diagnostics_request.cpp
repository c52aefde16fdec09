// One request line to the diagnostics service of a real application controller in control
// mode, as the socket hands it over: envelope checks, method dispatch, every method's
// parameter checks and the documents it answers with. The token is fixed so that seeds reach
// the methods; the seeds carry it.
#include "FuzzSupport.h"
#include "app/ApplicationController.h"
#include "diagnostics/DiagnosticsRequestHandler.h"
#include "diagnostics/SemanticDebugService.h"

#include <QGuiApplication>
#include <QJsonDocument>
#include <cstdlib>

using orvi::diagnostics::service::DiagnosticsControllers;
using orvi::diagnostics::service::DiagnosticsRequestHandler;
using orvi::diagnostics::service::SemanticDebugService;
using orvi::ui::controllers::ApplicationController;

namespace {

const QString kToken(64, QLatin1Char('a'));

struct Instance
{
    ApplicationController controller;
    SemanticDebugService service{DiagnosticsControllers::of(controller)};
    DiagnosticsRequestHandler handler{service};

    Instance()
    {
        service.setRuntimeDirectory(orvi::fuzzing::scratchFolder().path());
        if (!service.start(true))
            std::abort();
        handler.setToken(kToken);
    }
};

Instance* instance = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("TMPDIR", orvi::fuzzing::scratchFolder().path().toLocal8Bit());
    orvi::fuzzing::application<QGuiApplication>(argc, argv);
    instance = new Instance;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray line = orvi::fuzzing::bytesOf(data, size);
    const DiagnosticsRequestHandler::Outcome outcome = instance->handler.handle(line);
    // Work that a method queued (events, started jobs) runs before the next line, as it
    // would between two socket reads.
    QCoreApplication::processEvents();

    // Every answer is a complete envelope that serialises to one line.
    const QJsonObject& response = outcome.response;
    if (response.value(QStringLiteral("apiVersion")) != 1 ||
        !response.value(QStringLiteral("ok")).isBool() ||
        !response.value(QStringLiteral("revision")).isDouble())
        std::abort();
    if (QJsonDocument(response).toJson(QJsonDocument::Compact).contains('\n'))
        std::abort();
    return 0;
}
