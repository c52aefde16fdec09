#include "McpStdioServer.h"

#include "McpToolCatalogue.h"
#include "orvi/Version.h"

#include <QFile>
#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <cstdio>

namespace orvi::mcp {

namespace {

constexpr char kCurrentVersion[] = "2026-07-28";
constexpr const char* kLegacyVersions[] = {"2025-11-25", "2025-06-18", "2025-03-26"};
constexpr int kCacheTtlMs = 300000;

// Reserved metadata keys: the protocol's reverse-domain prefix plus a suffix.
QString metaKey(const char* suffix)
{
    return QStringLiteral("io.modelcontextprotocol/") + QLatin1String(suffix);
}

enum class ReadOutcome
{
    Line,
    End,
    Failure
};

bool deviceFailed(const QIODevice& device)
{
    const auto* file = qobject_cast<const QFileDevice*>(&device);
    return file && file->error() != QFileDevice::NoError;
}

// Reads up to and including the next line feed, at most limit + 1 bytes; a longer line
// is consumed to its end and reported as oversized. Byte by byte, because a blocking
// bulk read on a pipe would wait for input the client has not sent yet.
ReadOutcome readBoundedLine(QIODevice& input, qsizetype limit, QByteArray* line, bool* oversized)
{
    line->clear();
    *oversized = false;
    char c = 0;
    while (line->size() <= limit) {
        if (!input.getChar(&c))
            break;
        line->append(c);
        if (c == '\n') {
            *oversized = line->size() > limit;
            return ReadOutcome::Line;
        }
    }
    if (line->size() > limit) {
        *oversized = true;
        while (input.getChar(&c) && c != '\n') {
        }
        return deviceFailed(input) ? ReadOutcome::Failure : ReadOutcome::Line;
    }
    if (deviceFailed(input))
        return ReadOutcome::Failure;
    return line->isEmpty() ? ReadOutcome::End : ReadOutcome::Line;
}

void logLine(QIODevice& error, const QString& text)
{
    error.write(text.toUtf8() + '\n');
    if (auto* file = qobject_cast<QFileDevice*>(&error))
        file->flush();
}

bool writeAll(QIODevice& output, const QByteArray& bytes)
{
    qsizetype written = 0;
    while (written < bytes.size()) {
        const qint64 accepted = output.write(bytes.constData() + written, bytes.size() - written);
        if (accepted <= 0)
            return false;
        written += accepted;
    }
    auto* file = qobject_cast<QFileDevice*>(&output);
    return !file || file->flush();
}

QJsonObject errorResponse(const QJsonValue& id, int code, const QString& message,
                          const QJsonObject& data = {})
{
    QJsonObject error{{QStringLiteral("code"), code}, {QStringLiteral("message"), message}};
    if (!data.isEmpty())
        error.insert(QStringLiteral("data"), data);
    return {{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
            {QStringLiteral("id"), id.isUndefined() ? QJsonValue(QJsonValue::Null) : id},
            {QStringLiteral("error"), error}};
}

QJsonObject successResponse(const QJsonValue& id, const QJsonObject& result)
{
    return {{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
            {QStringLiteral("id"), id},
            {QStringLiteral("result"), result}};
}

bool hasModernMetadata(const QJsonObject& params)
{
    const QJsonValue meta = params.value(QStringLiteral("_meta"));
    if (!meta.isObject())
        return false;
    const QJsonObject object = meta.toObject();
    const QJsonValue version = object.value(metaKey("protocolVersion"));
    const QJsonValue clientInfo = object.value(metaKey("clientInfo"));
    return version.isString() && version.toString() == QLatin1String(kCurrentVersion) &&
           object.value(metaKey("clientCapabilities")).isObject() &&
           (clientInfo.isUndefined() || clientInfo.isObject());
}

// Marks a result of a 2026-07-28 request as complete and names the server in "_meta".
QJsonObject shaped(QJsonObject result)
{
    result.insert(QStringLiteral("resultType"), QStringLiteral("complete"));
    QJsonObject meta = result.value(QStringLiteral("_meta")).toObject();
    meta.insert(metaKey("serverInfo"), McpStdioServer::serverInfo());
    result.insert(QStringLiteral("_meta"), meta);
    return result;
}

QJsonObject toolsCapability()
{
    return {{QStringLiteral("tools"), QJsonObject{{QStringLiteral("listChanged"), false}}}};
}

} // namespace

QString McpStdioServer::currentProtocolVersion()
{
    return QLatin1String(kCurrentVersion);
}

QJsonObject McpStdioServer::serverInfo()
{
    QString version = QCoreApplication::applicationVersion();
    if (version.isEmpty())
        version = QLatin1String(version::kText);
    return {{QStringLiteral("name"), QStringLiteral("orvi-motion %1 MCP Bridge").arg(version)},
            {QStringLiteral("version"), version}};
}

QString McpStdioServer::instructions()
{
    return tr("Use these tools to inspect and control the explicitly enabled local ORVI Zazira "
              "diagnostic instance. Mutating tools require the current revision from a "
              "snapshot.");
}

int McpStdioServer::jsonDepth(const QJsonValue& value)
{
    int deepest = 0;
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            deepest = std::max(deepest, jsonDepth(it.value()));
    } else if (value.isArray()) {
        for (const QJsonValue& element : value.toArray())
            deepest = std::max(deepest, jsonDepth(element));
    }
    return 1 + deepest;
}

int McpStdioServer::run()
{
    QFile input;
    QFile output;
    QFile error;
    if (!input.open(stdin, QIODevice::ReadOnly | QIODevice::Unbuffered) ||
        !output.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        !error.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        std::fputs(tr("Could not open the MCP standard streams.").toLocal8Bit().constData(),
                   stderr);
        std::fputs("\n", stderr);
        return 1;
    }
    return run(input, output, error);
}

int McpStdioServer::run(QIODevice& input, QIODevice& output, QIODevice& error)
{
    QByteArray line;
    bool oversized = false;
    for (;;) {
        const ReadOutcome outcome = readBoundedLine(input, kMaximumRequestBytes, &line, &oversized);
        if (outcome == ReadOutcome::End)
            return 0;
        if (outcome == ReadOutcome::Failure) {
            logLine(error, tr("Could not read an MCP request from standard input."));
            return 1;
        }
        std::optional<QJsonObject> response;
        if (oversized) {
            response = errorResponse(QJsonValue::Null, -32600,
                                     tr("The MCP request exceeds the allowed size."));
        } else {
            if (line.endsWith('\n'))
                line.chop(1);
            if (line.endsWith('\r'))
                line.chop(1);
            if (line.trimmed().isEmpty())
                continue;
            response = handleLine(line);
        }
        if (!response)
            continue;
        QByteArray bytes = QJsonDocument(*response).toJson(QJsonDocument::Compact);
        bytes.append('\n');
        if (!writeAll(output, bytes)) {
            logLine(error, tr("Could not write an MCP response to standard output."));
            return 1;
        }
    }
}

std::optional<QJsonObject> McpStdioServer::handleLine(const QByteArray& line)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(line, &parseError);
    // Qt's parser refuses nesting far beyond our own limit before we could measure it.
    if (parseError.error == QJsonParseError::DeepNesting)
        return errorResponse(QJsonValue::Null, -32600,
                             tr("The MCP request exceeds the allowed JSON depth."));
    if (parseError.error != QJsonParseError::NoError)
        return errorResponse(QJsonValue::Null, -32700,
                             tr("The MCP request contains invalid JSON."));
    if (!document.isObject())
        return errorResponse(QJsonValue::Null, -32600,
                             tr("The MCP message is not a valid JSON-RPC request."));
    const QJsonObject message = document.object();
    if (jsonDepth(message) > kMaximumDepth)
        return errorResponse(QJsonValue::Null, -32600,
                             tr("The MCP request exceeds the allowed JSON depth."));
    return handleRequest(message);
}

std::optional<QJsonObject> McpStdioServer::handleRequest(const QJsonObject& message)
{
    const bool hasId = message.contains(QStringLiteral("id"));
    const QJsonValue id = message.value(QStringLiteral("id"));
    const QJsonValue method = message.value(QStringLiteral("method"));
    if ((hasId && !id.isString() && !id.isDouble()) ||
        message.value(QStringLiteral("jsonrpc")) != QJsonValue(QStringLiteral("2.0")) ||
        !method.isString() || method.toString().isEmpty())
        return errorResponse(QJsonValue::Null, -32600,
                             tr("The MCP message is not a valid JSON-RPC request."));
    // Notifications, the initialised notification included, need no action here.
    if (!hasId)
        return std::nullopt;
    const QJsonValue params = message.value(QStringLiteral("params"));
    if (!params.isUndefined() && !params.isObject())
        return errorResponse(id, -32602, tr("MCP request parameters must be a JSON object."));
    return dispatch(id, method.toString(), params.toObject());
}

QJsonObject McpStdioServer::dispatch(const QJsonValue& id, const QString& method,
                                     const QJsonObject& params)
{
    const QJsonValue meta = params.value(QStringLiteral("_meta"));
    const QJsonValue requested = meta.toObject().value(metaKey("protocolVersion"));
    if (meta.isObject() && requested.isString() &&
        requested.toString() != QLatin1String(kCurrentVersion)) {
        const QJsonObject data{
            {QStringLiteral("supported"), QJsonArray{QLatin1String(kCurrentVersion)}},
            {QStringLiteral("requested"), requested}};
        return errorResponse(id, -32022, tr("The requested MCP protocol version is not supported."),
                             data);
    }

    const bool modern = hasModernMetadata(params);
    const auto invalidMetadata = [&] {
        return errorResponse(id, -32602,
                             tr("The MCP request does not contain valid 2026-07-28 metadata."));
    };

    if (method == QLatin1String("server/discover")) {
        if (!modern)
            return invalidMetadata();
        return successResponse(id,
                               shaped({{QStringLiteral("supportedVersions"),
                                        QJsonArray{QLatin1String(kCurrentVersion)}},
                                       {QStringLiteral("capabilities"), toolsCapability()},
                                       {QStringLiteral("instructions"), instructions()},
                                       {QStringLiteral("ttlMs"), kCacheTtlMs},
                                       {QStringLiteral("cacheScope"), QStringLiteral("public")}}));
    }
    if (method == QLatin1String("initialize"))
        return initialize(id, params);
    if (params.contains(QStringLiteral("_meta")) && !modern)
        return invalidMetadata();
    if (!modern && !legacyInitialized_)
        return errorResponse(
            id, -32002,
            tr("The legacy MCP client must initialize the server before calling methods."));

    const auto answer = [&](const QJsonObject& result) {
        return successResponse(id, modern ? shaped(result) : result);
    };
    if (method == QLatin1String("ping"))
        return answer({});
    if (method == QLatin1String("tools/list")) {
        QJsonObject result{{QStringLiteral("tools"), McpToolCatalogue::tools()}};
        if (modern) {
            result.insert(QStringLiteral("ttlMs"), kCacheTtlMs);
            result.insert(QStringLiteral("cacheScope"), QStringLiteral("public"));
        }
        return answer(result);
    }
    if (method == QLatin1String("tools/call"))
        return callTool(id, params, modern);
    return errorResponse(id, -32601, tr("The requested MCP method is not supported."));
}

QJsonObject McpStdioServer::initialize(const QJsonValue& id, const QJsonObject& params)
{
    if (params.contains(QStringLiteral("_meta")))
        return errorResponse(
            id, -32601, tr("The initialize method is not available for the 2026-07-28 protocol."));
    const QJsonValue version = params.value(QStringLiteral("protocolVersion"));
    bool supported = false;
    for (const char* legacy : kLegacyVersions)
        supported =
            supported || (version.isString() && version.toString() == QLatin1String(legacy));
    if (!supported || !params.value(QStringLiteral("capabilities")).isObject() ||
        !params.value(QStringLiteral("clientInfo")).isObject())
        return errorResponse(id, -32602,
                             tr("The legacy initialize request is missing a supported 2025 "
                                "protocol version or client metadata."));
    legacyInitialized_ = true;
    return successResponse(id, {{QStringLiteral("protocolVersion"), version},
                                {QStringLiteral("capabilities"), toolsCapability()},
                                {QStringLiteral("serverInfo"), serverInfo()},
                                {QStringLiteral("instructions"), instructions()}});
}

QJsonObject McpStdioServer::callTool(const QJsonValue& id, const QJsonObject& params, bool modern)
{
    const QJsonValue name = params.value(QStringLiteral("name"));
    const QJsonValue arguments = params.value(QStringLiteral("arguments"));
    if (!name.isString() || name.toString().isEmpty() ||
        (!arguments.isUndefined() && !arguments.isObject()))
        return errorResponse(
            id, -32602,
            tr("The tools/call request must contain a tool name and an arguments object."));
    const QString method = McpToolCatalogue::methodForTool(name.toString());
    if (method.isEmpty())
        return errorResponse(id, -32602, tr("The requested ORVI Zazira tool is not available."));

    const ApplicationCallResult outcome = connection_.call(method, arguments.toObject());
    const QJsonObject result = McpToolCatalogue::toolResult(name.toString(), outcome);
    return successResponse(id, modern ? shaped(result) : result);
}

} // namespace orvi::mcp
