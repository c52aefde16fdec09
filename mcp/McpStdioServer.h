#pragma once

#include "ApplicationConnection.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QJsonObject>
#include <optional>

class QIODevice;

namespace orvi::mcp {

// The Model Context Protocol server on standard input and output: one JSON-RPC message
// per line, the 2026-07-28 protocol with per-request metadata and the 2025 revisions
// behind the "initialize" handshake. Strictly sequential, no event loop.
class McpStdioServer
{
    Q_DECLARE_TR_FUNCTIONS(McpStdioServer)

public:
    static constexpr qsizetype kMaximumRequestBytes = 1048576;
    static constexpr int kMaximumDepth = 32;

    McpStdioServer() = default;
    explicit McpStdioServer(const ApplicationConnection& connection) : connection_(connection) {}

    // Serves the process's standard streams; 0 at the end of input, 1 on a stream failure.
    int run();
    int run(QIODevice& input, QIODevice& output, QIODevice& error);

    // The response to one line (framing already removed), or nothing for notifications.
    std::optional<QJsonObject> handleLine(const QByteArray& line);

    static QJsonObject serverInfo();
    static QString instructions();
    static QString currentProtocolVersion();
    static int jsonDepth(const QJsonValue& value);

private:
    std::optional<QJsonObject> handleRequest(const QJsonObject& message);
    QJsonObject dispatch(const QJsonValue& id, const QString& method, const QJsonObject& params);
    QJsonObject initialize(const QJsonValue& id, const QJsonObject& params);
    QJsonObject callTool(const QJsonValue& id, const QJsonObject& params, bool modern);

    ApplicationConnection connection_;
    bool legacyInitialized_ = false;
};

} // namespace orvi::mcp
