#include "ApplicationConnection.h"

#include "InstanceLocator.h"
#include "diagnostics/DiagnosticsProtocol.h"
#include "diagnostics/InstanceDescriptor.h"
#include "diagnostics/RuntimeDirectory.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QLocalSocket>
#include <QThread>
#include <QUuid>
#include <algorithm>

namespace orvi::mcp {

namespace {

ApplicationCallResult failure(const QString& message, const QJsonObject& error = {})
{
    ApplicationCallResult outcome;
    outcome.error = error;
    outcome.message = message;
    return outcome;
}

} // namespace

const QStringList& ApplicationConnection::allowedMethods()
{
    static const QStringList methods{
        QStringLiteral("diagnostics.getUi"),
        QStringLiteral("diagnostics.ui"),
        QStringLiteral("diagnostics.screenshot"),
        QStringLiteral("diagnostics.spectrum"),
        QStringLiteral("diagnostics.getCapabilities"),
        QStringLiteral("diagnostics.getSnapshot"),
        QStringLiteral("diagnostics.getPerformance"),
        QStringLiteral("diagnostics.getEvents"),
        QStringLiteral("diagnostics.openVideo"),
        QStringLiteral("diagnostics.setCaptureFrameRate"),
        QStringLiteral("diagnostics.setRange"),
        QStringLiteral("diagnostics.setRoi"),
        QStringLiteral("diagnostics.setProcessingParameters"),
        QStringLiteral("diagnostics.playback"),
        QStringLiteral("diagnostics.startPreview"),
        QStringLiteral("diagnostics.cancelPreview"),
        QStringLiteral("diagnostics.setExportDestination"),
        QStringLiteral("diagnostics.startExport"),
        QStringLiteral("diagnostics.cancelExport"),
        QStringLiteral("diagnostics.cancelAnalysis"),
    };
    return methods;
}

ApplicationCallResult ApplicationConnection::call(const QString& method,
                                                  const QJsonObject& params) const
{
    if (!allowedMethods().contains(method))
        return failure(tr("The requested diagnostic method is not allowed."));

    const QString selector = qEnvironmentVariable("ORVI_MOTION_INSTANCE_ID").trimmed();
    const InstanceLocator locator(
        searchPaths_.isEmpty() ? diagnostics::RuntimeDirectory::searchPaths() : searchPaths_);
    QString message;
    const std::optional<diagnostics::InstanceDescriptor> instance =
        locator.locate(selector, &message);
    if (!instance)
        return failure(message);

    const QString requestId = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QJsonObject request{{QStringLiteral("apiVersion"), diagnostics::protocol::kApiVersion},
                              {QStringLiteral("id"), requestId},
                              {QStringLiteral("token"), instance->token},
                              {QStringLiteral("method"), method},
                              {QStringLiteral("params"), params}};
    QByteArray bytes = QJsonDocument(request).toJson(QJsonDocument::Compact);
    bytes.append('\n');
    if (bytes.size() > limits_.maximumRequestBytes)
        return failure(tr("The diagnostic request exceeds the allowed size."));

    // An instance serving as many clients as it takes refuses more with "server_busy"; such a
    // refusal is answered by trying again a few times before giving up.
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        QByteArray line;
        if (!exchange(*instance, bytes, &line, &message))
            return failure(message);
        const QJsonObject busy = QJsonDocument::fromJson(line).object();
        const int retryAfterMs = diagnostics::protocol::busyRetryAfterMs(busy);
        if (retryAfterMs < 0)
            return interpret(line, requestId);
        if (waited.elapsed() + retryAfterMs > limits_.busyRetryBudgetMs)
            return failure(tr("ORVI Zazira instance %1 is busy serving other diagnostic clients "
                              "and refused the connection. Try again shortly.")
                               .arg(instance->instanceId),
                           busy.value(QStringLiteral("error")).toObject());
        QThread::msleep(static_cast<unsigned long>(std::max(retryAfterMs, 1)));
    }
}

bool ApplicationConnection::exchange(const diagnostics::InstanceDescriptor& instance,
                                     const QByteArray& bytes, QByteArray* line,
                                     QString* message) const
{
    QLocalSocket socket;
    socket.connectToServer(instance.serverAddress(), QIODevice::ReadWrite);
    if (!socket.waitForConnected(limits_.connectTimeoutMs)) {
        const QString reason = socket.errorString();
        socket.abort();
        *message =
            tr("Could not connect to ORVI Zazira instance %1: %2").arg(instance.instanceId, reason);
        return false;
    }
    if (!sendAll(socket, bytes, message) || !receiveLine(socket, line, message)) {
        socket.abort();
        return false;
    }
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(limits_.waitStepMs);
    socket.abort();
    return true;
}

