#pragma once

#include <QCoreApplication>
#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace orvi::mcp {

// The bridge's command line. Hosts start it without arguments to serve; the options are for
// the person who sets the host up, and print their answer and exit.
class McpCommandLine
{
    Q_DECLARE_TR_FUNCTIONS(McpCommandLine)

public:
    enum class Action
    {
        Serve,
        PrintHostConfiguration,
        PrintLicences
    };

    // Exits the process itself for help, version and unknown options.
    static Action process(const QStringList& arguments);

    // The block with which MCP hosts register a stdio server: this program by its absolute
    // path, no arguments, and the instance selector when one is given.
    static QJsonObject hostConfiguration(const QString& program, const QString& instanceId);
};

} // namespace orvi::mcp
