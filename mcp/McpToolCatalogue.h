#pragma once

#include "ApplicationCallResult.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

namespace orvi::mcp {

// The 20 tools of the bridge, one per diagnostics method: their descriptions, input
// schemas and hints, and how an application answer becomes a tool result. The tools add
// no logic of their own; arguments travel unchanged as the request's params. The
// descriptions are translated in the server's context.
class McpToolCatalogue
{
public:
    static QJsonArray tools();
    // The diagnostics method behind a tool; empty for an unknown name.
    static QString methodForTool(const QString& toolName);
    static QJsonObject toolResult(const QString& toolName, const ApplicationCallResult& outcome);

    // Objects and arrays compactly; any other value as its bare JSON literal.
    static QString jsonText(const QJsonValue& value);
};

} // namespace orvi::mcp
