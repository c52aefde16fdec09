#include "McpToolCatalogue.h"

#include <QCoreApplication>
#include <QJsonDocument>

namespace orvi::mcp {

namespace {

constexpr char kRevisionKey[] = "expectedRevision";
constexpr char kScreenshotTool[] = "orvi_screenshot";

struct ToolEntry
{
    const char* name;
    const char* method;
};

// Catalogue order is the order of "tools/list".
constexpr ToolEntry kTools[] = {
    {"orvi_get_capabilities", "diagnostics.getCapabilities"},
    {"orvi_get_snapshot", "diagnostics.getSnapshot"},
    {"orvi_get_performance", "diagnostics.getPerformance"},
    {"orvi_get_events", "diagnostics.getEvents"},
    {"orvi_open_video", "diagnostics.openVideo"},
    {"orvi_set_capture_frame_rate", "diagnostics.setCaptureFrameRate"},
    {"orvi_set_range", "diagnostics.setRange"},
    {"orvi_set_roi", "diagnostics.setRoi"},
    {"orvi_set_processing_parameters", "diagnostics.setProcessingParameters"},
    {"orvi_playback", "diagnostics.playback"},
    {"orvi_start_preview", "diagnostics.startPreview"},
    {"orvi_cancel_preview", "diagnostics.cancelPreview"},
    {"orvi_set_export_destination", "diagnostics.setExportDestination"},
    {"orvi_start_export", "diagnostics.startExport"},
    {"orvi_cancel_export", "diagnostics.cancelExport"},
    {"orvi_cancel_analysis", "diagnostics.cancelAnalysis"},
    {"orvi_get_ui", "diagnostics.getUi"},
    {"orvi_ui", "diagnostics.ui"},
    {"orvi_spectrum", "diagnostics.spectrum"},
    {"orvi_screenshot", "diagnostics.screenshot"},
};

QJsonObject emptySchema()
{
    return {{QStringLiteral("type"), QStringLiteral("object")},
            {QStringLiteral("additionalProperties"), false}};
}

QJsonObject objectSchema(const QJsonObject& properties, const QStringList& required)
{
    QJsonObject schema{{QStringLiteral("type"), QStringLiteral("object")},
                       {QStringLiteral("properties"), properties},
                       {QStringLiteral("additionalProperties"), false}};
    if (!required.isEmpty())
        schema.insert(QStringLiteral("required"), QJsonArray::fromStringList(required));
    return schema;
}

// Every mutating tool requires the revision its caller last read.
QJsonObject mutatingSchema(QJsonObject properties, QStringList required)
{
    properties.insert(QLatin1String(kRevisionKey),
                      QJsonObject{{QStringLiteral("type"), QStringLiteral("integer")},
                                  {QStringLiteral("minimum"), 0}});
    required.append(QLatin1String(kRevisionKey));
    return objectSchema(properties, required);
}

QJsonObject typed(const char* type)
{
    return {{QStringLiteral("type"), QLatin1String(type)}};
}

QJsonObject nonEmptyString()
{
    return {{QStringLiteral("type"), QStringLiteral("string")}, {QStringLiteral("minLength"), 1}};
}

QJsonObject positiveNumber()
{
    return {{QStringLiteral("type"), QStringLiteral("number")},
            {QStringLiteral("exclusiveMinimum"), 0}};
}

QJsonObject bounded(const char* type, std::initializer_list<std::pair<const char*, double>> bounds)
{
    QJsonObject schema = typed(type);
    for (const auto& [key, value] : bounds)
        schema.insert(QLatin1String(key), value);
    return schema;
}

QJsonObject uiRequestSchema()
{
    const QStringList actions{"select_section",     "select_view",
                              "open_dialog",        "close_dialog",
                              "accept_dialog",      "reset_view",
                              "set_view",           "set_export_format",
                              "set_map_colors",     "set_dialog_parameters",
                              "set_region_editing", "set_dialog_section",
                              "scroll_dialog"};
    QJsonObject action = typed("string");
    action.insert(QStringLiteral("enum"), QJsonArray::fromStringList(actions));
    QJsonObject properties{{QStringLiteral("action"), action},
                           {QStringLiteral("format"), bounded("integer", {{"minimum", 0}})},
                           {QStringLiteral("parameters"), typed("object")}};
    for (const char* key : {"section", "view", "dialog"})
        properties.insert(QLatin1String(key), nonEmptyString());
    for (const char* key : {"lower", "upper", "zoom", "panX", "panY"})
        properties.insert(QLatin1String(key), typed("number"));
    for (const char* key : {"logarithmic", "enabled", "expanded"})
        properties.insert(QLatin1String(key), typed("boolean"));
    return objectSchema(properties, {QStringLiteral("action")});
}

QJsonObject inputSchema(int index)
{
    const auto unitInterval = [] {
        return bounded("number", {{"minimum", 0}, {"exclusiveMaximum", 1}});
    };
    const auto unitExtent = [] {
        return bounded("number", {{"exclusiveMinimum", 0}, {"maximum", 1}});
    };
    // A normalised rectangle, or null for none.
    const auto referenceRegionSchema = [&] {
        QJsonObject rect = typed("object");
        rect.insert(QStringLiteral("properties"),
                    QJsonObject{{QStringLiteral("x"), unitInterval()},
                                {QStringLiteral("y"), unitInterval()},
                                {QStringLiteral("width"), unitExtent()},
                                {QStringLiteral("height"), unitExtent()}});
        rect.insert(QStringLiteral("required"), QJsonArray{"x", "y", "width", "height"});
        return QJsonObject{{QStringLiteral("anyOf"), QJsonArray{rect, typed("null")}}};
    };
    switch (index) {
    case 3:
        return objectSchema(
            {{QStringLiteral("cursor"), bounded("integer", {{"minimum", 0}})},
             {QStringLiteral("limit"), bounded("integer", {{"minimum", 1}, {"maximum", 100}})}},
            {});
    case 4:
    case 12:
        return mutatingSchema({{QStringLiteral("path"), nonEmptyString()}},
                              {QStringLiteral("path")});
    case 5:
        return mutatingSchema({{QStringLiteral("framesPerSecond"), positiveNumber()}},
                              {QStringLiteral("framesPerSecond")});
    case 6:
        return mutatingSchema(
            {{QStringLiteral("startFrame"), bounded("integer", {{"minimum", 0}})},
             {QStringLiteral("endFrameExclusive"), bounded("integer", {{"minimum", 1}})}},
            {QStringLiteral("startFrame"), QStringLiteral("endFrameExclusive")});
    case 7: {
        QJsonObject space = typed("string");
        space.insert(QStringLiteral("const"), QStringLiteral("normalized_upright_frame"));
        return mutatingSchema({{QStringLiteral("x"), unitInterval()},
                               {QStringLiteral("y"), unitInterval()},
                               {QStringLiteral("width"), unitExtent()},
                               {QStringLiteral("height"), unitExtent()},
                               {QStringLiteral("coordinateSpace"), space}},
                              {QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("width"),
                               QStringLiteral("height")});
    }
    case 8:
        return mutatingSchema(
            {{QStringLiteral("rotationSpeedRpm"), positiveNumber()},
             {QStringLiteral("lowerFrequencyHz"), bounded("number", {{"minimum", 0}})},
             {QStringLiteral("upperFrequencyHz"), positiveNumber()},
             {QStringLiteral("amplificationFactor"), positiveNumber()},
             {QStringLiteral("workerThreadCount"),
              bounded("integer", {{"minimum", 0}, {"maximum", 256}})},
             {QStringLiteral("regionProcessingOptimizationEnabled"), typed("boolean")},
             {QStringLiteral("stabilizationReferenceRegion"), referenceRegionSchema()},
             {QStringLiteral("stabilizationEnabled"), typed("boolean")}},
            {});
    case 9: {
        QJsonObject action = typed("string");
        action.insert(QStringLiteral("enum"),
                      QJsonArray{"play", "pause", "toggle", "seek", "setSpeed"});
        return mutatingSchema(
            {{QStringLiteral("action"), action},
             {QStringLiteral("fraction"), bounded("number", {{"minimum", 0}, {"maximum", 1}})},
             {QStringLiteral("speed"), bounded("number", {{"minimum", 0.05}, {"maximum", 1}})}},
            {QStringLiteral("action")});
    }
    case 10:
    case 11:
    case 13:
    case 14:
    case 15:
        return mutatingSchema({}, {});
    case 17:
        return mutatingSchema({{QStringLiteral("request"), uiRequestSchema()}},
                              {QStringLiteral("request")});
    case 18: {
        QJsonObject properties{{QStringLiteral("action"), nonEmptyString()},
                               {QStringLiteral("path"), nonEmptyString()},
                               {QStringLiteral("logarithmic"), typed("boolean")}};
        for (const char* key : {"density", "workers", "index", "axis", "format"})
            properties.insert(QLatin1String(key), bounded("integer", {{"minimum", 0}}));
        for (const char* key : {"captureFrameRate", "lowerHz", "upperHz"})
            properties.insert(QLatin1String(key), positiveNumber());
        return mutatingSchema(properties, {QStringLiteral("action")});
    }
    case 19:
        return mutatingSchema(
            {{QStringLiteral("path"), nonEmptyString()},
             {QStringLiteral("maxWidth"), bounded("integer", {{"minimum", 320}})}},
            {});
    default:
        return emptySchema();
    }
}

bool isReadOnlyTool(int index)
{
    return index <= 3 || index == 16;
}

QString description(int index)
{
    switch (index) {
    case 0:
        return QCoreApplication::translate(
            "McpStdioServer", "Get the internal diagnostic API version, instance identity, "
                              "control status, and supported operations.");
    case 1:
        return QCoreApplication::translate(
            "McpStdioServer", "Get a consistent snapshot of the current source, selection, "
                              "processing, playback, preview, export, progress, and error state.");
    case 2:
        return QCoreApplication::translate(
            "McpStdioServer", "Get current or last preview and export performance timings, "
                              "throughput, motion-core stage breakdown, and thread budget.");
    case 3:
        return QCoreApplication::translate(
            "McpStdioServer",
            "Get bounded diagnostic events after a cursor without frame contents.");
    case 4:
        return QCoreApplication::translate(
            "McpStdioServer",
            "Open a local video in ORVI Zazira and start its normal asynchronous analysis.");
    case 5:
        return QCoreApplication::translate(
            "McpStdioServer",
            "Set the physical capture sampling rate used by vibration processing. A newly "
            "opened video starts from an assumed 240 fps, and nothing is processed or analysed "
            "until a rate is set here (setting 240 confirms it).");
    case 6:
        return QCoreApplication::translate(
            "McpStdioServer", "Set the selected half-open frame range for analysis and preview.");
    case 7:
        return QCoreApplication::translate(
            "McpStdioServer",
            "Set the rectangular region of interest in normalized upright-frame coordinates.");
    case 8:
        return QCoreApplication::translate(
            "McpStdioServer",
            "Set rotation speed, temporal frequency band, motion amplification factor, worker "
            "thread limit, ROI processing optimization, and camera motion compensation: "
            "stabilizationReferenceRegion is a still part of the scene (normalized x, y, width, "
            "height; null clears it) on which the camera's translation is measured and removed "
            "from the amplification and the spectrum analysis; stabilizationEnabled switches it "
            "on and needs a reference region. Rotation, zoom and parallax are not removed.");
    case 9:
        return QCoreApplication::translate(
            "McpStdioServer", "Play, pause, toggle, seek, or set the speed of synchronized source "
                              "and processed preview playback.");
    case 10:
        return QCoreApplication::translate("McpStdioServer",
                                           "Start asynchronous generation of a short processed "
                                           "preview for the current selection.");
    case 11:
        return QCoreApplication::translate("McpStdioServer",
                                           "Request cancellation of an active preview operation.");
    case 12:
        return QCoreApplication::translate(
            "McpStdioServer", "Choose a new local MP4 destination for the processed video and its "
                              "JSON parameters file.");
    case 13:
        return QCoreApplication::translate(
            "McpStdioServer", "Start asynchronous export of the selected fragment with the "
                              "current processing parameters.");
    case 14:
        return QCoreApplication::translate(
            "McpStdioServer", "Request cancellation of an active processed video export.");
    case 15:
        return QCoreApplication::translate(
            "McpStdioServer", "Request cancellation of an active source analysis operation.");
    case 16:
        return QCoreApplication::translate("McpStdioServer",
                                           "Read visible sections, dialogs and viewport settings.");
    case 17:
        return QCoreApplication::translate(
            "McpStdioServer",
            "Control the interface through named actions: select_section, select_view, "
            "open_dialog, close_dialog, accept_dialog, set_dialog_section, scroll_dialog, "
            "reset_view, set_view, set_export_format, set_map_colors, set_dialog_parameters, "
            "set_region_editing. Pass action and its parameters inside request.");
    case 18:
        return QCoreApplication::translate(
            "McpStdioServer",
            "Control spectral analysis: start, cancel, select_candidate, set_band, apply_band, "
            "select_point, set_phase_reference, set_phase_axis, calculate_phase, cancel_phase, "
            "export. Indices are zero-based; export formats match the application.");
    default:
        return QCoreApplication::translate(
            "McpStdioServer",
            "Capture the visible application window, including QML dialogs, as PNG. Optional "
            "absolute path must not exist. Returns an image and UI/version metadata. Native "
            "file dialogs are excluded.");
    }
}

QJsonObject textItem(const QString& text)
{
    return {{QStringLiteral("type"), QStringLiteral("text")}, {QStringLiteral("text"), text}};
}

QJsonObject errorResult(const QString& message, const QJsonObject& structured)
{
    return {{QStringLiteral("content"), QJsonArray{textItem(message)}},
            {QStringLiteral("structuredContent"), structured},
            {QStringLiteral("isError"), true}};
}

} // namespace

QJsonArray McpToolCatalogue::tools()
{
    QJsonArray list;
    int index = 0;
    for (const ToolEntry& entry : kTools) {
        const bool readOnly = isReadOnlyTool(index);
        const QJsonObject annotations{{QStringLiteral("readOnlyHint"), readOnly},
                                      {QStringLiteral("destructiveHint"), false},
                                      {QStringLiteral("idempotentHint"), readOnly},
                                      {QStringLiteral("openWorldHint"), false}};
        list.append(QJsonObject{{QStringLiteral("name"), QLatin1String(entry.name)},
                                {QStringLiteral("description"), description(index)},
                                {QStringLiteral("inputSchema"), inputSchema(index)},
                                {QStringLiteral("annotations"), annotations}});
        ++index;
    }
    return list;
}

QString McpToolCatalogue::methodForTool(const QString& toolName)
{
    for (const ToolEntry& entry : kTools) {
        if (toolName == QLatin1String(entry.name))
            return QLatin1String(entry.method);
    }
    return {};
}

QString McpToolCatalogue::jsonText(const QJsonValue& value)
{
    if (value.isObject())
        return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    if (value.isArray())
        return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
    const QByteArray wrapped = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(wrapped.mid(1, wrapped.size() - 2));
}

QJsonObject McpToolCatalogue::toolResult(const QString& toolName,
                                         const ApplicationCallResult& outcome)
{
    if (!outcome.success) {
        if (outcome.error.isEmpty()) {
            return errorResult(outcome.message,
                               {{QStringLiteral("code"), QStringLiteral("bridge_connection_error")},
                                {QStringLiteral("message"), outcome.message}});
        }
        return errorResult(outcome.message, outcome.error);
    }

    QJsonValue structured = outcome.result;
    QString imageData;
    if (toolName == QLatin1String(kScreenshotTool) && structured.isObject()) {
        // The image travels once, as an image item, not inside the text or structure.
        QJsonObject withoutImage = structured.toObject();
        imageData = withoutImage.take(QStringLiteral("pngBase64")).toString();
        structured = withoutImage;
    }
    QJsonArray content{textItem(jsonText(structured))};
    if (!imageData.isEmpty()) {
        content.append(QJsonObject{{QStringLiteral("type"), QStringLiteral("image")},
                                   {QStringLiteral("mimeType"), QStringLiteral("image/png")},
                                   {QStringLiteral("data"), imageData}});
    }
    QJsonObject result{{QStringLiteral("content"), content}, {QStringLiteral("isError"), false}};
    // Structured content must be an object; the application's results always are.
    if (structured.isObject())
        result.insert(QStringLiteral("structuredContent"), structured);
    return result;
}

} // namespace orvi::mcp
