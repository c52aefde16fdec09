#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

// Constants and envelope helpers of the diagnostics wire protocol. Qt Core only: the
// bridge compiles this file too.
namespace orvi::diagnostics::protocol {

inline constexpr int kApiVersion = 1;
inline constexpr qsizetype kMaximumMessageBytes = 65536;
inline constexpr qsizetype kMaximumReceiveBufferBytes = 131072;
inline constexpr int kRequestsPerPass = 32;
inline constexpr int kMaximumClientCount = 16;
// A connection that completes no request for this long gives its place up.
inline constexpr int kIdleTimeoutMs = 30000;
// What a client refused as "server_busy" is told to wait before it tries again.
inline constexpr int kBusyRetryAfterMs = 250;
inline constexpr qint64 kMaximumPendingOutputBytes = 33554432;
inline constexpr double kMaximumExactInteger = 9007199254740991.0;
inline constexpr char kSocketNamePrefix[] = "orvi-motion-diagnostics-";
inline constexpr char kFraming[] = "json_lines";

namespace codes {
inline constexpr char kInvalidJson[] = "invalid_json";
inline constexpr char kUnsupportedApiVersion[] = "unsupported_api_version";
inline constexpr char kUnauthorized[] = "unauthorized";
inline constexpr char kInvalidMethod[] = "invalid_method";
inline constexpr char kInvalidParams[] = "invalid_params";
inline constexpr char kMessageTooLarge[] = "message_too_large";
inline constexpr char kReceiveBufferLimit[] = "receive_buffer_limit";
inline constexpr char kMethodNotFound[] = "method_not_found";
inline constexpr char kControlDisabled[] = "control_disabled";
inline constexpr char kMissingExpectedRevision[] = "missing_expected_revision";
inline constexpr char kInvalidExpectedRevision[] = "invalid_expected_revision";
inline constexpr char kStaleRevision[] = "stale_revision";
inline constexpr char kStateConflict[] = "state_conflict";
inline constexpr char kServerBusy[] = "server_busy";
inline constexpr char kIdleTimeout[] = "idle_timeout";
} // namespace codes

QJsonObject successEnvelope(const QJsonValue& id, quint64 revision, const QJsonObject& result);
QJsonObject errorEnvelope(const QJsonValue& id, quint64 revision, const QString& code);
// The refusal sent instead of serving a connection while every place is taken: "id" null,
// the code "server_busy" and, beside it in "error", "retryAfterMs".
QJsonObject busyEnvelope(quint64 revision);
// The retry hint of a "server_busy" refusal in milliseconds; -1 when response is none.
int busyRetryAfterMs(const QJsonObject& response);

// Whether "expectedRevision" in params is present, valid and current; otherwise false with
// the error code to answer with.
bool checkExpectedRevision(const QJsonObject& params, quint64 currentRevision,
                           QString* errorCode = nullptr);

// True for a finite JSON number without fraction within +-(2^53 - 1).
bool isWholeNumber(const QJsonValue& value);

} // namespace orvi::diagnostics::protocol
