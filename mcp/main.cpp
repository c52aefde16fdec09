#include "McpCommandLine.h"
#include "McpStdioServer.h"
#include "app/LicenceNotice.h"
#include "orvi/Version.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QLocale>
#include <QTextStream>
#include <QTranslator>

#ifdef Q_OS_UNIX
#include <csignal>
#endif

namespace {

using orvi::mcp::McpCommandLine;

void printHostConfiguration()
{
    const QJsonObject block = McpCommandLine::hostConfiguration(
        QCoreApplication::applicationFilePath(),
        qEnvironmentVariable("ORVI_MOTION_INSTANCE_ID").trimmed());
    QTextStream(stdout) << QJsonDocument(block).toJson();
}

void printLicences()
{
    using orvi::app::LicenceNotice;
    const QString program =
        QStringLiteral("orvi-motion-mcp %1").arg(QLatin1String(orvi::version::kText));
    QTextStream(stdout) << LicenceNotice::text(program, {LicenceNotice::qt()});
}

} // namespace

int main(int argc, char* argv[])
{
#ifdef Q_OS_UNIX
    // A host that goes away closes our output; report the failed write and exit 1
    // instead of being killed by the signal.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvi-motion-mcp"));
    QCoreApplication::setApplicationVersion(QLatin1String(orvi::version::kText));

    QTranslator translator;
    if (translator.load(QLocale::system(), QStringLiteral("orvi-motion_mcp"), QStringLiteral("_"),
                        QStringLiteral(":/i18n")))
        QCoreApplication::installTranslator(&translator);

    switch (McpCommandLine::process(QCoreApplication::arguments())) {
    case McpCommandLine::Action::PrintHostConfiguration:
        printHostConfiguration();
        return 0;
    case McpCommandLine::Action::PrintLicences:
        printLicences();
        return 0;
    case McpCommandLine::Action::Serve:
        break;
    }

    orvi::mcp::McpStdioServer server;
    return server.run();
}
