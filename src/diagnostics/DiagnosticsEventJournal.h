#pragma once

#include "diagnostics/DispatchResult.h"

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

namespace orvi::diagnostics::service {

// Which progress notifications are worth a record: one per twentieth of the way, and one
// per change of stage. Kept separately for the preview and the export.
class ProgressThrottle
{
public:
    static constexpr int kSteps = 20;

    // True when the step of progress or the stage differs from the last recorded ones;
    // both are remembered then.
    bool admit(double progress, const QString& stageName);
    void reset();

private:
    int lastStep_ = -1;
    QString lastStageName_;
};

// The service revision and the short journal of named events that clients poll with a
// cursor. Change notifications raise the revision at once and are written, one record per
// distinct code, when the coalescing timer fires; direct events are written at once
// without touching the revision. Nothing is recorded while the journal is inactive.
class DiagnosticsEventJournal : public QObject
{
    Q_OBJECT

public:
    static constexpr int kCapacity = 256;
    static constexpr int kCoalescingIntervalMs = 75;

    explicit DiagnosticsEventJournal(QObject* parent = nullptr);

    // Clears records and pending codes and starts the revision and the ids from 1.
    void reset(bool active);
    bool isActive() const { return active_; }
    quint64 revision() const { return revision_; }

    void recordCoalesced(const QString& code);
    void recordDirect(const QString& code);
    void recordProgress(ProgressThrottle& throttle, const QString& code, double progress,
                        const QString& stageName);

    // "diagnostics.getEvents": "cursor" and "limit" as the protocol defines them.
    DispatchResult events(const QJsonObject& params) const;

private:
    void flushPending();
    void append(const QString& code);

    QTimer timer_;
    QList<QJsonObject> records_;
    QSet<QString> pending_;
    quint64 revision_ = 1;
    quint64 nextId_ = 1;
    bool active_ = false;
};

} // namespace orvi::diagnostics::service
