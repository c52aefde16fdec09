// Standard input of the MCP bridge: any bytes, read as lines, answered on standard output.
// A tool call finds no instance (the search folder is empty), so the bridge's own framing,
// validation, version negotiation and result shaping are what runs.
#include "FuzzSupport.h"
#include "McpStdioServer.h"

#include <QBuffer>
#include <QJsonDocument>
#include <cstdlib>

using orvi::mcp::ApplicationConnection;
using orvi::mcp::McpStdioServer;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    orvi::fuzzing::application<QCoreApplication>(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ApplicationConnection connection;
    connection.setSearchPaths({orvi::fuzzing::scratchFolder().path()});
    McpStdioServer server(connection);

    QByteArray input = orvi::fuzzing::bytesOf(data, size);
    QByteArray output;
    QByteArray errors;
    QBuffer in(&input);
    QBuffer out(&output);
    QBuffer err(&errors);
    in.open(QIODevice::ReadOnly);
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    if (server.run(in, out, err) != 0)
        std::abort(); // an in-memory stream never fails

    // Every answer is one JSON-RPC object on its own line.
    for (const QByteArray& line : output.split('\n')) {
        if (line.isEmpty())
            continue;
        const QJsonDocument document = QJsonDocument::fromJson(line);
        if (!document.isObject() ||
            document.object().value(QStringLiteral("jsonrpc")) != QStringLiteral("2.0"))
            std::abort();
    }
    return 0;
}
