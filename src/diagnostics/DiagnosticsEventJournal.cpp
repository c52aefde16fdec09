#include "diagnostics/DiagnosticsEventJournal.h"

#include "diagnostics/DiagnosticsProtocol.h"

#include <QDateTime>
#include <QJsonArray>
#include <algorithm>
#include <cmath>
#include <utility>

namespace orvi::diagnostics::service {

namespace {

// The key's whole number of at least minimum, the fallback when the key is absent, or -1
// for anything else (valid values are never negative).
double wholeParameter(const QJsonObject& params, const QString& key, double fallback,
                      double minimum)
{
    const QJsonValue value = params.value(key);
    if (value.isUndefined())
        return fallback;
    if (!protocol::isWholeNumber(value) || value.toDouble() < minimum)
        return -1.0;
    return value.toDouble();
}

} // namespace

bool ProgressThrottle::admit(double progress, const QString& stageName)
{
    const double scaled = std::isfinite(progress) ? std::floor(progress * kSteps) : 0.0;
    const int step = static_cast<int>(std::clamp(scaled, 0.0, double(kSteps)));
    if (step == lastStep_ && stageName == lastStageName_)
        return false;
    lastStep_ = step;
    lastStageName_ = stageName;
    return true;
}

void ProgressThrottle::reset()
{
    lastStep_ = -1;
    lastStageName_.clear();
}

DiagnosticsEventJournal::DiagnosticsEventJournal(QObject* parent) : QObject(parent)
{
    timer_.setSingleShot(true);
    timer_.setInterval(kCoalescingIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &DiagnosticsEventJournal::flushPending);
}

void DiagnosticsEventJournal::reset(bool active)
{
    timer_.stop();
    pending_.clear();
    records_.clear();
    revision_ = 1;
    nextId_ = 1;
    active_ = active;
}

void DiagnosticsEventJournal::recordCoalesced(const QString& code)
{
    if (!active_)
        return;
    ++revision_;
    pending_.insert(code);
    if (!timer_.isActive())
        timer_.start();
}

void DiagnosticsEventJournal::recordDirect(const QString& code)
{
    if (active_)
        append(code);
}

void DiagnosticsEventJournal::recordProgress(ProgressThrottle& throttle, const QString& code,
                                             double progress, const QString& stageName)
{
    if (active_ && throttle.admit(progress, stageName))
        append(code);
}

void DiagnosticsEventJournal::flushPending()
{
    if (!active_ || pending_.isEmpty())
        return;
    const QSet<QString> codes = std::exchange(pending_, {});
    for (const QString& code : codes)
        append(code);
}

void DiagnosticsEventJournal::append(const QString& code)
{
    records_.append(QJsonObject{{QStringLiteral("id"), static_cast<double>(nextId_++)},
                                {QStringLiteral("revision"), static_cast<double>(revision_)},
                                {QStringLiteral("code"), code},
                                {QStringLiteral("occurredAtUtc"),
                                 QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)}});
    if (records_.size() > kCapacity)
        records_.remove(0, records_.size() - kCapacity);
}

DispatchResult DiagnosticsEventJournal::events(const QJsonObject& params) const
{
    const double cursor = wholeParameter(params, QStringLiteral("cursor"), 0.0, 0.0);
    if (cursor < 0.0)
        return DispatchResult::failure(QStringLiteral("invalid_cursor"));
    const double limit = wholeParameter(params, QStringLiteral("limit"), kCapacity, 1.0);
    if (limit < 0.0)
        return DispatchResult::failure(QStringLiteral("invalid_limit"));

    const auto after = static_cast<quint64>(cursor);
    const qsizetype wanted = static_cast<qsizetype>(std::min<double>(limit, kCapacity));
    QJsonArray events;
    quint64 nextCursor = after;
    for (const QJsonObject& record : records_) {
        if (events.size() == wanted)
            break;
        const auto id = static_cast<quint64>(record.value(QStringLiteral("id")).toDouble());
        if (id <= after)
            continue;
        events.append(record);
        nextCursor = id;
    }
    const quint64 oldest =
        records_.isEmpty()
            ? nextId_
            : static_cast<quint64>(records_.first().value(QStringLiteral("id")).toDouble());
    return DispatchResult::success(
        {{QStringLiteral("events"), events},
         {QStringLiteral("nextCursor"), static_cast<double>(nextCursor)},
         {QStringLiteral("droppedBefore"), static_cast<double>(oldest - 1)},
         {QStringLiteral("revision"), static_cast<double>(revision_)}});
}

} // namespace orvi::diagnostics::service
