#pragma once

#include "BatchSettings.h"
#include "RecordingOutcome.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <vector>

namespace orvi::batch {

// The table of a run: one row per recording in job order, as JSON and as CSV. A part written
// by one shard names the whole job's recordings, so that parts merge into the table a single
// run writes.
class BatchSummary
{
    Q_DECLARE_TR_FUNCTIONS(BatchSummary)

public:
    // How a run or a merge ends.
    enum ExitStatus
    {
        AllSucceeded = 0,
        SomeFailed = 1,
        NoneSucceeded = 2,
        NotStarted = 3, // unusable options, job or summary place
        Interrupted = 4
    };

    static QJsonObject document(BatchVerb verb, const QStringList& jobInputs,
                                std::vector<RecordingOutcome> rows);
    static int exitStatus(const QJsonObject& document);

    // Whether `basePath`.json and .csv may be written: absent, or a summary this program wrote.
    static bool placeUsable(const QString& basePath, QString* error);
    // Writes `basePath`.json and `basePath`.csv, each atomically.
    static bool write(const QString& basePath, const QJsonObject& document, QString* error);

    // Parts named directly, or every part ("summary-*.json") in a named folder.
    static QStringList partsIn(const QStringList& arguments);
    // One document from the parts of one job; recordings no part reported are "missing".
    static bool merge(const QStringList& parts, QJsonObject* document, QString* error);

    static QByteArray csv(const QJsonObject& document);
};

} // namespace orvi::batch
