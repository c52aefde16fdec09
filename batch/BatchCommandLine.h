#pragma once

#include "BatchJob.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <vector>

namespace orvi::batch {

// The command line: a verb, its inputs, settings given as options, and how to run.
class BatchCommandLine
{
    Q_DECLARE_TR_FUNCTIONS(BatchCommandLine)

public:
    enum class Verb
    {
        Analyse,
        Amplify,
        Merge,
        List
    };

    struct Parsed
    {
        Verb verb = Verb::Analyse;
        JobSources sources;     // for the run and the list
        QStringList positional; // for merge: summary parts or their folder
        QString only;           // "3", "0,4,7" or "2-5"
        QString shard;          // "K/N", K from 0
        int parallel = 0;       // 0 = from the machine
        qint64 memoryLimitBytes = 0;
        QString summaryBase; // without extension; empty = in the output folder
        bool plain = false;
    };

    // Exits the process itself for help and version.
    static bool parse(const QStringList& arguments, Parsed* parsed, QString* error);
    // The recordings this invocation runs, and the name its summary part carries ("" for all).
    static bool selection(const Parsed& parsed, int recordingCount, std::vector<int>* indexes,
                          QString* partName, QString* error);
};

} // namespace orvi::batch
