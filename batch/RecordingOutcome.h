#pragma once

#include <QJsonObject>
#include <QString>

namespace orvi::batch {

enum class RecordingStatus
{
    Succeeded,
    Skipped, // its outputs existed and matched the job
    Failed,
    Cancelled,
    Missing // in a merged summary: no part reported it
};

// Status codes as the summaries write them.
QString statusCode(RecordingStatus status);
RecordingStatus statusFromCode(const QString& code);
// A skipped recording's outputs are there: it counts as done.
inline bool countsAsDone(RecordingStatus status)
{
    return status == RecordingStatus::Succeeded || status == RecordingStatus::Skipped;
}

// What one recording came to: a summary row.
struct RecordingOutcome
{
    int index = 0;
    QString input;
    RecordingStatus status = RecordingStatus::Failed;
    QString message;
    // The figures of the row (rate, fragment, candidates or band, outputs); kept by resumed
    // runs, so they never hold times or anything else that differs between equal runs.
    QJsonObject figures;
};

} // namespace orvi::batch
