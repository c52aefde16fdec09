#pragma once

#include "BatchSettings.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <vector>

namespace orvi::batch {

// One recording of a job: its place in the job (the index that --only and the shards use),
// the file, and the settings given for it, merged key by key.
struct BatchRecording
{
    int index = 0;
    QString input;        // absolute path
    QJsonObject settings; // only the keys that were given; file paths absolute
    QString outputStem;   // the start of its output file names
};

struct BatchJob
{
    BatchVerb verb = BatchVerb::Analyse;
    QString outputFolder; // absolute
    std::vector<BatchRecording> recordings;
};

// Where a job comes from: a job file, a list file, inputs named on the command line (files or
// folders), settings given as options, and an output folder.
struct JobSources
{
    QString jobFile;
    QString listFile;
    QStringList inputs;
    QJsonObject options;
    QString outputFolder;
};

// Builds the job in a fixed order (the job file's recordings, its folder and list, then the
// list file and the command line's inputs) so that every invocation numbers the recordings
// alike. Settings merge as job defaults, then options, then the recording's own keys.
class BatchJobLoader
{
    Q_DECLARE_TR_FUNCTIONS(BatchJobLoader)

public:
    static bool load(BatchVerb verb, const JobSources& sources, BatchJob* job, QString* error);
    // Video files directly inside a folder, by name.
    static QStringList videosIn(const QString& folder);
    // Paths of a list file: one a line, '#' starts a comment, relative to the list's folder.
    static bool readList(const QString& path, QStringList* inputs, QString* error);
};

} // namespace orvi::batch
