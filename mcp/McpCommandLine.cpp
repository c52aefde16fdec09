#include "McpCommandLine.h"

#include <QCommandLineParser>
#include <QJsonArray>

namespace orvi::mcp {

McpCommandLine::Action McpCommandLine::process(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        tr("Model Context Protocol server on standard input and output that lets an AI agent "
           "inspect and drive a running orvi-motion started with --mcp-debug or --mcp-control."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption printConfig(
        QStringLiteral("print-config"),
        tr("Print the JSON block that registers this server with an MCP host, then exit."));
    const QCommandLineOption licences(
        QStringLiteral("licenses"),
        tr("Show the licences of the program and of the libraries it loads, then exit."));
    parser.addOption(printConfig);
    parser.addOption(licences);
    parser.process(arguments);
    if (parser.isSet(printConfig))
        return Action::PrintHostConfiguration;
    if (parser.isSet(licences))
        return Action::PrintLicences;
    return Action::Serve;
}

QJsonObject McpCommandLine::hostConfiguration(const QString& program, const QString& instanceId)
{
    QJsonObject environment;
    if (!instanceId.isEmpty())
        environment.insert(QStringLiteral("ORVI_MOTION_INSTANCE_ID"), instanceId);
    const QJsonObject server{{QStringLiteral("command"), program},
                             {QStringLiteral("args"), QJsonArray()},
                             {QStringLiteral("env"), environment}};
    return {{QStringLiteral("mcpServers"), QJsonObject{{QStringLiteral("orvi-motion"), server}}}};
}

} // namespace orvi::mcp
