#include "McpStdioServer.h"
#include "orvi/Version.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

#ifdef Q_OS_UNIX
#include <csignal>
#endif

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

    orvi::mcp::McpStdioServer server;
    return server.run();
}
