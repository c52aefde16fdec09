#pragma once

#include "results/TemporaryStore.h"

#include <QFile>
#include <QString>
#include <QStringList>

namespace orvi::project_data {

// Remembers, in an entry of the temporary store, the hidden staging files that an export
// creates beside the user's files. A process that dies mid-export cannot remove them; the
// start-up cleanup of a later run does, once this record's owner has ended.
class StagingRecord
{
public:
    StagingRecord() = default;
    // Removes the record, unless a recorded file still exists: the record then stays for the
    // next cleanup to retry.
    ~StagingRecord();

    StagingRecord(const StagingRecord&) = delete;
    StagingRecord& operator=(const StagingRecord&) = delete;

    // Records `path` (absolute) before the file is created; false when the record cannot be
    // written.
    bool add(const QString& path);

    // Deletes the files recorded in an abandoned entry. Only hidden staging names are
    // touched, so a damaged record can never remove a user's file.
    static void removeRecordedFiles(const QString& entryPath);

private:
    bool begin();

    TemporaryStore::Entry m_entry;
    QFile m_list;
    QStringList m_paths;
};

} // namespace orvi::project_data