bool ApplicationConnection::sendAll(QLocalSocket& socket, const QByteArray& bytes,
                                    QString* message) const
{
    QElapsedTimer timer;
    timer.start();
    qsizetype written = 0;
    while (written < bytes.size() || socket.bytesToWrite() > 0) {
        if (socket.state() != QLocalSocket::ConnectedState) {
            *message = tr("The ORVI Zazira diagnostic connection closed while sending a request.");
            return false;
        }
        if (written < bytes.size()) {
            const qint64 accepted =
                socket.write(bytes.constData() + written, bytes.size() - written);
            if (accepted < 0) {
                *message =
                    tr("Could not send the diagnostic request: %1").arg(socket.errorString());
                return false;
            }
            written += accepted;
        }
        if (timer.elapsed() > limits_.sendTimeoutMs) {
            *message = tr("Timed out while sending the diagnostic request.");
            return false;
        }
        if (socket.bytesToWrite() > 0 && !socket.waitForBytesWritten(limits_.waitStepMs) &&
            socket.error() != QLocalSocket::SocketTimeoutError &&
            socket.state() == QLocalSocket::ConnectedState) {
            *message = tr("Could not send the diagnostic request: %1").arg(socket.errorString());
            return false;
        }
    }
    return true;
}

bool ApplicationConnection::receiveLine(QLocalSocket& socket, QByteArray* line,
                                        QString* message) const
{
    QElapsedTimer timer;
    timer.start();
    QByteArray buffer;
    for (;;) {
        buffer.append(socket.readAll());
        const qsizetype end = buffer.indexOf('\n');
        if (end >= 0) {
            *line = buffer.left(end);
            if (line->endsWith('\r'))
                line->chop(1);
            if (line->size() > limits_.maximumResponseBytes) {
                *message = tr("The diagnostic response exceeds the allowed size.");
                return false;
            }
            return true;
        }
        if (buffer.size() > limits_.maximumResponseBytes) {
            *message = tr("The diagnostic response exceeds the allowed size.");
            return false;
        }
        if (socket.state() == QLocalSocket::UnconnectedState) {
            *message = tr("The ORVI Zazira diagnostic connection closed before returning a "
                          "complete response.");
            return false;
        }
        if (timer.elapsed() > limits_.receiveTimeoutMs) {
            *message = tr("Timed out while waiting for the diagnostic response.");
            return false;
        }
        socket.waitForReadyRead(limits_.waitStepMs);
    }
}

ApplicationCallResult ApplicationConnection::interpret(const QByteArray& line,
                                                       const QString& requestId) const
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(line, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        const QString reason = parseError.error != QJsonParseError::NoError
                                   ? parseError.errorString()
                                   : QStringLiteral("not an object");
        return failure(tr("ORVI Zazira returned invalid diagnostic JSON: %1").arg(reason));
    }
    const QJsonObject response = document.object();
    const QJsonValue id = response.value(QStringLiteral("id"));
    if (response.value(QStringLiteral("apiVersion")).toInteger() !=
            diagnostics::protocol::kApiVersion ||
        !id.isString() || id.toString() != requestId)
        return failure(tr("ORVI Zazira returned a diagnostic response with an unexpected "
                          "version or request identifier."));

    const bool hasResult = response.contains(QStringLiteral("result"));
    const QJsonValue error = response.value(QStringLiteral("error"));
    const QJsonValue ok = response.value(QStringLiteral("ok"));
    if (hasResult == error.isObject() ||
        (!ok.isUndefined() && (!ok.isBool() || ok.toBool() != hasResult)))
        return failure(tr("ORVI Zazira returned an incomplete diagnostic response."));

    if (error.isObject()) {
        const QString text = error.toObject().value(QStringLiteral("message")).toString();
        return failure(text.isEmpty() ? tr("ORVI Zazira rejected the diagnostic request.") : text,
                       error.toObject());
    }
    ApplicationCallResult outcome;
    outcome.success = true;
    QJsonValue result = response.value(QStringLiteral("result"));
    const QJsonValue revision = response.value(QStringLiteral("revision"));
    if (result.isObject() && !result.toObject().contains(QStringLiteral("revision")) &&
        revision.isDouble()) {
        QJsonObject withRevision = result.toObject();
        withRevision.insert(QStringLiteral("revision"), revision);
        result = withRevision;
    }
    outcome.result = result;
    return outcome;
}

} // namespace orvi::mcp
